#include "analysis/common/RankTableExcel.h"

#include "analysis/common/RankTable.h"
#include "shell/ExcelLauncher.h"

namespace zemor::analysis {

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
    excel.pokeText(2, 1, QString::number(table.year()) + QStringLiteral(" год"));
    excel.pokeText(3, 1, table.title());
    excel.pokeText(headingRow, 2, table.subtitle());
    int row = headingRow;
    for (const RankRow &rank : table.rows()) {
        ++row;
        excel.pokeText(row, 1, table.name(rank));
        excel.poke(row, 2, valueText(rank.data().toString()));
        excel.poke(row, 3, QString::number(rank.rank));
        excel.poke(row, 4, QString::number(rank.range));
    }
    excel.pokeText(headingRow, 5, QStringLiteral("Диапазон"));
    for (int i = 1; i <= RankTable::maxRangeCount; ++i) {
        excel.poke(headingRow + i, 5, table.lowerBound(i).toString());
        excel.poke(headingRow + i, 6, table.upperBound(i).toString());
    }
    return excel.finish();
}

} // namespace zemor::analysis
