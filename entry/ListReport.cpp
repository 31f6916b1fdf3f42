#include "entry/ListReport.h"

#include "runtime/report/ReportDefinition.h"
#include "runtime/report/ReportWriter.h"

namespace zemor::entry {

namespace report = runtime::report;
using report::ReportItem;

namespace {

QString literal(QString text)
{
    return text.replace(u'{', QStringLiteral("{{")).replace(u'}', QStringLiteral("}}"));
}

} // namespace

report::PageList printList(const QStringList &titleLines, const QList<ListReportColumn> &columns,
                           const QList<QStringList> &rows, const QStringList &closingLines)
{
    report::ReportDefinition def;
    def.pageWithoutRecords = true;
    QFont bold;
    bold.setPointSizeF(9);
    bold.setBold(true);
    QFont small;
    small.setPointSizeF(7);

    double y = 0;
    for (const QString &line : titleLines) {
        def.pageHeader.items.append(ReportItem::makeText({0, y, 185, 6}, literal(line), bold));
        y += 6;
    }
    double x = 0;
    for (const ListReportColumn &c : columns) {
        def.pageHeader.items.append(ReportItem::makeText({x, y + 1, c.width, 6}, literal(c.heading),
                                                         small, c.alignment | Qt::AlignVCenter,
                                                         true));
        x += c.width;
    }
    def.pageHeader.height = y + 9;
    def.pageFooter.height = 8;
    def.pageFooter.items = {ReportItem::makeText({0, 0, 185, 8}, QStringLiteral("Лист {page}"),
                                                 small, Qt::AlignRight | Qt::AlignVCenter)};

    def.detail.height = 5;
    x = 0;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        ReportItem item =
            ReportItem::makeText({x, 0, columns.at(i).width, 5}, QStringLiteral("{c%1}").arg(i),
                                 small, columns.at(i).alignment | Qt::AlignVCenter);
        item.wordWrap = columns.at(i).wrap;
        def.detail.grows = def.detail.grows || item.wordWrap;
        def.detail.items.append(item);
        x += columns.at(i).width;
    }

    double closingY = closingLines.isEmpty() ? 0 : 2;
    for (const QString &line : closingLines) {
        def.reportFooter.items.append(
            ReportItem::makeText({0, closingY, 185, 5}, literal(line), small));
        closingY += 5;
    }
    def.reportFooter.height = closingY;

    report::ReportWriter writer(def);
    for (const QStringList &row : rows) {
        report::ReportRecord record;
        for (qsizetype i = 0; i < row.size(); ++i)
            record.insert(QStringLiteral("c%1").arg(i), row.at(i));
        writer.add(record);
    }
    return writer.finish();
}

} // namespace zemor::entry
