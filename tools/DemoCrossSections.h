#pragma once

// The demo's summary reports of form 7 for the cross-section and the list of submitting
// institutions, added to the year under way (2026) after everything else is written: for each
// month sent so far the district total of district 1 (pseudo-institution 21001), the city total
// of Таргин (21101, district 101) and the region's total (20000, stored under district 250),
// each the sum of the form-7 reports of that month sent by its institutions (demoReports()).
// Like every sender of form 7 in that year, they have no annual form 12 yet; the complete year
// 2025 keeps its checks as they were.

#include "runtime/core/Error.h"
#include "tools/DemoReports.h"

#include <QList>
#include <QString>

namespace zemor::tools {

class DemoCrossSections
{
public:
    static constexpr int year = 2026;
    static constexpr int form = 7;
    static constexpr int districtTotal = 21001;
    static constexpr int cityTotal = 21101;
    static constexpr int regionTotal = 20000;
    static constexpr int regionDistrict = 250;

    // The summary reports of `year` (none for another year), by institution, then month.
    static QList<DemoReport> reports(int year);

    // Writes reports(year) into the year's form-7 data file under the working directory.
    [[nodiscard]] static runtime::Status write(const QString &root);
};

} // namespace zemor::tools
