#include "entry/ReportControlCheck.h"

#include "entry/RelationCode.h"
#include "runtime/core/Prompter.h"
#include "runtime/text/FixedString.h"

#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <optional>

namespace zemor::entry {

using namespace Qt::StringLiterals;

using runtime::Decimal;
using runtime::ErrorCode;
using runtime::text::clipped;

namespace {

constexpr int columnTextLength = 200; // of a column rule's text from the left column on
constexpr int tableHeadLength = 30;   // of an inter-table rule's text up to the operator

using runtime::Int128;

constexpr qint64 limit17 = 100000000000000000; // 10^17 thousandths: DECIMAL(17,3) stays below

// A value as thousandths when it fits a DECIMAL(17,3) work value (rounded to three places).
std::optional<qint64> thousandths(const Decimal &v)
{
    if (v.scale() == 3 && v.units() < limit17 && v.units() > -limit17)
        return qint64(v.units());
    const auto fitted = v.fitted(17, 3);
    if (!fitted)
        return std::nullopt;
    return qint64(fitted->units());
}

QString num(Int128 thousandths)
{
    return Decimal::fromUnits(thousandths, 3).toString();
}

QString number(qint64 value)
{
    return QString::number(value);
}

} // namespace

runtime::Result<QList<ControlFailure>>
ReportControlCheck::check(qint64 formCode, const ReportRows &rows, const FormTables &tables,
                          const FormRules &rules, const RowCatalogue &catalogue)
{
    return check(ResolvedRules::resolve(formCode, tables, rules, catalogue), rows);
}

runtime::Result<QList<ControlFailure>> ReportControlCheck::check(const ResolvedRules &rules,
                                                                 const ReportRows &rows)
{
    m_diagnostics.clear();
    m_toldOnce.clear();
    m_failures.clear();

    // Every value goes into a DECIMAL(17,3) work value first; one that does not fit is refused
    // rather than cut.
    m_zeroRow = int(rows.size());
    m_cells.assign(size_t(m_zeroRow + 1) * valueCount, 0);
    for (int i = 0; i < rows.size(); ++i) {
        const ReportRow &row = rows[i];
        qint64 *out = &m_cells[size_t(i) * valueCount];
        for (int n = 1; n <= valueCount; ++n) {
            const Decimal &v = row.values[size_t(n - 1)];
            const auto units = thousandths(v);
            if (!units) {
                return runtime::fail(
                    ErrorCode::Overflow,
                    QStringLiteral("т%1с%2г%3").arg(row.table).arg(row.rowId).arg(n),
                    QStringLiteral("Значение %1 не помещается в 17 цифр").arg(v.toString()));
            }
            out[n - 1] = *units;
        }
    }
    m_slotRow.assign(size_t(rules.slotCount()), m_zeroRow);
    for (int i = 0; i < rows.size(); ++i) {
        const int slot = rules.slotOf(rows[i].rowId);
        if (slot >= 0 && m_slotRow[size_t(slot)] == m_zeroRow)
            m_slotRow[size_t(slot)] = i;
    }

    m_rules = &rules;
    m_rows = &rows;
    checkRowRules();
    checkTableRules();
    checkColumnRules();
    m_rules = nullptr;
    m_rows = nullptr;
    return std::move(m_failures);
}

const qint64 *ReportControlCheck::cells(int slot) const
{
    return &m_cells[size_t(m_slotRow[size_t(slot)]) * valueCount];
}

bool ReportControlCheck::present(int slot) const
{
    return m_slotRow[size_t(slot)] != m_zeroRow;
}

void ReportControlCheck::checkRowRules()
{
    const qsizetype first = m_failures.size();
    for (const ResolvedRules::Row &rule : m_rules->rowRules()) {
        if (!rule.diagnostic.isEmpty()) {
            tellOnce(rule.diagnostic);
            continue;
        }
        // The sums of every value column checked, term row by term row.
        std::array<Int128, valueCount> sums{};
        const int from = rule.firstValue - 1;
        const int to = rule.lastValue;
        for (size_t k = 0; k < rule.termSlots.size(); ++k) {
            const qint64 *term = cells(rule.termSlots[k]);
            if (rule.subtract[k]) {
                for (int j = from; j < to; ++j)
                    sums[size_t(j)] -= term[j];
            } else {
                for (int j = from; j < to; ++j)
                    sums[size_t(j)] += term[j];
            }
        }
        const qint64 *left = cells(rule.leftSlot);
        for (int j = from; j < to; ++j) {
            const Int128 l = left[j];
            const Int128 sum = sums[size_t(j)];
            if (relationHolds(rule.relation, l, sum))
                continue;
            const int column = j + 1 + rule.offset;
            ControlFailure f;
            f.kind = RuleKind::Row;
            f.ruleId = rule.id;
            f.table = rule.table;
            f.column = column;
            f.deviation = Decimal::fromUnits(l - sum, 3);
            f.text = (u"т"_s + number(rule.table) + u"г"_s + number(column) + u"с"_s +
                      rule.leftCode + u"("_s + num(l) + u")"_s + failureOperator(rule.relation) +
                      u"("_s + num(sum) + u")"_s + rule.termText)
                         .left(ControlFailure::textLength);
            m_failures.append(f);
        }
    }
    std::stable_sort(m_failures.begin() + first, m_failures.end(),
                     [](const ControlFailure &a, const ControlFailure &b) {
                         return a.table != b.table ? a.table < b.table : a.column < b.column;
                     });
}

void ReportControlCheck::checkTableRules()
{
    const RowCatalogue &catalogue = m_rules->catalogue();
    const FormTables &tables = m_rules->tables();
    struct Used
    {
        qint64 table;
        const CatalogueRow *row;
        const ResolvedRules::TableTermRef *term;
        int k;
    };
    QVarLengthArray<Used, 16> used;
    for (const ResolvedRules::Table &rule : m_rules->tableRules()) {
        if (!rule.diagnostic.isEmpty()) {
            tellOnce(rule.diagnostic);
            continue;
        }
        const Int128 l = cells(rule.leftSlot)[rule.leftValue - 1];
        Int128 sum = 0;
        bool beep = false;
        used.clear();
        for (int k = 0; k < int(rule.terms.size()); ++k) {
            const ResolvedRules::TableTermRef &term = rule.terms[size_t(k)];
            const bool inReport = present(term.slot);
            const CatalogueRow *termRow = catalogue.row(term.row < 0 ? -term.row : term.row);
            // The table of a stored row is the one it was stored with.
            qint64 termTable = 0;
            if (inReport) {
                termTable = m_rows->at(m_slotRow[size_t(term.slot)]).table;
            } else if (termRow) {
                termTable = termRow->table;
            } else {
                tellOnce(QStringLiteral("НЕТ СТРОКИ ") + number(term.row));
                continue;
            }
            const TableEntry *te = m_rules->tableEntry(termTable);
            if (!te) {
                const QString last = tables.isEmpty() ? QString() : number(tables.constLast().code);
                tellOnce(last + u' ' + number(termTable));
                continue;
            }
            const int jj = te->valueIndex(term.column);
            if (jj == 0) {
                tellOnce(QStringLiteral("ИСПРАВТЕ КОНТРОЛЬ !!!") + number(rule.id) + u'|' +
                         number(termTable) + u' ' + number(term.column) + u' ' +
                         number(te->offset) + u' ' + number(te->columns));
                continue;
            }
            const Int128 v = cells(term.slot)[jj - 1];
            sum += (k == 0 || term.row > 0) ? v : -v;
            if (termRow)
                used.append(Used{termTable, termRow, &term, k});
            else
                beep = true;
        }
        if (relationHolds(rule.relation, l, sum))
            continue;
        if (beep && m_prompter)
            m_prompter->beep();
        const QString head =
            (u"т"_s + number(rule.table) + u"с"_s + rule.leftCode + u"г"_s +
             number(rule.leftColumn) + u" ("_s + num(l) + u")"_s + failureOperator(rule.relation))
                .left(tableHeadLength);
        QString terms;
        for (const Used &u : used) {
            terms += (u.k == 0 ? QStringLiteral("т")
                               : (u.term->row > 0 ? QStringLiteral("+т") : QStringLiteral("-т"))) +
                     number(u.table) + u"с"_s + u.row->code + u"г"_s + number(u.term->column);
        }
        ControlFailure f;
        f.kind = RuleKind::Table;
        f.ruleId = rule.id;
        f.table = rule.table;
        f.column = rule.leftColumn;
        f.deviation = Decimal::fromUnits(l - sum, 3);
        f.text = (head + u"("_s + num(sum) + u")"_s + terms).left(ControlFailure::textLength);
        m_failures.append(f);
    }
}

void ReportControlCheck::checkColumnRules()
{
    for (const QString &text : m_rules->columnDiagnostics())
        tellOnce(text);
    const RowCatalogue &catalogue = m_rules->catalogue();
    for (int i = 0; i < m_rows->size(); ++i) {
        const ReportRow &row = m_rows->at(i);
        if (!m_rules->tableEntry(row.table)) {
            tell(u"f"_s + number(m_rules->formCode()) + u"?t"_s + number(row.table));
            continue;
        }
        const std::vector<ResolvedRules::Column> *rules = m_rules->columnRules(row.table);
        if (!rules)
            continue;
        const qint64 *values = &m_cells[size_t(i) * valueCount];
        QString rowCode;
        bool rowCodeKnown = false;
        for (const ResolvedRules::Column &rule : *rules) {
            if (rule.rowId > 0 && rule.rowId != row.rowId)
                continue;
            Int128 sum = 0;
            for (size_t k = 0; k < rule.values.size(); ++k) {
                const qint64 v = values[rule.values[k] - 1];
                sum += rule.subtract[k] ? -Int128(v) : Int128(v);
            }
            const Int128 l = values[rule.leftValue - 1];
            if (relationHolds(rule.relation, l, sum))
                continue;
            if (!rowCodeKnown) {
                const CatalogueRow *catRow = catalogue.row(row.rowId);
                rowCode = catRow ? catRow->code : u"?"_s + number(row.rowId);
                rowCodeKnown = true;
            }
            ControlFailure f;
            f.kind = RuleKind::Column;
            f.ruleId = rule.id;
            f.table = rule.table;
            f.column = 0;
            f.deviation = Decimal::fromUnits(l - sum, 3);
            const QString tail = u"г"_s + number(rule.left) + u"("_s + num(l) + u")"_s +
                                 failureOperator(rule.relation) + u"("_s + num(sum) + u")"_s +
                                 rule.termText;
            f.text = (u"т"_s + number(rule.table) + u"с"_s + clipped(rowCode) + u" "_s +
                      tail.left(columnTextLength))
                         .left(ControlFailure::textLength);
            m_failures.append(f);
        }
    }
}

void ReportControlCheck::tell(const QString &text)
{
    m_diagnostics.append(text);
    if (m_prompter)
        m_prompter->message(text);
}

void ReportControlCheck::tellOnce(const QString &text)
{
    if (m_toldOnce.contains(text))
        return;
    m_toldOnce.insert(text);
    tell(text);
}

void ReportControlCheck::appendToRun(const QList<ControlFailure> &failures, qint64 formCode,
                                     int textLength, QList<RunFailure> &run, int &counter)
{
    for (const ControlFailure &f : failures) {
        RunFailure entry;
        entry.formCode = formCode;
        entry.ruleId = f.ruleId;
        entry.text = f.text.left(textLength);
        entry.deviation = f.deviation;
        run.append(entry);
        ++counter;
    }
}

} // namespace zemor::entry
