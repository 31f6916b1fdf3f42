#pragma once

// What one indicator run computes, as plain values: the result rows of each year with their 40
// slots, the text cells the steps wrote, and what the run was asked for. Filled by
// IndicatorComputation; shown by the result window through IndicatorCells.
//
// Row codes: by district the district code (1..249), 250 "ВСЕГО ", 251 "По районам", 255 a
// population group's row, 1000 + institution code for an institution of district 201; by
// institution the institution code (less 7000 for an attached unit) and 20000 "Всего"; by rows
// the form's row id or the code of a "<n>.MDS" line.

#include "analysis/indicators/IndicatorDefinition.h"
#include "analysis/indicators/IndicatorFormula.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>

namespace zemor::analysis {

enum class IndicatorLayout { ByDistrict = 1, ByRows = 2, ByInstitution = 3 };

inline constexpr int totalRowCode = 250;           // "ВСЕГО ": every row up to 1000
inline constexpr int districtsRowCode = 251;       // "По районам": the rural districts
inline constexpr int groupRowCode = 255;           // a population group
inline constexpr int attachedRowBase = 1000;       // + institution code of district 201
inline constexpr int institutionTotalCode = 20000; // "Всего" of the by-institution layout
inline constexpr int maxSeriesYears = 20;

// `IndicatorResultRow`.
struct IndicatorResultRow
{
    int code = 0;
    int populationColumn = 0; // the form-999 column of the row (by rows)
    int district = 0;         // the row's district; after grouping its population group
    std::array<double, resultSlotCount> slots{};

    double slot(int k) const { return isResultSlot(k) ? slots[size_t(k - 1)] : 0.0; }
    void set(int k, double v)
    {
        if (isResultSlot(k))
            slots[size_t(k - 1)] = v;
    }
    void add(int k, double v)
    {
        if (isResultSlot(k))
            slots[size_t(k - 1)] += v;
    }
    // The population group a group row stands for; 0 for every other row. Group rows share
    // one code, so their cells are told apart by it.
    int group() const { return code == groupRowCode ? district : 0; }
};

// `IndicatorCellText`: what a step shows in a cell in place of its value.
struct IndicatorCellText
{
    int code = 0;
    int slot = 0;
    QString text;  // at most 18 characters
    int group = 0; // the population group of a group row (IndicatorResultRow::group())

    bool operator==(const IndicatorCellText &) const = default;
};

// The form row a by-place run is about (the row list's choice).
struct ChosenRow
{
    int id = 0; // STR:UNICOD, or a "<n>.MDS" code
    QString codeText;
    QString name;
    QString pol;
    int populationColumn = 0; // STR:CODNAS
};

// What a run is asked for. Everything is a value: the run never changes the caller's.
struct IndicatorRequest
{
    int year = 0;      // the reporting year
    MonthRange period; // first and last month
    int districtFilter = 0;
    QList<qint32> selection; // institutions; empty = every institution
    QString title;           // the caller's title
    IndicatorLayout layout = IndicatorLayout::ByRows;
    bool series = false; // "Динамический ряд" over seriesFrom..seriesTo
    int seriesFrom = 0;
    int seriesTo = 0;
    int seriesSlot = 1;              // the slot a series follows
    bool twoYears = false;           // "за 2 года"
    bool attachedPopulation = false; // "Рассчитывать на приписное население"
    bool populationGroups = false;     // "Группировать по населению"
    bool regionalInstitutions = false; // "+обл.ЛПУ"
    std::optional<ChosenRow> chosenRow;
};

// One year's result rows.
struct YearResult
{
    int year = 0;
    bool entered = true; // the definition had formula lines for the year
    QList<IndicatorResultRow> rows;
    QList<IndicatorCellText> texts; // sorted by row code, then group, then slot

    const IndicatorCellText *text(const IndicatorResultRow &row, int slot) const
    {
        for (const IndicatorCellText &t : texts) {
            if (t.code == row.code && t.group == row.group() && t.slot == slot)
                return &t;
        }
        return nullptr;
    }
};

struct IndicatorRun
{
    IndicatorDefinition definition; // the run's own copy (a series may have switched it)
    IndicatorLayout layout = IndicatorLayout::ByRows;
    MonthRange period; // as widened by the terms
    QString title;     // the title the run worked with (blank for a run over the region)
    int districtFilter = 0;
    QList<qint32> selection;
    bool series = false;
    bool twoYears = false;
    bool populationGroups = false;
    int seriesSlot = 1;
    int columns = 0;      // the columns shown: series years, or the definition's own count
    int formRowsForm = 0; // the form and table whose rows the by-rows layout names
    int formRowsTable = 0;
    // Plain: the year; "за 2 года": the year, then the year before; a series: each year.
    QList<YearResult> years;
    QList<FormulaNotice> notices; // what the user is told, each once
};

} // namespace zemor::analysis
