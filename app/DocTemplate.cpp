#include "app/DocTemplate.h"

#include "app/ChildFrame.h"
#include "app/Strings.h"
#include "doc/qt/KarvexDoc.h"
#include "view/KarvexView.h"

#include <QFileInfo>
#include <QMdiArea>

namespace {

CChildFrame* FrameOf(CKarvexView* view) { return qobject_cast<CChildFrame*>(view->parentWidget()); }

QString SameFileKey(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

}  // namespace

// Puts the new frame into the client area, shows it and gives its view the
// first update, as the framework does.
void CMultiDocTemplate::InitialUpdateFrame(CChildFrame* frame)
{
    if (m_pMdiArea)
        m_pMdiArea->addSubWindow(frame);
    frame->ActivateFrame();
    frame->GetActiveView()->OnInitialUpdate();
}

CMultiDocTemplate::CMultiDocTemplate(QObject* parent) : QObject(parent) {}

CMultiDocTemplate::~CMultiDocTemplate()
{
    // Views that outlive the template must not call back into it.
    for (CKarvexDoc* doc : m_docs)
        for (CKarvexView* view : doc->Views())
            disconnect(view, nullptr, this, nullptr);
}

CKarvexDoc* CMultiDocTemplate::OpenDocumentFile(const QString& path)
{
    if (path.isEmpty())
        return OpenNewDocument();
    if (CKarvexDoc* open = FindOpenDocument(path)) {
        if (!open->Views().isEmpty())
            FrameOf(open->Views().constFirst())->ActivateFrame();
        return open;
    }

    // The frame joins the client area only once the file is read, so a
    // refused or failed open leaves the title, menus, panes and the active
    // window as they were.
    auto* doc = new CKarvexDoc(this);
    m_docs.append(doc);
    CChildFrame* frame = CreateNewFrame(doc);
    if (!doc->OnOpenDocument(path)) {
        delete frame;  // its view goes with it, and with the last view the document
        return nullptr;
    }
    doc->SetPathName(QFileInfo(path).absoluteFilePath());
    emit documentOpened(doc->GetPathName());
    InitialUpdateFrame(frame);
    return doc;
}

CKarvexDoc* CMultiDocTemplate::OpenNewDocument()
{
    auto* doc = new CKarvexDoc(this);
    m_docs.append(doc);
    doc->SetTitle(ui::UntitledBase + QString::number(++m_nUntitledCount));
    InitialUpdateFrame(CreateNewFrame(doc));
    return doc;
}

CChildFrame* CMultiDocTemplate::NewWindow(CKarvexDoc* doc)
{
    if (!doc || !m_docs.contains(doc))
        return nullptr;
    CChildFrame* frame = CreateNewFrame(doc);
    InitialUpdateFrame(frame);
    return frame;
}

void CMultiDocTemplate::CloseAllDocuments()
{
    if (!m_pMdiArea)
        return;
    for (QMdiSubWindow* frame : m_pMdiArea->subWindowList())
        delete frame;
}

CKarvexDoc* CMultiDocTemplate::FindOpenDocument(const QString& path) const
{
    const QString key = SameFileKey(path);
    for (CKarvexDoc* doc : m_docs)
        if (!doc->GetPathName().isEmpty() && SameFileKey(doc->GetPathName()) == key)
            return doc;
    return nullptr;
}

CChildFrame* CMultiDocTemplate::CreateNewFrame(CKarvexDoc* doc)
{
    auto* view = new CKarvexView(doc);
    auto* frame = new CChildFrame(view);
    doc->AddView(view);
    connect(view, &QObject::destroyed, this, [this, doc, view] { OnViewGone(doc, view); });
    connect(doc, &CKarvexDoc::titleChanged, frame, [this, doc] { UpdateFrameTitles(doc); });
    UpdateFrameTitles(doc);
    return frame;
}

void CMultiDocTemplate::OnViewGone(CKarvexDoc* doc, CKarvexView* view)
{
    doc->RemoveView(view);
    if (!doc->Views().isEmpty()) {
        UpdateFrameTitles(doc);
        return;
    }
    m_docs.removeOne(doc);
    delete doc;
}

void CMultiDocTemplate::UpdateFrameTitles(CKarvexDoc* doc)
{
    const QList<CKarvexView*>& views = doc->Views();
    for (qsizetype i = 0; i < views.size(); ++i) {
        CChildFrame* frame = FrameOf(views[i]);
        if (!frame)
            continue;
        if (views.size() == 1)
            frame->setWindowTitle(doc->GetTitle());
        else
            frame->setWindowTitle(doc->GetTitle() + QLatin1Char(':') + QString::number(i + 1));
    }
}
