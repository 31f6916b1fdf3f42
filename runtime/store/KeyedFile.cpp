#include "runtime/store/KeyedFile.h"

#include "runtime/store/KeyEncoding.h"
#include "runtime/store/ShareLock.h"
#include "runtime/store/SqliteDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

namespace zemor::runtime::store {

namespace {

std::atomic<long long> g_shareWaitMs{10'000};

// Read-ahead grows from a few rows (a lookup that reads one or two records, a read-modify-write
// loop that drops its batch on every write) up to the size that makes a long scan cheap.
constexpr int firstBatch = 8;
constexpr int largestBatch = 1024;

enum class Dir { None, Forward, Backward };

// Statements prepared once per key, by what they do.
enum Kind {
    Get,        // exact lookup, first in insertion order
    MaxKey,     // the record with the highest key (auto numbers)
    FwdSame,    // kN = ?1 AND id > ?2                  (the rest of a group of duplicates)
    FwdAfter,   // kN > ?1 AND kN < ?2
    FwdAfterAll,// kN > ?1
    FwdFrom,    // kN >= ?1 AND kN < ?2
    FwdFromAll, // kN >= ?1
    BackSame,   // kN = ?1 AND id < ?2
    BackBefore, // kN < ?1 AND kN >= ?2
    BackAll,    // kN >= ?1, from the end
    KeyOf,      // the key of one row
    KindCount
};

void bindBlob(sqlite3_stmt *stmt, int index, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        sqlite3_bind_zeroblob(stmt, index, 0); // an empty blob, which is not NULL
    else
        sqlite3_bind_blob(stmt, index, bytes.constData(), static_cast<int>(bytes.size()),
                          SQLITE_STATIC);
}

bool isBlank(QStringView path)
{
    return path.trimmed().isEmpty();
}

Status syncDirectory(const QString &dir)
{
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return {};
    ::fsync(fd);
    ::close(fd);
    return {};
}

void removeQuietly(const QString &path)
{
    ::unlink(QFile::encodeName(path).constData());
    ::unlink(QFile::encodeName(path + QStringLiteral("-journal")).constData());
}

// A new, empty name beside `path` for a file that is built and then renamed into place.
Result<QString> siblingTempName(const QString &path, const char *tag)
{
    const QFileInfo info(path);
    QByteArray pattern = QFile::encodeName(info.absolutePath() + u'/' + u'.' + info.fileName()) +
                         '.' + tag + "-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        const int e = errno;
        return fail(e == ENOSPC ? ErrorCode::DiskFull
                    : e == EACCES || e == EPERM || e == EROFS ? ErrorCode::AccessDenied
                                                              : ErrorCode::IoError,
                    path);
    }
    ::close(fd);
    return QFile::decodeName(pattern);
}

// Renames `from` onto `to` only when `to` does not exist. false when it exists.
Result<bool> renameNoReplace(const QString &from, const QString &to)
{
    const QByteArray a = QFile::encodeName(from);
    const QByteArray b = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    if (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP) {
        // The file system cannot rename without replacing; a hard link can fail the same way.
        if (::link(a.constData(), b.constData()) == 0) {
            ::unlink(a.constData());
            return true;
        }
        if (errno == EEXIST)
            return false;
    }
    return fail(ErrorCode::IoError, to,
                QStringLiteral("Input/Output Error: %1")
                    .arg(QString::fromLocal8Bit(std::strerror(errno))));
}

} // namespace

struct KeyedFile::Impl
{
    explicit Impl(RecordLayout l) : layout(std::move(l))
    {
        record = layout.clearedRecord();
        for (int k = 0; k < layout.keys.size(); ++k)
            encodings.emplace_back(layout, k);
        keyBuffers.resize(layout.keys.size());
        keyBlank.resize(layout.keys.size());
        statements.resize(layout.keys.size());
        for (auto &s : statements)
            s.fill(nullptr);
        hasMemo = layout.textObjectSize > 0;
    }

    RecordLayout layout;
    std::vector<KeyEncoding> encodings;
    bool hasMemo = false;

    QString path;
    Access access = Access::ReadWrite;
    Share share = Share::DenyNone;
    SqliteDatabase db;
    ShareLock lock;

    QByteArray record;
    QByteArray textObject;
    Error lastError;
    qint64 current = 0; // the record last read or added

    // Statements: per key, and for the whole table.
    std::vector<std::array<sqlite3_stmt *, KindCount>> statements;
    sqlite3_stmt *insertStmt = nullptr;
    sqlite3_stmt *updateStmt = nullptr;
    sqlite3_stmt *deleteStmt = nullptr;
    sqlite3_stmt *byIdStmt = nullptr;
    sqlite3_stmt *countStmt = nullptr;
    sqlite3_stmt *physNextStmt = nullptr;
    sqlite3_stmt *physPrevStmt = nullptr;

    // Key values of the buffer, computed for a write.
    std::vector<QByteArray> keyBuffers;
    std::vector<char> keyBlank;
    QByteArray probe; // the key of a lookup or positioning

    // The scan. Its position is the record last served (On), or a place between records: before
    // the first record whose key is >= `blob` (Before), or after the last one (End).
    enum class Order { None, Physical, Key };
    enum class Pos { Before, On, End };
    struct Scan
    {
        Order order = Order::None;
        int key = 0;
        QByteArray lower; // scope: keys >= lower (empty: every non-NULL key)
        QByteArray upper; // scope: keys < upper, when hasUpper
        bool hasUpper = false;
        Pos pos = Pos::Before;
        QByteArray blob;
        // Reading the key column with every row costs a scan a good part of its time, so the key
        // of a record read is looked up only when the scan must seek from it again.
        bool blobKnown = true;
        qint64 id = 0;
    } scan;

    // Rows read ahead, served one by one; dropped by every write through this handle.
    struct Row
    {
        qint64 id;
        int data, dataLength;
        int memo, memoLength;
    };
    struct Batch
    {
        Dir dir = Dir::None;
        std::vector<Row> rows;
        std::string bytes;
        size_t next = 0;
        int size = firstBatch;
        QByteArray lastKey; // the key of the last row, where the next batch starts
    } batch;

