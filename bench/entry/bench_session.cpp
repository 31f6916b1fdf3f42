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

#include "bench/support/BenchMain.h"
#include "bench/support/PlainSqlite.h"
#include "data/DataContext.h"
#include "entry/ReportReader.h"
#include "entry/ReportStore.h"
#include "runtime/fs/Paths.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

using namespace zemor;
using namespace zemor::entry;
using namespace zemor::bench;

namespace {

constexpr int benchYear = 2025;
constexpr int benchForm = 12;
constexpr int recordSize = bench::plainRecordSize;
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

std::vector<unsigned char> baselineRecords(const ReportRows &report)
{
    std::vector<unsigned char> all(report.size() * recordSize);
    for (qsizetype i = 0; i < report.size(); ++i) {
        unsigned char *r = all.data() + i * recordSize;
        const ReportRow &row = report[i];
        r[0] = 1;
        std::memcpy(r + 1, &benchInstitution, 4);
        packDigits(r + 5, 3, std::uint64_t(row.table));
        std::memcpy(r + 8, &benchPeriod, 4);
        r[12] = 0;
        const auto id = static_cast<std::int16_t>(row.rowId);
        std::memcpy(r + 13, &id, 2);
        for (int n = 0; n < valueCount; ++n)
            packDigits(r + 15 + 9 * n, 9, std::uint64_t(qint64(row.values[size_t(n)].units())));
    }
    return all;
}

class Baseline
{
public:
    explicit Baseline(QString path) : m_path(std::move(path))
    {
        sqlite3 *db = openPlain(m_path);
        createRecordsTable(db);
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
        sqlite3 *db = openPlain(m_path);
        exec(db, "BEGIN IMMEDIATE");
        unsigned char lo[8], hi[9];
        range(lo, hi);
        sqlite3_stmt *del = prepare(db, "DELETE FROM records WHERE k1 >= ?1 AND k1 < ?2");
        sqlite3_bind_blob(del, 1, lo, 8, SQLITE_STATIC);
        sqlite3_bind_blob(del, 2, hi, 9, SQLITE_STATIC);
        check(sqlite3_step(del), db, "delete");
        sqlite3_finalize(del);
        sqlite3_stmt *insert = prepare(db, insertRecordSql);
        for (size_t at = 0; at < records.size(); at += recordSize)
            insertRecord(db, insert, records.data() + at);
        sqlite3_finalize(insert);
        exec(db, "COMMIT");
        sqlite3_close_v2(db);
    }

    std::int64_t load(std::vector<unsigned char> &out)
    {
        sqlite3 *db = openPlain(m_path);
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
        const ReportIdentity id = identity();
        const auto loaded =
            ReportReader(*context).report(id.year, id.form, id.period, id.institution);
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
    return zemor::bench::benchMain(argc, argv, report, [] { defaultSetup(); });
}
