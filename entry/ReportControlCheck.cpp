#include "entry/ReportControlCheck.h"

#include "entry/RelationCode.h"
#include "runtime/core/Prompter.h"

#include <QVarLengthArray>

#include <algorithm>

namespace zemor::entry {

using namespace Qt::StringLiterals;

using runtime::Decimal;
using runtime::ErrorCode;

namespace {

constexpr int columnTextLength = 200; // of a column rule's text from the left column on
constexpr int tableHeadLength = 30;   // of an inter-table rule's text up to the operator

// Sums of DECIMAL(17,3) values over at most a few hundred terms stay far inside the 128-bit
// range, so these never fail for a report that passed the fit check.
Decimal plus(const Decimal &sum, const Decimal &value)
{
    const auto r = sum.add(value);
    return r ? *r : sum;
}

Decimal minus(const Decimal &sum, const Decimal &value)
{
    const auto r = sum.subtract(value);
    return r ? *r : sum;
}

QString num(const Decimal &value)
{
    return value.toString();
}

QString clipped(QString text)
{
    while (text.endsWith(u' '))
        text.chop(1);
    return text;
}

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

runtime::Result<QList<ControlFailure>>
ReportControlCheck::check(qint64 formCode, const ReportRows &rows, const FormTables &tables,
                          const FormRules &rules, const RowCatalogue &catalogue)
{
    m_diagnostics.clear();
    m_toldOnce.clear();
    m_failures.clear();
    m_rowIndex.clear();

    // Every value goes into a DECIMAL(17,3) work value first; one that does not fit is refused
    // rather than cut.
    ReportRows work = rows;
    for (ReportRow &row : work) {
        for (int n = 1; n <= valueCount; ++n) {
            Decimal &v = row.values[size_t(n - 1)];
            const auto fitted = v.fitted(17, 3);
            if (!fitted) {
                return runtime::fail(
                    ErrorCode::Overflow,
                    QStringLiteral("т%1с%2г%3").arg(row.table).arg(row.rowId).arg(n),
                    QStringLiteral("Значение %1 не помещается в 17 цифр").arg(v.toString()));
            }
            v = *fitted;
        }
    }

    m_form = formCode;
    m_rows = &work;
    m_tables = &tables;
    m_catalogue = &catalogue;
    for (int i = 0; i < work.size(); ++i) {
        if (!m_rowIndex.contains(work[i].rowId))
            m_rowIndex.insert(work[i].rowId, i);
    }

    checkRowRules(rules);
    checkTableRules(rules);
    checkColumnRules(rules);

    m_rows = nullptr;
    m_tables = nullptr;
    m_catalogue = nullptr;
    return std::move(m_failures);
}

void ReportControlCheck::checkRowRules(const FormRules &rules)
{
    const qsizetype first = m_failures.size();
    for (const RowRule &rule : rules.rowRules) {
        const ReportRow *left = reportRow(rule.leftRow);
        const CatalogueRow *leftRow = m_catalogue->row(rule.leftRow);
        if (!leftRow)
            continue; // a rule on a row the form does not have is not applicable
        const TableEntry *table = tableEntry(leftRow->table);
        if (!table)
            continue; // the catalogue and the form's tables disagree: nothing sound to check
        const QString leftCode = code5(leftRow->code);

        // The terms read the same in every column; they are written out only for a failure.
        QString terms;
        bool termsWritten = false;
        auto termText = [&]() -> const QString & {
            if (!termsWritten) {
                for (int k = 0; k < rule.terms.size(); ++k) {
                    const int t = rule.terms[k];
                    if (const CatalogueRow *termRow = m_catalogue->row(t < 0 ? -t : t)) {
                        // The letter before the first code is the Latin "c".
                        terms += (k == 0 ? QStringLiteral("c")
                                         : (t > 0 ? QStringLiteral("+") : QStringLiteral("-"))) +
                                 termRow->code;
                    }
                }
                termsWritten = true;
            }
            return terms;
        };

        // The term rows are looked up once for all columns.
        QVarLengthArray<const ReportRow *, 64> termRows;
        for (const int t : rule.terms)
            termRows.append(reportRow(t < 0 ? -t : t));

        auto evaluate = [&](int j) {
            Decimal sum;
            for (int k = 0; k < rule.terms.size(); ++k) {
                const int t = rule.terms[k];
                const ReportRow *row = termRows[k];
                const Decimal v = row ? row->value(j) : Decimal();
                // The first term is always added, whatever its sign.
                sum = (k == 0 || t > 0) ? plus(sum, v) : minus(sum, v);
            }
            const Decimal l = left ? left->value(j) : Decimal();
            if (relationHolds(rule.relation, l, sum))
                return;
            ControlFailure f;
            f.kind = RuleKind::Row;
            f.ruleId = rule.id;
            f.table = leftRow->table;
            f.column = j + table->offset;
            f.deviation = minus(l, sum);
            f.text = (u"т"_s + number(leftRow->table) + u"г"_s + number(j + table->offset) +
                      u"с"_s + leftCode + u"("_s + num(l) + u")"_s +
                      failureOperator(rule.relation) + u"("_s + num(sum) + u")"_s + termText())
                         .left(ControlFailure::textLength);
            m_failures.append(f);
        };

        if (rule.column == 0) {
            for (int j = 1; j <= table->valueColumns(); ++j)
                evaluate(j);
            continue;
        }
        const int j = table->valueIndex(rule.column);
        if (j == 0) {
            tellOnce(QStringLiteral("ИСПРАВТЕ КОНТРОЛЬ ") + number(rule.id));
            continue;
        }
        evaluate(j);
    }
    std::stable_sort(m_failures.begin() + first, m_failures.end(),
                     [](const ControlFailure &a, const ControlFailure &b) {
                         return a.table != b.table ? a.table < b.table : a.column < b.column;
                     });
}

void ReportControlCheck::checkTableRules(const FormRules &rules)
{
    for (const TableRule &rule : rules.tableRules) {
        const ReportRow *left = reportRow(rule.leftRow);
        const CatalogueRow *leftRow = m_catalogue->row(rule.leftRow);
        if (!leftRow)
            continue;
        const TableEntry *table = tableEntry(leftRow->table);
        if (!table)
            continue;
        const int j = table->valueIndex(rule.leftColumn);
        if (j == 0) {
            tellOnce(QStringLiteral("ИСПРАВТЕ КОНТРОЛЬ..... ") + number(rule.id));
            continue;
        }
        const Decimal l = left ? left->value(j) : Decimal();
        const QString head =
            (u"т"_s + number(leftRow->table) + u"с"_s + code5(leftRow->code) + u"г"_s +
             number(rule.leftColumn) + u" ("_s + num(l) + u")"_s + failureOperator(rule.relation))
                .left(tableHeadLength);

        Decimal sum;
        QString terms;
        bool beep = false;
        for (int k = 0; k < rule.terms.size(); ++k) {
            const TableTerm &term = rule.terms[k];
            const int rowId = term.row < 0 ? -term.row : term.row;
            const ReportRow *row = reportRow(rowId);
            const CatalogueRow *termRow = m_catalogue->row(rowId);
            qint64 termTable = 0;
            if (row) {
                termTable = row->table;
            } else if (termRow) {
                termTable = termRow->table;
            } else {
                tellOnce(QStringLiteral("НЕТ СТРОКИ ") + number(term.row));
                continue;
            }
            const TableEntry *te = tableEntry(termTable);
            if (!te) {
                const QString last =
                    m_tables->isEmpty() ? QString() : number(m_tables->constLast().code);
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
            const Decimal v = row ? row->value(jj) : Decimal();
            sum = (k == 0 || term.row > 0) ? plus(sum, v) : minus(sum, v);
            if (termRow) {
                terms += (k == 0 ? QStringLiteral("т")
                                 : (term.row > 0 ? QStringLiteral("+т") : QStringLiteral("-т"))) +
                         number(termTable) + u"с"_s + termRow->code + u"г"_s + number(term.column);
            } else {
                beep = true;
            }
        }
        if (relationHolds(rule.relation, l, sum))
            continue;
        if (beep && m_prompter)
            m_prompter->beep();
        ControlFailure f;
        f.kind = RuleKind::Table;
        f.ruleId = rule.id;
        f.table = leftRow->table;
        f.column = rule.leftColumn;
        f.deviation = minus(l, sum);
        f.text = (head + u"("_s + num(sum) + u")"_s + terms).left(ControlFailure::textLength);
        m_failures.append(f);
    }
}

void ReportControlCheck::checkColumnRules(const FormRules &rules)
{
    struct Resolved
    {
        const ColumnRule *rule;
        int rowId;   // 0: every row of the table
        bool usable; // every column of the rule lies in its table
    };
    QList<Resolved> resolved;
    resolved.reserve(rules.columnRules.size());
    for (const ColumnRule &rule : rules.columnRules) {
        Resolved r{&rule, 0, false};
        if (!isEveryRowCode(rule.rowCode)) {
            if (const CatalogueRow *row = m_catalogue->rowByCode(rule.table, rule.rowCode))
                r.rowId = row->id;
            else
                tellOnce(QStringLiteral("Исправте код строки в контроле ") + number(rule.id));
        }
        if (const TableEntry *table = tableEntry(rule.table)) {
            r.usable = table->valueIndex(rule.left) != 0 &&
                       std::all_of(rule.terms.cbegin(), rule.terms.cend(),
                                   [&](int t) { return table->valueIndex(t < 0 ? -t : t) != 0; });
            if (!r.usable)
                tellOnce(QStringLiteral("ИСПРАВТЕ КОНТРОЛЬ ") + number(rule.id));
        }
        resolved.append(r);
    }
    std::stable_sort(resolved.begin(), resolved.end(), [](const Resolved &a, const Resolved &b) {
        return a.rule->table < b.rule->table;
    });

    for (const ReportRow &row : *m_rows) {
        const TableEntry *table = tableEntry(row.table);
        if (!table) {
            tell(u"f"_s + number(m_form) + u"?t"_s + number(row.table));
            continue;
        }
        QString rowCode;
        bool rowCodeKnown = false;
        for (const Resolved &r : resolved) {
            const ColumnRule &rule = *r.rule;
            if (rule.table != row.table || !r.usable)
                continue;
            if (r.rowId > 0 && r.rowId != row.rowId)
                continue;
            Decimal sum;
            QString terms;
            for (int k = 0; k < rule.terms.size(); ++k) {
                const int t = rule.terms[k];
                const Decimal v = row.value(table->valueIndex(t < 0 ? -t : t));
                if (t > 0) {
                    sum = plus(sum, v);
                    terms += (k == 0 ? QStringLiteral("г") : QStringLiteral("+г")) + number(t);
                } else {
                    sum = minus(sum, v);
                    terms += QStringLiteral("-г") + number(-t);
                }
            }
            const Decimal l = row.value(table->valueIndex(rule.left));
            if (relationHolds(rule.relation, l, sum))
                continue;
            if (!rowCodeKnown) {
                const CatalogueRow *catRow = m_catalogue->row(row.rowId);
                rowCode = catRow ? catRow->code : u"?"_s + number(row.rowId);
                rowCodeKnown = true;
            }
            ControlFailure f;
            f.kind = RuleKind::Column;
            f.ruleId = rule.id;
            f.table = rule.table;
            f.column = 0;
            f.deviation = minus(l, sum);
            const QString tail = u"г"_s + number(rule.left) + u"("_s + num(l) + u")"_s +
                                 failureOperator(rule.relation) + u"("_s + num(sum) + u")"_s +
                                 terms;
            f.text = (u"т"_s + number(rule.table) + u"с"_s + clipped(rowCode) + u" "_s +
                      tail.left(columnTextLength))
                         .left(ControlFailure::textLength);
            m_failures.append(f);
        }
    }
}

const ReportRow *ReportControlCheck::reportRow(int rowId) const
{
    const auto it = m_rowIndex.constFind(rowId);
    return it == m_rowIndex.constEnd() ? nullptr : &m_rows->at(it.value());
}

const TableEntry *ReportControlCheck::tableEntry(qint64 code) const
{
    for (const TableEntry &t : *m_tables) {
        if (t.code == code)
            return &t;
    }
    return nullptr;
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
