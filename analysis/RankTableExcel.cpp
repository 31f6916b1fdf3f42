#include "analysis/RankTableExcel.h"

#include "analysis/RankTable.h"
#include "shell/ExcelLauncher.h"

namespace zemor::analysis {

namespace {

// A text that starts with an apostrophe would lose it in the cell: the spreadsheet reads a
// leading apostrophe as "this is a text".
QString asText(const QString &value)
{
    return value.startsWith(u'\'') ? u'\'' + value : value;
}

} // namespace

QString RankTableExcel::valueText(const QString &plain)
{
    const qsizetype point = plain.indexOf(u'.');
    if (point < 0)
        return plain;
    QString text = plain.left(point + 3);
    text[point] = u',';
    return text;
}

bool RankTableExcel::exportRanks(const RankTable &table, shell::ExcelLauncher &excel)
{
    if (excel.launch(templateName()) == 0)
        return false;
    excel.poke(2, 1, QString::number(table.year()) + QStringLiteral(" год"));
    excel.poke(3, 1, asText(table.title()));
    excel.poke(headingRow, 2, asText(table.subtitle()));
    int row = headingRow;
    for (const RankRow &rank : table.rows()) {
        ++row;
        excel.poke(row, 1, asText(table.name(rank)));
        excel.poke(row, 2, valueText(rank.data().toString()));
        excel.poke(row, 3, QString::number(rank.rank));
        excel.poke(row, 4, QString::number(rank.range));
    }
    excel.poke(headingRow, 5, QStringLiteral("Диапазон"));
    for (int i = 1; i <= RankTable::maxRangeCount; ++i) {
        excel.poke(headingRow + i, 5, table.lowerBound(i).toString());
        excel.poke(headingRow + i, 6, table.upperBound(i).toString());
    }
    return excel.finish();
}

} // namespace zemor::analysis
