#include "analysis/indicators/IndicatorYear.h"

#include "runtime/core/Progress.h"

#include <QHash>

namespace zemor::analysis {

using runtime::ErrorCode;
using runtime::Status;

YearInput::PeriodUse YearInput::periodUse(const IndicatorFormula &line, qint32 period) const
{
    const MonthRange months = terms.period;
    if (terms.monthOne && period == 1 && months.first > 1)
        return PeriodUse::MonthOneOnly;
    if (line.form < 990 && line.formKind != 0 && (period < months.first || period > months.last))
        return PeriodUse::None;
    return PeriodUse::All;
}

bool RunProgress::cancelled() const
{
    return m_progress && m_progress->cancelled();
}

void RunProgress::formRead(int year, int form)
{
    if (m_progress)
        m_progress->step(++m_done, QStringLiteral("%1, форма %2").arg(year).arg(form));
}

Status LineRecords::read(int year, const QList<IndicatorFormula> &lines,
                         const std::function<bool(const IndicatorFormula &)> &skip,
                         const RowsOf &rowsOf, const Take &take, const FormDone &formDone)
{
    entry::ReportReader reader(m_data);
    int first = 0;
    while (first < lines.size()) {
        if (m_progress.cancelled())
            return runtime::fail(ErrorCode::Cancelled);
        const int form = lines[first].form;
        int last = first;
        while (last + 1 < lines.size() && lines[last + 1].form == form)
            ++last;
        // Which lines read which row of this form.
        QHash<int, QList<int>> linesOfRow;
        QList<int> rowIds;
        for (int i = first; i <= last; ++i) {
            if (skip && skip(lines[i]))
                continue;
            for (const int row : rowsOf(lines[i])) {
                QList<int> &of = linesOfRow[row];
                if (of.isEmpty() || of.constLast() != i)
                    of.append(i);
                rowIds.append(row);
            }
        }
        if (!rowIds.isEmpty()) {
            const Status s =
                reader.rowRecords(year, form, rowIds, [&](const entry::RowRecord &r) -> Status {
                    const auto of = linesOfRow.constFind(r.rowId);
                    if (of == linesOfRow.constEnd())
                        return {};
                    for (const int i : *of) {
                        if (Status t = take(i, r); !t)
                            return t;
                    }
                    return {};
                });
            if (!s)
                return s;
        }
        if (formDone) {
            if (Status d = formDone(first, last); !d)
                return d;
        }
        m_progress.formRead(year, form);
        first = last + 1;
    }
    return {};
}

Status LineRecords::readSourceRows(int year, const QList<IndicatorFormula> &lines, const Take &take)
{
    return read(
        year, lines, {}, [](const IndicatorFormula &l) { return QList<int>{l.sourceRow}; }, take);
}

void addFormulaTextLine(const IndicatorFormula &line, const entry::RowRecord &record,
                        IndicatorResultRow &row)
{
    for (const IndicatorTerm &term : line.terms) {
        const double v = cellValue(record, term.column);
        row.add(term.slot, line.subtract ? -v : v);
    }
}

namespace {

// The double nearest to an exact value. Units and a power of ten that doubles hold exactly
// divide to the correctly rounded quotient, which is that double; other values go the long way.
double nearestDouble(const runtime::Decimal &value)
{
    constexpr runtime::Int128 exactLimit = runtime::Int128(1) << 53;
    static constexpr double powers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8, 1e9,
                                        1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18};
    const runtime::Int128 units = value.units();
    const int scale = value.scale();
    if (units > -exactLimit && units < exactLimit && scale >= 0 && scale <= 18)
        return double(std::int64_t(units)) / powers[scale];
    return value.toDouble();
}

} // namespace

double cellValue(const entry::RowRecord &record, int column)
{
    return isReportColumn(column) ? nearestDouble(record.value(column)) : 0.0;
}

double cellValue(const entry::ReportRow &row, int column)
{
    return isReportColumn(column) ? nearestDouble(row.value(column)) : 0.0;
}

} // namespace zemor::analysis