    // --- helpers
    QString where(int key = -1) const
    {
        if (key < 0 || key >= layout.keys.size())
            return path;
        return path + QStringLiteral(", key ") + layout.keys[key].name;
    }

    Status note(Status status)
    {
        if (!status)
            lastError = status.error();
        return status;
    }

    template <class T>
    Result<T> note(Result<T> result)
    {
        if (!result)
            lastError = result.error();
        return result;
    }

    Status notOpen() const { return fail(ErrorCode::FileNotOpen, path); }

    Status checkKey(int key) const
    {
        if (key < 0 || key >= layout.keys.size())
            return fail(ErrorCode::InvalidArgument, path,
                        QStringLiteral("Invalid Argument: the file has no key %1").arg(key));
        return {};
    }

    Status checkWritable() const
    {
        if (access != Access::ReadWrite)
            return fail(ErrorCode::AccessDenied, path,
                        QStringLiteral("Access Denied: the file is open for reading only"));
        return {};
    }

    Status checkRecordSize() const
    {
        if (record.size() != layout.size)
            return fail(ErrorCode::InvalidArgument, path,
                        QStringLiteral("Invalid Argument: the record buffer holds %1 bytes, "
                                       "the record %2")
                            .arg(record.size())
                            .arg(layout.size));
        return {};
    }

    Error sqlError(int rc, Damage damage, int key = -1) const
    {
        Error e = db.error(rc, damage, where(key));
        if (e.code == ErrorCode::DuplicateKey) {
            // "UNIQUE constraint failed: records.k2": name the key that refused.
            const QByteArray message = sqlite3_errmsg(db.handle());
            const int at = message.indexOf("records.k");
            if (at >= 0) {
                bool ok = false;
                const int k = message.mid(at + 9).toInt(&ok);
                if (ok)
                    e.where = where(k);
            }
        }
        return e;
    }

    void dropBatch()
    {
        batch.dir = Dir::None;
        batch.rows.clear();
        batch.bytes.clear();
        batch.next = 0;
        batch.size = firstBatch;
    }

    void finalizeAll()
    {
        for (auto &perKey : statements) {
            for (auto *&stmt : perKey) {
                sqlite3_finalize(stmt);
                stmt = nullptr;
            }
        }
        for (sqlite3_stmt **stmt : {&insertStmt, &updateStmt, &deleteStmt, &byIdStmt, &countStmt,
                                    &physNextStmt, &physPrevStmt}) {
            sqlite3_finalize(*stmt);
            *stmt = nullptr;
        }
    }

    QByteArray rowColumns() const { return hasMemo ? "id, data, memo" : "id, data"; }

    sqlite3_stmt *statement(sqlite3_stmt *&slot, const QByteArray &sql, Status &status)
    {
        if (!slot) {
            Error error;
            slot = db.prepare(sql, error);
            if (!slot)
                status = std::unexpected(error);
        }
        return slot;
    }

    sqlite3_stmt *keyStatement(int key, Kind kind, Status &status)
    {
        sqlite3_stmt *&slot = statements[key][kind];
        if (slot)
            return slot;
        const QByteArray k = SqliteDatabase::keyColumn(key);
        const QByteArray scanColumns = "SELECT " + rowColumns() + " FROM records WHERE ";
        const QByteArray up = " ORDER BY " + k + ", id LIMIT ?3";
        const QByteArray down = " ORDER BY " + k + " DESC, id DESC LIMIT ?3";
        QByteArray sql;
        switch (kind) {
        case Get:
            sql = "SELECT " + rowColumns() + " FROM records WHERE " + k + " = ?1 ORDER BY id LIMIT 1";
            break;
        case MaxKey:
            sql = "SELECT data FROM records WHERE " + k + " >= x'' ORDER BY " + k + " DESC LIMIT 1";
            break;
        case FwdSame:
            sql = scanColumns + k + " = ?1 AND id > ?2 ORDER BY id LIMIT ?3";
            break;
        case FwdAfter:
            sql = scanColumns + k + " > ?1 AND " + k + " < ?2" + up;
            break;
        case FwdAfterAll:
            sql = scanColumns + k + " > ?1" + up;
            break;
        case FwdFrom:
            sql = scanColumns + k + " >= ?1 AND " + k + " < ?2" + up;
            break;
        case FwdFromAll:
            sql = scanColumns + k + " >= ?1" + up;
            break;
        case BackSame:
            sql = scanColumns + k + " = ?1 AND id < ?2 ORDER BY id DESC LIMIT ?3";
            break;
        case BackBefore:
            sql = scanColumns + k + " < ?1 AND " + k + " >= ?2" + down;
            break;
        case BackAll:
            sql = scanColumns + k + " >= ?1" + down;
            break;
        case KeyOf:
            sql = "SELECT " + k + " FROM records WHERE id = ?1";
            break;
        case KindCount:
            break;
        }
        return statement(slot, sql, status);
    }

    // Computes every key of `data` (the buffer by default) into keyBuffers/keyBlank.
    Status encodeKeys(const char *data = nullptr)
    {
        if (!data)
            data = record.constData();
        for (size_t k = 0; k < encodings.size(); ++k) {
            bool blank = false;
            if (auto s = encodings[k].encode(data, -1, keyBuffers[k], &blank); !s) {
                Error e = s.error();
                e.where = where(static_cast<int>(k));
                return std::unexpected(e);
            }
            keyBlank[k] = blank && layout.keys[static_cast<qsizetype>(k)].excludeBlank;
        }
        return {};
    }

    // Binds data, memo and the keys (from keyBuffers) from parameter `first` on.
    void bindRecord(sqlite3_stmt *stmt, int first)
    {
        if (hasMemo && textObject.size() > layout.textObjectSize)
            textObject.truncate(layout.textObjectSize);
        bindRow(stmt, first, record, textObject);
    }

