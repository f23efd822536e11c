#include "app/MainFrame.h"

#include "app/AppIcons.h"
#include "app/CascadeLayout.h"
#include "app/ChildFrame.h"
#include "app/CursorReadout.h"
#include "app/MapCoordinates.h"
#include "app/DocTemplate.h"
#include "app/RecentFileList.h"
#include "app/Strings.h"
#include "doc/qt/KarvexDoc.h"
#include "view/KarvexView.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QTranslator>
#include <QUrl>

#include <algorithm>

namespace {

constexpr int kTickMs = 100;
enum Pane { PaneMessage, PaneCaps, PaneNum, PaneScroll, PaneX, PaneY, PaneRgb, PaneZoom, PaneMap, PaneCount };
// Recent files longer than this are shortened in the middle in the File menu.
constexpr int kRecentFileMenuChars = 40;

// A maximised child window makes Qt retitle the main window "main - [child]"
// through a translatable pattern; translated to "main" alone, the title stays
// "Karvex - <document title>" as UpdateTitle sets it.
class CMaximisedTitleTranslator : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* sourceText, const char* disambiguation,
                      int n) const override
    {
        Q_UNUSED(disambiguation);
        Q_UNUSED(n);
        if (qstrcmp(context, "QMdiSubWindow") == 0 && qstrcmp(sourceText, "%1 - [%2]") == 0)
            return QStringLiteral("%1");
        return {};
    }
};

}  // namespace

CMainFrame::CMainFrame(CMultiDocTemplate* docTemplate, const CRecentFileList* recentFiles, QWidget* parent)
    : QMainWindow(parent),
      m_pDocTemplate(docTemplate),
      m_pRecentFiles(recentFiles),
      m_pMdiArea(new QMdiArea(this)),
      m_commands(CreateCommands(this))
{
    setWindowIcon(AppIcon());
    QCoreApplication::installTranslator(new CMaximisedTitleTranslator(this));
    setCentralWidget(m_pMdiArea);
    m_pMdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_pMdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    if (m_pDocTemplate)
        m_pDocTemplate->SetMdiArea(m_pMdiArea);
    addActions(m_commands.WithShortcuts());

    CreateStatusBar();
    CreateMenus();
    ConnectCommands();
    setAcceptDrops(true);
    UpdateTitle();

    connect(m_pMdiArea, &QMdiArea::subWindowActivated, this, &CMainFrame::OnActiveChildChanged);
    connect(&m_timer, &QTimer::timeout, this, [this] { Tick(QCursor::pos()); });
    m_timer.start(kTickMs);
}

CMainFrame::~CMainFrame()
{
    // ~QWidget closes the window, and the MDI area then reports the active
    // child changing: by then this is no longer a CMainFrame.
    disconnect(m_pMdiArea, nullptr, this, nullptr);
}

void CMainFrame::CreateStatusBar()
{
    auto* bar = statusBar();
    // Each pane is as wide as its initial text; the read-out panes also fit
    // typical values, so that they do not jump while the cursor moves.
    const QString texts[] = {ui::Ready, ui::PaneCaps, ui::PaneNum,  ui::PaneScroll,
                             ui::PaneX, ui::PaneY,    ui::PaneRgb, ui::PaneZoom, QString()};
    const QString widest[] = {{}, {}, {}, {}, ui::ReadoutX.arg(-8888), ui::ReadoutY.arg(-8888),
                              ui::ReadoutRgb.arg(888).arg(888).arg(888), ZoomPercentText(20.0),
                              ui::ReadoutMap.arg(QStringLiteral("-8888888.88")).arg(QStringLiteral("-8888888.88"))};
    for (int i = 0; i < PaneCount; ++i) {
        auto* pane = new QLabel(texts[i], bar);
        m_panes.append(pane);
        if (i == PaneMessage) {
            bar->addWidget(pane, 1);  // hidden while a command prompt shows
            continue;
        }
        pane->setFrameShape(QFrame::Panel);
        pane->setFrameShadow(QFrame::Sunken);
        pane->setAlignment(Qt::AlignCenter);
        const QFontMetrics metrics = pane->fontMetrics();
        const int textWidth = std::max(metrics.horizontalAdvance(texts[i]), metrics.horizontalAdvance(widest[i]));
        pane->setMinimumWidth(textWidth + 2 * pane->frameWidth() + metrics.averageCharWidth());
        bar->addPermanentWidget(pane);
    }
    m_panes[PaneMap]->setToolTip(ui::PaneMapTip);
    ShowLockKeys(ReadLockKeys());
}

void CMainFrame::ShowLockKeys(const LockKeyState& state)
{
    const std::pair<int, std::optional<bool>> keys[] = {
        {PaneCaps, state.caps}, {PaneNum, state.num}, {PaneScroll, state.scroll}};
    for (const auto& [pane, on] : keys) {
        m_panes[pane]->setEnabled(on.value_or(false));
        m_panes[pane]->setToolTip(on ? QString() : ui::LockStateUnknown);
    }
}

