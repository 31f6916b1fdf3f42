#include "runtime/report/PageRenderer.h"

#include "runtime/fs/DurableFile.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace zemor::runtime::report {

namespace {

constexpr double kMmPerInch = 25.4;
constexpr double kDefaultPointSize = 10;
// Texts keep this distance from the left and right edges of their rectangle, so that a framed
// text does not touch its frame.
constexpr double kTextInset = 0.5;

QPageLayout layoutFor(const PageSetup &setup)
{
    QPageLayout layout(QPageSize(QPageSize::A4),
                       setup.orientation == Orientation::Portrait ? QPageLayout::Portrait
                                                                  : QPageLayout::Landscape,
                       QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    layout.setMode(QPageLayout::FullPageMode);
    return layout;
}

QRectF toDevice(const QRectF &mm, double scale)
{
    return QRectF(mm.x() * scale, mm.y() * scale, mm.width() * scale, mm.height() * scale);
}

QPen penFor(double widthMm, double scale)
{
    QPen pen(Qt::black);
    pen.setWidthF(qMax(widthMm * scale, 1.0));
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

} // namespace

QPageLayout PageRenderer::pageLayout(const PageSetup &setup)
{
    return layoutFor(setup);
}

Status PageRenderer::paintPages(QPainter &painter, QPagedPaintDevice &device, const PageList &pages,
                                int first, int last, double dpi, const QString &where)
{
    for (int i = first; i <= last; ++i) {
        if (i > first && !device.newPage())
            return fail(ErrorCode::IoError, where,
                        QStringLiteral("Страница %1 не выведена").arg(i + 1));
        PageRenderer::paint(painter, pages.pages.at(i), dpi);
    }
    return {};
}

double PageRenderer::textHeight(const ReportItem &item, const QString &text)
{
    // Measured on a fine device with the font sized as paint() sizes it.
    constexpr double dpi = 720;
    QImage device(1, 1, QImage::Format_RGB32);
    const int dotsPerMetre = qRound(dpi / kMmPerInch * 1000);
    device.setDotsPerMeterX(dotsPerMetre);
    device.setDotsPerMeterY(dotsPerMetre);
    QFont font = item.font;
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : kDefaultPointSize;
    font.setPointSizeF(points * dpi / device.logicalDpiY());
    const double scale = dpi / kMmPerInch;
    int flags = int(item.alignment);
    if (item.wordWrap)
        flags |= Qt::TextWordWrap;
    const QRectF room(0, 0, qMax(0.0, item.rect.width() - 2 * kTextInset) * scale, 1e7);
    return QFontMetricsF(font, &device).boundingRect(room, flags, text).height() / scale;
}

void PageRenderer::paint(QPainter &painter, const ReportPage &page, double dpi)
{
    const double scale = dpi / kMmPerInch;
    const int deviceDpi = painter.device() ? painter.device()->logicalDpiY() : 96;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    for (const ReportItem &item : page.items) {
        const QRectF rect = toDevice(item.rect, scale);
        switch (item.kind) {
        case ReportItem::Kind::Text: {
            QFont font = item.font;
            const double points = font.pointSizeF() > 0 ? font.pointSizeF() : kDefaultPointSize;
            // Point sizes are relative to the device's own resolution; scale them so that a
            // 10-point text is 10 points on the sheet at any `dpi`.
            font.setPointSizeF(points * dpi / deviceDpi);
            painter.setFont(font);
            painter.setPen(Qt::black);
            int flags = int(item.alignment);
            if (item.wordWrap)
                flags |= Qt::TextWordWrap;
            const double inset = kTextInset * scale;
            painter.drawText(rect.adjusted(inset, 0, -inset, 0), flags, item.text);
            if (item.frame) {
                painter.setPen(penFor(item.penWidth, scale));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(rect);
            }
            break;
        }
        case ReportItem::Kind::Line:
            painter.setPen(penFor(item.penWidth, scale));
            painter.drawLine(rect.topLeft(), rect.bottomRight());
            break;
        case ReportItem::Kind::Box:
            if (item.fill.isValid())
                painter.fillRect(rect, item.fill);
            if (item.penWidth > 0) {
                painter.setPen(penFor(item.penWidth, scale));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(rect);
            }
            break;
        }
    }
    painter.restore();
}

QImage PageRenderer::pageImage(const PageList &pages, int index, int dpi)
{
    if (index < 0 || index >= pages.count() || dpi <= 0)
        return {};
    const QSizeF paper = pages.setup.paperSize();
    const double scale = dpi / kMmPerInch;
    QImage image(qRound(paper.width() * scale), qRound(paper.height() * scale),
                 QImage::Format_RGB32);
    if (image.isNull())
        return {};
    const int dotsPerMeter = qRound(dpi / kMmPerInch * 1000.0);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    QPainter painter(&image);
    paint(painter, pages.pages.at(index), dpi);
    painter.end();
    return image;
}

Status PageRenderer::writePdf(const PageList &pages, const QString &path, const QString &title)
{
    if (pages.isEmpty())
        return fail(ErrorCode::InvalidArgument, path, QStringLiteral("В отчете нет страниц"));
    auto target = fs::DurableFile::begin(path);
    if (!target)
        return std::unexpected(target.error());

    Status written;
    {
        QFile file;
        if (!file.open(target->handle(), QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
            return fs::failWithDevice(file, path);
        constexpr int kPdfDpi = 300;
        QPdfWriter writer(&file);
        writer.setPageLayout(layoutFor(pages.setup));
        writer.setResolution(kPdfDpi);
        writer.setCreator(QStringLiteral("zemor"));
        writer.setTitle(title);
        QPainter painter;
        if (!painter.begin(&writer))
            return fail(ErrorCode::IoError, path, QStringLiteral("Не удалось начать документ PDF"));
        written = paintPages(painter, writer, pages, 0, pages.count() - 1, kPdfDpi, path);
        painter.end();
        if (written && (!file.flush() || file.error() != QFileDevice::NoError))
            written = fs::failWithDevice(file, path);
    }
    if (!written)
        return written; // the unfinished file is discarded with its writer
    return target->commit();
}

} // namespace zemor::runtime::report
