#include "entry/ReportStore.h"

#include "entry/ReportMarker.h"

#include "data/DataContext.h"
#include "data/OpenedFile.h"
#include "data/records/OtchetRecord.h"
#include "runtime/core/Progress.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/store/Scan.h"
#include "runtime/store/Transaction.h"

#include <algorithm>
#include <cstring>

namespace zemor::entry {

using data::FileId;
using data::OtchetRecord;
using runtime::ErrorCode;
using runtime::Result;
using runtime::Status;
using runtime::store::KeyedFile;
using runtime::store::Transaction;

namespace {

// The report file of one operation: opened under the name of the report's year and form, closed
// however the operation ends.
class ReportFile
{
public:
    ReportFile(data::DataContext &ctx, const ReportIdentity &id) : m_ctx(ctx)
    {
        ctx.names().setOtchetFileName(id.year, int(id.form));
        m_status = ctx.open(FileId::otchet);
    }
    ~ReportFile()
    {
        if (m_status)
            m_ctx.close(FileId::otchet);
    }
    ReportFile(const ReportFile &) = delete;
    ReportFile &operator=(const ReportFile &) = delete;

    const Status &status() const { return m_status; }
    KeyedFile &file() { return m_ctx.file(FileId::otchet); }
    OtchetRecord record() { return OtchetRecord(m_ctx.record(FileId::otchet)); }

private:
    data::DataContext &m_ctx;
    Status m_status;
};

bool allZero(const OtchetRecord &r)
{
    for (int n = 1; n <= OtchetRecord::valueCount; ++n) {
        if (!r.data(n).isZero())
            return false;
    }
    return true;
}

bool allZero(const std::array<runtime::Decimal, valueCount> &values)
{
    return std::all_of(values.begin(), values.end(),
                       [](const runtime::Decimal &v) { return v.isZero(); });
}

// Runs `work` in one transaction of `file`: committed when it succeeds, rolled back otherwise.
template <class Work> Status inTransaction(KeyedFile &file, Work work)
{
    auto tx = Transaction::begin(file);
    if (!tx)
        return std::unexpected(tx.error());
    if (Status s = work(); !s)
        return s;
    return tx->commit();
}

// Calls `take` for each record of (period, institution); stops at the first failure.
template <class Take> Status scanReport(ReportFile &f, qint32 period, qint32 institution, Take take)
{
    OtchetRecord r = f.record();
    r.clear();
    r.setMes(period);
    r.setCodUch(institution);
    r.setUnicodStr(0);
    return runtime::store::scan(f.file(), OtchetRecord::KeyCodUch, 2, take);
}

// What a report looked like before a write removed its records.
struct PreviousState
{
    int records = 0;
    bool empty = false;   // records > 0 and every one of them all zero
    QByteArray firstZero; // the first all-zero record, to be put back
};

// Notes what the report holds and, when `erase` is set, deletes its records.
Status walkReport(ReportFile &f, const ReportIdentity &id, PreviousState &before, bool erase)
{
    bool allRecordsZero = true;
    const Status s = scanReport(f, id.period, id.institution, [&]() -> Status {
        const OtchetRecord r = f.record();
        ++before.records;
        if (allZero(r)) {
            if (before.firstZero.isEmpty())
                before.firstZero = r.bytes();
        } else {
            allRecordsZero = false;
        }
        return erase ? f.file().erase() : Status();
    });
    before.empty = before.records > 0 && allRecordsZero;
    return s;
}

Status deleteReport(ReportFile &f, const ReportIdentity &id, PreviousState &before)
{
    return walkReport(f, id, before, true);
}

Result<PreviousState> inspectReport(ReportFile &f, const ReportIdentity &id)
{
    PreviousState before;
    if (Status s = walkReport(f, id, before, false); !s)
        return std::unexpected(s.error());
    return before;
}

Result<bool> reportHasRecords(ReportFile &f, const ReportIdentity &id)
{
    bool found = false;
    const Status s = scanReport(f, id.period, id.institution, [&] {
        found = true;
        return false;
    });
    if (!s)
        return std::unexpected(s.error());
    return found;
}

// Copies `bytes` into the file's record buffer (which keeps no reference to them, so they may
// be a view into a buffer of the caller's) and adds it.
Status addRaw(ReportFile &f, const QByteArray &bytes)
{
    QByteArray &record = f.file().record();
    record.resize(bytes.size());
    if (!bytes.isEmpty())
        std::memcpy(record.data(), bytes.constData(), size_t(bytes.size()));
    return f.file().add();
}

Status fillNew(OtchetRecord &r, const ReportIdentity &id, qint64 table, int rowId,
               const std::array<runtime::Decimal, valueCount> &values)
{
    r.clear();
    r.setCodReg(std::uint8_t(id.district));
    r.setCodUch(id.institution);
    if (Status s = r.setCodTab(table); !s)
        return s;
    r.setMes(id.period);
    r.setTip(std::uint8_t(id.periodKind));
    r.setUnicodStr(qint16(rowId));
    for (int n = 1; n <= valueCount; ++n) {
        if (!values[size_t(n - 1)].isZero()) {
            if (Status s = r.setData(n, values[size_t(n - 1)]); !s)
                return s;
        }
    }
    return {};
}

std::unexpected<runtime::Error> atRow(const runtime::Error &e, int rowId)
{
    runtime::Error out = e;
    out.where = e.where.isEmpty() ? QStringLiteral("UnicodStr %1").arg(rowId)
                                  : e.where + QStringLiteral(", UnicodStr %1").arg(rowId);
    return std::unexpected(out);
}

} // namespace

Result<int> ReportStore::replace(const ReportRows &rows, runtime::Progress *progress)
{
    if (progress)
        progress->setTotal(rows.size());
    ReportFile f(m_context, m_id);
    if (!f.status())
        return std::unexpected(f.status().error());
    int written = 0;
    const Status s = inTransaction(f.file(), [&]() -> Status {
        PreviousState before;
        if (Status d = deleteReport(f, m_id, before); !d)
            return d;
        for (const ReportRow &row : rows) {
            if (progress && progress->cancelled())
                return runtime::fail(ErrorCode::Cancelled, m_context.names().otchetFileName());
            OtchetRecord r = f.record();
            if (Status w = fillNew(r, m_id, row.table, row.rowId, row.values); !w)
                return atRow(w.error(), row.rowId);
            if (Status w = f.file().add(); !w)
                return atRow(w.error(), row.rowId);
            ++written;
            if (progress)
                progress->step(written, QString::number(row.rowId));
        }
        if (written == 0 && before.empty) {
            if (Status w = addRaw(f, before.firstZero); !w)
                return w;
        }
        return {};
    });
    if (!s)
        return std::unexpected(s.error());
    return written;
}

Status ReportStore::saveTable(qint64 table, const QList<EntryRow> &rows)
{
    ReportFile f(m_context, m_id);
    if (!f.status())
        return f.status();
    return inTransaction(f.file(), [&]() -> Status {
        const auto before = inspectReport(f, m_id);
        if (!before)
            return std::unexpected(before.error());
        for (const EntryRow &row : rows) {
            OtchetRecord r = f.record();
            r.clear();
            r.setMes(m_id.period);
            r.setCodUch(m_id.institution);
            r.setUnicodStr(qint16(row.rowId));
            const bool zero = allZero(row.values);
            const Status found = f.file().get(OtchetRecord::KeyCodUch);
            if (!found) {
                if (found.error().code != ErrorCode::RecordNotFound)
                    return atRow(found.error(), row.rowId);
                if (zero)
                    continue;
                if (Status w = fillNew(r, m_id, table, row.rowId, row.values); !w)
                    return atRow(w.error(), row.rowId);
                if (Status w = f.file().add(); !w)
                    return atRow(w.error(), row.rowId);
                continue;
            }
            if (zero) {
                if (Status w = f.file().erase(); !w)
                    return atRow(w.error(), row.rowId);
                continue;
            }
            for (int n = 1; n <= valueCount; ++n) {
                if (Status w = r.setData(n, row.values[size_t(n - 1)]); !w)
                    return atRow(w.error(), row.rowId);
            }
            if (Status w = f.file().put(); !w)
                return atRow(w.error(), row.rowId);
        }
        if (before->empty) {
            const auto left = reportHasRecords(f, m_id);
            if (!left)
                return std::unexpected(left.error());
            if (!*left)
                return addRaw(f, before->firstZero);
        }
        return {};
    });
}

Status ReportStore::saveEmpty(qint64 table, int rowId)
{
    ReportFile f(m_context, m_id);
    if (!f.status())
        return f.status();
    return inTransaction(f.file(), [&]() -> Status {
        PreviousState before;
        if (Status d = deleteReport(f, m_id, before); !d)
            return d;
        OtchetRecord r = f.record();
        if (Status w = fillNew(r, m_id, table, rowId, {}); !w)
            return atRow(w.error(), rowId);
        if (Status w = f.file().add(); !w)
            return atRow(w.error(), rowId);
        return {};
    });
}

Result<int> ReportStore::remove()
{
    ReportFile f(m_context, m_id);
    if (!f.status())
        return std::unexpected(f.status().error());
    PreviousState before;
    const Status s =
        inTransaction(f.file(), [&]() -> Status { return deleteReport(f, m_id, before); });
    if (!s)
        return std::unexpected(s.error());
    return before.records;
}

Result<bool> ReportStore::exists()
{
    ReportFile f(m_context, m_id);
    if (!f.status())
        return std::unexpected(f.status().error());
    auto tx = Transaction::begin(f.file(), Transaction::Kind::Read);
    if (!tx)
        return std::unexpected(tx.error());
    return reportHasRecords(f, m_id);
}

Result<ReportStore::RawOutcome> ReportStore::replaceRaw(const QList<QByteArray> &records,
                                                        bool keepExisting,
                                                        runtime::Progress *progress)
{
    // Every record is looked at before anything is written.
    for (const QByteArray &bytes : records) {
        QByteArray copy = bytes;
        const OtchetRecord r(copy);
        const QString where = m_context.names().otchetFileName();
        if (bytes.size() != OtchetRecord::recordSize)
            return runtime::fail(ErrorCode::InvalidData, where,
                                 QStringLiteral("запись длиной %1 байт").arg(bytes.size()));
        if ((!keepExisting && r.mes() != m_id.period) || r.codUch() != m_id.institution)
            return runtime::fail(ErrorCode::InvalidData, where,
                                 QStringLiteral("запись другого отчета (ЛПУ %1, период %2)")
                                     .arg(r.codUch())
                                     .arg(r.mes()));
        if (Status ok = r.checkDecimals(); !ok)
            return atRow(ok.error(), r.unicodStr());
    }

    RawOutcome out;
    ReportMarker marker(m_context, m_id.year, m_id.institution, m_id.form);
    const auto held = marker.exists();
    if (!held)
        return std::unexpected(held.error());
    if (*held) {
        out.inUse = true;
        return out;
    }

    if (progress)
        progress->setTotal(records.size());
    ReportFile f(m_context, m_id);
    if (!f.status())
        return std::unexpected(f.status().error());
    const Status s = inTransaction(f.file(), [&]() -> Status {
        if (!keepExisting) {
            PreviousState before;
            if (Status d = deleteReport(f, m_id, before); !d)
                return d;
        }
        int done = 0;
        for (const QByteArray &bytes : records) {
            if (progress && progress->cancelled())
                return runtime::fail(ErrorCode::Cancelled, m_context.names().otchetFileName());
            const Status w = addRaw(f, bytes);
            if (w) {
                ++out.added;
            } else if (w.error().code == ErrorCode::DuplicateKey) {
                ++out.duplicates;
            } else {
                QByteArray copy = bytes;
                return atRow(w.error(), OtchetRecord(copy).unicodStr());
            }
            if (progress)
                progress->step(++done, {});
        }
        return {};
    });
    if (!s)
        return std::unexpected(s.error());
    return out;
}

Result<ReportStore::BatchOutcome> ReportStore::addRawRecords(data::DataContext &context, int year,
                                                             qint64 form,
                                                             const QList<QByteArray> &records)
{
    const ReportIdentity id{year, form, 0, 0, 0, 0};
    context.names().setOtchetFileName(year, int(form));
    const QString where = context.names().otchetFileName();
    QList<qint32> institutions;
    for (const QByteArray &bytes : records) {
        if (bytes.size() != OtchetRecord::recordSize)
            return runtime::fail(ErrorCode::InvalidData, where,
                                 QStringLiteral("запись длиной %1 байт").arg(bytes.size()));
        QByteArray copy = bytes;
        const OtchetRecord r(copy);
        if (Status ok = r.checkDecimals(); !ok)
            return atRow(ok.error(), r.unicodStr());
        if (!institutions.contains(r.codUch()))
            institutions.append(r.codUch());
    }

    BatchOutcome out;
    // The marker file stays open while every institution is looked up.
    const data::OpenedFile markers(context, FileId::WWOD);
    if (!markers.status())
        return std::unexpected(markers.status().error());
    for (qint32 institution : institutions) {
        const auto held = ReportMarker(context, year, institution, form).exists();
        if (!held)
            return std::unexpected(held.error());
        if (*held)
            out.inUse.append(institution);
    }

    ReportFile f(context, id);
    if (!f.status())
        return std::unexpected(f.status().error());
    const Status s = inTransaction(f.file(), [&]() -> Status {
        for (const QByteArray &bytes : records) {
            QByteArray copy = bytes;
            if (out.inUse.contains(OtchetRecord(copy).codUch())) {
                ++out.inUseRecords;
                continue;
            }
            const Status w = addRaw(f, bytes);
            if (w)
                ++out.added;
            else if (w.error().code == ErrorCode::DuplicateKey)
                ++out.duplicates;
            else
                return atRow(w.error(), OtchetRecord(copy).unicodStr());
        }
        return {};
    });
    if (!s)
        return std::unexpected(s.error());
    return out;
}

} // namespace zemor::entry
