#pragma once

// The control rules of one form resolved against its catalogue, once per form and year, so that
// checking a report is a loop over indexes: each row named by the catalogue or by a rule gets a
// slot, each stored column of a rule becomes the value number of its table, the texts that a
// failure shows of a rule's terms are written once, and what is wrong with a rule (a column
// outside its table, a row code the catalogue does not have) is found once and kept as the
// diagnostic the check gives. Built by resolve(); a plain value that ReportControlCheck reads
// and that the caller owns (report entry keeps one per open report, a run one per form).
//
// A column rule whose left column or any term column lies outside its table is faulty: it is
// never evaluated, neither in the whole-report check nor in the on-line row check, and a
// calculation of it computes nothing (resolveColumnRule() is the one test of that, used by all
// three). The whole-report check names it ("ИСПРАВТЕ КОНТРОЛЬ " and its id).

#include "entry/ControlRules.h"
#include "entry/ReportRows.h"
#include "entry/RowCatalogue.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace zemor::entry {

class FormCatalogue;

// A column rule within its table: the value numbers of its left column and of its terms (a
// negative number subtracts).
struct ResolvedColumnRule
{
    int left = 0;
    QList<int> terms;
};

// The column rule on the values of `table`'s rows, or nullopt when some column of it lies outside
// the table (the rule is faulty).
std::optional<ResolvedColumnRule> resolveColumnRule(const ColumnRule &rule,
                                                    const TableEntry &table);

class ResolvedRules
{
public:
    static ResolvedRules resolve(qint64 formCode, const FormTables &tables, const FormRules &rules,
                                 const RowCatalogue &catalogue);
    static ResolvedRules resolve(const FormCatalogue &catalogue, const FormRules &rules);

    qint64 formCode() const { return m_form; }
    const FormTables &tables() const { return m_tables; }
    const RowCatalogue &catalogue() const { return m_catalogue; }

    // --- what the check reads
    struct Row
    {
        qint64 id = 0;
        int relation = 0;
        qint64 table = 0; // of the left row
        int offset = 0;   // of that table
        int leftSlot = 0;
        int firstValue = 0; // the value numbers checked: firstValue .. lastValue
        int lastValue = -1;
        std::vector<int> termSlots;
        std::vector<char> subtract; // beside termSlots; the first term is always added
        QString leftCode;           // five characters
        QString termText;           // "c1+2-3", written once
        QString diagnostic;         // told before the rule is checked; the rule is then skipped
    };
    struct TableTermRef
    {
        int slot = 0;
        int row = 0; // signed row id
        int column = 0;
    };
    struct Table
    {
        qint64 id = 0;
        int relation = 0;
        int leftRow = 0;
        int leftColumn = 0;
        qint64 table = 0; // of the left row
        int leftSlot = 0;
        int leftValue = 0; // 0: the left column lies outside the table (diagnostic told)
        QString leftCode;  // five characters
        QString diagnostic;
        std::vector<TableTermRef> terms;
    };
    struct Column
    {
        qint64 id = 0;
        int relation = 0;
        qint64 table = 0;
        int rowId = 0; // 0: every row of the table
        int left = 0;  // stored column, for the text
        int leftValue = 0;
        std::vector<int> values; // value numbers of the terms
        std::vector<char> subtract;
        QString termText; // "г1+г2-г3", written once
    };

    const std::vector<Row> &rowRules() const { return m_rowRules; }
    const std::vector<Table> &tableRules() const { return m_tableRules; }
    // The usable column rules of `table`, in rule order.
    const std::vector<Column> *columnRules(qint64 table) const;
    // The diagnostics of the column rules, in rule order.
    const QStringList &columnDiagnostics() const { return m_columnDiagnostics; }

    int slotCount() const { return int(m_slotOf.size()); }
    int slotOf(int rowId) const { return m_slotOf.value(rowId, -1); }
    const TableEntry *tableEntry(qint64 code) const;

private:
    int slot(int rowId);

    qint64 m_form = 0;
    FormTables m_tables;
    RowCatalogue m_catalogue;
    QHash<int, int> m_slotOf;
    std::vector<Row> m_rowRules;
    std::vector<Table> m_tableRules;
    QHash<qint64, std::vector<Column>> m_columnRules;
    QStringList m_columnDiagnostics;
};

} // namespace zemor::entry
