// Saving a whole report and reading it back through the report store, against plain SQLite
// doing the same on a table of the same shape (the raw record and its four key columns, the
// same indexes and pragmas): the old report's records deleted and the new ones added in one
// transaction, then the report read back in key order. Both sides open their file for each
// operation and close it after, as report entry does.
//
//   bench_session --report [--rows=N] [--repeat=N]   one line, ending in ratio=<ours/baseline>
//   bench_session [Google Benchmark options]          the same on the default report
//
// The files are made in a temporary working directory and removed at the end.

#include "data/DataContext.h"
#include "entry/ReportStore.h"
#include "runtime/fs/Paths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace zemor;
using namespace zemor::entry;

namespace {

constexpr int benchYear = 2025;
constexpr int benchForm = 12;
constexpr int recordSize = 330;
constexpr qint32 benchInstitution = 501;
constexpr qint32 benchPeriod = 0;

// A report of `rows` rows in tables of 50 rows, every one of the 35 values filled, with
// thousandths.
ReportRows makeReport(int rows)
{
    ReportRows report;
    report.reserve(rows);
    for (int i = 0; i < rows; ++i) {
        ReportRow r;
        r.rowId = i + 1;
        r.table = 1000 * (i / 50 + 1);
        for (int n = 0; n < valueCount; ++n)
            r.values[size_t(n)] =
                runtime::Decimal::fromUnits(qint64(i * 7919 + n * 104729) % 999999999 + 1, 3);
        report.append(r);
    }
    return report;
}

// --- the baseline's records: the same bytes the store writes

void packDecimal(unsigned char *p, int bytes, std::uint64_t v)
{
    std::memset(p, 0, bytes);
    for (int pos = 2 * bytes - 1; pos >= 1 && v; --pos, v /= 10) {
        const auto d = static_cast<unsigned char>(v % 10);
        p[pos / 2] |= pos % 2 == 0 ? static_cast<unsigned char>(d << 4) : d;
    }
}

std::vector<unsigned char> baselineRecords(const ReportRows &report)
{
    std::vector<unsigned char> all(report.size() * recordSize);
    for (qsizetype i = 0; i < report.size(); ++i) {
        unsigned char *r = all.data() + i * recordSize;
        const ReportRow &row = report[i];
        r[0] = 1;
        std::memcpy(r + 1, &benchInstitution, 4);
        packDecimal(r + 5, 3, std::uint64_t(row.table));
        std::memcpy(r + 8, &benchPeriod, 4);
        r[12] = 0;
        const auto id = static_cast<std::int16_t>(row.rowId);
        std::memcpy(r + 13, &id, 2);
        for (int n = 0; n < valueCount; ++n)
            packDecimal(r + 15 + 9 * n, 9, std::uint64_t(qint64(row.values[size_t(n)].units())));
    }
    return all;
}

unsigned char *putLong(unsigned char *o, const unsigned char *p)
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

unsigned char *putShort(unsigned char *o, const unsigned char *p)
{
    std::uint16_t v;
    std::memcpy(&v, p, 2);
    v ^= 0x8000u;
    *o++ = static_cast<unsigned char>(v >> 8);
    *o++ = static_cast<unsigned char>(v);
    return o;
}

struct Blobs
{
    unsigned char k[4][16];
    int n[4];
};

void baselineKeys(const unsigned char *r, Blobs &b)
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
    *o++ = static_cast<unsigned char>(0x10 | (r[5] & 0x0F));
    *o++ = r[6];
    *o++ = r[7];
    o = putShort(o, r + 13);
    b.n[2] = static_cast<int>(o - b.k[2]);
    o = putShort(b.k[3], r + 13);
    o = putLong(o, r + 8);
    b.n[3] = static_cast<int>(o - b.k[3]);
}

void check(int rc, sqlite3 *db, const char *what)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "baseline %s: %s\n", what, sqlite3_errmsg(db));
        std::exit(1);
    }
}

