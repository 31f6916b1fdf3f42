#include "entry/ReportStore.h"

#include "entry/ReportBatch.h"
#include "entry/ReportMarker.h"

#include "data/DataContext.h"
#include "data/HeldFiles.h"
#include "data/OpenedFile.h"
#include "data/ReadInside.h"
#include "data/records/OtchetRecord.h"
#include "runtime/core/Progress.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/store/Scan.h"
#include "runtime/store/Transaction.h"

#include <QScopeGuard>

#include <algorithm>
#include <cstring>
#include <map>
#include <tuple>

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

// Runs `work` in one write transaction of `file`: committed when it succeeds, rolled back
// otherwise.
template <class Work> Status inTransaction(KeyedFile &file, Work work)
{
    return data::insideTransaction(file, Transaction::Kind::Write, work);
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
            const Result<bool> found = runtime::store::find(f.file(), OtchetRecord::KeyCodUch);
            if (!found)
                return atRow(found.error(), row.rowId);
            if (!*found) {
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
    return data::readInside(f.file(), [&] { return reportHasRecords(f, m_id); });
}

Result<QList<QByteArray>> ReportStore::records(const ReportRows &rows) const
{
    QList<QByteArray> out;
    out.reserve(rows.size());
    for (const ReportRow &row : rows) {
        QByteArray bytes(OtchetRecord::recordSize, '\0');
        OtchetRecord r(bytes);
        if (Status w = fillNew(r, m_id, row.table, row.rowId, row.values); !w)
            return atRow(w.error(), row.rowId);
        out.append(std::move(bytes));
    }
    return out;
}

// A batch writing at least largeBatchRecords records into one data file may keep this much of
// its pages meanwhile.
constexpr qint64 largeBatchRecords = 30000;
constexpr int largeBatchCacheKiB = 64 * 1024;

// A queued report: its records one after the other, and what the flush found and did.
struct ReportBatch::Queued
{
    ReportIdentity id;
    BatchMode mode = BatchMode::Replace;
    QByteArray records;
    Decide decide;
    Done done;
    BatchResult result;
    bool write = false;  // decided to be written
    bool ended = false;  // its state is final
    bool looked = false; // whether it is stored has been looked up
};

struct ReportBatch::Held
{
    explicit Held(data::DataContext &context) : files(context) {}
    data::HeldFiles files;
};

ReportBatch::ReportBatch(data::DataContext &context, std::chrono::milliseconds span)
    : m_context(context), m_span(span), m_secondsPerRecord(20e-6),
      m_held(std::make_unique<Held>(context))
{
}

ReportBatch::~ReportBatch() = default;

Status ReportBatch::add(const ReportIdentity &id, const QList<QByteArray> &records, BatchMode mode,
                        Decide decide, Done done)
{
    m_context.names().setOtchetFileName(id.year, int(id.form));
    const QString where = m_context.names().otchetFileName();
    Queued q;
    q.records.reserve(records.size() * OtchetRecord::recordSize);
    for (const QByteArray &bytes : records) {
        if (bytes.size() != OtchetRecord::recordSize)
            return runtime::fail(ErrorCode::InvalidData, where,
                                 QStringLiteral("запись длиной %1 байт").arg(bytes.size()));
        QByteArray view = QByteArray::fromRawData(bytes.constData(), bytes.size());
        const OtchetRecord r(view);
        if ((mode == BatchMode::Replace && r.mes() != id.period) || r.codUch() != id.institution)
            return runtime::fail(ErrorCode::InvalidData, where,
                                 QStringLiteral("запись другого отчета (ЛПУ %1, период %2)")
                                     .arg(r.codUch())
                                     .arg(r.mes()));
        if (Status ok = r.checkDecimals(); !ok)
            return atRow(ok.error(), r.unicodStr());
        q.records.append(bytes);
    }
    q.id = id;
    q.mode = mode;
    q.decide = std::move(decide);
    q.done = std::move(done);
    if (m_queue.empty())
        m_firstQueued = Clock::now();
    m_queuedRecords += records.size();
    m_queuedByFile[std::pair(id.year, id.form)] += records.size();
    m_queue.push_back(std::move(q));
    return {};
}

bool ReportBatch::due() const
{
    if (m_queue.empty())
        return false;
    const double span = std::chrono::duration<double>(m_span).count();
    const std::chrono::duration<double> queued = Clock::now() - m_firstQueued;
    qint64 largest = 0;
    for (const auto &[file, records] : m_queuedByFile)
        largest = std::max(largest, records);
    return double(largest) * m_secondsPerRecord >= span ||
           double(m_queuedRecords) * m_secondsPerRecord >= queuedSpans * span ||
           queued.count() >= waitingSpans * span;
}

Status ReportBatch::takeMarkers(std::vector<std::unique_ptr<ReportMarker>> &taken)
{
    m_held->files.hold(FileId::WWOD, {});
    const data::OpenedFile markers(m_context, FileId::WWOD);
    if (!markers.status())
        return markers.status();
    auto tx = Transaction::begin(m_context.file(FileId::WWOD));
    if (!tx)
        return std::unexpected(tx.error());
    // One marker per (year, institution, form), shared by the periods queued of that report.
    std::map<std::tuple<int, qint32, qint64>, bool> mine;
    for (Queued &q : m_queue) {
        const auto key = std::tuple(q.id.year, q.id.institution, q.id.form);
        auto found = mine.find(key);
        if (found == mine.end()) {
            auto marker =
                std::make_unique<ReportMarker>(m_context, q.id.year, q.id.institution, q.id.form);
            const auto took = marker->take();
            if (!took)
                return std::unexpected(took.error());
            found = mine.emplace(key, *took == ReportMarker::Take::Taken).first;
            if (found->second)
                taken.push_back(std::move(marker));
        }
        if (!found->second) {
            q.result.state = BatchResult::State::InUse;
            q.ended = true;
        }
    }
    if (Status s = tx->commit(); !s) {
        taken.clear(); // rolled back: none of them was added
        return s;
    }
    return {};
}

Status ReportBatch::writeFile(qsizetype first)
{
    const ReportIdentity &fileId = m_queue[size_t(first)].id;
    const auto sameFile = [&](const Queued &q) {
        return q.write && !q.ended && q.id.year == fileId.year && q.id.form == fileId.form;
    };
    m_context.names().setOtchetFileName(fileId.year, int(fileId.form));
    m_held->files.hold(FileId::otchet, m_context.names().otchetFileName());
    ReportFile f(m_context, fileId);
    std::vector<Queued *> written;
    const auto failAll = [&](const runtime::Error &e) {
        for (Queued &q : m_queue) {
            if (sameFile(q)) {
                q.result = BatchResult{BatchResult::State::Failed, q.result.existed, 0, 0, -1, e};
                q.ended = true;
            }
        }
        return std::unexpected(e);
    };
    if (!f.status())
        return failAll(f.status().error());
    // A batch of tens of thousands of records into one data file touches index pages all over
    // it: with room for them each page is journalled and written once instead of spilled and
    // read back. The room is given back after; a smaller batch fits the usual room.
    qint64 fileRecords = 0;
    for (size_t i = size_t(first); i < m_queue.size(); ++i) {
        if (sameFile(m_queue[i]))
            fileRecords += m_queue[i].records.size() / OtchetRecord::recordSize;
    }
    const bool large = fileRecords >= largeBatchRecords;
    if (large)
        (void)f.file().setCacheKiB(largeBatchCacheKiB);
    const auto giveBack = qScopeGuard([&f, large] {
        if (large)
            (void)f.file().setCacheKiB(runtime::store::KeyedFile::defaultCacheKiB);
    });
    auto tx = Transaction::begin(f.file());
    if (!tx)
        return failAll(tx.error());
    for (size_t i = size_t(first); i < m_queue.size(); ++i) {
        Queued &q = m_queue[i];
        if (!sameFile(q))
            continue;
        if (q.mode == BatchMode::Replace) {
            PreviousState before;
            if (Status d = deleteReport(f, q.id, before); !d)
                return failAll(d.error());
        }
        for (qsizetype at = 0; at < q.records.size(); at += OtchetRecord::recordSize) {
            QByteArray view =
                QByteArray::fromRawData(q.records.constData() + at, OtchetRecord::recordSize);
            const Status w = addRaw(f, view);
            if (w) {
                ++q.result.added;
            } else if (w.error().code == ErrorCode::DuplicateKey) {
                if (q.result.duplicates++ == 0)
                    q.result.firstDuplicate = OtchetRecord(view).unicodStr();
            } else {
                return failAll(atRow(w.error(), OtchetRecord(view).unicodStr()).error());
            }
        }
        written.push_back(&q);
    }
    if (Status s = tx->commit(); !s)
        return failAll(s.error());
    for (Queued *q : written) {
        q->result.state = BatchResult::State::Loaded;
        q->ended = true;
    }
    return {};
}

void ReportBatch::lookUpFile(qsizetype first)
{
    const ReportIdentity &fileId = m_queue[size_t(first)].id;
    m_context.names().setOtchetFileName(fileId.year, int(fileId.form));
    m_held->files.hold(FileId::otchet, m_context.names().otchetFileName());
    ReportFile f(m_context, fileId);
    // Each report of the file is looked up, all in one read; a file that cannot be read fails
    // each of them.
    const auto lookUpEach = [&](const auto &lookUp) {
        for (size_t i = size_t(first); i < m_queue.size(); ++i) {
            Queued &q = m_queue[i];
            if (q.ended || !q.decide || q.id.year != fileId.year || q.id.form != fileId.form)
                continue;
            q.looked = true;
            const Result<bool> found = lookUp(q);
            if (found) {
                q.result.existed = *found;
            } else {
                q.result.error = found.error();
                q.ended = true;
            }
        }
    };
    bool read = false;
    Status s = f.status();
    if (s) {
        s = data::readInside(f.file(), [&]() -> Status {
            read = true;
            lookUpEach([&](const Queued &q) { return reportHasRecords(f, q.id); });
            return {};
        });
    }
    if (!read)
        lookUpEach([&](const Queued &) -> Result<bool> { return std::unexpected(s.error()); });
}

Status ReportBatch::flush(runtime::Progress *progress)
{
    if (m_queue.empty())
        return {};
    std::vector<std::unique_ptr<ReportMarker>> markers;
    Status ok = takeMarkers(markers);
    if (ok) {
        // What is stored, in one read of each data file; then the decisions, with no file read.
        for (size_t i = 0; i < m_queue.size(); ++i) {
            if (!m_queue[i].ended && m_queue[i].decide && !m_queue[i].looked)
                lookUpFile(qsizetype(i));
        }
        // A cancel (pressed before the flush or during one of its questions) asks no further
        // question: from the first report that would need one, nothing more is written; the
        // reports decided before it are.
        bool stopped = false;
        for (Queued &q : m_queue) {
            if (q.ended)
                continue;
            stopped =
                stopped || (q.decide && q.result.existed && progress && progress->cancelled());
            if (stopped) {
                q.result.state = BatchResult::State::Cancelled;
                q.ended = true;
                continue;
            }
            q.write = !q.decide || q.decide(q.result.existed);
            if (!q.write) {
                q.result.state = BatchResult::State::Declined;
                q.ended = true;
            }
        }
        const auto started = Clock::now();
        qint64 records = 0;
        for (size_t i = 0; i < m_queue.size() && ok; ++i) {
            if (m_queue[i].write && !m_queue[i].ended)
                ok = writeFile(qsizetype(i));
        }
        for (Queued &q : m_queue) {
            if (q.result.state == BatchResult::State::Loaded)
                records += q.records.size() / OtchetRecord::recordSize;
            if (q.ended)
                continue; // every report left is of a file not written after a failure
            q.result.state = BatchResult::State::Failed;
            q.result.error = ok.error();
            q.ended = true;
        }
        const std::chrono::duration<double> took = Clock::now() - started;
        if (records > 0)
            m_secondsPerRecord = took.count() / double(records);
    } else {
        for (Queued &q : m_queue) {
            if (!q.ended)
                q.result.error = ok.error();
        }
    }

    // The markers go in one write; a failure leaves them, as a program that stopped would.
    Status released;
    if (!markers.empty()) {
        const data::OpenedFile file(m_context, FileId::WWOD);
        auto tx = file.status() ? Transaction::begin(m_context.file(FileId::WWOD))
                                : Result<Transaction>(std::unexpected(file.status().error()));
        if (tx) {
            for (auto &marker : markers) {
                if (released)
                    released = marker->release();
            }
            if (released)
                released = tx->commit();
        } else {
            released = std::unexpected(tx.error());
        }
    }

    std::vector<Queued> done;
    done.swap(m_queue);
    m_queuedRecords = 0;
    m_queuedByFile.clear();
    for (const Queued &q : done) {
        if (q.done)
            q.done(q.result);
    }
    return ok ? released : ok;
}

BatchResult ReportBatch::write(data::DataContext &context, const ReportIdentity &id,
                               const QList<QByteArray> &records, BatchMode mode, Decide decide,
                               runtime::Progress *progress)
{
    ReportBatch batch(context);
    BatchResult out;
    const Status queued =
        batch.add(id, records, mode, std::move(decide), [&](const BatchResult &r) { out = r; });
    if (!queued)
        out.error = queued.error();
    else
        (void)batch.flush(progress);
    return out;
}

} // namespace zemor::entry
