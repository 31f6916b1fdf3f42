#include "entry/RunReportSource.h"

#include "entry/ReportReader.h"
#include "runtime/core/Progress.h"

#include <QHash>

#include <algorithm>

namespace zemor::entry {

using runtime::Result;
using runtime::Status;

namespace {

// Passes the caller's cancelling on to the reader without letting it count the caller's steps.
class CancelOnly final : public runtime::Progress
{
public:
    explicit CancelOnly(runtime::Progress *outer) : m_outer(outer) {}
    void setTotal(qint64) override {}
    void step(qint64, const QString &) override {}
    bool cancelled() const override { return m_outer && m_outer->cancelled(); }

private:
    runtime::Progress *m_outer;
};

} // namespace

Result<SummedReport> DataFileReportSource::report(int year, const RunForm &form,
                                                  const RunTarget &target, qint32 periodFrom,
                                                  qint32 periodTo, runtime::Progress *progress)
{
    if (target.kind == RunTarget::Kind::Institution && periodFrom == periodTo) {
        // One stored report: nothing to add up.
        if (progress && progress->cancelled())
            return runtime::fail(runtime::ErrorCode::Cancelled, form.name);
        auto rows = ReportReader(m_context).report(year, form.code, periodFrom, target.code);
        if (!rows)
            return std::unexpected(rows.error());
        SummedReport one;
        one.records = rows->size();
        one.rows = std::move(*rows);
        return one;
    }

    ReportRange range;
    range.year = year;
    range.form = form.code;
    range.periodFrom = periodFrom;
    range.periodTo = periodTo;
    if (target.kind == RunTarget::Kind::Institution)
        range.institutions = {target.code};

    // Rows by id; values of one scale (as the records hold them) are added as units.
    QHash<int, qsizetype> slotOf;
    ReportRows rows;
    SummedReport summed;
    CancelOnly cancel(progress);
    const Status read = ReportReader(m_context).reports(
        range,
        [&](const StoredReport &report) -> Status {
            if (target.kind == RunTarget::Kind::District && report.district != target.code)
                return {};
            for (const ReportRow &row : report.rows) {
                ++summed.records;
                const auto slot = slotOf.constFind(row.rowId);
                if (slot == slotOf.constEnd()) {
                    slotOf.insert(row.rowId, rows.size());
                    rows.append(row);
                    continue;
                }
                ReportRow &into = rows[*slot];
                for (size_t n = 0; n < size_t(valueCount); ++n) {
                    runtime::Decimal &a = into.values[n];
                    const runtime::Decimal &b = row.values[n];
                    if (b.isZero())
                        continue;
                    if (a.scale() == b.scale()) {
                        a = runtime::Decimal::fromUnits(a.units() + b.units(), a.scale());
                        continue;
                    }
                    auto sum = a.add(b);
                    if (!sum)
                        return std::unexpected(sum.error());
                    a = *sum;
                }
            }
            return {};
        },
        &cancel);
    if (!read)
        return std::unexpected(read.error());
    std::sort(rows.begin(), rows.end(),
              [](const ReportRow &a, const ReportRow &b) { return a.rowId < b.rowId; });
    summed.rows = std::move(rows);
    return summed;
}

} // namespace zemor::entry
