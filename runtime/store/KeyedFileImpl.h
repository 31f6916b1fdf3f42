#pragma once

// The inside of a KeyedFile handle: the connection and the share lock it owns, the record
// buffer, the prepared statements and the read-ahead scan. Only the files that implement
// KeyedFile include this header: KeyedFile.cpp (the operations), KeyedFileImpl.cpp (statements,
// buffers and scans) and KeyRebuild.cpp (key rebuilding).

#include "runtime/store/KeyEncoding.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/store/ShareLock.h"
#include "runtime/store/SqliteDatabase.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct sqlite3_stmt;

namespace zemor::runtime::store {

struct KeyedFile::Impl
{
    // Read-ahead grows from a few rows (a lookup that reads one or two records, a read-modify-write
    // loop that drops its batch on every write) up to the size that makes a long scan cheap.
    static constexpr int firstBatch = 8;
    static constexpr int largestBatch = 1024;

    enum class Dir { None, Forward, Backward };

    // Statements prepared once per key, by what they do.
    enum Kind {
        Get,         // exact lookup, first in insertion order
        MaxKey,      // the record with the highest key (auto numbers)
        FwdSame,     // kN = ?1 AND id > ?2                  (the rest of a group of duplicates)
        FwdAfter,    // kN > ?1 AND kN < ?2
        FwdAfterAll, // kN > ?1
        FwdFrom,     // kN >= ?1 AND kN < ?2
        FwdFromAll,  // kN >= ?1
        BackSame,    // kN = ?1 AND id < ?2
        BackBefore,  // kN < ?1 AND kN >= ?2
        BackAll,     // kN >= ?1, from the end
        KeyOf,       // the key of one row
        KindCount
    };

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

    // Rows read ahead, served one by one; dropped by every write through this handle. Row i's
    // record bytes are in slot i (layout.size bytes each), its text object in `memos`.
    struct Row
    {
        qint64 id;
        int dataLength; // as stored; a row of another length is damaged and not copied
        int memo, memoLength;
    };
    struct Batch
    {
        Dir dir = Dir::None;
        std::vector<Row> rows;
        std::unique_ptr<char[]> slots;
        size_t slotCount = 0;
        std::string memos;
        size_t next = 0;
        int size = firstBatch;
        QByteArray lastKey; // the key of the last row, where the next batch starts
    } batch;

    static void bindBlob(sqlite3_stmt *stmt, int index, const QByteArray &bytes);

    // --- helpers
    QString where(int key = -1) const;
    Status note(Status status);

    template <class T> Result<T> note(Result<T> result)
    {
        if (!result)
            lastError = result.error();
        return result;
    }

    Status notOpen() const { return fail(ErrorCode::FileNotOpen, path); }

    Status checkKey(int key) const;
    Status checkWritable() const;
    Status checkRecordSize() const;
    Error sqlError(int rc, Damage damage, int key = -1) const;
    void dropBatch();
    void finalizeAll();

    QByteArray rowColumns() const { return hasMemo ? "id, data, memo" : "id, data"; }

    sqlite3_stmt *statement(sqlite3_stmt *&slot, const QByteArray &sql, Status &status);
    sqlite3_stmt *keyStatement(int key, Kind kind, Status &status);

    // Computes every key of `data` (the buffer by default) into keyBuffers/keyBlank.
    Status encodeKeys(const char *data = nullptr);

    // Binds data, memo and the keys (from keyBuffers) from parameter `first` on.
    void bindRecord(sqlite3_stmt *stmt, int first);
    void bindRow(sqlite3_stmt *stmt, int first, QByteArrayView data, QByteArrayView memo);

    // Copies a row's data and text object into the buffers.
    Status load(const char *data, int dataLength, const char *memo, int memoLength);

    // Reads one row of a lookup statement (id, data[, memo]) into the buffers.
    Status loadRow(sqlite3_stmt *stmt);

    // Runs a scan statement and appends its rows to the batch. Returns the rows read.
    Result<int> runScan(sqlite3_stmt *stmt, Damage damage);

    // The stored key of row `id` in the scan's key; false when the row is gone or left out.
    bool storedKey(qint64 id, QByteArray &out);

    // The key of a row of the batch: as stored, or, should the row have gone meanwhile, as its
    // bytes give it.
    QByteArray batchRowKey(size_t index);
    const char *slot(size_t index) const
    {
        return batch.slots.get() + index * static_cast<size_t>(layout.size);
    }

    // Makes the scan's position independent of the batch, before the batch is dropped.
    void pinPosition();

    bool inScope(const QByteArray &blob) const;

    // Reads the next batch in `dir` from the scan's position.
    Status fill(Dir dir);
    Status fillByKey(Dir dir, int limit);
    Status step(Dir dir);

    // After running off one end, the scan stands beyond it, so that turning round reads the
    // record at that end.
    void atEdge(Dir dir);
    void startScan(Order order, int key);
    Status encodeProbe(int key, int components);
    void closeAll();
    Status openConnection();

    Status forEachStoredRow(const char *hint,
                            const std::function<Status(qint64, QByteArrayView, QByteArrayView)> &f);
    Status rebuildInPlace();
    Status rebuildIntoNewFile();
};

} // namespace zemor::runtime::store
