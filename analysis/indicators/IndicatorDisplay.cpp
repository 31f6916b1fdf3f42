#include "analysis/indicators/IndicatorDisplay.h"

#include "analysis/indicators/IndicatorCells.h"
#include "analysis/indicators/IndicatorComputation.h"
#include "analysis/indicators/PopulationGroups.h"
#include "data/DataContext.h"
#include "data/ReferenceNames.h"
#include "runtime/decimal/Decimal.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/store/Scan.h"
#include "runtime/text/FixedString.h"

#include <algorithm>
#include <cmath>

namespace zemor::analysis {

using namespace Qt::StringLiterals;
using runtime::Result;
using runtime::Status;
using runtime::text::clipped;

namespace {

constexpr int populationSlot = resultSlotCount;
constexpr int populationShownBelow = 30;
constexpr int institutionNameLength = 30;

// Where the cells of one year go.
struct CellPlan
{
    bool series = false;
    bool twoYears = false;
    int seriesSlot = 1;
    int columns = 0;
    int populationColumn = 0;
    const ColumnPictures *pictures = nullptr;
};

QString cellOf(const IndicatorResultRow &row, int slot, int column, const YearResult &year,
               const CellPlan &plan)
{
    if (const IndicatorCellText *t = year.text(row, slot))
        return u"  "_s + t->text;
    const size_t at = size_t(column - 1);
    return IndicatorCells::formatValue(row.slot(slot), plan.pictures->pictures[at],
                                       plan.pictures->adaptive[at], plan.series);
}

// Fills the cells of `display` from `row` of `year`: the year's column of a series, the year
// (or the year before) of "за 2 года", or every shown column.
void fillCells(IndicatorDisplayRow &display, const IndicatorResultRow &row, const YearResult &year,
               int yearIndex, bool previousYear, const CellPlan &plan)
{
    if (plan.series) {
        const int column = yearIndex + 1;
        if (column <= displayCellCount) {
            display.cells[size_t(column - 1)] =
                cellOf(row, plan.seriesSlot, plan.seriesSlot, year, plan);
        }
        return;
    }
    for (int c = 1; c <= plan.columns; ++c) {
        const int slot = c == plan.populationColumn ? populationSlot : c;
        const int column = IndicatorCells::displayColumn(c, plan.twoYears, previousYear);
        if (column == 0)
            continue;
        display.cells[size_t(column - 1)] = cellOf(row, slot, c, year, plan);
    }
}

QString districtRowName(int code, const PlaceNames &names)
{
    const auto it = names.districts.constFind(code);
    return it != names.districts.constEnd() ? *it : u"?reg-"_s + QString::number(code);
}

bool shownByDistrict(int code)
{
    return code < totalRowCode || code == totalRowCode || code == districtsRowCode ||
           code == groupRowCode || code > attachedRowBase;
}

} // namespace

IndicatorDisplay buildIndicatorDisplay(const IndicatorRun &run, const ColumnPictures &pictures,
                                       const PlaceNames &names,
                                       const QHash<int, FormRowName> &formRows,
                                       const QList<FormulaRowLine> &listed)
{
    IndicatorDisplay out;
    out.pictures = pictures;
    CellPlan plan;
    plan.series = run.series;
    plan.twoYears = run.twoYears && !run.series;
    plan.seriesSlot = run.seriesSlot;
    plan.columns = IndicatorCells::shownColumns(run);
    plan.populationColumn = IndicatorCells::populationColumn(run);
    if (plan.populationColumn > 0 && run.definition.columns < populationShownBelow) {
        out.pictures.pictures[size_t(plan.populationColumn - 1)] =
            IndicatorCells::populationPicture();
        out.pictures.adaptive[size_t(plan.populationColumn - 1)] = false;
    }
    if (!run.series && run.definition.kind == 1 && !run.years.isEmpty())
        plan.columns = IndicatorCells::highestFilledColumn(run.years.first(), plan.columns,
                                                           plan.populationColumn);
    plan.pictures = &out.pictures;
    out.columns = plan.columns;
    if (run.years.isEmpty())
        return out;

    // The rows of the first year that has any (a series may begin with a year without lines),
    // in display order for the by-district layout.
    int first = 0;
    while (first + 1 < run.years.size() && run.years[first].rows.isEmpty())
        ++first;
    const YearResult &firstYear = run.years[first];
    QList<IndicatorResultRow> base = firstYear.rows;
    if (run.layout == IndicatorLayout::ByDistrict) {
        std::stable_sort(base.begin(), base.end(),
                         [&](const IndicatorResultRow &a, const IndicatorResultRow &b) {
                             if (run.populationGroups && a.district != b.district)
                                 return a.district < b.district;
                             return a.code < b.code;
                         });
    }
    QHash<int, int> displayOfCode;
    int position = 0;
    for (const IndicatorResultRow &row : std::as_const(base)) {
        ++position;
        if (run.layout == IndicatorLayout::ByDistrict && !shownByDistrict(row.code))
            continue;
        IndicatorDisplayRow display;
        display.code = row.code;
        display.rank = row.code;
        if (run.layout == IndicatorLayout::ByDistrict) {
            display.number = row.code;
            if (row.code < totalRowCode) {
                display.name = districtRowName(row.code, names);
                display.codeText = QString::number(position);
            } else if (row.code > attachedRowBase) {
                const auto it = names.institutions.constFind(row.code - attachedRowBase);
                display.name = it != names.institutions.constEnd()
                                   ? it->name.left(institutionNameLength)
                                   : u"?lpu-"_s + QString::number(row.code);
                display.codeText = QString::number(position);
            } else if (row.code == totalRowCode) {
                display.name = u"ВСЕГО "_s;
            } else if (row.code == districtsRowCode) {
                display.name = u"По районам"_s;
            } else {
                display.name = PopulationGroups::groupRowName(row.district);
            }
        }
        fillCells(display, row, firstYear, first, false, plan);
        // Group rows share one code; each is its own display row.
        if (row.code != groupRowCode)
            displayOfCode.insert(row.code, int(out.rows.size()));
        out.rows.append(display);
    }

    // The later years of a series (rows a year adds are added), or the year before.
    for (int y = first + 1; y < run.years.size(); ++y) {
        const YearResult &year = run.years[y];
        for (const IndicatorResultRow &row : year.rows) {
            if (row.code == groupRowCode)
                continue;
            auto it = displayOfCode.constFind(row.code);
            if (it == displayOfCode.constEnd()) {
                if (!run.series || run.layout == IndicatorLayout::ByDistrict)
                    continue; // the year before shows only the rows the year has
                IndicatorDisplayRow added;
                added.code = row.code;
                added.rank = row.code;
                it = displayOfCode.insert(row.code, int(out.rows.size()));
                out.rows.append(added);
            }
            fillCells(out.rows[*it], row, year, y, true, plan);
        }
        if (!run.series) {
            // The group rows of the year before, by their group.
            for (IndicatorDisplayRow &display : out.rows) {
                if (display.code != groupRowCode)
                    continue;
                for (const IndicatorResultRow &row : year.rows) {
                    if (row.code == groupRowCode &&
                        PopulationGroups::groupRowName(row.district) == display.name)
                        fillCells(display, row, year, y, true, plan);
                }
            }
        }
    }

    if (run.layout == IndicatorLayout::ByInstitution) {
        for (IndicatorDisplayRow &display : out.rows) {
            if (display.code == institutionTotalCode) {
                display.name = u"Всего"_s;
                continue;
            }
            const auto it = names.institutions.constFind(display.code);
            if (it == names.institutions.constEnd()) {
                addNotice(out.notices, {u"Ошибка код ЛПУ--"_s + QString::number(display.code),
                                        u"нет ЛПУ с кодом %1"_s.arg(display.code)});
                continue;
            }
            const auto district = names.districts.constFind(it->district);
            if (district == names.districts.constEnd()) {
                display.name = it->name;
                continue;
            }
            display.name = clipped(*district) + u',' + it->name;
            display.codeText = u"%1%2"_s.arg(it->district, 3, 10, QChar(u'0')).arg(it->kind);
        }
        std::stable_sort(out.rows.begin(), out.rows.end(),
                         [](const IndicatorDisplayRow &a, const IndicatorDisplayRow &b) {
                             // "Всего" has no code text and leads, also before an
                             // institution left unnamed.
                             const bool totalA = a.code == institutionTotalCode;
                             const bool totalB = b.code == institutionTotalCode;
                             if (totalA != totalB)
                                 return totalA;
                             return a.codeText < b.codeText;
                         });
        for (int i = 0; i < out.rows.size(); ++i)
            out.rows[i].codeText = QString::number(i + 1);
    } else if (run.layout == IndicatorLayout::ByRows) {
        QList<NosologyRow> order;
        for (int i = 0; i < out.rows.size(); ++i)
            order.append({out.rows[i].code, {}, {}, 0, i});
        orderNosologyRows(order, run.definition.kind, formRows, listed);
        QList<IndicatorDisplayRow> ordered;
        for (const NosologyRow &n : std::as_const(order)) {
            IndicatorDisplayRow row = out.rows[n.position];
            row.name = n.name;
            row.codeText = n.codeText;
            row.number = n.order;
            ordered.append(row);
        }
        out.rows = ordered;
    }
    return out;
}

Result<PlaceNames> readPlaceNames(data::DataContext &data)
{
    PlaceNames out;
    using data::ReferenceNames;
    const auto read = ReferenceNames::readExisting(
        data.names(),
        ReferenceNames::Files(ReferenceNames::Districts | ReferenceNames::Institutions),
        data::Unopenable::Error);
    if (!read)
        return std::unexpected(read.error());
    for (const data::ReferenceName &d : read->districts())
        out.districts.insert(int(d.code), d.name);
    for (const data::ReferenceInstitution &b : read->institutions())
        out.institutions.insert(b.code, {b.name, int(b.district), int(b.kind)});
    return out;
}

double rankValue(const QString &cell)
{
    if (cell.contains(u'/'))
        return 0;
    QString text = cell.trimmed();
    text.remove(u' ');
    const qsizetype comma = text.indexOf(u',');
    if (comma >= 0) {
        text[comma] = u'.';
        text = text.left(comma + 3);
    }
    const auto d = runtime::Decimal::fromString(text);
    return d ? d->toDouble() : 0.0;
}

std::pair<double, double> chartRange(const QList<IndicatorDisplayRow> &rows, int columns)
{
    double low = 0;
    double high = 0;
    for (const IndicatorDisplayRow &row : rows) {
        if (row.name == u"ВСЕГО "_s)
            continue;
        for (int c = 0; c < columns && c < displayCellCount; ++c) {
            const QString &cell = row.cells[size_t(c)];
            if (cell.trimmed().isEmpty() || cell.contains(u'/'))
                continue;
            QString text = cell.trimmed();
            text.remove(u' ');
            const auto d = runtime::Decimal::fromString(text);
            if (!d)
                continue;
            low = std::min(low, d->toDouble());
            high = std::max(high, d->toDouble());
        }
    }
    return {low, high};
}

} // namespace zemor::analysis
