// A region summary by key and the completeness count over one form's data file, against plain
// SQLite scanning the same record blobs in key order: the summary adds the 35 packed values of
// every record into per-row integer sums, the count counts each (institution, period) once.
// Both files hold the same records (institutions x months x rows, every value filled), written
// before the timed rounds; each side opens its file for the run and closes it after.
//
//   bench_summary --report [--institutions=N] [--months=N] [--rows=N]
//       two lines, "summary ..." and "completeness ...", each ending in ratio=<ours/baseline>
//   bench_summary [Google Benchmark options]   the same on a small file
//
// The files are made in a temporary working directory and removed at the end.

#include "analysis/Completeness.h"
#include "analysis/Summary.h"
#include "bench/support/BenchMain.h"
#include "bench/support/PlainSqlite.h"
#include "data/DataContext.h"
#include "data/records/FormaRecord.h"
#include "data/records/OtchetRecord.h"
#include "entry/FormCatalogue.h"
#include "runtime/fs/Paths.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/store/Transaction.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

using namespace zemor;
using namespace zemor::bench;

namespace {

constexpr int benchYear = 2025;
constexpr int benchForm = 7;
constexpr int recordSize = bench::plainRecordSize;

[[noreturn]] void die(const char *what, const QString &why)
{
    std::fprintf(stderr, "%s: %s\n", what, qPrintable(why));
    std::exit(1);
}

// The record of (institution, month, row): district by institution, every value filled.
void makeRecord(unsigned char *r, qint32 institution, qint32 month, int row)
{
    std::memset(r, 0, recordSize);
    r[0] = static_cast<unsigned char>(institution / 100 % 100 + 1);
    std::memcpy(r + 1, &institution, 4);
    packDigits(r + 5, 3, std::uint64_t(1000 * (row / 50 + 1)));
    std::memcpy(r + 8, &month, 4);
    r[12] = 1;
    const auto id = static_cast<std::int16_t>(row + 1);
    std::memcpy(r + 13, &id, 2);
    for (int n = 0; n < 35; ++n)
        packDigits(
            r + 15 + 9 * n, 9,
            std::uint64_t((institution * 7919 + month * 104729 + row * 31 + n) % 999999 + 1));
}

// Decodes the unsigned packed value of `bytes` bytes (the sign nibble zero).
std::int64_t unpack(const unsigned char *p, int bytes)
{
    std::int64_t v = 0;
    for (int pos = 1; pos < 2 * bytes; ++pos)
        v = v * 10 + (pos % 2 == 0 ? p[pos / 2] >> 4 : p[pos / 2] & 0x0F);
    return v;
}

struct Setup
{
    QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/zemor-bench-XXXXXX")};
    int institutions, months, rows;
    QString basePath;

    Setup(int institutions_, int months_, int rows_)
        : institutions(institutions_), months(months_), rows(rows_)
    {
        if (!dir.isValid() || !QDir(dir.path()).mkpath(QString::number(benchYear)))
            die("setup", QStringLiteral("no working directory"));
        runtime::fs::setWorkDir(dir.path());
        basePath = dir.filePath(QStringLiteral("base.db"));
        writeOurs();
        writeBaseline();
    }

    template <class Each> void eachRecord(Each each) const
    {
        unsigned char r[recordSize];
        for (int m = 1; m <= months; ++m) {
            for (int i = 0; i < institutions; ++i) {
                for (int row = 0; row < rows; ++row) {
                    makeRecord(r, 100 + i, m, row);
                    each(r);
                }
            }
        }
    }

    void writeOurs()
    {
        data::DataContext ctx;
        ctx.names().setYearFileNames(benchYear, data::YearNameSet::ReportList);
        if (auto s = ctx.open(data::FileId::forma); !s)
            die("forma", s.error().message);
        {
            data::FormaRecord f(ctx.record(data::FileId::forma));
            f.clear();
            (void)f.setUnicod(benchForm);
            f.setCod(QStringLiteral("7"));
            f.setTip(1);
            if (auto s = ctx.file(data::FileId::forma).add(); !s)
                die("forma", s.error().message);
        }
        ctx.close(data::FileId::forma);

        ctx.names().setOtchetFileName(benchYear, benchForm);
        if (auto s = ctx.open(data::FileId::otchet); !s)
            die("otchet", s.error().message);
        runtime::store::KeyedFile &file = ctx.file(data::FileId::otchet);
        auto tx = runtime::store::Transaction::begin(file);
        if (!tx)
            die("otchet", tx.error().message);
        eachRecord([&](const unsigned char *r) {
            std::memcpy(file.record().data(), r, recordSize);
            if (auto s = file.add(); !s)
                die("otchet add", s.error().message);
        });
        if (auto s = tx->commit(); !s)
            die("otchet commit", s.error().message);
        ctx.close(data::FileId::otchet);
    }

    void writeBaseline()
    {
        sqlite3 *db = openPlain(basePath);
        createRecordsTable(db);
        exec(db, "BEGIN IMMEDIATE");
        sqlite3_stmt *insert = prepare(db, insertRecordSql);
        eachRecord([&](const unsigned char *r) { insertRecord(db, insert, r); });
        sqlite3_finalize(insert);
        exec(db, "COMMIT");
        sqlite3_close_v2(db);
    }

