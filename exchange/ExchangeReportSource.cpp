#include "exchange/ExchangeReportSource.h"

#include "data/records/ExchangeRecord.h"
#include "runtime/core/Progress.h"
#include "runtime/fs/FileOperations.h"

#include <algorithm>
#include <utility>

namespace zemor::exchange {

using entry::ReportRow;
using entry::RunTarget;
using entry::SummedReport;
using runtime::Result;

QByteArray exchangeFileStamp(const QString &path)
{
    constexpr qsizetype headerSize = runtime::store::FlatFile::headerSize;
    auto head = runtime::fs::readHead(path, headerSize);
    if (!head)
        return {};
    QByteArray stamp = std::move(head->bytes);
    stamp.append(headerSize - stamp.size(), '\0');
    for (const qint64 n :
         {head->device, head->inode, head->size, head->modifiedSeconds, head->modifiedNanoseconds})
        stamp.append(reinterpret_cast<const char *>(&n), sizeof n);
    return stamp;
}

const ExchangeReportSource::KeptFile &ExchangeReportSource::kept(const QString &path)
{
    const auto found = m_files.find(path);
    if (m_holds > 0 && found != m_files.end() && m_lookedAt.contains(path))
        return found->second;
    if (m_holds > 0)
        m_lookedAt.insert(path);
    QByteArray stamp = exchangeFileStamp(path);
    if (found != m_files.end() && !stamp.isEmpty() && found->second.stamp == stamp)
        return found->second;

    KeptFile file;
    auto read = data::ExchangeFile::read(path, m_format);
    if (read) {
        file.stamp = std::move(stamp);
        file.institution = byInstitution(*read);
        file.file = std::move(*read);
    } else {
        file.error = read.error();
    }
    return m_files.insert_or_assign(path, std::move(file)).first->second;
}

void ExchangeReportSource::adopt(const QString &path, const QByteArray &stamp,
                                 const data::ExchangeFile &file)
{
    if (stamp.isEmpty() || file.format() != m_format || m_files.count(path) != 0)
        return;
    KeptFile kept;
    kept.stamp = stamp;
    kept.institution = byInstitution(file);
    kept.file = file;
    m_files.emplace(path, std::move(kept));
}

QHash<std::pair<qint32, qint64>, QList<qint64>>
ExchangeReportSource::byInstitution(const data::ExchangeFile &file)
{
    QHash<std::pair<qint32, qint64>, QList<qint64>> out;
    const bool current = file.format() == data::ExchangeFormat::Current;
    for (qint64 i = 0; i < file.count(); ++i) {
        QByteArray bytes = QByteArray::fromRawData(file.recordData(i), file.recordSize());
        const data::ExchangeRecord r(bytes, file.format());
        out[{r.codUch(), current ? r.codForm() : 0}].append(i);
    }
    return out;
}

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

    const KeptFile &cached = kept(path);
    if (!cached.file) {
        runtime::Error e = cached.error;
        e.message = unreadableText(e) + QStringLiteral(" ") + e.message;
        return std::unexpected(e);
    }
    const data::ExchangeFile &file = *cached.file;

    // An institution's records are found through the index; any other target reads them all.
    const bool one = target.kind == RunTarget::Kind::Institution;
    const QList<qint64> none;
    const qint64 formKey = m_format == data::ExchangeFormat::Current ? form.code : 0;
    const QList<qint64> &indexes = one ? cached.institution.value({target.code, formKey}) : none;
    const qint64 count = one ? indexes.size() : file.count();

    QHash<int, qsizetype> slotOf;
    SummedReport summed;
    if (one)
        summed.rows.reserve(count);
    for (qint64 k = 0; k < count; ++k) {
        QByteArray bytes =
            QByteArray::fromRawData(file.recordData(one ? indexes[k] : k), file.recordSize());
        const data::ExchangeRecord r(bytes, m_format);
        if (m_format == data::ExchangeFormat::Current && r.codForm() != form.code)
            continue;
        if (r.mes() < periodFrom || r.mes() > periodTo)
            continue;
        if (target.kind == RunTarget::Kind::Institution && r.codUch() != target.code)
            continue;
        if (target.kind == RunTarget::Kind::District && int(r.codReg()) != target.code)
            continue;
        ++summed.records;
        const int rowId = r.unicodStr();
        const auto slot = slotOf.constFind(rowId);
        if (slot == slotOf.constEnd()) {
            // A row met for the first time is decoded straight into its place.
            slotOf.insert(rowId, summed.rows.size());
            ReportRow &row = summed.rows.emplace_back();
            row.rowId = rowId;
            row.table = r.codTab();
            r.data(row.values.data(), entry::valueCount);
            continue;
        }
        ReportRow &into = summed.rows[*slot];
        for (int n = 1; n <= entry::valueCount; ++n) {
            const runtime::Decimal value = r.data(n);
            if (value.isZero())
                continue;
            auto sum = into.values[size_t(n - 1)].add(value);
            if (!sum)
                return std::unexpected(sum.error());
            into.values[size_t(n - 1)] = *sum;
        }
    }
    std::sort(summed.rows.begin(), summed.rows.end(),
              [](const ReportRow &a, const ReportRow &b) { return a.rowId < b.rowId; });
    return summed;
}

} // namespace zemor::exchange
