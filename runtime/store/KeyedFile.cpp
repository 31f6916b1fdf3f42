#include "runtime/store/KeyedFile.h"

#include "runtime/fs/Paths.h"
#include "runtime/store/FileOps.h"
#include "runtime/store/KeyedFileImpl.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <limits>

#include <sys/stat.h>
#include <unistd.h>

namespace zemor::runtime::store {

namespace {

std::atomic<long long> g_shareWaitMs{10'000};

} // namespace

// --- the file as a whole

KeyedFile::KeyedFile(RecordLayout layout) : d(std::make_unique<Impl>(std::move(layout))) {}

KeyedFile::~KeyedFile()
{
    d->closeAll();
}

Status KeyedFile::create(const QString &path, const RecordLayout &layout)
{
    if (fileops::isBlankPath(path))
        return fail(ErrorCode::InvalidName, path);
    if (const QString problem = layout.validate(); !problem.isEmpty())
        return fail(ErrorCode::InvalidArgument, path, problem);
    struct stat st;
    if (::lstat(fs::encodeName(path).constData(), &st) == 0)
        return {}; // never truncated, never replaced
    const QString folder = fs::folderOf(path);
    if (!fs::pathInfo(folder).isDir)
        return fail(ErrorCode::FileNotFound, path);

    // The file is built complete under a name of its own and then given its name, so that a
    // second creator or an opener never sees a half-made file.
    // Leftovers of a creator that died before its file was in place.
    fileops::removeStaleTemps(path);
    auto held = fileops::siblingTemp(path);
    if (!held)
        return std::unexpected(held.error());
    const auto unlock = qScopeGuard([&] { fileops::releaseTemp(*held); });
    const QString *temp = &held->path;
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
        fileops::removeWithJournal(*temp);
        Error e = built.error();
        e.where = path;
        return std::unexpected(e);
    }
    // A journal without its database is left over from a file that was removed after a crash;
    // SQLite would play it back into the new file.
    const QString journal = path + QStringLiteral("-journal");
    if (fs::exists(journal) && !fs::exists(path))
        ::unlink(fs::encodeName(journal).constData());
    auto renamed = fileops::renameNoReplace(*temp, path);
    if (!renamed || !*renamed)
        fileops::removeWithJournal(*temp);
    if (!renamed)
        return std::unexpected(renamed.error());
    fs::syncDirectory(folder);
    return {};
}

Status KeyedFile::remove(const QString &path)
{
    if (fileops::isBlankPath(path))
        return fail(ErrorCode::InvalidName, path);
    ShareLock lock;
    if (auto s = lock.acquire(path, Access::ReadWrite, Share::Exclusive, shareWait()); !s)
        return s;
    if (::unlink(fs::encodeName(path).constData()) != 0)
        return fs::failWithErrno(errno, path);
    // A journal left by a crash belongs to the file removed.
    ::unlink(fs::encodeName(path + QStringLiteral("-journal")).constData());
    lock.release();
    fs::syncDirectory(fs::folderOf(path));
    return {};
}

Status KeyedFile::open(const QString &path, Access access, Share share)
{
    close();
    d->path = path;
    if (fileops::isBlankPath(path))
        return d->note(fail(ErrorCode::InvalidName, path));
    d->access = access;
    d->share = share;
    if (auto s = d->lock.acquire(path, access, share, shareWait()); !s)
        return d->note(s);
    // Temporary files left by a creator that died are removed with the next opening.
    fileops::removeStaleTemps(path);
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
    sqlite3_stmt *stmt = d->keyStatement(key, Impl::Get, status);
    if (!stmt)
        return d->note(status);
    Impl::bindBlob(stmt, 1, d->probe);
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
    return d->note(d->step(Impl::Dir::Forward));
}

Status KeyedFile::previous()
{
    return d->note(d->step(Impl::Dir::Backward));
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
                            QStringLiteral("Запись не найдена (ее тем временем удалили)")));
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
    sqlite3_stmt *stmt = d->statement(d->deleteStmt, "DELETE FROM records WHERE id = ?1", status);
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
                            QStringLiteral("Запись не найдена (ее тем временем удалили)")));
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
        return d->note(
            Result<qint64>(fail(ErrorCode::InvalidArgument, d->where(key),
                                QStringLiteral("Неверный аргумент: ключ не нумеруется"))));
    Status status;
    sqlite3_stmt *stmt = d->keyStatement(key, Impl::MaxKey, status);
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

// --- transactions

Status KeyedFile::begin()
{
    if (!isOpen())
        return d->note(d->notOpen());
    if (auto s = d->checkWritable(); !s)
        return d->note(s);
    if (d->db.inTransaction())
        return d->note(fail(ErrorCode::InvalidArgument, d->path,
                            QStringLiteral("Неверный аргумент: транзакция уже открыта")));
    return d->note(d->db.exec("BEGIN IMMEDIATE"));
}

Status KeyedFile::beginRead()
{
    if (!isOpen())
        return d->note(d->notOpen());
    if (d->db.inTransaction())
        return d->note(fail(ErrorCode::InvalidArgument, d->path,
                            QStringLiteral("Неверный аргумент: транзакция уже открыта")));
    // A deferred transaction takes its snapshot at the first read; reading one row
    // now makes the snapshot the state at this call, not at the caller's first record.
    d->pinPosition();
    d->dropBatch();
    if (auto s = d->db.exec("BEGIN DEFERRED"); !s)
        return d->note(s);
    if (auto s = d->db.exec("SELECT 1 FROM records LIMIT 1"); !s) {
        (void)d->db.exec("ROLLBACK");
        return d->note(s);
    }
    return {};
}

Status KeyedFile::commit()
{
    if (!isOpen())
        return d->note(d->notOpen());
    if (!d->db.inTransaction())
        return d->note(fail(ErrorCode::InvalidArgument, d->path,
                            QStringLiteral("Неверный аргумент: транзакция не открыта")));
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
                            QStringLiteral("Неверный аргумент: транзакция не открыта")));
    return d->note(d->db.exec("ROLLBACK"));
}

bool KeyedFile::inTransaction() const
{
    return d->db.inTransaction();
}

Status KeyedFile::setCacheKiB(int kibibytes)
{
    if (!isOpen())
        return d->note(d->notOpen());
    const QByteArray sql = "PRAGMA cache_size = -" + QByteArray::number(std::max(kibibytes, 1));
    return d->note(d->db.exec(sql.constData()));
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