    // --- the summary

    void oursSummary() const
    {
        analysis::SummaryRequest request;
        request.year = benchYear;
        request.form.code = benchForm;
        request.form.periodKind = 1;
        request.from = 1;
        request.to = months;
        data::DataContext ctx;
        const auto kinds = analysis::ColumnKinds::load(entry::FormCatalogue(), false);
        const auto summary = analysis::SummaryCalculation::sumReports(ctx, request, kinds);
        if (!summary || summary->rows.size() != rows)
            die("summary", summary ? QStringLiteral("short") : summary.error().message);
    }

    void baseSummary() const
    {
        sqlite3 *db = openPlain(basePath);
        exec(db, "BEGIN");
        sqlite3_stmt *scan = prepare(db, "SELECT data FROM records ORDER BY k1");
        std::map<int, std::array<std::int64_t, 35>> sums;
        while (sqlite3_step(scan) == SQLITE_ROW) {
            const auto *p = static_cast<const unsigned char *>(sqlite3_column_blob(scan, 0));
            std::int16_t id;
            std::memcpy(&id, p + 13, 2);
            auto &s = sums[id];
            for (int n = 0; n < 35; ++n)
                s[size_t(n)] += unpack(p + 15 + 9 * n, 9);
        }
        sqlite3_finalize(scan);
        exec(db, "COMMIT");
        sqlite3_close_v2(db);
        if (int(sums.size()) != rows)
            die("baseline summary", QStringLiteral("short"));
    }

    // --- the count

    void oursCount() const
    {
        const auto counted = analysis::Completeness::countSubmittedReports(benchYear, 1, months);
        if (!counted || counted->reports.size() != qsizetype(institutions) * months)
            die("count", counted ? QStringLiteral("short") : counted.error().message);
    }

    void baseCount() const
    {
        sqlite3 *db = openPlain(basePath);
        exec(db, "BEGIN");
        sqlite3_stmt *scan = prepare(db, "SELECT data FROM records ORDER BY k1");
        std::int64_t counted = 0;
        std::int32_t lastInstitution = -1, lastMonth = -1;
        unsigned char lastDistrict = 0;
        while (sqlite3_step(scan) == SQLITE_ROW) {
            const auto *p = static_cast<const unsigned char *>(sqlite3_column_blob(scan, 0));
            std::int32_t institution, month;
            std::memcpy(&institution, p + 1, 4);
            std::memcpy(&month, p + 8, 4);
            if (institution == lastInstitution && month == lastMonth && p[0] == lastDistrict)
                continue;
            lastInstitution = institution;
            lastMonth = month;
            lastDistrict = p[0];
            ++counted;
        }
        sqlite3_finalize(scan);
        exec(db, "COMMIT");
        sqlite3_close_v2(db);
        if (counted != std::int64_t(institutions) * months)
            die("baseline count", QStringLiteral("short"));
    }
};

template <class Ours, class Base> std::pair<double, double> race(Ours ours, Base base)
{
    // Rounds alternate and the best of each side counts: the machine may be busy with other
    // work for part of a run.
    double o = 1e30, b = 1e30;
    for (int round = 0; round < 3; ++round) {
        o = std::min(o, seconds(ours));
        b = std::min(b, seconds(base));
    }
    return {o, b};
}

int report(int argc, char **argv)
{
    const int institutions = int(argValue(argc, argv, "institutions", 500));
    const int months = int(argValue(argc, argv, "months", 12));
    const int rows = int(argValue(argc, argv, "rows", 300));
    const Setup setup(institutions, months, rows);
    const auto [ours, base] = race([&] { setup.oursSummary(); }, [&] { setup.baseSummary(); });
    std::printf("summary by key %dx%dx%d ours=%.3fs baseline=%.3fs ratio=%.2f\n", institutions,
                months, rows, ours, base, ours / base);
    const auto [oursCount, baseCount] =
        race([&] { setup.oursCount(); }, [&] { setup.baseCount(); });
    std::printf("completeness count %dx%dx%d ours=%.3fs baseline=%.3fs ratio=%.2f\n", institutions,
                months, rows, oursCount, baseCount, oursCount / baseCount);
    std::fflush(stdout);
    return 0;
}

const Setup &smallSetup()
{
    static const Setup setup(20, 12, 50);
    return setup;
}

void BM_SummaryOurs(benchmark::State &state)
{
    for (auto _ : state)
        smallSetup().oursSummary();
}
BENCHMARK(BM_SummaryOurs)->Unit(benchmark::kMillisecond);

void BM_SummaryBaseline(benchmark::State &state)
{
    for (auto _ : state)
        smallSetup().baseSummary();
}
BENCHMARK(BM_SummaryBaseline)->Unit(benchmark::kMillisecond);

void BM_CountOurs(benchmark::State &state)
{
    for (auto _ : state)
        smallSetup().oursCount();
}
BENCHMARK(BM_CountOurs)->Unit(benchmark::kMillisecond);

void BM_CountBaseline(benchmark::State &state)
{
    for (auto _ : state)
        smallSetup().baseCount();
}
BENCHMARK(BM_CountBaseline)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return zemor::bench::benchMain(argc, argv, report, [] { smallSetup(); });
}
