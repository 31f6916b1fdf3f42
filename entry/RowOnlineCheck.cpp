#include "entry/RowOnlineCheck.h"

#include "entry/RelationCode.h"
#include "entry/ResolvedRules.h"
#include "runtime/core/Prompter.h"
#include "runtime/text/FixedString.h"

namespace zemor::entry {

using namespace Qt::StringLiterals;

using runtime::Decimal;
using runtime::text::clipped;

RowOnlineCheck::Outcome RowOnlineCheck::check(EntryRow &row, const QList<ColumnRule> &rules,
                                              const TableEntry &table, bool silent,
                                              runtime::Prompter *prompter)
{
    Outcome out;
    row.error = QStringLiteral(" ");
    const QString rowCode = clipped(row.code);

    for (const ColumnRule &rule : rules) {
        if (!isEveryRowCode(rule.rowCode) && clipped(rule.rowCode) != rowCode)
            continue;
        // A rule with a column outside the table is never evaluated.
        const auto resolved = resolveColumnRule(rule, table);
        if (!resolved)
            continue;
        const int leftIndex = resolved->left;

        Decimal sum;
        for (const int n : resolved->terms) {
            const Decimal v = row.value(n < 0 ? -n : n);
            const auto next = n > 0 ? sum.add(v) : sum.subtract(v);
            if (next)
                sum = *next;
        }
        const Decimal left = row.value(leftIndex);
        if (relationHoldsOnline(rule.relation, left, sum))
            continue;

        out.failed = true;
        row.error = QStringLiteral("?");
        if (silent) {
            out.switchControlOn = true;
            break;
        }
        const QString op = failureOperator(rule.relation);
        auto append = [&](const QString &part) {
            out.failureText = (out.failureText + part).left(failureTextLength);
        };
        out.failureText = clipped(out.failureText);
        append(u"|гр"_s + QString::number(rule.left) + u"("_s + left.toString() + u")"_s + op +
               u"("_s + sum.toString() + u")"_s);
        const int written = std::min<qsizetype>(rule.terms.size(), table.valueColumns());
        for (int k = 0; k < written; ++k)
            append((k == 0 ? QStringLiteral("гр") : QStringLiteral("+гр")) +
                   QString::number(rule.terms[k]));

        out.flags[size_t(leftIndex - 1)] = u"?"_s + op + sum.toString();
        for (const int n : resolved->terms) {
            QString &flag = out.flags[size_t((n < 0 ? -n : n) - 1)];
            if (flag.isEmpty())
                flag = QStringLiteral("?");
        }
    }

    if (!out.failureText.isEmpty()) {
        out.message = QStringLiteral("Не выполнено условие|") + out.failureText;
        if (prompter)
            prompter->message(out.message);
    }
    return out;
}

} // namespace zemor::entry
