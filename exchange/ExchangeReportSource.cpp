#include "exchange/ExchangeReportSource.h"

#include "data/records/ExchangeRecord.h"
#include "runtime/core/Progress.h"

#include <algorithm>

namespace zemor::exchange {

using entry::ReportRow;
using entry::RunTarget;
using entry::SummedReport;
using runtime::Result;

QString ExchangeReportSource::unreadableText(const runtime::Error &error)
{
    return QStringLiteral("Otchet2-err") + QString::number(error.number());
}

Result<SummedReport> ExchangeReportSource::report(int year, const entry::RunForm &form,
                                                  const RunTarget &target, qint32 periodFrom,
                                                  qint32 periodTo, runtime::Progress *progress)
{
    const QString path = form.path.trimmed();
    if (path.isEmpty())
        return m_dataFiles.report(year, form, target, periodFrom, periodTo, progress);
    if (progress && progress->cancelled())
        return runtime::fail(runtime::ErrorCode::Cancelled, path);

    auto cached = m_files.constFind(path);
    if (cached == m_files.constEnd())
        cached = m_files.insert(path, data::ExchangeFile::read(path, m_format));
    if (!*cached) {
        runtime::Error e = cached->error();
        e.message = unreadableText(e) + QStringLiteral(" ") + e.message;
        return std::unexpected(e);
    }
    const data::ExchangeFile &file = **cached;

    QHash<int, qsizetype> slotOf;
    SummedReport summed;
    for (qint64 i = 0; i < file.count(); ++i) {
        QByteArray bytes = file.record(i);
        const data::ExchangeRecord r(bytes, m_format);
        if (m_format == data::ExchangeFormat::Current && r.codForm() != form.code)
            continue;
        if (r.mes() < periodFrom || r.mes() > periodTo)
            continue;
        if (target.kind == RunTarget::Kind::Institution && r.codUch() != target.code)
            continue;
        if (target.kind == RunTarget::Kind::District && int(r.codReg()) != target.code)
            continue;
        ReportRow row;
        row.rowId = r.unicodStr();
        row.table = r.codTab();
        for (int n = 1; n <= entry::valueCount; ++n)
            row.values[size_t(n - 1)] = r.data(n);
        ++summed.records;
        const auto slot = slotOf.constFind(row.rowId);
        if (slot == slotOf.constEnd()) {
            slotOf.insert(row.rowId, summed.rows.size());
            summed.rows.append(row);
            continue;
        }
        ReportRow &into = summed.rows[*slot];
        for (size_t n = 0; n < size_t(entry::valueCount); ++n) {
            if (row.values[n].isZero())
                continue;
            auto sum = into.values[n].add(row.values[n]);
            if (!sum)
                return std::unexpected(sum.error());
            into.values[n] = *sum;
        }
    }
    std::sort(summed.rows.begin(), summed.rows.end(),
              [](const ReportRow &a, const ReportRow &b) { return a.rowId < b.rowId; });
    return summed;
}

} // namespace zemor::exchange
