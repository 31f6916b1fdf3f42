#pragma once

// What an indicator's formula is made of once it is read into memory: the formula lines (which
// report cells go into which result slot), the computation steps that combine the slots, and
// the notices met while reading them. Filled by IndicatorFormulaFiles from the indicator cell
// file and from the formula text file "<n>.MDV"; used by the computation. Plain values, and
// addNotice(), the one way a notice joins a list.
//
// Positions are checked when the formula is read, so that the computation can index with them:
// every term's slot and every step's target lies in 1..40, a step's source slot in 0..40 (0 is
// its constant). A term's column is kept as stored: columns 1..35 are report columns, a higher
// one reads 0, except column 99 of a population line (form 999), which takes the population
// column of the row being computed.

#include <QList>
#include <QString>

#include <array>

namespace zemor::analysis {

inline constexpr int resultSlotCount = 40;   // result slots 1..40 of a result row
inline constexpr int reportColumnCount = 35; // values 1..35 of a report row
inline constexpr int maxFormulaTerms = 40;   // terms of one formula line
inline constexpr int populationForm = 999;   // the populations per district
inline constexpr int regionTotalsForm = 998; // the region's own figures, added to every row
inline constexpr int populationColumn = 99;  // "the row's population column" in a form-999 line

inline bool isResultSlot(int slot)
{
    return slot >= 1 && slot <= resultSlotCount;
}
inline bool isReportColumn(int column)
{
    return column >= 1 && column <= reportColumnCount;
}

// One term of a formula line: add report column `column` into result slot `slot`.
struct IndicatorTerm
{
    int column = 0; // source column (QP:CODGR)
    int slot = 0;   // result slot, 1..40 (QP:CODGRP)
    int scope = 0;  // by-rows layout only: 1 districts 200 and up, 2 codes 100..200, 3 codes up
                    // to 100, anything else every district (QP:HISLO)
    int month = 0;  // the only period the term takes, 0 = every period of the run (QP:MES)
};

// One formula line: the terms that read one source row of one form. Lines from the indicator
// cell file name a table and a source row (0 = the row the user chooses); lines from "<n>.MDV"
// name the source row and the result row whose slots they fill, and may subtract.
struct IndicatorFormula
{
    int form = 0;          // source form (QP:CODFORM)
    int table = 0;         // source table; 0 for lines from "<n>.MDV" (QP:CODTABL)
    int sourceRow = 0;     // source row id, 0 = the chosen row (QP:UNICODSTR; for "<n>.MDV"
                           // lines QP:CODTABL)
    int resultRow = 0;     // the result row the line fills, "<n>.MDV" lines only (QP:UNICODSTR)
    bool subtract = false; // the terms are subtracted, "<n>.MDV" lines only (QP:SNAK)
    int formKind = 0;      // periodicity of the source form in the year's catalogue, 0 (annual)
                           // when the form is not there (QP:FORTIP)
    QList<IndicatorTerm> terms; // at most maxFormulaTerms

    // A line of the populations whose terms all take the chosen row's population column.
    bool isPopulationLine() const
    {
        return form == populationForm && !terms.isEmpty() &&
               terms.first().column == populationColumn;
    }
};

// One computation step, applied to every result row in the order read (`IndicatorStep`).
struct IndicatorStep
{
    int number = 0;      // QF:NUM, above 0
    int target = 0;      // target slot t, 1..40 (QF:CODGRP)
    int operation = 0;   // arithmetic code: 0 :=, 1 +, 2 -, 3 *, 4 /, 5 / months (QF:SNAK)
    int source = 0;      // source slot s, 0..40; 0 means the constant (QF:CODGR)
    double constant = 0; // c (QF:HISLO)
    int condition = 0;   // condition code (QF:CODFOR)
    int value = 0;       // v: a value, or a slot when the condition is above 10 (QF:UNICODSTR)
};

// Something the reading met that the user is told about. `message` is the text to show, as the
// system words it; `detail` says which record or line and why.
struct FormulaNotice
{
    QString message;
    QString detail;

    bool operator==(const FormulaNotice &) const = default;
};

// Adds a notice unless the same text is already there.
inline void addNotice(QList<FormulaNotice> &notices, const FormulaNotice &notice)
{
    for (const FormulaNotice &n : std::as_const(notices)) {
        if (n.message == notice.message)
            return;
    }
    notices.append(notice);
}

// The months of a run, first to last, as the caller chose them.
struct MonthRange
{
    int first = 0;
    int last = 0;

    bool operator==(const MonthRange &) const = default;
};

// Everything read for one indicator from the indicator cell file (`LoadIndicatorTerms`).
struct IndicatorTerms
{
    QList<IndicatorFormula> lines;
    QList<IndicatorStep> steps;
    // One flag per slot (index slot - 1): a form-999 term fills the slot.
    std::array<bool, resultSlotCount> populationMarks{};
    bool monthOne = false; // a term takes month 1 by the month rule 20
    MonthRange period;     // the run's months, widened by the terms' own months
    QList<FormulaNotice> notices;

    bool isEmpty() const { return lines.isEmpty(); }
    bool isPopulationSlot(int slot) const
    {
        return isResultSlot(slot) && populationMarks[size_t(slot - 1)];
    }
};

// The lines of "<n>.MDV" (`ReadIndicatorFormula`), sorted by form, then source row.
struct MdvFormula
{
    QList<IndicatorFormula> lines;
    QList<FormulaNotice> notices; // one per line that was skipped as damaged
};

} // namespace zemor::analysis