    void bindRow(sqlite3_stmt *stmt, int first, QByteArrayView data, QByteArrayView memo)
    {
        int p = first;
        sqlite3_bind_blob(stmt, p++, data.data(), static_cast<int>(data.size()), SQLITE_STATIC);
        if (hasMemo) {
            if (memo.isEmpty())
                sqlite3_bind_zeroblob(stmt, p++, 0);
            else
                sqlite3_bind_blob(stmt, p++, memo.data(), static_cast<int>(memo.size()),
                                  SQLITE_STATIC);
        }
        for (size_t k = 0; k < keyBuffers.size(); ++k, ++p) {
            if (keyBlank[k])
                sqlite3_bind_null(stmt, p);
            else
                bindBlob(stmt, p, keyBuffers[k]);
        }
    }

    // Copies a row's data and text object into the buffers.
    Status load(const char *data, int dataLength, const char *memo, int memoLength)
    {
        if (dataLength != layout.size)
            return fail(ErrorCode::DamagedFile, path,
                        QStringLiteral("Damaged File (a record of %1 bytes where %2 belong)")
                            .arg(dataLength)
                            .arg(layout.size));
        if (record.size() != layout.size)
            record.resize(layout.size);
        std::memcpy(record.data(), data, dataLength);
        if (hasMemo) {
            textObject.resize(memoLength);
            if (memoLength > 0)
                std::memcpy(textObject.data(), memo, memoLength);
        }
        return {};
    }

    // Reads one row of a lookup statement (id, data[, memo]) into the buffers.
    Status loadRow(sqlite3_stmt *stmt)
    {
        const auto *data = static_cast<const char *>(sqlite3_column_blob(stmt, 1));
        const int dataLength = sqlite3_column_bytes(stmt, 1);
        const char *memo = nullptr;
        int memoLength = 0;
        if (hasMemo) {
            memo = static_cast<const char *>(sqlite3_column_blob(stmt, 2));
            memoLength = sqlite3_column_bytes(stmt, 2);
        }
        if (auto s = load(data, dataLength, memo, memoLength); !s)
            return s;
        current = sqlite3_column_int64(stmt, 0);
        return {};
    }

    // Runs a scan statement and appends its rows to the batch. Returns the rows read.
    Result<int> runScan(sqlite3_stmt *stmt, Damage damage)
    {
        int count = 0;
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            Row row{};
            row.id = sqlite3_column_int64(stmt, 0);
            auto append = [&](int column, int &offset, int &length) {
                const void *p = sqlite3_column_blob(stmt, column);
                length = sqlite3_column_bytes(stmt, column);
                offset = static_cast<int>(batch.bytes.size());
                if (length > 0)
                    batch.bytes.append(static_cast<const char *>(p), static_cast<size_t>(length));
            };
            append(1, row.data, row.dataLength);
            const int column = 2;
            if (hasMemo)
                append(column, row.memo, row.memoLength);
            batch.rows.push_back(row);
            ++count;
        }
        sqlite3_reset(stmt);
        if (rc != SQLITE_DONE)
            return std::unexpected(
                sqlError(rc, damage, scan.order == Order::Key ? scan.key : -1));
        return count;
    }

    // The stored key of row `id` in the scan's key; false when the row is gone or left out.
    bool storedKey(qint64 id, QByteArray &out)
    {
        Status status;
        sqlite3_stmt *stmt = keyStatement(scan.key, KeyOf, status);
        if (!stmt)
            return false;
        sqlite3_bind_int64(stmt, 1, id);
        const bool found =
            sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_type(stmt, 0) == SQLITE_BLOB;
        if (found) {
            const int length = sqlite3_column_bytes(stmt, 0);
            out = QByteArray(static_cast<const char *>(sqlite3_column_blob(stmt, 0)), length);
        }
        sqlite3_reset(stmt);
        return found;
    }

    // The key of a row of the batch: as stored, or, should the row have gone meanwhile, as its
    // bytes give it.
    QByteArray batchRowKey(const Row &row)
    {
        QByteArray key;
        if (!storedKey(row.id, key))
            (void)encodings[scan.key].encode(batch.bytes.data() + row.data, -1, key);
        return key;
    }

    // Makes the scan's position independent of the batch, before the batch is dropped.
    void pinPosition()
    {
        if (scan.order != Order::Key || scan.pos != Pos::On || scan.blobKnown)
            return;
        scan.blobKnown = true;
        if (batch.next > 0 && batch.next <= batch.rows.size() &&
            batch.rows[batch.next - 1].id == scan.id)
            scan.blob = batchRowKey(batch.rows[batch.next - 1]);
        else
            (void)storedKey(scan.id, scan.blob);
    }

    bool inScope(const QByteArray &blob) const
    {
        return blob >= scan.lower && (!scan.hasUpper || blob < scan.upper);
    }

    // Reads the next batch in `dir` from the scan's position.
    Status fill(Dir dir)
    {
        pinPosition();
        const int limit = batch.size;
        dropBatch();
        batch.size = std::min(largestBatch, limit * 4);
        batch.dir = dir;
        Status status;

        if (scan.order == Order::Physical) {
            sqlite3_stmt *stmt =
                dir == Dir::Forward
                    ? statement(physNextStmt,
                                "SELECT " + rowColumns() +
                                    " FROM records WHERE id > ?1 ORDER BY id LIMIT ?2",
                                status)
                    : statement(physPrevStmt,
                                "SELECT " + rowColumns() +
                                    " FROM records WHERE id < ?1 ORDER BY id DESC LIMIT ?2",
                                status);
            if (!stmt)
                return status;
            qint64 from = scan.id;
            if (scan.pos == Pos::End)
                from = std::numeric_limits<qint64>::max();
            sqlite3_bind_int64(stmt, 1, from);
            sqlite3_bind_int(stmt, 2, limit);
            auto n = runScan(stmt, Damage::File);
            return n ? Status{} : std::unexpected(n.error());
        }

        if (auto s = fillByKey(dir, limit); !s)
            return s;
        if (!batch.rows.empty())
            batch.lastKey = batchRowKey(batch.rows.back());
        return {};
    }

