#pragma once

// The calculations of total columns and rows of one table. The year's "Rash.txt" names, per
// form and table, the column rules ("g") and row rules ("s") whose left side is computed from
// their terms (`LoadCalcRules`); `CalculateTotals` then computes them on the entry rows in one
// pass: every column calculation in the order of "Rash.txt", then every row calculation in
// theirs, so a calculation sees the cells computed before it and the old values of those after.
//
// Lines of "Rash.txt" are read by fixed columns: form code 1-4, table code 6-10, kind 12, rule
// id 13-17; a short line reads blank beyond its end, and a line whose codes are not numbers is
// skipped. A column rule with a column outside the table computes nothing (as the checks never
// evaluate it: resolveColumnRule()); term rows of another table are left out of a row
// calculation; a calculation without a target computes nothing. Sums are exact; a sum
// that does not fit a DECIMAL(17,3) value leaves the cell as it was and is reported as
// Overflow, after every other cell has been computed. A missing "Rash.txt" means no
// calculations.

#include "entry/ControlRules.h"
#include "entry/EntryRow.h"
#include "entry/RowCatalogue.h"
#include "runtime/core/Error.h"

#include <QByteArray>
#include <QHash>

namespace zemor::data {
class DataContext;
}
namespace zemor::runtime {
class Prompter;
}

namespace zemor::entry {

// One entry of `QRASH`.
struct CalcRule
{
    enum Kind { Column = 1, Row = 2 };
    int kind = Column;  // QRASH:TIPRASH
    int target = 0;     // QRASH:GS: value number (Column) or row position (Row); 0 unresolved
    QList<int> addends; // QRASH:GS1: signed value numbers or row positions
    qint64 ruleId = 0;  // QRASH:IDCONTR
    int lineNumber = 0; // QRASH:NUMRASH, among the lines of its kind
};

// One usable line of "Rash.txt".
struct RashLine
{
    qint64 form = 0;
    qint64 table = 0;
    int kind = CalcRule::Column;
    qint64 ruleId = 0;
};

// What "Rash.txt" of a year names for one form, with the rules it names: read once when a form
// is opened, then resolved for each table the user moves to without reading a file again.
struct FormCalculations
{
    QList<RashLine> lines; // of the form, in file order
    QHash<qint64, ColumnRule> columnRules;
    QHash<qint64, RowRule> rowRules;
};

class TableCalculations
{
public:
    // The lines that name a column or row rule, in file order.
    static QList<RashLine> parseRashLines(const QList<QByteArray> &lines);

    // The calculations of one table from the lines of its form and table, resolved against the
    // rules and the catalogue, sorted by kind and target. A row rule that does not exist is
    // reported ("Нет строкового контроля " and its id) and left unresolved.
    static QList<CalcRule>
    resolve(const QList<RashLine> &lines, qint64 form, const TableEntry &table,
            const QHash<qint64, ColumnRule> &columnRules, const QHash<qint64, RowRule> &rowRules,
            const RowCatalogue &catalogue, runtime::Prompter *prompter = nullptr);

    // Reads "Rash.txt" of the year and the rules it names for `form`.
    [[nodiscard]] static runtime::Result<FormCalculations> readForm(data::DataContext &context,
                                                                    int year, qint64 form);
    // The calculations of one table of the form.
    static QList<CalcRule> resolve(const FormCalculations &form, qint64 formCode,
                                   const TableEntry &table, const RowCatalogue &catalogue,
                                   runtime::Prompter *prompter = nullptr);

    // `LoadCalcRules`: reads "Rash.txt" of the year, the rules it names and the form's rows.
    [[nodiscard]] static runtime::Result<QList<CalcRule>>
    loadCalcRules(data::DataContext &context, int year, qint64 form, const TableEntry &table,
                  runtime::Prompter *prompter = nullptr);

    // `CalculateTotals` on the rows of the table.
    [[nodiscard]] static runtime::Status
    calculateTotals(QList<CalcRule> &rules, QList<EntryRow> &rows, const TableEntry &table);
};

} // namespace zemor::entry