class Baseline
{
public:
    explicit Baseline(QString path) : m_path(std::move(path))
    {
        sqlite3 *db = open();
        exec(db, "CREATE TABLE records(id INTEGER PRIMARY KEY, data BLOB NOT NULL, k0 BLOB, "
                 "k1 BLOB, k2 BLOB, k3 BLOB)");
        exec(db, "CREATE INDEX key0 ON records(k0)");
        exec(db, "CREATE UNIQUE INDEX key1 ON records(k1)");
        exec(db, "CREATE INDEX key2 ON records(k2)");
        exec(db, "CREATE INDEX key3 ON records(k3)");
        sqlite3_close_v2(db);
    }

    // The report's key range in `k1`: (period, institution, any row).
    void range(unsigned char *lo, unsigned char *hi) const
    {
        unsigned char r[recordSize] = {};
        std::memcpy(r + 1, &benchInstitution, 4);
        std::memcpy(r + 8, &benchPeriod, 4);
        putLong(putLong(lo, r + 8), r + 1);
        std::memcpy(hi, lo, 8);
        hi[8] = 0xFF; // past every row id
    }

    void save(const std::vector<unsigned char> &records)
    {
        sqlite3 *db = open();
        exec(db, "BEGIN IMMEDIATE");
        unsigned char lo[8], hi[9];
        range(lo, hi);
        sqlite3_stmt *del = prepare(db, "DELETE FROM records WHERE k1 >= ?1 AND k1 < ?2");
        sqlite3_bind_blob(del, 1, lo, 8, SQLITE_STATIC);
        sqlite3_bind_blob(del, 2, hi, 9, SQLITE_STATIC);
        check(sqlite3_step(del), db, "delete");
        sqlite3_finalize(del);
        sqlite3_stmt *insert =
            prepare(db, "INSERT INTO records(data, k0, k1, k2, k3) VALUES(?1, ?2, ?3, ?4, ?5)");
        for (size_t at = 0; at < records.size(); at += recordSize) {
            Blobs b;
            baselineKeys(records.data() + at, b);
            sqlite3_bind_blob(insert, 1, records.data() + at, recordSize, SQLITE_STATIC);
            for (int k = 0; k < 4; ++k)
                sqlite3_bind_blob(insert, k + 2, b.k[k], b.n[k], SQLITE_STATIC);
            check(sqlite3_step(insert), db, "insert");
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        exec(db, "COMMIT");
        sqlite3_close_v2(db);
    }

    std::int64_t load(std::vector<unsigned char> &out)
    {
        sqlite3 *db = open();
        unsigned char lo[8], hi[9];
        range(lo, hi);
        sqlite3_stmt *scan =
            prepare(db, "SELECT data FROM records WHERE k1 >= ?1 AND k1 < ?2 ORDER BY k1");
        sqlite3_bind_blob(scan, 1, lo, 8, SQLITE_STATIC);
        sqlite3_bind_blob(scan, 2, hi, 9, SQLITE_STATIC);
        out.clear();
        std::int64_t n = 0;
        while (sqlite3_step(scan) == SQLITE_ROW) {
            const auto *p = static_cast<const unsigned char *>(sqlite3_column_blob(scan, 0));
            out.insert(out.end(), p, p + recordSize);
            ++n;
        }
        sqlite3_finalize(scan);
        sqlite3_close_v2(db);
        return n;
    }

private:
    sqlite3 *open()
    {
        sqlite3 *db = nullptr;
        check(sqlite3_open_v2(QFile::encodeName(m_path).constData(), &db,
                              SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                              nullptr),
              db, "open");
        exec(db, "PRAGMA synchronous=FULL");
        exec(db, "PRAGMA journal_mode=DELETE");
        return db;
    }
    static void exec(sqlite3 *db, const char *sql)
    {
        char *error = nullptr;
        if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
            std::fprintf(stderr, "baseline: %s: %s\n", sql, error ? error : "");
            std::exit(1);
        }
    }
    static sqlite3_stmt *prepare(sqlite3 *db, const char *sql)
    {
        sqlite3_stmt *s = nullptr;
        check(sqlite3_prepare_v2(db, sql, -1, &s, nullptr), db, "prepare");
        return s;
    }

