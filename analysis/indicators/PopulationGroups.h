#pragma once

// `AssignPopulationGroups`: the districts of a by-district result put into population groups
// I..VI by their inhabitants, each group closed by a row of the group's sums.
//
// A district's population is column 1 (whole part) of row 1 of its records in the year's
// population file "<year>\F0999.dat" (the last record read counts); a district without one has
// population 0. The file is only read: a missing one is not made, populations are then 0 and
// the caller tells the user once (missingFileNotice()).
//
// assign() works on the result rows in place: slot 40 of every row takes its population, the
// district byte its group (rural districts 1..6 by population, cities 8, district 201 and the
// "+обл.ЛПУ" rows 9, row 251 7, row 250 stays), row 250 takes the region's population and row 251
// the rural districts'; then one row (code 255) per group 1..6 with the group's sums is
// appended. The regional institutions get no group row: they already show in district 201 and
// its "+обл.ЛПУ" rows, and a sum over them would count them twice. Sums are exact; a sum that
// does not fit is an Overflow error.

#include "analysis/indicators/IndicatorFormula.h"
#include "analysis/indicators/IndicatorResult.h"
#include "runtime/core/Error.h"

#include <QHash>
#include <QList>

namespace zemor::data {
class DataContext;
}

namespace zemor::analysis {

struct Populations
{
    QHash<int, qint64> byDistrict;
    bool missing = false; // the year has no population file
};

// Reads the populations of `year`.
[[nodiscard]] runtime::Result<Populations> readPopulations(data::DataContext &data, int year);

class PopulationGroups
{
public:
    // The group of a district row with `population` inhabitants.
    static int groupOf(int district, qint64 population);
    // "  в среднем по группе I" .. "VI".
    static QString groupRowName(int group);
    static FormulaNotice missingFileNotice(int year);

    [[nodiscard]] static runtime::Status assign(QList<IndicatorResultRow> &rows,
                                                const QHash<int, qint64> &populations);
};

} // namespace zemor::analysis
