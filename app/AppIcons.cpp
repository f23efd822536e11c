#include "app/AppIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>

namespace {

constexpr int kSizes[] = {16, 32, 48};

// A folded map sheet: three panels of flat colour with a boundary line across.
void DrawMap(QPainter& p, int s)
{
    const double u = s / 16.0;
    const QColor panels[] = {QColor(0x6c, 0xb4, 0x5c), QColor(0xe8, 0xd0, 0x6a), QColor(0x5a, 0x9b, 0xd4)};
    for (int i = 0; i < 3; ++i) {
        QPolygonF panel;
        const double x0 = (1 + i * 14.0 / 3) * u, x1 = (1 + (i + 1) * 14.0 / 3) * u;
        const double dip = (i % 2 == 0) ? 0 : 1.5 * u;
        panel << QPointF(x0, 2 * u + (i % 2 ? 0 : dip)) << QPointF(x1, 2 * u + dip)
              << QPointF(x1, 14 * u + dip) << QPointF(x0, 14 * u + (i % 2 ? 0 : dip));
        p.setBrush(panels[i]);
        p.setPen(QPen(QColor(0x30, 0x30, 0x30), std::max(1.0, u * 0.6)));
        p.drawPolygon(panel);
    }
    QPainterPath border;
    border.moveTo(2 * u, 10 * u);
    border.cubicTo(5 * u, 5 * u, 9 * u, 12 * u, 14 * u, 6 * u);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0xc0, 0x20, 0x20), std::max(1.0, u)));
    p.drawPath(border);
}

// A page with a folded corner and a small map on it.
void DrawDocument(QPainter& p, int s)
{
    const double u = s / 16.0;
    QPolygonF page;
    page << QPointF(2 * u, 1 * u) << QPointF(10 * u, 1 * u) << QPointF(14 * u, 5 * u)
         << QPointF(14 * u, 15 * u) << QPointF(2 * u, 15 * u);
    p.setBrush(Qt::white);
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), std::max(1.0, u * 0.6)));
    p.drawPolygon(page);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x6c, 0xb4, 0x5c));
    p.drawRect(QRectF(4 * u, 7 * u, 4 * u, 6 * u));
    p.setBrush(QColor(0x5a, 0x9b, 0xd4));
    p.drawRect(QRectF(8 * u, 7 * u, 4 * u, 6 * u));
    p.setBrush(QColor(0xe8, 0xd0, 0x6a));
    p.drawRect(QRectF(4 * u, 4 * u, 5 * u, 3 * u));
}

template <typename Draw>
QIcon MakeIcon(Draw draw)
{
    QIcon icon;
    for (int s : kSizes) {
        QPixmap pixmap(s, s);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p, s);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace

QIcon AppIcon() { return MakeIcon(DrawMap); }
QIcon DocumentIcon() { return MakeIcon(DrawDocument); }