    Status fillByKey(Dir dir, int limit)
    {
        Status status;
        const int key = scan.key;
        const bool unique = layout.keys[key].unique;
        int got = 0;
        auto run = [&](Kind kind, auto bind) -> Status {
            sqlite3_stmt *stmt = keyStatement(key, kind, status);
            if (!stmt)
                return status;
            bind(stmt);
            sqlite3_bind_int(stmt, 3, limit - got);
            auto n = runScan(stmt, Damage::Keys);
            if (!n)
                return std::unexpected(n.error());
            got += *n;
            return {};
        };

        if (dir == Dir::Forward) {
            if (scan.pos == Pos::End)
                return {};
            if (scan.pos == Pos::On && !unique && inScope(scan.blob)) {
                if (auto s = run(FwdSame,
                                 [&](sqlite3_stmt *st) {
                                     bindBlob(st, 1, scan.blob);
                                     sqlite3_bind_int64(st, 2, scan.id);
                                 });
                    !s)
                    return s;
            }
            if (got < limit) {
                const bool after = scan.pos == Pos::On;
                const Kind kind = scan.hasUpper ? (after ? FwdAfter : FwdFrom)
                                                : (after ? FwdAfterAll : FwdFromAll);
                // Before a place below the scope starts at the scope.
                const QByteArray &from =
                    !after && scan.blob < scan.lower ? scan.lower : scan.blob;
                return run(kind, [&](sqlite3_stmt *st) {
                    bindBlob(st, 1, from);
                    if (scan.hasUpper)
                        bindBlob(st, 2, scan.upper);
                });
            }
            return {};
        }

        if (scan.pos == Pos::On && !unique && inScope(scan.blob)) {
            if (auto s = run(BackSame,
                             [&](sqlite3_stmt *st) {
                                 bindBlob(st, 1, scan.blob);
                                 sqlite3_bind_int64(st, 2, scan.id);
                             });
                !s)
                return s;
        }
        if (got < limit) {
            if (scan.pos == Pos::End && !scan.hasUpper) {
                return run(BackAll, [&](sqlite3_stmt *st) { bindBlob(st, 1, scan.lower); });
            }
            QByteArray below = scan.pos == Pos::End ? scan.upper : scan.blob;
            if (scan.hasUpper && below > scan.upper)
                below = scan.upper;
            return run(BackBefore, [&](sqlite3_stmt *st) {
                bindBlob(st, 1, below);
                bindBlob(st, 2, scan.lower);
            });
        }
        return {};
    }

    Status step(Dir dir)
    {
        if (!db.isOpen())
            return notOpen();
        if (scan.order == Order::None)
            return fail(ErrorCode::InvalidArgument, path,
                        QStringLiteral("Invalid Argument: no scan was positioned"));
        if (batch.dir != dir || batch.next >= batch.rows.size()) {
            if (auto s = fill(dir); !s) {
                dropBatch();
                return s;
            }
            if (batch.rows.empty()) {
                atEdge(dir);
                return fail(ErrorCode::EndOfFile, where(scan.order == Order::Key ? scan.key : -1));
            }
        }
        const Row &row = batch.rows[batch.next++];
        const char *bytes = batch.bytes.data();
        if (auto s = load(bytes + row.data, row.dataLength, bytes + row.memo, row.memoLength); !s)
            return s;
        current = row.id;
        scan.pos = Pos::On;
        scan.id = row.id;
        if (scan.order == Order::Key) {
            scan.blobKnown = batch.next == batch.rows.size();
            if (scan.blobKnown)
                scan.blob = batch.lastKey;
        }
        return {};
    }

    // After running off one end, the scan stands beyond it, so that turning round reads the
    // record at that end.
    void atEdge(Dir dir)
    {
        dropBatch();
        if (dir == Dir::Forward) {
            if (scan.order == Order::Key && scan.hasUpper) {
                scan.pos = Pos::Before;
                scan.blob = scan.upper;
            } else {
                scan.pos = Pos::End;
            }
        } else {
            scan.pos = Pos::Before;
            scan.blob = scan.lower;
            scan.id = 0;
        }
    }

    void startScan(Order order, int key)
    {
        dropBatch();
        scan = Scan{};
        scan.order = order;
        scan.key = key;
    }

    Status encodeProbe(int key, int components)
    {
        if (auto s = checkRecordSize(); !s)
            return s;
        if (auto s = encodings[key].encode(record.constData(), components, probe); !s) {
            Error e = s.error();
            e.where = where(key);
            return std::unexpected(e);
        }
        return {};
    }

    void closeAll()
    {
        if (db.isOpen()) {
            if (db.inTransaction())
                (void)db.exec("ROLLBACK");
            finalizeAll();
            db.close();
        }
        // After the connection: see ShareLock on closing descriptors.
        lock.release();
        dropBatch();
        scan = Scan{};
        current = 0;
    }

    Status openConnection()
    {
        if (auto s = db.open(path, false, KeyedFile::shareWait()); !s)
            return s;
        if (auto s = db.checkSchema(layout); !s) {
            db.close();
            return s;
        }
        if (access == Access::ReadOnly) {
            if (auto s = db.exec("PRAGMA query_only=ON"); !s) {
                db.close();
                return s;
            }
        }
        return {};
    }

    Status forEachStoredRow(const char *hint,
                            const std::function<Status(qint64, QByteArrayView, QByteArrayView)> &f);
    Status rebuildInPlace();
    Status rebuildIntoNewFile();
};

// --- the file as a whole

KeyedFile::KeyedFile(RecordLayout layout) : d(std::make_unique<Impl>(std::move(layout))) {}

KeyedFile::~KeyedFile()
{
    d->closeAll();
}

