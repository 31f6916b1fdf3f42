#include "analysis/crosssections/CrossSectionPrint.h"

#include "runtime/report/ReportWriter.h"

#include <QFontMetricsF>
#include <QImage>

#include <algorithm>
#include <cmath>

namespace zemor::analysis {

using runtime::report::ReportDefinition;
using runtime::report::ReportItem;
using runtime::report::ReportRecord;

namespace {

constexpr double bodyWidth = 277;
constexpr double headingPoints = 10;
constexpr double headingLowest = 8;
// The nine mark captions of up to 100 characters each are written in a smaller type from the
// top of a band tall enough for them, so that no caption reaches above the band into the title;
// values in a smaller type still, so that a 19-digit sum with its places fits its cell.
constexpr double columnBandHeight = 30;
constexpr double captionPoints = 6;
constexpr double valuePoints = 5;
constexpr double rowHeight = 6;

QString field(const char *name, int k)
{
    return QString::fromLatin1(name) + QString::number(k);
}

QString templ(const QString &name)
{
    return u'{' + name + u'}';
}

QFont headingFont()
{
    QFont bold;
    bold.setPointSizeF(headingPoints);
    bold.setBold(true);
    return bold;
}

// The height of the heading band: the heading wraps at word boundaries over the whole width,
// in as many lines as a long form name with the caller's title needs.
double headingHeightOf(const QString &heading)
{
    constexpr int measureDpi = 1200; // glyph widths scale with the font at this resolution
    QImage device(1, 1, QImage::Format_RGB32);
    device.setDotsPerMeterX(qRound(measureDpi / 0.0254));
    device.setDotsPerMeterY(qRound(measureDpi / 0.0254));
    const QFontMetricsF metrics(headingFont(), &device);
    const double dotsPerMm = measureDpi / 25.4;
    // A little room for the text's inset and for the difference between measuring and drawing.
    const QRectF text = metrics.boundingRect(QRectF(0, 0, (bodyWidth - 2) * dotsPerMm, 1e9),
                                             Qt::TextWordWrap, heading);
    return std::max(headingLowest, std::ceil(text.height() / dotsPerMm) + 2);
}

ReportDefinition definition(bool institutions, double headingHeight)
{
    ReportDefinition def;
    def.page.orientation = runtime::report::Orientation::Landscape;
    QFont small;
    small.setPointSizeF(7);
    QFont caption;
    caption.setPointSizeF(captionPoints);
    QFont value;
    value.setPointSizeF(valuePoints);

    const double regionWidth = institutions ? 30 : 40;
    const double nameWidth = institutions ? 40 : 0;
    const double valueWidth =
        (bodyWidth - regionWidth - nameWidth) / CrossSectionOutput::marksPerPage;

    def.pageHeader.height = headingHeight + columnBandHeight;
    ReportItem title = ReportItem::makeText({0, 0, bodyWidth, headingHeight},
                                            QStringLiteral("{heading}"), headingFont());
    title.wordWrap = true;
    def.pageHeader.items.append(title);
    const double top = headingHeight;
    def.pageHeader.items.append(ReportItem::makeText({0, top, regionWidth, columnBandHeight},
                                                     QStringLiteral("Регион"), small,
                                                     Qt::AlignCenter, true));
    if (institutions)
        def.pageHeader.items.append(
            ReportItem::makeText({regionWidth, top, nameWidth, columnBandHeight},
                                 QStringLiteral("ЛПУ"), small, Qt::AlignCenter, true));
    def.detail.height = rowHeight;
    def.detail.items.append(ReportItem::makeText({0, 0, regionWidth, rowHeight},
                                                 QStringLiteral("{region}"), small,
                                                 Qt::AlignLeft | Qt::AlignVCenter, true));
    if (institutions)
        def.detail.items.append(ReportItem::makeText({regionWidth, 0, nameWidth, rowHeight},
                                                     QStringLiteral("{name}"), small,
                                                     Qt::AlignLeft | Qt::AlignVCenter, true));
    for (int i = 0; i < CrossSectionOutput::marksPerPage; ++i) {
        const double x = regionWidth + nameWidth + i * valueWidth;
        ReportItem heading =
            ReportItem::makeText({x, top, valueWidth, columnBandHeight}, templ(field("h", i + 1)),
                                 caption, Qt::AlignTop | Qt::AlignHCenter, true);
        heading.wordWrap = true;
        def.pageHeader.items.append(heading);
        def.detail.items.append(ReportItem::makeText({x, 0, valueWidth, rowHeight},
                                                     templ(field("v", i + 1)), value,
                                                     Qt::AlignRight | Qt::AlignVCenter, true));
    }
    return def;
}

} // namespace

runtime::report::PageList CrossSectionPrint::layOut(const QList<CrossSectionPage> &pages,
                                                    CrossSectionGrouping grouping)
{
    double headingHeight = headingLowest;
    for (const CrossSectionPage &page : pages)
        headingHeight = std::max(headingHeight, headingHeightOf(page.heading));
    runtime::report::ReportWriter writer(
        definition(grouping == CrossSectionGrouping::Institutions, headingHeight));
    for (const CrossSectionPage &page : pages) {
        ReportRecord common;
        common.insert(QStringLiteral("heading"), page.heading);
        for (int i = 0; i < page.columnHeadings.size(); ++i)
            common.insert(field("h", i + 1), page.columnHeadings[i]);
        // A page without rows still shows its headings.
        if (page.lines.isEmpty())
            writer.add(common);
        for (const CrossSectionPage::Line &line : page.lines) {
            ReportRecord record = common;
            record.insert(QStringLiteral("region"), line.region);
            record.insert(QStringLiteral("name"), line.name);
            for (int i = 0; i < line.values.size(); ++i)
                record.insert(field("v", i + 1), line.values[i]);
            writer.add(record);
        }
        writer.breakPage();
    }
    return writer.finish();
}

} // namespace zemor::analysis
