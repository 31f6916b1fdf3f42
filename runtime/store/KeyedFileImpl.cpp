#include "runtime/store/KeyedFileImpl.h"

#include <sqlite3.h>

#include <cstring>
#include <limits>

namespace zemor::runtime::store {

void KeyedFile::Impl::bindBlob(sqlite3_stmt *stmt, int index, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        sqlite3_bind_zeroblob(stmt, index, 0); // an empty blob, which is not NULL
    else
        sqlite3_bind_blob(stmt, index, bytes.constData(), static_cast<int>(bytes.size()),
                          SQLITE_STATIC);
}

QString KeyedFile::Impl::where(int key) const
{
    if (key < 0 || key >= layout.keys.size())
        return path;
    return path + QStringLiteral(", ключ ") + layout.keys[key].name;
}

Status KeyedFile::Impl::note(Status status)
{
    if (!status)
        lastError = status.error();
    return status;
}

Status KeyedFile::Impl::checkKey(int key) const
{
    if (key < 0 || key >= layout.keys.size())
        return fail(ErrorCode::InvalidArgument, path,
                    QStringLiteral("Неверный аргумент: у файла нет ключа %1").arg(key));
    return {};
}

Status KeyedFile::Impl::checkWritable() const
{
    if (access != Access::ReadWrite)
        return fail(ErrorCode::AccessDenied, path,
                    QStringLiteral("Access Denied: файл открыт только для чтения"));
    return {};
}

Status KeyedFile::Impl::checkRecordSize() const
{
    if (record.size() != layout.size)
        return fail(ErrorCode::InvalidArgument, path,
                    QStringLiteral("Неверный аргумент: в буфере %1 байт, "
                                   "а длина записи %2")
                        .arg(record.size())
                        .arg(layout.size));
    return {};
}

Error KeyedFile::Impl::sqlError(int rc, Damage damage, int key) const
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

void KeyedFile::Impl::dropBatch()
{
    batch.dir = Dir::None;
    batch.rows.clear();
    batch.memos.clear();
    batch.next = 0;
    batch.size = firstBatch;
}

void KeyedFile::Impl::finalizeAll()
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

sqlite3_stmt *KeyedFile::Impl::statement(sqlite3_stmt *&slot, const QByteArray &sql, Status &status)
{
    if (!slot) {
        Error error;
        slot = db.prepare(sql, error);
        if (!slot)
            status = std::unexpected(error);
    }
    return slot;
}

sqlite3_stmt *KeyedFile::Impl::keyStatement(int key, Kind kind, Status &status)
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

Status KeyedFile::Impl::encodeKeys(const char *data)
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

void KeyedFile::Impl::bindRecord(sqlite3_stmt *stmt, int first)
{
    if (hasMemo && textObject.size() > layout.textObjectSize)
        textObject.truncate(layout.textObjectSize);
    bindRow(stmt, first, record, textObject);
}

void KeyedFile::Impl::bindRow(sqlite3_stmt *stmt, int first, QByteArrayView data,
                              QByteArrayView memo)
{
    int p = first;
    sqlite3_bind_blob(stmt, p++, data.data(), static_cast<int>(data.size()), SQLITE_STATIC);
    if (hasMemo) {
        if (memo.isEmpty())
            sqlite3_bind_zeroblob(stmt, p++, 0);
        else
            sqlite3_bind_blob(stmt, p++, memo.data(), static_cast<int>(memo.size()), SQLITE_STATIC);
    }
    for (size_t k = 0; k < keyBuffers.size(); ++k, ++p) {
        if (keyBlank[k])
            sqlite3_bind_null(stmt, p);
        else
            bindBlob(stmt, p, keyBuffers[k]);
    }
}

Status KeyedFile::Impl::load(const char *data, int dataLength, const char *memo, int memoLength)
{
    if (dataLength != layout.size)
        return fail(ErrorCode::DamagedFile, path,
                    QStringLiteral("Файл поврежден (запись длиной %1 байт вместо %2)")
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

Status KeyedFile::Impl::loadRow(sqlite3_stmt *stmt)
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

Result<int> KeyedFile::Impl::runScan(sqlite3_stmt *stmt, Damage damage)
{
    const auto size = static_cast<size_t>(layout.size);
    int count = 0;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        const size_t index = batch.rows.size();
        if (index >= batch.slotCount) {
            // Not reached: a batch holds at most the rows asked for, and slots are made for them.
            auto grown = std::make_unique<char[]>(2 * batch.slotCount * size + size);
            std::memcpy(grown.get(), batch.slots.get(), batch.slotCount * size);
            batch.slots = std::move(grown);
            batch.slotCount = 2 * batch.slotCount + 1;
        }
        Row row{sqlite3_column_int64(stmt, 0), 0, 0, 0};
        const void *data = sqlite3_column_blob(stmt, 1);
        row.dataLength = sqlite3_column_bytes(stmt, 1);
        if (static_cast<size_t>(row.dataLength) == size)
            std::memcpy(batch.slots.get() + index * size, data, size);
        if (hasMemo) {
            const void *memo = sqlite3_column_blob(stmt, 2);
            row.memoLength = sqlite3_column_bytes(stmt, 2);
            row.memo = static_cast<int>(batch.memos.size());
            if (row.memoLength > 0)
                batch.memos.append(static_cast<const char *>(memo),
                                   static_cast<size_t>(row.memoLength));
        }
        batch.rows.push_back(row);
        ++count;
    }
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE)
        return std::unexpected(sqlError(rc, damage, scan.order == Order::Key ? scan.key : -1));
    return count;
}

bool KeyedFile::Impl::storedKey(qint64 id, QByteArray &out)
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

QByteArray KeyedFile::Impl::batchRowKey(size_t index)
{
    QByteArray key;
    if (!storedKey(batch.rows[index].id, key))
        (void)encodings[scan.key].encode(slot(index), -1, key);
    return key;
}

void KeyedFile::Impl::pinPosition()
{
    if (scan.order != Order::Key || scan.pos != Pos::On || scan.blobKnown)
        return;
    scan.blobKnown = true;
    if (batch.next > 0 && batch.next <= batch.rows.size() &&
        batch.rows[batch.next - 1].id == scan.id)
        scan.blob = batchRowKey(batch.next - 1);
    else
        (void)storedKey(scan.id, scan.blob);
}

bool KeyedFile::Impl::inScope(const QByteArray &blob) const
{
    return blob >= scan.lower && (!scan.hasUpper || blob < scan.upper);
}

Status KeyedFile::Impl::fill(Dir dir)
{
    pinPosition();
    const int limit = batch.size;
    dropBatch();
    batch.size = std::min(largestBatch, limit * 4);
    batch.dir = dir;
    batch.rows.reserve(static_cast<size_t>(limit));
    if (batch.slotCount < static_cast<size_t>(limit)) {
        batch.slots = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(limit) *
                                                             static_cast<size_t>(layout.size));
        batch.slotCount = static_cast<size_t>(limit);
    }
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
        batch.lastKey = batchRowKey(batch.rows.size() - 1);
    return {};
}