void CMainFrame::CreateMenus()
{
    m_pFileMenuEmpty = new QMenu(ui::MenuFile, this);
    m_pFileMenuDoc = new QMenu(ui::MenuFile, this);
    UpdateRecentFileMenus();

    m_pViewMenuEmpty = new QMenu(ui::MenuView, this);
    m_pViewMenuEmpty->addAction(m_commands.viewStatusBar);
    m_pViewMenuDoc = new QMenu(ui::MenuView, this);
    m_pViewMenuDoc->addAction(m_commands.viewStatusBar);
    m_pViewMenuDoc->addAction(m_commands.viewColors);
    m_pViewMenuDoc->addAction(m_commands.viewFitToWindow);

    m_pWindowMenu = new QMenu(ui::MenuWindow, this);
    connect(m_pWindowMenu, &QMenu::aboutToShow, this, &CMainFrame::FillWindowMenu);
    FillWindowMenu();

    m_pHelpMenu = new QMenu(ui::MenuHelp, this);
    m_pHelpMenu->addAction(m_commands.appAbout);

    m_bDocumentMenus = true;  // forces the first switch below
    OnActiveChildChanged();
}

void CMainFrame::FillFileMenu(QMenu* menu, bool withSave)
{
    menu->clear();
    menu->addAction(m_commands.fileOpen);
    if (withSave)
        menu->addAction(m_commands.fileSave);
    menu->addSeparator();
    const QStringList files = m_pRecentFiles ? m_pRecentFiles->Files() : QStringList();
    if (files.isEmpty())
        menu->addAction(m_commands.recentPlaceholder);
    for (int i = 0; i < files.size(); ++i) {
        const QString path = files[i];
        const QString shown = AbbreviatePath(QDir::toNativeSeparators(path), kRecentFileMenuChars);
        const QString label = QStringLiteral("&%1 %2").arg(i + 1).arg(QString(shown).replace(QLatin1Char('&'), QStringLiteral("&&")));
        QAction* item = menu->addAction(label);
        item->setStatusTip(ui::PromptRecentPath.arg(QDir::toNativeSeparators(path)));
        connect(item, &QAction::triggered, this, [this, path] { emit recentFileChosen(path); });
    }
    menu->addSeparator();
    menu->addAction(m_commands.appExit);
}

void CMainFrame::UpdateRecentFileMenus()
{
    FillFileMenu(m_pFileMenuEmpty, false);
    FillFileMenu(m_pFileMenuDoc, true);
}

void CMainFrame::FillWindowMenu()
{
    m_pWindowMenu->clear();
    m_pWindowMenu->addAction(m_commands.windowNew);
    m_pWindowMenu->addAction(m_commands.windowCascade);
    m_pWindowMenu->addAction(m_commands.windowTile);
    m_pWindowMenu->addAction(m_commands.windowArrange);
    const QList<QMdiSubWindow*> frames = m_pMdiArea->subWindowList();
    if (frames.isEmpty())
        return;
    m_pWindowMenu->addSeparator();
    QMdiSubWindow* current = m_pMdiArea->currentSubWindow();
    for (int i = 0; i < frames.size(); ++i) {
        QMdiSubWindow* frame = frames[i];
        QAction* item = m_pWindowMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(frame->windowTitle()));
        item->setStatusTip(ui::PromptActivateWindow);
        item->setCheckable(true);
        item->setChecked(frame == current);
        connect(item, &QAction::triggered, this, [frame] {
            if (auto* child = qobject_cast<CChildFrame*>(frame))
                child->ActivateFrame();
        });
    }
}

void CMainFrame::ConnectCommands()
{
    connect(m_commands.appExit, &QAction::triggered, this, &QWidget::close);
    connect(m_commands.viewStatusBar, &QAction::toggled, statusBar(), &QWidget::setVisible);
    connect(m_commands.fileSave, &QAction::triggered, this, [this] {
        if (CKarvexDoc* doc = ActiveDocument())
            doc->DoFileSave();
    });
    connect(m_commands.viewColors, &QAction::triggered, this, [this] {
        if (CKarvexDoc* doc = ActiveDocument())
            doc->OnViewColors();
    });
    connect(m_commands.windowNew, &QAction::triggered, this, [this] {
        if (m_pDocTemplate)
            m_pDocTemplate->NewWindow(ActiveDocument());
    });
    connect(m_commands.viewFitToWindow, &QAction::triggered, this, [this] {
        if (CChildFrame* child = ActiveChildFrame())
            child->GetActiveView()->FitToWindow();
    });
    connect(m_commands.windowClose, &QAction::triggered, m_pMdiArea, &QMdiArea::closeActiveSubWindow);
    connect(m_commands.windowNext, &QAction::triggered, m_pMdiArea, &QMdiArea::activateNextSubWindow);
    connect(m_commands.windowPrev, &QAction::triggered, m_pMdiArea, &QMdiArea::activatePreviousSubWindow);
    connect(m_commands.windowCascade, &QAction::triggered, this, &CMainFrame::CascadeChildFrames);
    connect(m_commands.windowTile, &QAction::triggered, m_pMdiArea, &QMdiArea::tileSubWindows);
    connect(m_commands.windowArrange, &QAction::triggered, this, [this] {
        // Minimised child windows line up along the bottom edge.
        int x = 0;
        for (QMdiSubWindow* frame : m_pMdiArea->subWindowList()) {
            if (!frame->isMinimized())
                continue;
            frame->move(x, m_pMdiArea->viewport()->height() - frame->height());
            x += frame->width();
        }
    });
}

