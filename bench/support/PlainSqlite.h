#pragma once

// The plain-SQLite side shared by the benchmarks: the report record's raw bytes and its four key
// blobs computed by hand (independently of the store's own key encoding), the table of the same
// shape with the same indexes, the pragmas the store uses, and the timing and argument helpers
// of the --report mode. Everything here is for benchmarks only: a failing SQLite call prints
// what failed to stderr and ends the program, since a benchmark has nothing sensible to go on
// with. The caller owns every sqlite3 handle these functions return.

#include "bench/support/Args.h"

#include <QFile>
#include <QString>

#include <sqlite3.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace zemor::bench {

// The size of one report record, in bytes.
inline constexpr int plainRecordSize = 330;

// Packs `v` as an unsigned packed decimal of `bytes` bytes (the sign nibble left zero).
inline void packDigits(unsigned char *p, int bytes, std::uint64_t v)
{
    std::memset(p, 0, bytes);
    for (int pos = 2 * bytes - 1; pos >= 1 && v; --pos, v /= 10) {
        const auto d = static_cast<unsigned char>(v % 10);
        p[pos / 2] |= pos % 2 == 0 ? static_cast<unsigned char>(d << 4) : d;
    }
}

// Key components, written so that the blobs compare bytewise in the order of the values.
inline unsigned char *putLong(unsigned char *o, const unsigned char *p)
{
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    v ^= 0x80000000u;
    *o++ = static_cast<unsigned char>(v >> 24);
    *o++ = static_cast<unsigned char>(v >> 16);
    *o++ = static_cast<unsigned char>(v >> 8);
    *o++ = static_cast<unsigned char>(v);
    return o;
}

inline unsigned char *putShort(unsigned char *o, const unsigned char *p)
{
    std::uint16_t v;
    std::memcpy(&v, p, 2);
    v ^= 0x8000u;
    *o++ = static_cast<unsigned char>(v >> 8);
    *o++ = static_cast<unsigned char>(v);
    return o;
}

inline unsigned char *putDecimal3(unsigned char *o, const unsigned char *p)
{
    // non-negative codes only
    *o++ = static_cast<unsigned char>(0x10 | (p[0] & 0x0F));
    *o++ = p[1];
    *o++ = p[2];
    return o;
}

// The four key blobs of one record and their lengths.
struct KeyBlobs
{
    unsigned char k[4][16];
    int n[4];
};

// k0 (region, row), k1 (month, institution, row; unique), k2 (institution, table, row),
// k3 (row, month).
inline void keyBlobs(const unsigned char *r, KeyBlobs &b)
{
    unsigned char *o = b.k[0];
    *o++ = r[0];
    o = putShort(o, r + 13);
    b.n[0] = static_cast<int>(o - b.k[0]);
    o = putLong(b.k[1], r + 8);
    o = putLong(o, r + 1);
    o = putShort(o, r + 13);
    b.n[1] = static_cast<int>(o - b.k[1]);
    o = putLong(b.k[2], r + 1);
    o = putDecimal3(o, r + 5);
    o = putShort(o, r + 13);
    b.n[2] = static_cast<int>(o - b.k[2]);
    o = putShort(b.k[3], r + 13);
    o = putLong(o, r + 8);
    b.n[3] = static_cast<int>(o - b.k[3]);
}

// Ends the program unless `rc` is one of SQLite's success codes.
inline void check(int rc, sqlite3 *db, const char *what)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "baseline %s: %s\n", what, sqlite3_errmsg(db));
        std::exit(1);
    }
}

inline void exec(sqlite3 *db, const char *sql)
{
    char *error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "baseline: %s: %s\n", sql, error ? error : "");
        std::exit(1);
    }
}

inline sqlite3_stmt *prepare(sqlite3 *db, const char *sql)
{
    sqlite3_stmt *s = nullptr;
    check(sqlite3_prepare_v2(db, sql, -1, &s, nullptr), db, "prepare");
    return s;
}

// Opens (creating if need be) the database at `path` with the store's durability pragmas.
inline sqlite3 *openPlain(const QString &path)
{
    sqlite3 *db = nullptr;
    check(sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                          SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                          nullptr),
          db, "open");
    exec(db, "PRAGMA synchronous=FULL");
    exec(db, "PRAGMA journal_mode=DELETE");
    return db;
}

// The records table: the raw record and its four key blobs, indexed as the store indexes them.
inline void createRecordsTable(sqlite3 *db)
{
    exec(db, "CREATE TABLE records(id INTEGER PRIMARY KEY, data BLOB NOT NULL, k0 BLOB, k1 BLOB, "
             "k2 BLOB, k3 BLOB)");
    exec(db, "CREATE INDEX key0 ON records(k0)");
    exec(db, "CREATE UNIQUE INDEX key1 ON records(k1)");
    exec(db, "CREATE INDEX key2 ON records(k2)");
    exec(db, "CREATE INDEX key3 ON records(k3)");
}

inline constexpr const char *insertRecordSql =
    "INSERT INTO records(data, k0, k1, k2, k3) VALUES(?1, ?2, ?3, ?4, ?5)";

// Binds one record and its key blobs to a statement prepared from insertRecordSql, runs it and
// resets it for the next record.
inline void insertRecord(sqlite3 *db, sqlite3_stmt *insert, const unsigned char *r)
{
    KeyBlobs b;
    keyBlobs(r, b);
    sqlite3_bind_blob(insert, 1, r, plainRecordSize, SQLITE_STATIC);
    for (int k = 0; k < 4; ++k)
        sqlite3_bind_blob(insert, k + 2, b.k[k], b.n[k], SQLITE_STATIC);
    check(sqlite3_step(insert), db, "insert");
    sqlite3_reset(insert);
}

// Wall time of one call of `f`, in seconds.
template <class F> double seconds(F &&f)
{
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace zemor::bench