Status KeyedFile::Impl::fillByKey(Dir dir, int limit)
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
            const Kind kind =
                scan.hasUpper ? (after ? FwdAfter : FwdFrom) : (after ? FwdAfterAll : FwdFromAll);
            // Before a place below the scope starts at the scope.
            const QByteArray &from = !after && scan.blob < scan.lower ? scan.lower : scan.blob;
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

Status KeyedFile::Impl::step(Dir dir)
{
    if (!db.isOpen())
        return notOpen();
    if (scan.order == Order::None)
        return fail(ErrorCode::InvalidArgument, path,
                    QStringLiteral("Неверный аргумент: просмотр не установлен"));
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
    const size_t index = batch.next++;
    const Row &row = batch.rows[index];
    if (!hasMemo && row.dataLength == layout.size && record.size() == layout.size) {
        std::memcpy(record.data(), slot(index), static_cast<size_t>(layout.size));
    } else if (auto s =
                   load(slot(index), row.dataLength, batch.memos.data() + row.memo, row.memoLength);
               !s) {
        return s;
    }
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

void KeyedFile::Impl::atEdge(Dir dir)
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

void KeyedFile::Impl::startScan(Order order, int key)
{
    dropBatch();
    scan = Scan{};
    scan.order = order;
    scan.key = key;
}

Status KeyedFile::Impl::encodeProbe(int key, int components)
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

void KeyedFile::Impl::closeAll()
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

Status KeyedFile::Impl::openConnection()
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

} // namespace zemor::runtime::store