Status KeyedFile::create(const QString &path, const RecordLayout &layout)
{
    if (isBlank(path))
        return fail(ErrorCode::InvalidName, path);
    if (const QString problem = layout.validate(); !problem.isEmpty())
        return fail(ErrorCode::InvalidArgument, path, problem);
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink())
        return {}; // never truncated, never replaced
    if (!QFileInfo(info.absolutePath()).isDir())
        return fail(ErrorCode::FileNotFound, path);

    // The file is built complete under a name of its own and then given its name, so that a
    // second creator or an opener never sees a half-made file.
    auto temp = siblingTempName(path, "new");
    if (!temp)
        return std::unexpected(temp.error());
    Status built = [&]() -> Status {
        SqliteDatabase db;
        if (auto s = db.open(*temp, false, shareWait()); !s)
            return s;
        if (auto s = db.exec("BEGIN IMMEDIATE"); !s)
            return s;
        if (auto s = db.createSchema(layout, true); !s)
            return s;
        return db.exec("COMMIT");
    }();
    if (!built) {
        removeQuietly(*temp);
        Error e = built.error();
        e.where = path;
        return std::unexpected(e);
    }
    auto renamed = renameNoReplace(*temp, path);
    if (!renamed || !*renamed)
        removeQuietly(*temp);
    if (!renamed)
        return std::unexpected(renamed.error());
    return syncDirectory(info.absolutePath());
}

Status KeyedFile::remove(const QString &path)
{
    if (isBlank(path))
        return fail(ErrorCode::InvalidName, path);
    ShareLock lock;
    if (auto s = lock.acquire(path, Access::ReadWrite, Share::Exclusive, shareWait()); !s)
        return s;
    if (::unlink(QFile::encodeName(path).constData()) != 0) {
        const int e = errno;
        return fail(e == EACCES || e == EPERM || e == EROFS ? ErrorCode::AccessDenied
                                                            : ErrorCode::IoError,
                    path);
    }
    // A journal left by a crash belongs to the file removed.
    ::unlink(QFile::encodeName(path + QStringLiteral("-journal")).constData());
    lock.release();
    return syncDirectory(QFileInfo(path).absolutePath());
}

Status KeyedFile::open(const QString &path, Access access, Share share)
{
    close();
    d->path = path;
    if (isBlank(path))
        return d->note(fail(ErrorCode::InvalidName, path));
    d->access = access;
    d->share = share;
    if (auto s = d->lock.acquire(path, access, share, shareWait()); !s)
        return d->note(s);
    if (auto s = d->openConnection(); !s) {
        d->lock.release();
        return d->note(s);
    }
    d->current = 0;
    return {};
}

void KeyedFile::close()
{
    d->closeAll();
}

bool KeyedFile::isOpen() const
{
    return d->db.isOpen();
}

QString KeyedFile::path() const
{
    return d->path;
}

const RecordLayout &KeyedFile::layout() const
{
    return d->layout;
}

void KeyedFile::setShareWait(std::chrono::milliseconds wait)
{
    g_shareWaitMs = std::max<long long>(0, wait.count());
}

std::chrono::milliseconds KeyedFile::shareWait()
{
    return std::chrono::milliseconds(g_shareWaitMs.load());
}

// --- the record buffer

QByteArray &KeyedFile::record()
{
    return d->record;
}

const QByteArray &KeyedFile::record() const
{
    return d->record;
}

void KeyedFile::clearRecord()
{
    d->layout.clear(d->record);
    d->textObject.clear();
}

QByteArray &KeyedFile::textObject()
{
    return d->textObject;
}

// --- reading

Status KeyedFile::get(int key)
{
    if (!isOpen())
        return d->note(d->notOpen());
    if (auto s = d->checkKey(key); !s)
        return d->note(s);
    if (auto s = d->encodeProbe(key, -1); !s)
        return d->note(s);
    if (d->layout.keys[key].excludeBlank) {
        bool blank = false;
        (void)d->encodings[key].encode(d->record.constData(), -1, d->probe, &blank);
        if (blank)
            return d->note(fail(ErrorCode::RecordNotFound, d->where(key)));
    }
    Status status;
    sqlite3_stmt *stmt = d->keyStatement(key, Get, status);
    if (!stmt)
        return d->note(status);
    bindBlob(stmt, 1, d->probe);
    const int rc = sqlite3_step(stmt);
    Status result;
    if (rc == SQLITE_ROW)
        result = d->loadRow(stmt);
    else if (rc == SQLITE_DONE)
        result = fail(ErrorCode::RecordNotFound, d->where(key));
    else
        result = std::unexpected(d->sqlError(rc, Damage::Keys, key));
    sqlite3_reset(stmt);
    return d->note(result);
}

Status KeyedFile::set(int key, int components)
{
    if (!isOpen())
        return d->note(d->notOpen());
    if (auto s = d->checkKey(key); !s)
        return d->note(s);
    const int count = d->encodings[key].componentCount();
    const int n = components < 0 ? count : std::min(components, count);
    if (auto s = d->encodeProbe(key, n); !s)
        return d->note(s);
    d->startScan(Impl::Order::Key, key);
    if (components > 0) {
        d->scan.lower = d->probe;
        d->scan.upper = KeyEncoding::prefixEnd(d->probe);
        d->scan.hasUpper = !d->scan.upper.isEmpty();
    }
    d->scan.pos = Impl::Pos::Before;
    d->scan.blob = d->probe;
    return {};
}

Status KeyedFile::setEnd(int key, int components)
{
    if (!isOpen())
        return d->note(d->notOpen());
    if (auto s = d->checkKey(key); !s)
        return d->note(s);
    d->startScan(Impl::Order::Key, key);
    if (components == 0) {
        d->scan.pos = Impl::Pos::End;
        return {};
    }
    const int count = d->encodings[key].componentCount();
    const int n = components < 0 ? count : std::min(components, count);
    if (auto s = d->encodeProbe(key, n); !s)
        return d->note(s);
    const QByteArray end = KeyEncoding::prefixEnd(d->probe);
    if (components > 0) {
        d->scan.lower = d->probe;
        d->scan.upper = end;
        d->scan.hasUpper = !end.isEmpty();
    }
    // After the last record whose first n components are those of the buffer.
    if (end.isEmpty()) {
        d->scan.pos = Impl::Pos::End;
    } else {
        d->scan.pos = Impl::Pos::Before;
        d->scan.blob = end;
    }
    return {};
}

