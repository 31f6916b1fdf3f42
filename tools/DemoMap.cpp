#include "tools/DemoMap.h"

#include "data/Codes.h"
#include "runtime/fs/DurableFile.h"
#include "tools/DemoCatalogue.h"

#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace zemor::tools {

runtime::Status DemoMap::write(const QString &root)
{
    QImage map(900, 560, QImage::Format_RGB32);
    map.fill(QColor(0xf4, 0xf1, 0xe6));
    QPainter painter(&map);
    painter.setRenderHint(QPainter::Antialiasing);

    // The rural districts lie on a grid of cells, each cell's corners pushed about a little so
    // that the borders look drawn rather than ruled; a dot marks each district's centre.
    QList<DemoDistrict> rural;
    for (const DemoDistrict &d : demoReference().districts) {
        if (data::isRuralDistrict(d.code))
            rural.append(d);
    }
    const int columns = 3;
    const int rows = (int(rural.size()) + columns - 1) / columns;
    const QRectF area(60, 50, 780, 460);
    const double w = area.width() / columns, h = area.height() / std::max(rows, 1);
    auto corner = [&](int c, int r) {
        const double dx = (c == 0 || c == columns) ? 0 : 18 * std::sin(c * 1.7 + r * 2.3);
        const double dy = (r == 0 || r == rows) ? 0 : 14 * std::cos(c * 2.1 + r * 1.3);
        return QPointF(area.left() + c * w + dx, area.top() + r * h + dy);
    };
    const QColor fills[] = {QColor(0xd9, 0xe8, 0xc4), QColor(0xf0, 0xdf, 0xb0),
                            QColor(0xc8, 0xdc, 0xe8), QColor(0xe8, 0xcf, 0xd6)};
    const bool withText = qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
    QFont font = painter.font();
    font.setPixelSize(16);
    painter.setFont(font);
    for (int i = 0; i < rural.size(); ++i) {
        const int c = i % columns, r = i / columns;
        QPainterPath cell;
        cell.moveTo(corner(c, r));
        cell.lineTo(corner(c + 1, r));
        cell.lineTo(corner(c + 1, r + 1));
        cell.lineTo(corner(c, r + 1));
        cell.closeSubpath();
        painter.setPen(QPen(QColor(0x6b, 0x6b, 0x5a), 2));
        painter.setBrush(fills[(c + 2 * r) % 4]);
        painter.drawPath(cell);
        const QPointF centre = cell.boundingRect().center();
        painter.setBrush(QColor(0x8a, 0x2b, 0x2b));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(centre + QPointF(0, 18), 5, 5);
        if (withText) {
            painter.setPen(QColor(0x33, 0x33, 0x2a));
            painter.drawText(QRectF(centre.x() - w / 2, centre.y() - 24, w, 24), Qt::AlignCenter,
                             rural.at(i).name);
        }
    }
    painter.end();

    // Written whole or not at all, like every other file of the demo.
    const QString path = QDir(root).filePath(QStringLiteral("karta.bmp"));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !map.save(&buffer, "BMP"))
        return runtime::fail(runtime::ErrorCode::IoError, path,
                             QStringLiteral("%1 could not be written").arg(path));
    return runtime::fs::writeWholeFile(path, bytes);
}

} // namespace zemor::tools
