#pragma once

// The rank table sent to the spreadsheet: the workbook "rang.xls" with the year, the titles,
// every rank row (name, value, rank, range) in rank order and the bounds of the five ranges. The
// export goes through the caller's ExcelLauncher, which tells the user how it ended.

#include <QString>

namespace zemor::shell {
class ExcelLauncher;
}

namespace zemor::analysis {

class RankTable;

struct RankTableExcel
{
    static QString templateName() { return QStringLiteral("rang.xls"); }
    static constexpr int headingRow = 10;

    // The value as the workbook shows it: the first "." becomes "," and at most two characters
    // follow it ("6.667" gives "6,66").
    static QString valueText(const QString &plain);

    // True when the workbook was written with everything and the user was told so.
    static bool exportRanks(const RankTable &table, shell::ExcelLauncher &excel);
};

} // namespace zemor::analysis
