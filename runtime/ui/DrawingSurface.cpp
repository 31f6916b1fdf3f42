#include "runtime/ui/DrawingSurface.h"

#include <QPaintEvent>
#include <QPainter>

#include <cmath>

namespace zemor::runtime::ui {

DrawingSurface::DrawingSurface(QWidget *parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

void DrawingSurface::clear()
{
    m_items.clear();
    update();
}

void DrawingSurface::setPen(const QColor &color, int width)
{
    m_penColor = color;
    m_penWidth = std::max(1, width);
}

void DrawingSurface::drawLine(QPoint from, QPoint to)
{
    drawPolyline({from, to});
}

void DrawingSurface::drawPolyline(const QList<QPoint> &points)
{
    if (points.size() < 2)
        return;
    Item item;
    item.kind = Item::Kind::Line;
    item.points = points;
    item.color = m_penColor;
    item.penWidth = m_penWidth;
    m_items.append(item);
    update();
}

void DrawingSurface::drawText(QPoint at, const QString &text)
{
    Item item;
    item.kind = Item::Kind::Text;
    item.points = {at};
    item.text = text;
    item.color = m_penColor;
    m_items.append(item);
    update();
}

void DrawingSurface::fillBox(const QRect &box, const QColor &color)
{
    Item item;
    item.kind = Item::Kind::Box;
    item.box = box;
    item.color = color;
    m_items.append(item);
    update();
}

QPoint DrawingSurface::toPixels(QPoint units) const
{
    const QFontMetricsF metrics(font());
    return QPoint(int(std::lround(units.x() * metrics.averageCharWidth() / 4.0)),
                  int(std::lround(units.y() * metrics.height() / 8.0)));
}

QRect DrawingSurface::toPixels(const QRect &units) const
{
    const QPoint topLeft = toPixels(units.topLeft());
    const QPoint end = toPixels(units.topLeft() + QPoint(units.width(), units.height()));
    return QRect(topLeft, end - QPoint(1, 1));
}

void DrawingSurface::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setClipRect(event->rect());
    for (const Item &item : m_items) {
        switch (item.kind) {
        case Item::Kind::Line: {
            painter.setPen(QPen(item.color, item.penWidth));
            QList<QPoint> pixels;
            pixels.reserve(item.points.size());
            for (const QPoint &p : item.points)
                pixels.append(toPixels(p));
            painter.drawPolyline(pixels.constData(), int(pixels.size()));
            break;
        }
        case Item::Kind::Text: {
            painter.setPen(item.color);
            const QPoint at = toPixels(item.points.first());
            painter.drawText(QRect(at, QSize(width(), height())), Qt::AlignLeft | Qt::AlignTop,
                             item.text);
            break;
        }
        case Item::Kind::Box:
            painter.fillRect(toPixels(item.box), item.color);
            break;
        }
    }
}

} // namespace zemor::runtime::ui