void CMainFrame::CascadeChildFrames()
{
    QList<QMdiSubWindow*> frames;
    for (QMdiSubWindow* frame : m_pMdiArea->subWindowList(QMdiArea::StackingOrder))
        if (!frame->isMinimized())
            frames.append(frame);
    if (frames.isEmpty())
        return;
    QMdiSubWindow* active = m_pMdiArea->currentSubWindow();
    QStyleOptionTitleBar option;
    option.initFrom(frames.constFirst());
    const int step = frames.constFirst()->style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, frames.constFirst());
    const QList<QRect> rects = CascadeGeometries(m_pMdiArea->viewport()->size(), int(frames.size()), step);
    for (qsizetype i = 0; i < frames.size(); ++i) {
        frames[i]->showNormal();
        frames[i]->setGeometry(rects[i]);
        frames[i]->raise();
    }
    if (active)
        m_pMdiArea->setActiveSubWindow(active);
}

CChildFrame* CMainFrame::ActiveChildFrame() const
{
    return qobject_cast<CChildFrame*>(m_pMdiArea->currentSubWindow());
}

CKarvexDoc* CMainFrame::ActiveDocument() const
{
    CChildFrame* frame = ActiveChildFrame();
    return frame && frame->GetActiveView() ? frame->GetActiveView()->GetDocument() : nullptr;
}

void CMainFrame::OnActiveChildChanged()
{
    const bool documentMenus = ActiveChildFrame() != nullptr;
    if (documentMenus != m_bDocumentMenus) {
        m_bDocumentMenus = documentMenus;
        QMenuBar* bar = menuBar();
        bar->clear();
        bar->addMenu(documentMenus ? m_pFileMenuDoc : m_pFileMenuEmpty);
        bar->addMenu(documentMenus ? m_pViewMenuDoc : m_pViewMenuEmpty);
        if (documentMenus)
            bar->addMenu(m_pWindowMenu);
        bar->addMenu(m_pHelpMenu);
    }
    m_commands.fileSave->setEnabled(documentMenus);
    m_commands.viewColors->setEnabled(documentMenus);
    m_commands.windowNew->setEnabled(documentMenus);
    m_commands.viewFitToWindow->setEnabled(documentMenus);
    m_commands.windowClose->setEnabled(documentMenus);
    m_commands.windowNext->setEnabled(documentMenus);
    m_commands.windowPrev->setEnabled(documentMenus);
    UpdateTitle();
}

void CMainFrame::UpdateTitle()
{
    const CKarvexDoc* doc = ActiveDocument();
    const QString title = doc ? ui::AppName + QStringLiteral(" - ") + doc->GetTitle() : ui::AppName;
    if (windowTitle() == title)
        return;
    m_bSettingTitle = true;
    setWindowTitle(title);
    m_bSettingTitle = false;
}

void CMainFrame::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // A maximised child window rewrites the main title as "Karvex - [child]"; keep ours.
    if (event->type() == QEvent::WindowTitleChange && !m_bSettingTitle)
        UpdateTitle();
}

void CMainFrame::Tick(QPoint globalPos)
{
    // A new, closed or renamed child window also shows here, at the latest on the next tick.
    if ((ActiveChildFrame() != nullptr) != m_bDocumentMenus)
        OnActiveChildChanged();
    else
        UpdateTitle();
    ShowLockKeys(ReadLockKeys());

    CChildFrame* frame = ActiveChildFrame();
    if (!frame)
        return;
    CKarvexView* view = frame->GetActiveView();
    if (!view || !view->GetDocument())
        return;
    if (g_bTimerRepaint)
        view->viewport()->update();

    const QPoint client = view->viewport()->mapFromGlobal(globalPos);
    const CursorReadout readout =
        ReadPixelUnderCursor(client, view->GetScrollPosition(), view->m_dZoom, view->GetDocument()->raster);
    m_panes[PaneX]->setText(readout.XText());
    m_panes[PaneY]->setText(readout.YText());
    m_panes[PaneRgb]->setText(readout.RgbText());
    m_panes[PaneZoom]->setText(ZoomPercentText(view->m_dZoom));
    m_panes[PaneMap]->setText(MapCoordinateText(view->GetDocument()->geo, readout.x, readout.y));
}

QString CMainFrame::PaneText(int pane) const
{
    return pane >= 0 && pane < m_panes.size() ? m_panes[pane]->text() : QString();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    emit closing();
    QMainWindow::closeEvent(event);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    for (const QUrl& url : urls)
        if (url.isLocalFile())
            emit openFileRequested(url.toLocalFile());
}
