#include "entry/ui/FailedControlsReport.h"

#include "runtime/report/ReportWriter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>

namespace zemor::entry::ui {

using runtime::report::Band;
using runtime::report::PageList;
using runtime::report::ReportDefinition;
using runtime::report::ReportItem;
using runtime::report::ReportRecord;
using runtime::report::ReportWriter;

namespace {

const QString yearField = QStringLiteral("year");
const QString codeField = QStringLiteral("code");
const QString textField = QStringLiteral("text");

QFont reportFont(double points, bool bold = false)
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// Rule ids have up to 11 digits; 24 mm holds them at 9 points with room to spare.
constexpr double codeWidth = 24;
constexpr double gap = 2;
constexpr double lineHeight = 4.8;
constexpr double detailPoints = 9;

QFont detailFont()
{
    return reportFont(detailPoints);
}

// Glyph widths measured at printer resolution, where they scale with the size of the font.
constexpr int measureDpi = 1200;

} // namespace

double FailedControlsReport::textWidth()
{
    return runtime::report::PageSetup().bodyRect().width() - codeWidth - gap;
}

QStringList FailedControlsReport::breakLines(const QString &text, double width)
{
    QImage device(1, 1, QImage::Format_RGB32);
    device.setDotsPerMeterX(qRound(measureDpi / 0.0254));
    device.setDotsPerMeterY(qRound(measureDpi / 0.0254));
    const QFontMetricsF metrics(detailFont(), &device);
    // A little room for the difference between measuring and drawing.
    const double limit = width * 0.96 / 25.4 * measureDpi;

    QStringList lines;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start + 1;
        while (end < text.size() &&
               metrics.horizontalAdvance(text.mid(start, end + 1 - start)) <= limit)
            ++end;
        if (end < text.size()) {
            // Prefer to end the line before a term or after a blank, when that keeps it at
            // least half full.
            for (qsizetype at = end; at > start + (end - start) / 2; --at) {
                const QChar c = text[at];
                if (c == u'+' || c == u'-' || text[at - 1] == u' ') {
                    end = at;
                    break;
                }
            }
        }
        lines.append(text.mid(start, end - start));
        start = end;
    }
    if (lines.isEmpty())
        lines.append(QString());
    return lines;
}

ReportDefinition FailedControlsReport::definition()
{
    ReportDefinition report;
    const double width = report.page.bodyRect().width();

    Band &header = report.pageHeader;
    header.height = 9;
    header.items.append(ReportItem::makeText(QRectF(0, 0, width / 2, 6), QStringLiteral("{year}"),
                                             reportFont(9, true)));
    header.items.append(ReportItem::makeText(QRectF(width / 2, 0, width / 2, 6),
                                             QStringLiteral("Лист {page}"), reportFont(9),
                                             Qt::AlignRight | Qt::AlignVCenter));
    header.items.append(ReportItem::makeLine(QPointF(0, 7), QPointF(width, 7), 0.3));

    Band &detail = report.detail;
    detail.height = lineHeight;
    detail.items.append(ReportItem::makeText(QRectF(0, 0, codeWidth, lineHeight),
                                             QStringLiteral("{code}"), detailFont()));
    detail.items.append(ReportItem::makeText(QRectF(codeWidth + gap, 0, textWidth(), lineHeight),
                                             QStringLiteral("{text}"), detailFont()));
    return report;
}

QList<ReportRecord> FailedControlsReport::records(const QList<ControlFailure> &failures)
{
    QList<ReportRecord> records;
    records.reserve(failures.size() + 1);
    records.append(ReportRecord{{textField, heading()}});
    const double width = textWidth();
    for (const ControlFailure &f : failures) {
        const QStringList lines = breakLines(f.text.left(printedTextLength), width);
        for (qsizetype i = 0; i < lines.size(); ++i)
            records.append(ReportRecord{{codeField, i == 0 ? f.codeText() : QString()},
                                        {textField, lines[i]}});
    }
    return records;
}

PageList FailedControlsReport::pages(const QList<ControlFailure> &failures, int year)
{
    ReportWriter writer(definition());
    const QString yearText = QString::number(year);
    for (ReportRecord record : records(failures)) {
        record.insert(yearField, yearText);
        writer.add(record);
    }
    return writer.finish();
}

} // namespace zemor::entry::ui
