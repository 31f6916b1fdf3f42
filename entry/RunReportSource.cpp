#include "entry/RunReportSource.h"

#include "entry/ReportReader.h"
#include "runtime/core/Progress.h"

#include <QMap>

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
    ReportRange range;
    range.year = year;
    range.form = form.code;
    range.periodFrom = periodFrom;
    range.periodTo = periodTo;
    if (target.kind == RunTarget::Kind::Institution)
        range.institutions = {target.code};

    QMap<int, ReportRow> rows;
    SummedReport summed;
    CancelOnly cancel(progress);
    const Status read = ReportReader(m_context).reports(
        range,
        [&](const StoredReport &report) -> Status {
            if (target.kind == RunTarget::Kind::District && report.district != target.code)
                return {};
            for (const ReportRow &row : report.rows) {
                ++summed.records;
                auto it = rows.find(row.rowId);
                if (it == rows.end()) {
                    rows.insert(row.rowId, row);
                    continue;
                }
                for (int n = 0; n < valueCount; ++n) {
                    auto sum = it->values[size_t(n)].add(row.values[size_t(n)]);
                    if (!sum)
                        return std::unexpected(sum.error());
                    it->values[size_t(n)] = *sum;
                }
            }
            return {};
        },
        &cancel);
    if (!read)
        return std::unexpected(read.error());
    summed.rows = rows.values();
    return summed;
}

} // namespace zemor::entry
