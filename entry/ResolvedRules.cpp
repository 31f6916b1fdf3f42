#include "entry/ResolvedRules.h"

#include "entry/FormCatalogue.h"

#include <utility>

namespace zemor::entry {

using namespace Qt::StringLiterals;

namespace {

// The first five characters of a row code, blank-padded to five.
QString code5(const QString &code)
{
    return code.left(5).leftJustified(5, u' ');
}

QString number(qint64 value)
{
    return QString::number(value);
}

} // namespace

std::optional<ResolvedColumnRule> resolveColumnRule(const ColumnRule &rule, const TableEntry &table)
{
    ResolvedColumnRule resolved;
    resolved.left = table.valueIndex(rule.left);
    if (resolved.left == 0)
        return std::nullopt;
    for (const int t : rule.terms) {
        const int n = table.valueIndex(t < 0 ? -t : t);
        if (n == 0)
            return std::nullopt;
        resolved.terms.append(t < 0 ? -n : n);
    }
    return resolved;
}

int ResolvedRules::slot(int rowId)
{
    const auto it = m_slotOf.constFind(rowId);
    if (it != m_slotOf.constEnd())
        return it.value();
    const int s = int(m_slotOf.size());
    m_slotOf.insert(rowId, s);
    return s;
}

const TableEntry *ResolvedRules::tableEntry(qint64 code) const
{
    for (const TableEntry &t : m_tables) {
        if (t.code == code)
            return &t;
    }
    return nullptr;
}

const std::vector<ResolvedRules::Column> *ResolvedRules::columnRules(qint64 table) const
{
    const auto it = m_columnRules.constFind(table);
    return it == m_columnRules.constEnd() ? nullptr : &it.value();
}

ResolvedRules ResolvedRules::resolve(const FormCatalogue &catalogue, const FormRules &rules)
{
    return resolve(catalogue.form(), catalogue.tableEntries(), rules, catalogue.rowCatalogue());
}

ResolvedRules ResolvedRules::resolve(qint64 formCode, const FormTables &tables,
                                     const FormRules &rules, const RowCatalogue &catalogue)
{
    ResolvedRules r;
    r.m_form = formCode;
    r.m_tables = tables;
    r.m_catalogue = catalogue;

    // A row or inter-table rule on a row the form does not have, or whose table the form does
    // not list, is not applicable and is left out.
    auto leftOf = [&](int rowId) -> std::pair<const CatalogueRow *, const TableEntry *> {
        const CatalogueRow *leftRow = catalogue.row(rowId);
        const TableEntry *table = leftRow ? r.tableEntry(leftRow->table) : nullptr;
        return {table ? leftRow : nullptr, table};
    };

    for (const RowRule &rule : rules.rowRules) {
        const auto [leftRow, table] = leftOf(rule.leftRow);
        if (!leftRow)
            continue;
        Row row;
        row.id = rule.id;
        row.relation = rule.relation;
        row.table = leftRow->table;
        row.offset = table->offset;
        row.leftSlot = r.slot(rule.leftRow);
        row.leftCode = code5(leftRow->code);
        if (rule.column == 0) {
            row.firstValue = 1;
            row.lastValue = table->valueColumns();
        } else if (const int j = table->valueIndex(rule.column); j != 0) {
            row.firstValue = row.lastValue = j;
        } else {
            row.diagnostic = u"ИСПРАВТЕ КОНТРОЛЬ "_s + number(rule.id);
        }
        for (int k = 0; k < rule.terms.size(); ++k) {
            const int t = rule.terms[k];
            row.termSlots.push_back(r.slot(t < 0 ? -t : t));
            row.subtract.push_back(k > 0 && t < 0);
            if (const CatalogueRow *termRow = catalogue.row(t < 0 ? -t : t)) {
                // The letter before the first code is the Latin "c".
                row.termText += (k == 0 ? u"c"_s : (t > 0 ? u"+"_s : u"-"_s)) + termRow->code;
            }
        }
        r.m_rowRules.push_back(std::move(row));
    }

    for (const TableRule &rule : rules.tableRules) {
        const auto [leftRow, table] = leftOf(rule.leftRow);
        if (!leftRow)
            continue;
        Table t;
        t.id = rule.id;
        t.relation = rule.relation;
        t.leftRow = rule.leftRow;
        t.leftColumn = rule.leftColumn;
        t.table = leftRow->table;
        t.leftSlot = r.slot(rule.leftRow);
        t.leftValue = table->valueIndex(rule.leftColumn);
        t.leftCode = code5(leftRow->code);
        if (t.leftValue == 0)
            t.diagnostic = u"ИСПРАВТЕ КОНТРОЛЬ..... "_s + number(rule.id);
        for (const TableTerm &term : rule.terms)
            t.terms.push_back(
                TableTermRef{r.slot(term.row < 0 ? -term.row : term.row), term.row, term.column});
        r.m_tableRules.push_back(std::move(t));
    }

    for (const ColumnRule &rule : rules.columnRules) {
        int rowId = 0;
        if (!isEveryRowCode(rule.rowCode)) {
            if (const CatalogueRow *row = catalogue.rowByCode(rule.table, rule.rowCode))
                rowId = row->id;
            else
                r.m_columnDiagnostics.append(u"Исправте код строки в контроле "_s +
                                             number(rule.id));
        }
        const TableEntry *table = r.tableEntry(rule.table);
        if (!table)
            continue; // no report row can be of this table without being told as unknown
        const auto resolved = resolveColumnRule(rule, *table);
        if (!resolved) {
            r.m_columnDiagnostics.append(u"ИСПРАВТЕ КОНТРОЛЬ "_s + number(rule.id));
            continue;
        }
        Column c;
        c.id = rule.id;
        c.relation = rule.relation;
        c.table = rule.table;
        c.rowId = rowId;
        c.left = rule.left;
        c.leftValue = resolved->left;
        for (int k = 0; k < rule.terms.size(); ++k) {
            const int t = rule.terms[k];
            const int n = resolved->terms[k];
            c.values.push_back(n < 0 ? -n : n);
            c.subtract.push_back(t < 0);
            if (t > 0)
                c.termText += (k == 0 ? u"г"_s : u"+г"_s) + number(t);
            else
                c.termText += u"-г"_s + number(-t);
        }
        r.m_columnRules[rule.table].push_back(std::move(c));
    }
    return r;
}

} // namespace zemor::entry
