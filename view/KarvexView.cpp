#include "view/KarvexView.h"

#include "doc/qt/KarvexDoc.h"
#include "view/StripBuffers.h"

#include <QImage>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>

#include <algorithm>

int g_bTimerRepaint = 1;

namespace {

// One colour table for every paint (like the strip buffers): filled in place,
// so painting allocates nothing for it.
QList<QRgb>& SharedColorTable()
{
    static QList<QRgb> table(256);
    return table;
}

// What a view without a document shows: a picture without pixels.
const CMapRaster& EmptyRaster()
{
    static const CMapRaster empty;
    return empty;
}

}  // namespace

CKarvexView::CKarvexView(CKarvexDoc* doc, QWidget* parent)
    : QAbstractScrollArea(parent), m_pDocument(doc), m_band(viewport())
{
    setFrameShape(QFrame::NoFrame);
    // Every paint covers the whole client area; nothing to erase first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    if (m_pDocument)
        connect(m_pDocument, &CKarvexDoc::viewsNeedUpdate, this, &CKarvexView::OnUpdate);
    SetScrollSizes();
}

CKarvexView::~CKarvexView() = default;

void CKarvexView::OnInitialUpdate()
{
    SetScrollSizes();
    viewport()->update();
}

void CKarvexView::OnUpdate()
{
    SetScrollSizes();
    viewport()->update();
}

QPoint CKarvexView::GetScrollPosition() const
{
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void CKarvexView::SetScrollSizes()
{
    const CMapRaster& raster = m_pDocument ? m_pDocument->raster : EmptyRaster();
    m_scrollSizes = ScrollSizesFor(raster.width, raster.height, m_dZoom);
    ApplyScrollRanges();
}

// The scrollable range is the zoomed picture less the client area.
void CKarvexView::ApplyScrollRanges()
{
    const QSize client = viewport()->size();
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    h->setRange(0, std::max(0, m_scrollSizes.totalWidth - client.width()));
    v->setRange(0, std::max(0, m_scrollSizes.totalHeight - client.height()));
    h->setPageStep(std::max(1, m_scrollSizes.pageWidth));
    v->setPageStep(std::max(1, m_scrollSizes.pageHeight));
    h->setSingleStep(std::max(1, m_scrollSizes.lineWidth));
    v->setSingleStep(std::max(1, m_scrollSizes.lineHeight));
}

void CKarvexView::ClientToImage(double& x, double& y) const
{
    const QPoint scroll = GetScrollPosition();
    x = (scroll.x() + x) / m_dZoom;
    y = (scroll.y() + y) / m_dZoom;
}

void CKarvexView::CenterOnImagePoint(double x, double y)
{
    const QSize client = viewport()->size();
    const ScrollTarget t = CenteringScroll(x, y, m_dZoom, client.width(), client.height());
    horizontalScrollBar()->setValue(t.x);  // the bars limit to the scroll range
    verticalScrollBar()->setValue(t.y);
}

void CKarvexView::ZoomAbout(double newZoom, QPoint anchor)
{
    double x = anchor.x(), y = anchor.y();
    ClientToImage(x, y);
    m_dZoom = newZoom;
    OnInitialUpdate();
    const ScrollTarget t = AnchoredScroll(x, y, m_dZoom, anchor.x(), anchor.y());
    horizontalScrollBar()->setValue(t.x);
    verticalScrollBar()->setValue(t.y);
}

void CKarvexView::FitToWindow()
{
    const CMapRaster& raster = m_pDocument ? m_pDocument->raster : EmptyRaster();
    // The size the client area has when no scroll bar is needed.
    const QSize room = maximumViewportSize();
    m_dZoom = FitZoom(raster.width, raster.height, room.width(), room.height());
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    OnInitialUpdate();
}

void CKarvexView::resizeEvent(QResizeEvent* event)
{
    StripBuffers::Shared().Reserve(event->size().width(), event->size().height());
    ApplyScrollRanges();
}

void CKarvexView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    OnDraw(painter);
}

void CKarvexView::OnDraw(QPainter& painter)
{
    const QPoint scroll = GetScrollPosition();
    const QSize client = viewport()->size();
    const SourceRect source = ClientSourceRect(scroll.x(), scroll.y(), client.width(), client.height());
    const QSize drawn = DrawAtZoom(painter, source, m_dZoom);

    // Whatever the strip does not reach shows the background entry too.
    const QColor background = QColor::fromRgb(BuildBitmapInfo().at(NO_INDEX));
    if (drawn.width() < client.width())
        painter.fillRect(drawn.width(), 0, client.width() - drawn.width(), client.height(), background);
    if (drawn.height() < client.height())
        painter.fillRect(0, drawn.height(), std::min(drawn.width(), client.width()),
                         client.height() - drawn.height(), background);
}

QSize CKarvexView::DrawAtZoom(QPainter& painter, const SourceRect& source, double z)
{
    StripBuffers& buffers = StripBuffers::Shared();
    StripPlan plan = PlanStrip(source, z);
    ClampPlan(plan, buffers.StripBytes(), buffers.ColumnEntries());
    if (plan.stripWidth <= 0 || plan.stripHeight <= 0)
        return {};
    const CMapRaster& raster = m_pDocument ? m_pDocument->raster : EmptyRaster();
    RenderStrip(raster, plan, buffers.Strip(), buffers.Columns());

    // The strip as an indexed image with the palette as its colour table.
    QImage strip(buffers.Strip(), plan.stripWidth, plan.stripHeight, plan.stripWidth,
                 QImage::Format_Indexed8);
    strip.setColorTable(BuildBitmapInfo());

    // Expanded once through the table, the painter takes its fast 32-bit
    // copy and scaling paths; indexed images go through a slower generic path.
    const QList<QRgb> table = strip.colorTable();  // shared, not copied
    ExpandThroughColorTable(strip.constBits(), size_t(plan.stripWidth) * size_t(plan.stripHeight),
                            table.constData(), buffers.Pixels());
    const QImage pixels(reinterpret_cast<const uchar*>(buffers.Pixels()), plan.stripWidth,
                        plan.stripHeight, plan.stripWidth * 4, QImage::Format_RGB32);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (plan.destWidth == plan.stripWidth && plan.destHeight == plan.stripHeight)
        painter.drawImage(0, 0, pixels);
    else
        painter.drawImage(QRect(0, 0, plan.destWidth, plan.destHeight), pixels,
                          QRect(0, 0, plan.stripWidth, plan.stripHeight));
    return {plan.destWidth, plan.destHeight};
}

const QList<QRgb>& CKarvexView::BuildBitmapInfo() const
{
    QList<QRgb>& table = SharedColorTable();
    const CMapRaster& raster = m_pDocument ? m_pDocument->raster : EmptyRaster();
    PaletteToColorTable(raster.palette, table.data(), 256);
    return table;
}