Status KeyedFile::setPhysical()
{
    if (!isOpen())
        return d->note(d->notOpen());
    d->startScan(Impl::Order::Physical, 0);
    d->scan.pos = Impl::Pos::On; // on the place before the first row id
    d->scan.id = 0;
    return {};
}

Status KeyedFile::next()
{
    return d->note(d->step(Dir::Forward));
}

Status KeyedFile::previous()
{
    return d->note(d->step(Dir::Backward));
}

qint64 KeyedFile::position() const
{
    return isOpen() ? d->current : 0;
}

Status KeyedFile::getByPosition(qint64 position)
{
    if (!isOpen())
        return d->note(d->notOpen());
    Status status;
    sqlite3_stmt *stmt = d->statement(
        d->byIdStmt, "SELECT " + d->rowColumns() + " FROM records WHERE id = ?1", status);
    if (!stmt)
        return d->note(status);
    sqlite3_bind_int64(stmt, 1, position);
    const int rc = sqlite3_step(stmt);
    Status result;
    if (rc == SQLITE_ROW)
        result = d->loadRow(stmt);
    else if (rc == SQLITE_DONE)
        result = fail(ErrorCode::RecordNotFound, d->path);
    else
        result = std::unexpected(d->sqlError(rc, Damage::File));
    sqlite3_reset(stmt);
    return d->note(result);
}

Result<qint64> KeyedFile::records()
{
    if (!isOpen())
        return d->note(Result<qint64>(fail(ErrorCode::FileNotOpen, d->path)));
    Status status;
    sqlite3_stmt *stmt = d->statement(d->countStmt, "SELECT count(*) FROM records", status);
    if (!stmt)
        return d->note(Result<qint64>(std::unexpected(status.error())));
    const int rc = sqlite3_step(stmt);
    Result<qint64> result = rc == SQLITE_ROW
                                ? Result<qint64>(sqlite3_column_int64(stmt, 0))
                                : Result<qint64>(std::unexpected(d->sqlError(rc, Damage::File)));
    sqlite3_reset(stmt);
    return d->note(result);
}

// --- writing

Status KeyedFile::add()
{
    if (!isOpen())
        return d->note(d->notOpen());
    if (auto s = d->checkWritable(); !s)
        return d->note(s);
    if (auto s = d->checkRecordSize(); !s)
        return d->note(s);
    if (auto s = d->encodeKeys(); !s)
        return d->note(s);
    Status status;
    if (!d->insertStmt) {
        QByteArray sql = "INSERT INTO records(data";
        QByteArray values = "?1";
        int p = 1;
        if (d->hasMemo) {
            sql += ", memo";
            values += ", ?" + QByteArray::number(++p);
        }
        for (int k = 0; k < d->layout.keys.size(); ++k) {
            sql += ", " + SqliteDatabase::keyColumn(k);
            values += ", ?" + QByteArray::number(++p);
        }
        sql += ") VALUES(" + values + ')';
        if (!d->statement(d->insertStmt, sql, status))
            return d->note(status);
    }
    sqlite3_stmt *stmt = d->insertStmt;
    d->pinPosition();
    d->bindRecord(stmt, 1);
    const int rc = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    d->dropBatch();
    if (rc != SQLITE_DONE)
        return d->note(std::unexpected(d->sqlError(rc, Damage::Keys)));
    d->current = sqlite3_last_insert_rowid(d->db.handle());
    return {};
}

Status KeyedFile::put()
{
    if (!isOpen())
        return d->note(d->notOpen());
    if (auto s = d->checkWritable(); !s)
        return d->note(s);
    if (d->current == 0)
        return d->note(fail(ErrorCode::NoCurrentRecord, d->path));
    if (auto s = d->checkRecordSize(); !s)
        return d->note(s);
    if (auto s = d->encodeKeys(); !s)
        return d->note(s);
    Status status;
    if (!d->updateStmt) {
        QByteArray sql = "UPDATE records SET data = ?1";
        int p = 1;
        if (d->hasMemo)
            sql += ", memo = ?" + QByteArray::number(++p);
        for (int k = 0; k < d->layout.keys.size(); ++k)
            sql += ", " + SqliteDatabase::keyColumn(k) + " = ?" + QByteArray::number(++p);
        sql += " WHERE id = ?" + QByteArray::number(++p);
        if (!d->statement(d->updateStmt, sql, status))
            return d->note(status);
    }
    sqlite3_stmt *stmt = d->updateStmt;
    d->pinPosition();
    d->bindRecord(stmt, 1);
    const int idParam = 2 + (d->hasMemo ? 1 : 0) + static_cast<int>(d->layout.keys.size());
    sqlite3_bind_int64(stmt, idParam, d->current);
    const int rc = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    d->dropBatch();
    if (rc != SQLITE_DONE)
        return d->note(std::unexpected(d->sqlError(rc, Damage::Keys)));
    if (sqlite3_changes(d->db.handle()) == 0)
        return d->note(fail(ErrorCode::RecordNotFound, d->path,
                            QStringLiteral("Record Not Found (deleted meanwhile)")));
    // The scan goes on from the record where it now stands in the scan's key.
    auto &scan = d->scan;
    if (scan.order == Impl::Order::Key && scan.pos == Impl::Pos::On && scan.id == d->current &&
        !d->keyBlank[scan.key])
        scan.blob = d->keyBuffers[scan.key];
    return {};
}

Status KeyedFile::erase()
{
    if (!isOpen())
        return d->note(d->notOpen());
    if (auto s = d->checkWritable(); !s)
        return d->note(s);
    if (d->current == 0)
        return d->note(fail(ErrorCode::NoCurrentRecord, d->path));
    Status status;
    sqlite3_stmt *stmt =
        d->statement(d->deleteStmt, "DELETE FROM records WHERE id = ?1", status);
    if (!stmt)
        return d->note(status);
    d->pinPosition();
    sqlite3_bind_int64(stmt, 1, d->current);
    const int rc = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    d->dropBatch();
    if (rc != SQLITE_DONE)
        return d->note(std::unexpected(d->sqlError(rc, Damage::Keys)));
    const bool gone = sqlite3_changes(d->db.handle()) == 0;
    // The scan's position stays where the record was, so the next read takes its neighbour.
    d->current = 0;
    if (gone)
        return d->note(fail(ErrorCode::RecordNotFound, d->path,
                            QStringLiteral("Record Not Found (deleted meanwhile)")));
    return {};
}

