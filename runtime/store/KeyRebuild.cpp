// Key rebuilding: the key columns recomputed from the stored records and the indexes built
// anew, in place when SQLite can still free the old index pages, else in a new file that takes
// the old one's name.

#include "runtime/fs/Paths.h"
#include "runtime/store/FileOps.h"
#include "runtime/store/KeyedFileImpl.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <limits>

namespace zemor::runtime::store {

// Calls `f` with every stored row in row-id order, reading the table only (never an index, which
// may be the damaged part), in chunks so that no statement stays open while `f` writes.
Status KeyedFile::Impl::forEachStoredRow(
    const char *hint, const std::function<Status(qint64, QByteArrayView, QByteArrayView)> &f)
{
    Error error;
    sqlite3_stmt *read = db.prepare("SELECT " + rowColumns() + " FROM records " + hint +
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
                              QStringLiteral("Файл поврежден (в записи %1 "
                                             "%2 байт вместо %3)")
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
        if (!layout.keys.isEmpty()) {
            QByteArray sql = "UPDATE records SET ";
            for (int k = 0; k < layout.keys.size(); ++k)
                sql += (k ? ", " : "") + SqliteDatabase::keyColumn(k) + " = ?" +
                       QByteArray::number(k + 1);
            sql += " WHERE id = ?" + QByteArray::number(layout.keys.size() + 1);
            Error error;
            write = db.prepare(sql, error);
            if (!write)
                return std::unexpected(error);
        }
        // Every stored record is read, also where there is no key to compute: a damaged record
        // or page fails the rebuilding instead of passing as rebuilt.
        Status read = forEachStoredRow("", [&](qint64 id, QByteArrayView data, QByteArrayView) {
            if (!write)
                return Status{};
            if (auto e = encodeKeys(data.data()); !e) {
                Error err = e.error();
                err.message += QStringLiteral(" (запись %1)").arg(id);
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
        if (!read)
            return read;
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
    auto temp = fileops::siblingTempName(path);
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
                    err.message += QStringLiteral(" (запись %1)").arg(id);
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
        fileops::removeWithJournal(*temp);
        return status;
    }

    ShareLock newLock;
    if (auto s = newLock.acquire(*temp, Access::ReadWrite, Share::Exclusive,
                                 std::chrono::milliseconds(0));
        !s) {
        fileops::removeWithJournal(*temp);
        return s;
    }
    finalizeAll();
    db.close();
    if (::rename(fs::encodeName(*temp).constData(), fs::encodeName(path).constData()) != 0) {
        const int e = errno;
        newLock.release();
        fileops::removeWithJournal(*temp);
        if (auto s = openConnection(); !s)
            return s;
        return fail(ErrorCode::IoError, path,
                    QStringLiteral("Ошибка ввода-вывода: %1").arg(fs::systemText(e)));
    }
    fs::syncDirectory(fs::folderOf(fs::absolutePath(path)));
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
                            QStringLiteral("Access Denied: для перестройки ключей файл "
                                           "должен быть открыт монопольно")));
    if (d->db.inTransaction())
        return d->note(fail(ErrorCode::InvalidArgument, d->path,
                            QStringLiteral("Неверный аргумент: открыта транзакция")));
    d->dropBatch();
    d->finalizeAll();
    d->current = 0;
    Status status = d->rebuildInPlace();
    if (!status && status.error().code == ErrorCode::KeyFileMustBeRebuilt)
        status = d->rebuildIntoNewFile();
    return d->note(status);
}

} // namespace zemor::runtime::store
