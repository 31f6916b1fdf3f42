#include "runtime/report/ReportDefinition.h"

namespace zemor::runtime::report {

namespace {
constexpr double kA4Width = 210.0;
constexpr double kA4Height = 297.0;
} // namespace

QSizeF PageSetup::paperSize() const
{
    return orientation == Orientation::Portrait ? QSizeF(kA4Width, kA4Height)
                                                : QSizeF(kA4Height, kA4Width);
}

QRectF PageSetup::bodyRect() const
{
    return QRectF(QPointF(0, 0), paperSize()).marginsRemoved(margins);
}

ReportItem ReportItem::makeText(const QRectF &rect, const QString &text, const QFont &font,
                                Qt::Alignment alignment, bool frame)
{
    ReportItem item;
    item.kind = Kind::Text;
    item.rect = rect;
    item.text = text;
    item.font = font;
    item.alignment = alignment;
    item.frame = frame;
    return item;
}

ReportItem ReportItem::makeLine(const QPointF &from, const QPointF &to, double width)
{
    ReportItem item;
    item.kind = Kind::Line;
    item.rect = QRectF(from, to);
    item.penWidth = width;
    return item;
}

ReportItem ReportItem::makeBox(const QRectF &rect, double width, const QColor &fill)
{
    ReportItem item;
    item.kind = Kind::Box;
    item.rect = rect;
    item.penWidth = width;
    item.fill = fill;
    return item;
}

} // namespace zemor::runtime::report
