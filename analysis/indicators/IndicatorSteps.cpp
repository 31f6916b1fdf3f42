#include "analysis/indicators/IndicatorSteps.h"

#include "analysis/indicators/IndicatorNumbers.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace zemor::analysis {

using namespace Qt::StringLiterals;

namespace {

constexpr int cellTextLength = 18;

bool testHolds(int test, double value, double constant)
{
    switch (test) {
    case 1:
        return value < constant;
    case 2:
        return equalUpToRounding(value, constant);
    case 3:
        return value > constant;
    default:
        return false;
    }
}

void setFinite(IndicatorResultRow &row, int slot, double value)
{
    row.set(slot, std::isfinite(value) ? value : 0.0);
}

void arithmetic(IndicatorResultRow &row, const IndicatorStep &step)
{
    const int t = step.target;
    const double target = row.slot(t);
    const double source = row.slot(step.source);
    switch (step.operation) {
    case 0:
        setFinite(row, t, source);
        break;
    case 1:
        setFinite(row, t, target + source);
        break;
    case 2:
        setFinite(row, t, target - source);
        break;
    case 3:
        setFinite(row, t, target * source);
        break;
    case 4:
        setFinite(row, t, source != 0 ? target / source : 0.0);
        break;
    default:
        break;
    }
}

void constantStep(IndicatorResultRow &row, const IndicatorStep &step, MonthRange period)
{
    const int t = step.target;
    const double target = row.slot(t);
    const double c = step.constant;
    switch (step.operation) {
    case 0:
        setFinite(row, t, c);
        break;
    case 1:
        setFinite(row, t, target + c);
        break;
    case 2:
        setFinite(row, t, target - c);
        break;
    case 3:
        setFinite(row, t, target * c);
        break;
    case 4:
        if (c != 0)
            setFinite(row, t, target / c);
        break;
    case 5: {
        // A month count that is not above 0 (a reversed range) leaves the target.
        const qint64 months = qint64(period.last) - period.first + 1;
        if (months > 0)
            setFinite(row, t, target / double(months));
        break;
    }
    default:
        break;
    }
}

void applyStep(IndicatorResultRow &row, QList<IndicatorCellText> &texts, const IndicatorStep &step,
               MonthRange period)
{
    if (step.source == 0) {
        constantStep(row, step, period);
        return;
    }
    const int cond = step.condition;
    const int v = step.value;
    if (cond > 10 && v > 0) {
        if (row.slot(v) == 0) {
            row.set(step.target, 0);
        } else if (testHolds(cond - 10, row.slot(step.source), step.constant)) {
            const QString text =
                plainNumber(row.slot(v)) + u'/' + plainNumber(row.slot(step.source));
            texts.append({row.code, step.target, text.left(cellTextLength), row.group()});
            return;
        }
    } else if (cond >= 1) {
        if (testHolds(cond, row.slot(step.source), step.constant)) {
            row.set(step.target, double(v));
            return;
        }
    }
    arithmetic(row, step);
}

} // namespace

void applySteps(QList<IndicatorResultRow> &rows, QList<IndicatorCellText> &texts,
                const QList<IndicatorStep> &steps, MonthRange period)
{
    for (IndicatorResultRow &row : rows) {
        for (const IndicatorStep &step : steps)
            applyStep(row, texts, step, period);
    }
    sortCellTexts(texts);
}

void sortCellTexts(QList<IndicatorCellText> &texts)
{
    const auto cell = [](const IndicatorCellText &t) { return std::tie(t.code, t.group, t.slot); };
    std::stable_sort(
        texts.begin(), texts.end(),
        [&](const IndicatorCellText &a, const IndicatorCellText &b) { return cell(a) < cell(b); });
    // A later text of the same cell is the one that shows.
    QList<IndicatorCellText> kept;
    for (const IndicatorCellText &t : std::as_const(texts)) {
        if (!kept.isEmpty() && cell(kept.constLast()) == cell(t))
            kept.last() = t;
        else
            kept.append(t);
    }
    texts = kept;
}

} // namespace zemor::analysis
