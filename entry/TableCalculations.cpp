#include "entry/TableCalculations.h"

#include "data/FileNames.h"
#include "entry/ControlRuleLoader.h"
#include "entry/ResolvedRules.h"
#include "runtime/core/Prompter.h"
#include "runtime/fs/Paths.h"
#include "runtime/store/TextLineFile.h"

#include <algorithm>
#include <optional>

namespace zemor::entry {

using namespace Qt::StringLiterals;

using runtime::Decimal;
using runtime::ErrorCode;

namespace {

// Characters `from` .. `from + count - 1` (1-based) of a line; blank beyond its end.
QString field(const QString &line, int from, int count)
{
    return line.mid(from - 1, count);
}

std::optional<qint64> numberField(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return qint64(0);
    bool ok = false;
    const qint64 value = trimmed.toLongLong(&ok);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

} // namespace

QList<RashLine> TableCalculations::parseRashLines(const QList<QByteArray> &lines)
{
    QList<RashLine> result;
    for (const QByteArray &bytes : lines) {
        const QString line = runtime::store::TextLineFile::decode(bytes);
        const QString kind = field(line, 12, 1);
        if (kind != u"g"_s && kind != u"s"_s)
            continue;
        const auto form = numberField(field(line, 1, 4));
        const auto table = numberField(field(line, 6, 5));
        const auto id = numberField(field(line, 13, 5));
        if (!form || !table || !id)
            continue;
        result.append(
            RashLine{*form, *table, kind == u"g"_s ? CalcRule::Column : CalcRule::Row, *id});
    }
    return result;
}

QList<CalcRule> TableCalculations::resolve(const QList<RashLine> &lines, qint64 form,
                                           const TableEntry &table,
                                           const QHash<qint64, ColumnRule> &columnRules,
                                           const QHash<qint64, RowRule> &rowRules,
                                           const RowCatalogue &catalogue,
                                           runtime::Prompter *prompter)
{
    QList<CalcRule> rules;
    int numbers[3] = {0, 0, 0};
    for (const RashLine &line : lines) {
        if (line.form != form || line.table != table.code)
            continue;
        CalcRule rule;
        rule.kind = line.kind;
        rule.ruleId = line.ruleId;
        rule.lineNumber = ++numbers[line.kind];

        if (line.kind == CalcRule::Column) {
            const auto it = columnRules.constFind(line.ruleId);
            if (it != columnRules.constEnd()) {
                if (const auto resolved = resolveColumnRule(*it, table)) {
                    rule.target = resolved->left;
                    rule.addends = resolved->terms;
                }
            }
        } else {
            const auto it = rowRules.constFind(line.ruleId);
            if (it == rowRules.constEnd()) {
                if (prompter)
                    prompter->message(QStringLiteral("Нет строкового контроля ") +
                                      QString::number(line.ruleId));
            } else if (const CatalogueRow *left = catalogue.row(it->leftRow);
                       left && left->table == table.code && left->number > 0) {
                rule.target = left->number;
                for (int t : it->terms) {
                    const CatalogueRow *row = catalogue.row(t < 0 ? -t : t);
                    if (!row)
                        break; // a term row missing from the catalogue ends the list
                    if (row->table != table.code || row->number <= 0)
                        continue; // a row of another table has no place in this one
                    rule.addends.append(t < 0 ? -row->number : row->number);
                }
            }
        }
        rules.append(rule);
    }
    std::stable_sort(rules.begin(), rules.end(), [](const CalcRule &a, const CalcRule &b) {
        return a.kind != b.kind ? a.kind < b.kind : a.target < b.target;
    });
    return rules;
}

QList<CalcRule> TableCalculations::resolve(const FormCalculations &form, qint64 formCode,
                                           const TableEntry &table, const RowCatalogue &catalogue,
                                           runtime::Prompter *prompter)
{
    return resolve(form.lines, formCode, table, form.columnRules, form.rowRules, catalogue,
                   prompter);
}

runtime::Result<FormCalculations> TableCalculations::readForm(data::DataContext &context, int year,
                                                              qint64 form)
{
    FormCalculations calc;
    const QString name = data::FileNames::workDirPrefix() +
                         QStringLiteral("\\%1\\Rash.txt").arg(year, 4, 10, QLatin1Char('0'));
    const auto path = runtime::fs::resolve(name);
    if (!path)
        return calc;
    const auto text = runtime::store::TextLineFile::readLines(*path);
    if (!text) {
        if (text.error().code == ErrorCode::FileNotFound)
            return calc;
        return std::unexpected(text.error());
    }
    for (const RashLine &line : parseRashLines(*text)) {
        if (line.form == form)
            calc.lines.append(line);
    }
    if (calc.lines.isEmpty())
        return calc;

    ControlRuleLoader loader(context, year);
    for (const RashLine &line : std::as_const(calc.lines)) {
        if (line.kind == CalcRule::Column) {
            if (calc.columnRules.contains(line.ruleId))
                continue;
            const auto rule = loader.columnRule(line.ruleId);
            if (!rule)
                return std::unexpected(rule.error());
            if (*rule)
                calc.columnRules.insert(line.ruleId, **rule);
        } else {
            if (calc.rowRules.contains(line.ruleId))
                continue;
            const auto rule = loader.rowRule(line.ruleId);
            if (!rule)
                return std::unexpected(rule.error());
            if (*rule)
                calc.rowRules.insert(line.ruleId, **rule);
        }
    }
    return calc;
}

runtime::Result<QList<CalcRule>> TableCalculations::loadCalcRules(data::DataContext &context,
                                                                  int year, qint64 form,
                                                                  const TableEntry &table,
                                                                  runtime::Prompter *prompter)
{
    auto calc = readForm(context, year, form);
    if (!calc)
        return std::unexpected(calc.error());
    // Only this table's lines matter here: the rules of other tables are not looked up.
    QList<RashLine> lines;
    for (const RashLine &line : std::as_const(calc->lines)) {
        if (line.table == table.code)
            lines.append(line);
    }
    if (lines.isEmpty())
        return QList<CalcRule>();
    const auto catalogue = ControlRuleLoader(context, year).catalogue(form);
    if (!catalogue)
        return std::unexpected(catalogue.error());
    return resolve(lines, form, table, calc->columnRules, calc->rowRules, *catalogue, prompter);
}

runtime::Status TableCalculations::calculateTotals(QList<CalcRule> &rules, QList<EntryRow> &rows,
                                                   const TableEntry &table)
{
    std::stable_sort(rules.begin(), rules.end(), [](const CalcRule &a, const CalcRule &b) {
        return a.kind != b.kind ? a.kind < b.kind : a.lineNumber < b.lineNumber;
    });

    runtime::Status status;
    auto store = [&](EntryRow &row, int n, const Decimal &sum) {
        const auto fitted = sum.fitted(17, 3);
        if (!fitted) {
            if (status) {
                status = runtime::fail(
                    ErrorCode::Overflow,
                    QStringLiteral("т%1с%2г%3").arg(table.code).arg(row.code.trimmed()).arg(n),
                    QStringLiteral("Сумма %1 не помещается в 17 цифр").arg(sum.toString()));
            }
            return;
        }
        row.values[size_t(n - 1)] = *fitted;
    };
    auto rowAt = [&](int number) -> EntryRow * {
        for (EntryRow &row : rows) {
            if (row.number == number)
                return &row;
        }
        return nullptr;
    };
    auto accumulate = [](Decimal &sum, const Decimal &value, bool subtract) {
        const auto next = subtract ? sum.subtract(value) : sum.add(value);
        if (next)
            sum = *next;
    };

    for (const CalcRule &rule : rules) {
        if (rule.target < 1)
            continue;
        if (rule.kind == CalcRule::Column) {
            if (rule.target > valueCount)
                continue;
            for (EntryRow &row : rows) {
                Decimal sum;
                for (int a : rule.addends)
                    accumulate(sum, row.value(a < 0 ? -a : a), a < 0);
                store(row, rule.target, sum);
            }
            continue;
        }
        const int columns = table.valueColumns();
        std::array<Decimal, valueCount> sums{};
        for (int a : rule.addends) {
            const EntryRow *term = rowAt(a < 0 ? -a : a);
            if (!term)
                continue;
            for (int c = 1; c <= columns; ++c)
                accumulate(sums[size_t(c - 1)], term->value(c), a < 0);
        }
        EntryRow *target = rowAt(rule.target);
        if (!target)
            continue;
        for (int c = 1; c <= columns; ++c)
            store(*target, c, sums[size_t(c - 1)]);
    }
    return status;
}

} // namespace zemor::entry