Result<qint64> KeyedFile::nextAutoNumber(int key)
{
    if (!isOpen())
        return d->note(Result<qint64>(fail(ErrorCode::FileNotOpen, d->path)));
    if (auto s = d->checkKey(key); !s)
        return d->note(Result<qint64>(std::unexpected(s.error())));
    const KeyEncoding &encoding = d->encodings[key];
    if (encoding.integerLimit() == 0)
        return d->note(Result<qint64>(
            fail(ErrorCode::InvalidArgument, d->where(key),
                 QStringLiteral("Invalid Argument: the key is not numbered"))));
    Status status;
    sqlite3_stmt *stmt = d->keyStatement(key, MaxKey, status);
    if (!stmt)
        return d->note(Result<qint64>(std::unexpected(status.error())));
    const int rc = sqlite3_step(stmt);
    qint64 highest = 0;
    Status result;
    if (rc == SQLITE_ROW) {
        const int length = sqlite3_column_bytes(stmt, 0);
        const auto *data = static_cast<const char *>(sqlite3_column_blob(stmt, 0));
        if (length != d->layout.size) {
            result = fail(ErrorCode::DamagedFile, d->where(key));
        } else if (auto value = encoding.integerValue(data)) {
            highest = std::max<qint64>(0, *value);
        } else {
            result = fail(ErrorCode::InvalidData, d->where(key));
        }
    } else if (rc != SQLITE_DONE) {
        result = std::unexpected(d->sqlError(rc, Damage::Keys, key));
    }
    sqlite3_reset(stmt);
    if (!result)
        return d->note(Result<qint64>(std::unexpected(result.error())));
    if (highest >= encoding.integerLimit())
        return d->note(Result<qint64>(fail(ErrorCode::Overflow, d->where(key))));
    return highest + 1;
}

// --- key rebuilding

// Calls `f` with every stored row in row-id order, reading the table only (never an index, which
// may be the damaged part), in chunks so that no statement stays open while `f` writes.
Status KeyedFile::Impl::forEachStoredRow(
    const char *hint, const std::function<Status(qint64, QByteArrayView, QByteArrayView)> &f)
{
    Error error;
    sqlite3_stmt *read =
        db.prepare("SELECT " + rowColumns() + " FROM records " + hint +
                       " WHERE id > ?1 ORDER BY id LIMIT 1024",
                   error);
    if (!read)
        return std::unexpected(error);
    struct Stored
    {
        qint64 id;
        QByteArray data;
        QByteArray memo;
    };
    std::vector<Stored> chunk;
    qint64 last = std::numeric_limits<qint64>::min();
    Status status;
    for (;;) {
        chunk.clear();
        sqlite3_bind_int64(read, 1, last);
        int rc;
        while ((rc = sqlite3_step(read)) == SQLITE_ROW) {
            Stored row;
            row.id = sqlite3_column_int64(read, 0);
            row.data = QByteArray(static_cast<const char *>(sqlite3_column_blob(read, 1)),
                                  sqlite3_column_bytes(read, 1));
            if (hasMemo)
                row.memo = QByteArray(static_cast<const char *>(sqlite3_column_blob(read, 2)),
                                      sqlite3_column_bytes(read, 2));
            chunk.push_back(std::move(row));
        }
        sqlite3_reset(read);
        if (rc != SQLITE_DONE) {
            status = std::unexpected(sqlError(rc, Damage::File));
            break;
        }
        if (chunk.empty())
            break;
        for (const Stored &row : chunk) {
            if (row.data.size() != layout.size) {
                status = fail(ErrorCode::DamagedFile, path,
                              QStringLiteral("Damaged File (record %1 holds %2 bytes where %3 "
                                             "belong)")
                                  .arg(row.id)
                                  .arg(row.data.size())
                                  .arg(layout.size));
                break;
            }
            status = f(row.id, row.data, row.memo);
            if (!status)
                break;
        }
        if (!status)
            break;
        last = chunk.back().id;
    }
    sqlite3_finalize(read);
    return status;
}

// Recomputes the key columns and builds the indexes anew in one transaction of this file.
Status KeyedFile::Impl::rebuildInPlace()
{
    if (auto s = db.exec("BEGIN IMMEDIATE"); !s)
        return s;
    sqlite3_stmt *write = nullptr;
    Status status = [&]() -> Status {
        if (auto s = db.dropIndexes(layout); !s)
            return s;
        QByteArray sql = "UPDATE records SET ";
        for (int k = 0; k < layout.keys.size(); ++k)
            sql += (k ? ", " : "") + SqliteDatabase::keyColumn(k) + " = ?" +
                   QByteArray::number(k + 1);
        sql += " WHERE id = ?" + QByteArray::number(layout.keys.size() + 1);
        if (!layout.keys.isEmpty()) {
            Error error;
            write = db.prepare(sql, error);
            if (!write)
                return std::unexpected(error);
            auto s = forEachStoredRow("", [&](qint64 id, QByteArrayView data, QByteArrayView) {
                if (auto e = encodeKeys(data.data()); !e) {
                    Error err = e.error();
                    err.message += QStringLiteral(" (record %1)").arg(id);
                    return Status(std::unexpected(err));
                }
                for (size_t k = 0; k < keyBuffers.size(); ++k) {
                    if (keyBlank[k])
                        sqlite3_bind_null(write, static_cast<int>(k) + 1);
                    else
                        bindBlob(write, static_cast<int>(k) + 1, keyBuffers[k]);
                }
                sqlite3_bind_int64(write, static_cast<int>(keyBuffers.size()) + 1, id);
                const int rc = sqlite3_step(write);
                sqlite3_reset(write);
                if (rc != SQLITE_DONE)
                    return Status(std::unexpected(sqlError(rc, Damage::File)));
                return Status{};
            });
            if (!s)
                return s;
        }
        if (auto s = db.createIndexes(layout); !s)
            return s;
        return db.exec("COMMIT");
    }();
    sqlite3_finalize(write);
    if (!status && db.inTransaction())
        (void)db.exec("ROLLBACK");
    return status;
}

