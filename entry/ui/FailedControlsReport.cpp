#include "entry/ui/FailedControlsReport.h"

#include "runtime/report/ReportWriter.h"

#include <QFont>

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

} // namespace

ReportDefinition FailedControlsReport::definition()
{
    ReportDefinition report;
    const double width = report.page.bodyRect().width();

    // Rule ids have up to 11 digits; 24 mm holds them at 8 points with room to spare.
    constexpr double codeWidth = 24;
    constexpr double gap = 2;
    // Two lines of 8-point text: 200 characters of a failure text fit in them.
    constexpr double detailHeight = 8.4;

    Band &header = report.pageHeader;
    header.height = 9;
    header.items.append(ReportItem::makeText(QRectF(0, 0, width / 2, 6), u"{year}"_qs,
                                             reportFont(9, true)));
    header.items.append(ReportItem::makeText(QRectF(width / 2, 0, width / 2, 6),
                                             u"Лист {page}"_qs, reportFont(9),
                                             Qt::AlignRight | Qt::AlignVCenter));
    header.items.append(ReportItem::makeLine(QPointF(0, 7), QPointF(width, 7), 0.3));

    Band &detail = report.detail;
    detail.height = detailHeight;
    detail.items.append(ReportItem::makeText(QRectF(0, 0, codeWidth, 4.2), u"{code}"_qs,
                                             reportFont(8), Qt::AlignLeft | Qt::AlignTop));
    ReportItem text = ReportItem::makeText(
        QRectF(codeWidth + gap, 0, width - codeWidth - gap, detailHeight), u"{text}"_qs,
        reportFont(8), Qt::AlignLeft | Qt::AlignTop);
    text.wordWrap = true;
    detail.items.append(text);
    return report;
}

QList<ReportRecord> FailedControlsReport::records(const QList<ControlFailure> &failures)
{
    QList<ReportRecord> records;
    records.reserve(failures.size() + 1);
    records.append(ReportRecord{{textField, heading()}});
    for (const ControlFailure &f : failures)
        records.append(
            ReportRecord{{codeField, f.codeText()}, {textField, f.text.left(printedTextLength)}});
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
