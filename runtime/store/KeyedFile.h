#pragma once

// A keyed file: fixed-length records of one RecordLayout, reached through the layout's keys.
// It is one SQLite database at the file's own name ("F0062.dat", "NABOR.TPS"): a table `records`
// with the raw record in the column `data` and one order-preserving key column per key, with a
// unique index for unique keys; a table `meta` holds the layout stamp. Journal mode is the
// rollback journal (a working directory on a shared folder works), synchronous=FULL: a completed
// write survives a crash of the program.
//
// A handle works like the file drivers the program was written for: it owns one record buffer,
// every read fills it, every write takes it. Positioning (set...) and reading (next/previous)
// are separate calls; a scan reads ahead in batches and keeps no statement open between calls,
// so a scan that is left half-way never blocks writers of other handles or processes. Any write
// through the handle is seen by the next read of its scan, which goes on from the record last
// read (also after that record was deleted).
//
// Sharing: every handle is its own connection. The share mode is carried by locks of our own on
// the database file (open file description locks, beside SQLite's), so it works between windows
// of one process and between processes: DenyWrite lets others read only, Exclusive lets no one
// else open. A conflict waits up to shareWait() and then fails with AccessDenied (5); a lock of a
// live holder is never broken, and the operating system drops the locks of a process that ended.
//
// Errors: every call returns a Status; lastError() repeats the last failure of the handle. On a
// handle that is not open every operation answers FileNotOpen. An index that SQLite finds damaged
// answers KeyFileMustBeRebuilt (46); a file that is not a keyed file, or whose pages are damaged,
// DamagedFile; another record layout, LayoutMismatch. SQLite's codes are translated here and
// never seen above this class.

#include "runtime/core/Error.h"
#include "runtime/store/RecordLayout.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <memory>

namespace zemor::runtime::store {

enum class Access { ReadOnly, ReadWrite };
enum class Share { DenyNone, DenyWrite, Exclusive };

class KeyedFile
{
public:
    explicit KeyedFile(RecordLayout layout);
    ~KeyedFile(); // closes; an open transaction is rolled back
    KeyedFile(const KeyedFile &) = delete;
    KeyedFile &operator=(const KeyedFile &) = delete;

    // --- the file as a whole; `path` is a path on disk (names are resolved by runtime/fs)
    // Creates the file with this layout when no file exists at `path`; an existing file is left
    // untouched (never truncated). FileNotFound when the directory does not exist.
    [[nodiscard]] static Status create(const QString &path, const RecordLayout &layout);
    [[nodiscard]] static Status remove(const QString &path);
    [[nodiscard]] Status open(const QString &path, Access access = Access::ReadWrite,
                              Share share = Share::DenyNone);
    void close();
    bool isOpen() const;
    QString path() const;
    const RecordLayout &layout() const;

    // How long an open waits for a conflicting share mode, and a write for a lock held by another
    // connection, before it answers AccessDenied. Default 10 seconds.
    static void setShareWait(std::chrono::milliseconds wait);
    static std::chrono::milliseconds shareWait();

    // --- the record buffer (layout().size bytes)
    QByteArray &record();
    const QByteArray &record() const;
    void clearRecord();
    // The record's text object, for layouts that have one (textObjectSize > 0): read with the
    // record, written with add and put, cut to textObjectSize bytes.
    QByteArray &textObject();

    // --- reading. `key` is an index into layout().keys.
    // Exact lookup by every component of `key`, taken from the buffer. With duplicates, the
    // first in insertion order. RecordNotFound when there is none (also for a blank key of a key
    // that leaves blank values out). The record found becomes the record last read; a scan in
    // progress is not moved (its next read goes on from the record the scan read last).
    [[nodiscard]] Status get(int key);
    // Positions a scan of `key` before the first record whose key is >= the first `components`
    // components of the buffer (the remaining components count as their lowest value). With
    // `components` > 0 the scan is scoped: next/previous answer EndOfFile as soon as a record's
    // first `components` components differ from those of the buffer. components = -1 takes every
    // component and no scope.
    [[nodiscard]] Status set(int key, int components = -1);
    // Positions a scan of `key` after the last record (previous() then reads it); with
    // components > 0, after the last record of that prefix, scoped as above; with -1, after the
    // last record whose key is <= the buffer's, without scope.
    [[nodiscard]] Status setEnd(int key, int components = 0);
    // Positions a scan in physical (insertion) order, before the first record.
    [[nodiscard]] Status setPhysical();
    // Read the record after (before) the one the scan read last into the buffer. EndOfFile at
    // the end of the file or of the scope; the scan then stands beyond that end, so that turning
    // round reads the record at the end. InvalidArgument when no scan was positioned.
    [[nodiscard]] Status next();
    [[nodiscard]] Status previous();
    // A record's position is stable while the record lives; get by position reads it.
    qint64 position() const; // of the record last read, 0 when none
    [[nodiscard]] Status getByPosition(qint64 position);
    [[nodiscard]] Result<qint64> records();

    // --- writing
    // Adds the buffer as a new record (auto-numbered keys are NOT filled in here: the caller
    // takes nextAutoNumber() and puts it into the buffer first). DuplicateKey on a unique key,
    // InvalidData when a packed decimal of a key holds a digit above 9. The new record becomes
    // the record last read (position(), put, erase); a scan is not moved.
    [[nodiscard]] Status add();
    // Replaces the record last read with the buffer. NoCurrentRecord when none was read,
    // RecordNotFound when another handle deleted it meanwhile. When the scan stands on the
    // record, it goes on from the record's new place in the scan's key.
    [[nodiscard]] Status put();
    // Deletes the record last read; a scan goes on with the record after it.
    [[nodiscard]] Status erase();
    // Highest value of an auto-numbered key's component + 1 (1 for an empty file or one without
    // positive values). Call it inside a write transaction so that two writers cannot take the
    // same number. Overflow when the field cannot hold the next number.
    [[nodiscard]] Result<qint64> nextAutoNumber(int key);
    // Recomputes every key column from the stored records and rebuilds every index, in one
    // transaction; positions are kept. Needs an Exclusive handle (AccessDenied otherwise).
    // DuplicateKey when the records break a unique key, InvalidData when a key's decimal does
    // not decode, DamagedFile when the records themselves cannot be read: nothing is changed.
    // An index damaged beyond repair in place is left behind: the records are copied into a new
    // file that takes this file's name while the handle keeps its exclusive hold.
    [[nodiscard]] Status rebuildKeys();

    // --- transactions: all writes between begin and commit land together or not at all
    [[nodiscard]] Status begin();
    // A read transaction: every read until commit (or rollback) sees one committed state of the
    // file, so a scan over many batches never meets half of another connection's save. Works on
    // read-only handles; a writer elsewhere waits (up to shareWait()) until it ends.
    [[nodiscard]] Status beginRead();
    [[nodiscard]] Status commit();
    [[nodiscard]] Status rollback();
    bool inTransaction() const;

    // How much memory this handle may keep of the file's pages, in KiB (defaultCacheKiB unless
    // set). A write of tens of thousands of records in one transaction gains from a larger one:
    // its pages are then journalled and written once instead of being spilled and read back.
    [[nodiscard]] Status setCacheKiB(int kibibytes);
    static constexpr int defaultCacheKiB = 2000;

    // A test hook: limits the database to `pages` pages so that a write runs out of room
    // (DiskFull) without filling a real disk.
    [[nodiscard]] Status setMaxPageCount(int pages);

    // The last failure of this handle (a later success does not clear it).
    const Error &lastError() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace zemor::runtime::store
