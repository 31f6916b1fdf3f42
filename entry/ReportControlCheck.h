#pragma once

// The whole-report check (`CheckReportControls`): one report held in memory against every
// control rule of its form, in three passes - row rules, then inter-table rules, then column
// rules - giving one ControlFailure per failed rule (per column for a row rule over all columns,
// per report row for a column rule). The list comes out in that order: row-rule failures by
// table and column, inter-table failures in rule order, column-rule failures by report row and
// rule.
//
// Sums and comparisons are exact decimal operations. Every value of the report must fit a
// DECIMAL(17,3) work value; a report that holds one that does not is refused with Overflow
// before anything is checked.
//
// Rules that cannot be evaluated (a column outside its table, a row code or term row missing
// from the catalogue, a report row of a table the form does not have) are reported through the
// prompter and skipped; a diagnostic about a rule is shown once per check, however many rows or
// columns meet it. The prompter is not owned; without one the diagnostics are only collected
// (diagnostics()). Missing report rows count as rows of zeros.
//
// The rules come resolved against the form's catalogue (ResolvedRules, made once per form and
// year; ControlRuleLoader reads them from the year the caller names), so a check is a loop over
// indexes with exact sums of scaled integers; texts are written only for failures. Nothing here
// touches a file, so report entry, the summary and the runs can all use it, on any thread with
// its own instance.

#include "entry/ControlFailure.h"
#include "entry/ControlRules.h"
#include "entry/ReportRows.h"
#include "entry/ResolvedRules.h"
#include "entry/RowCatalogue.h"
#include "runtime/core/Error.h"

#include <QSet>
#include <QStringList>

#include <vector>

namespace zemor::runtime {
class Prompter;
}

namespace zemor::entry {

class ReportControlCheck
{
public:
    explicit ReportControlCheck(runtime::Prompter *prompter = nullptr) : m_prompter(prompter) {}

    // One report against the resolved rules of its form.
    [[nodiscard]] runtime::Result<QList<ControlFailure>> check(const ResolvedRules &rules,
                                                               const ReportRows &rows);
    // The same, resolving the rules for this one check.
    [[nodiscard]] runtime::Result<QList<ControlFailure>>
    check(qint64 formCode, const ReportRows &rows, const FormTables &tables, const FormRules &rules,
          const RowCatalogue &catalogue);

    // The messages shown (or, without a prompter, that would have been) by the last check.
    const QStringList &diagnostics() const { return m_diagnostics; }

    // Run mode: appends one entry per failure to the caller's list, with the text cut to
    // `textLength` characters, and adds their number to the caller's counter (never reset).
    static void appendToRun(const QList<ControlFailure> &failures, qint64 formCode, int textLength,
                            QList<RunFailure> &run, int &counter);

private:
    void checkRowRules();
    void checkTableRules();
    void checkColumnRules();

    const qint64 *cells(int slot) const;
    bool present(int slot) const;
    void tell(const QString &text);
    void tellOnce(const QString &text);

    runtime::Prompter *m_prompter;
    QStringList m_diagnostics;
    QSet<QString> m_toldOnce;

    // Per check: every value of the report as thousandths, a row of 35 cells per report row and
    // a last row of zeros; the report row of each slot (the zero row when the report lacks it).
    const ResolvedRules *m_rules = nullptr;
    const ReportRows *m_rows = nullptr;
    std::vector<qint64> m_cells;
    std::vector<int> m_slotRow;
    int m_zeroRow = 0;
    QList<ControlFailure> m_failures;
};

} // namespace zemor::entry