    QString m_path;
};

// --- our side: the report store on a working directory of its own

struct Setup
{
    QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/zemor-bench-XXXXXX")};
    std::unique_ptr<data::DataContext> context;
    std::unique_ptr<Baseline> baseline;
    ReportRows report;
    std::vector<unsigned char> records;

    explicit Setup(int rows) : report(makeReport(rows)), records(baselineRecords(report))
    {
        if (!dir.isValid() || !QDir(dir.path()).mkpath(QString::number(benchYear))) {
            std::fprintf(stderr, "no working directory\n");
            std::exit(1);
        }
        runtime::fs::setWorkDir(dir.path());
        context = std::make_unique<data::DataContext>();
        baseline = std::make_unique<Baseline>(dir.filePath(QStringLiteral("base.db")));
    }

    ReportIdentity identity() const
    {
        return ReportIdentity{benchYear, benchForm, benchInstitution, 1, 0, benchPeriod};
    }

    void ours()
    {
        ReportStore store(*context, identity());
        const auto written = store.replace(report);
        if (!written || *written != report.size()) {
            std::fprintf(stderr, "save: %s\n",
                         written ? "short" : qPrintable(written.error().message));
            std::exit(1);
        }
        const auto loaded = store.load();
        if (!loaded || loaded->size() != report.size()) {
            std::fprintf(stderr, "load: %s\n",
                         loaded ? "short" : qPrintable(loaded.error().message));
            std::exit(1);
        }
    }

    void base()
    {
        baseline->save(records);
        std::vector<unsigned char> out;
        if (baseline->load(out) != report.size()) {
            std::fprintf(stderr, "baseline load: short\n");
            std::exit(1);
        }
    }
};

template <class F> double seconds(F &&f)
{
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::int64_t argValue(int argc, char **argv, const char *name, std::int64_t fallback)
{
    const std::string prefix = std::string("--") + name + "=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], prefix.c_str(), prefix.size()) == 0)
            return std::atoll(argv[i] + prefix.size());
    }
    return fallback;
}

int report(int argc, char **argv)
{
    const int rows = int(argValue(argc, argv, "rows", 300));
    const int repeat = int(argValue(argc, argv, "repeat", 10));
    Setup setup(rows);
    setup.ours(); // both files hold the report before the timed rounds
    setup.base();
    // Rounds alternate and the best of each side counts: the machine may be busy with other
    // work for part of a run.
    double ours = 1e30, base = 1e30;
    for (int round = 0; round < 3; ++round) {
        ours = std::min(ours, seconds([&] {
                            for (int i = 0; i < repeat; ++i)
                                setup.ours();
                        }));
        base = std::min(base, seconds([&] {
                            for (int i = 0; i < repeat; ++i)
                                setup.base();
                        }));
    }
    std::printf("entry save+reopen %dx%d x%d ours=%.3fs baseline=%.3fs ratio=%.2f\n", rows,
                valueCount, repeat, ours, base, ours / base);
    std::fflush(stdout);
    return 0;
}

Setup &defaultSetup()
{
    static Setup setup(300);
    return setup;
}

void BM_SaveReopenOurs(benchmark::State &state)
{
    Setup &setup = defaultSetup();
    for (auto _ : state)
        setup.ours();
}
BENCHMARK(BM_SaveReopenOurs)->Unit(benchmark::kMillisecond);

void BM_SaveReopenBaseline(benchmark::State &state)
{
    Setup &setup = defaultSetup();
    for (auto _ : state)
        setup.base();
}
BENCHMARK(BM_SaveReopenBaseline)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--report") == 0)
            return report(argc, argv);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    defaultSetup();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
