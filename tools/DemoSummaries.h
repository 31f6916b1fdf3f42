#pragma once

// The demo's forms and reports for the summaries and the completeness count, added to the demo
// year 2025 after everything else is written (nothing written before changes):
//   - form 51, monthly, with columns of every summary kind (1 "на начало года", 2 "на начало
//     периода", 3 "на конец периода", 4 a plain sum) and the twelve months of 2025 from the
//     institutions 101 and 102; district 5 (institution 501) for the months 1 to 3 only; and
//     the summary of district 6 stored as pseudo-institution 21006 for the months 1 to 6;
//     its column rule: beds at the end of the period (column 3) when there were admissions
//     (column 4), so that district 5 summed to a month after 3 shows its rows as failed ("?");
//   - form 52, daily, a week of reports (3 to 9 March 2025) from 101 and 102;
//   - form 53, half-yearly, both half-years from 101 and the first from 102.
// Values follow value() so that a test can compute what a summary must give.

#include "runtime/core/Error.h"

#include <QString>

namespace zemor::tools {

class DemoSummaries
{
public:
    static constexpr int year = 2025;
    static constexpr int monthlyForm = 51;
    static constexpr int dailyForm = 52;
    static constexpr int halfYearlyForm = 53;
    static constexpr int table = 1000;

    // The stored value of column `column` (1..4) of row `rowId` (1 or 2) of the form-51 report
    // of `institution` for `month`, in thousandths.
    static qint64 value(int institution, int month, int rowId, int column);
    // The first day of the daily form's week as a day number.
    static qint32 firstDay();

    // Adds the forms to the year's catalogue and writes their reports, under the working
    // directory `root` (runtime/fs's working directory while it runs).
    [[nodiscard]] static runtime::Status write(const QString &root);
};

} // namespace zemor::tools