// When an index is so damaged that SQLite cannot even free its pages, the records are copied
// into a new file beside this one, which then takes this file's name. The handle keeps its
// exclusive hold throughout: the new file is locked before it gets the name.
Status KeyedFile::Impl::rebuildIntoNewFile()
{
    auto temp = siblingTempName(path, "rebuild");
    if (!temp)
        return std::unexpected(temp.error());
    Status status = [&]() -> Status {
        SqliteDatabase fresh;
        if (auto s = fresh.open(*temp, false, KeyedFile::shareWait()); !s)
            return s;
        if (auto s = fresh.exec("BEGIN IMMEDIATE"); !s)
            return s;
        if (auto s = fresh.createSchema(layout, false); !s)
            return s;
        QByteArray sql = "INSERT INTO records(id, data";
        QByteArray values = "?1, ?2";
        int p = 2;
        if (hasMemo) {
            sql += ", memo";
            values += ", ?" + QByteArray::number(++p);
        }
        for (int k = 0; k < layout.keys.size(); ++k) {
            sql += ", " + SqliteDatabase::keyColumn(k);
            values += ", ?" + QByteArray::number(++p);
        }
        sql += ") VALUES(" + values + ')';
        Error error;
        sqlite3_stmt *insert = fresh.prepare(sql, error);
        if (!insert)
            return std::unexpected(error);
        auto copied = forEachStoredRow(
            "NOT INDEXED", [&](qint64 id, QByteArrayView data, QByteArrayView memo) {
                if (auto e = encodeKeys(data.data()); !e) {
                    Error err = e.error();
                    err.message += QStringLiteral(" (record %1)").arg(id);
                    return Status(std::unexpected(err));
                }
                sqlite3_bind_int64(insert, 1, id);
                bindRow(insert, 2, data, memo);
                const int rc = sqlite3_step(insert);
                sqlite3_reset(insert);
                if (rc != SQLITE_DONE)
                    return Status(std::unexpected(fresh.error(rc, Damage::File, path)));
                return Status{};
            });
        sqlite3_finalize(insert);
        if (!copied)
            return copied;
        if (auto s = fresh.createIndexes(layout); !s) {
            Error e = s.error();
            e.where.replace(*temp, path);
            return std::unexpected(e);
        }
        return fresh.exec("COMMIT");
    }();
    if (!status) {
        removeQuietly(*temp);
        return status;
    }

    ShareLock newLock;
    if (auto s = newLock.acquire(*temp, Access::ReadWrite, Share::Exclusive,
                                 std::chrono::milliseconds(0));
        !s) {
        removeQuietly(*temp);
        return s;
    }
    finalizeAll();
    db.close();
    if (::rename(QFile::encodeName(*temp).constData(), QFile::encodeName(path).constData()) != 0) {
        const int e = errno;
        newLock.release();
        removeQuietly(*temp);
        if (auto s = openConnection(); !s)
            return s;
        return fail(ErrorCode::IoError, path,
                    QStringLiteral("Input/Output Error: %1")
                        .arg(QString::fromLocal8Bit(std::strerror(e))));
    }
    (void)syncDirectory(QFileInfo(path).absolutePath());
    lock.swap(newLock);
    newLock.release(); // the old file's locks; its name now belongs to the new file
    return openConnection();
}

Status KeyedFile::rebuildKeys()
{
    if (!isOpen())
        return d->note(d->notOpen());
    if (auto s = d->checkWritable(); !s)
        return d->note(s);
    if (d->share != Share::Exclusive)
        return d->note(fail(ErrorCode::AccessDenied, d->path,
                            QStringLiteral("Access Denied: rebuilding keys needs the file "
                                           "opened exclusively")));
    if (d->db.inTransaction())
        return d->note(fail(ErrorCode::InvalidArgument, d->path,
                            QStringLiteral("Invalid Argument: a transaction is open")));
    d->dropBatch();
    d->finalizeAll();
    d->current = 0;
    Status status = d->rebuildInPlace();
    if (!status && status.error().code == ErrorCode::KeyFileMustBeRebuilt)
        status = d->rebuildIntoNewFile();
    return d->note(status);
}

// --- transactions

Status KeyedFile::begin()
{
    if (!isOpen())
        return d->note(d->notOpen());
    if (auto s = d->checkWritable(); !s)
        return d->note(s);
    if (d->db.inTransaction())
        return d->note(fail(ErrorCode::InvalidArgument, d->path,
                            QStringLiteral("Invalid Argument: a transaction is already open")));
    return d->note(d->db.exec("BEGIN IMMEDIATE"));
}

Status KeyedFile::commit()
{
    if (!isOpen())
        return d->note(d->notOpen());
    if (!d->db.inTransaction())
        return d->note(fail(ErrorCode::InvalidArgument, d->path,
                            QStringLiteral("Invalid Argument: no transaction is open")));
    return d->note(d->db.exec("COMMIT"));
}

Status KeyedFile::rollback()
{
    if (!isOpen())
        return d->note(d->notOpen());
    d->pinPosition();
    d->dropBatch();
    d->current = 0;
    if (!d->db.inTransaction())
        return d->note(fail(ErrorCode::InvalidArgument, d->path,
                            QStringLiteral("Invalid Argument: no transaction is open")));
    return d->note(d->db.exec("ROLLBACK"));
}

bool KeyedFile::inTransaction() const
{
    return d->db.inTransaction();
}

Status KeyedFile::setMaxPageCount(int pages)
{
    if (!isOpen())
        return d->note(d->notOpen());
    const QByteArray sql = "PRAGMA max_page_count = " + QByteArray::number(pages);
    return d->note(d->db.exec(sql.constData()));
}

const Error &KeyedFile::lastError() const
{
    return d->lastError;
}

} // namespace zemor::runtime::store
