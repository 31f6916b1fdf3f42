// The cross-section and the list of submitting institutions over a monthly data file of many
// institutions, against plain SQLite on a table of the same shape (the raw record and its four
// key columns, the same indexes and pragmas):
// - a build by districts of 105 marks against reading, for each mark, its row's key range
//   (row id, months) and summing the packed value of its column as an exact integer per district;
// - the list's fill of the whole year against one key-ordered scan that makes a line per
//   institution and month.
//
//   bench_crosssection --report [--institutions=N] [--rows=N] [--repeat=N]
//   bench_crosssection [Google Benchmark options]   the same on a smaller file
//
// Both files are made in a temporary working directory and removed at the end.

#include "analysis/SubmittedReports.h"
#include "analysis/crosssections/CrossSectionBuild.h"
#include "bench/support/BenchMain.h"
#include "bench/support/PlainSqlite.h"
#include "data/DataContext.h"
#include "data/FileNames.h"
#include "runtime/fs/Paths.h"
#include "runtime/store/KeyedFile.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

using namespace zemor;
using namespace zemor::bench;

namespace {

constexpr int benchYear = 2025;
constexpr int benchForm = 7;
constexpr int months = 12;
constexpr int markCount = 105;
constexpr int recordSize = plainRecordSize;

__extension__ typedef __int128 Wide;

int districtOf(int institution)
{
    return institution % 28 + 1;
}

// One record as the store writes it: institution, month and row id, values from a fixed sequence.
void makeRecord(unsigned char *r, qint32 institution, qint32 month, qint16 rowId)
{
    std::memset(r, 0, recordSize);
    r[0] = static_cast<unsigned char>(districtOf(institution));
    std::memcpy(r + 1, &institution, 4);
    packDigits(r + 5, 3, 1000);
    std::memcpy(r + 8, &month, 4);
    r[12] = 1;
    std::memcpy(r + 13, &rowId, 2);
    for (int n = 0; n < 35; ++n)
        packDigits(r + 15 + 9 * n, 9,
                   std::uint64_t(institution * 7919 + month * 104729 + rowId * 31 + n) % 99999999 +
                       1);
}

// The value of a packed DECIMAL(17,3) as units, exactly.
Wide unpack(const unsigned char *p)
{
    Wide v = 0;
    for (int pos = 1; pos < 18; ++pos) {
        const unsigned d = pos % 2 == 0 ? p[pos / 2] >> 4 : p[pos / 2] & 0x0F;
        v = v * 10 + d;
    }
    return (p[0] >> 4) != 0 ? -v : v;
}

struct Mark
{
    int rowId;
    int column;
};

QList<Mark> marks(int rows)
{
    QList<Mark> out;
    for (int k = 0; k < markCount; ++k)
        out.append({1 + (k * 37) % rows, 1 + k % 35});
    return out;
}

struct Setup
{
    QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/zemor-bench-XXXXXX")};
    int institutions;
    int rows;
    QString basePath;
    std::unique_ptr<data::DataContext> context;

    Setup(int institutions_, int rows_) : institutions(institutions_), rows(rows_)
    {
        if (!dir.isValid() || !QDir(dir.path()).mkpath(QString::number(benchYear))) {
            std::fprintf(stderr, "no working directory\n");
            std::exit(1);
        }
        runtime::fs::setWorkDir(dir.path());
        context = std::make_unique<data::DataContext>();
        basePath = dir.filePath(QStringLiteral("base.db"));
        writeOurs();
        writeBase();
    }

    void writeOurs()
    {
        context->names().setOtchetFileName(benchYear, benchForm);
        if (!context->open(data::FileId::otchet)) {
            std::fprintf(stderr, "cannot open the data file\n");
            std::exit(1);
        }
        runtime::store::KeyedFile &file = context->file(data::FileId::otchet);
        if (!file.begin()) {
            std::fprintf(stderr, "cannot begin\n");
            std::exit(1);
        }
        for (int month = 1; month <= months; ++month)
            for (int i = 1; i <= institutions; ++i)
                for (int row = 1; row <= rows; ++row) {
                    makeRecord(reinterpret_cast<unsigned char *>(file.record().data()), 1000 + i,
                               month, qint16(row));
                    if (!file.add()) {
                        std::fprintf(stderr, "add: %s\n", qPrintable(file.lastError().message));
                        std::exit(1);
                    }
                }
        if (!file.commit()) {
            std::fprintf(stderr, "commit\n");
            std::exit(1);
        }
        context->close(data::FileId::otchet);
    }

    void writeBase()
    {
        sqlite3 *db = openPlain(basePath);
        createRecordsTable(db);
        exec(db, "BEGIN IMMEDIATE");
        sqlite3_stmt *insert = prepare(db, insertRecordSql);
        unsigned char r[recordSize];
        for (int month = 1; month <= months; ++month)
            for (int i = 1; i <= institutions; ++i)
                for (int row = 1; row <= rows; ++row) {
                    makeRecord(r, 1000 + i, month, qint16(row));
                    insertRecord(db, insert, r);
                }
        sqlite3_finalize(insert);
        exec(db, "COMMIT");
        sqlite3_close_v2(db);
    }

    // Our build; answers the first mark's total.
    Wide ours()
    {
        QList<analysis::CrossSectionMark> list;
        for (const Mark &m : marks(rows)) {
            analysis::CrossSectionMark mark;
            mark.year = benchYear;
            mark.form = benchForm;
            mark.table = 1000;
            mark.rowId = m.rowId;
            mark.dataColumn = m.column;
            mark.periodFrom = 1;
            mark.periodTo = months;
            list.append(mark);
        }
        analysis::CrossSectionBuild build(*context, {});
        auto result = build.byPlace(list, analysis::CrossSectionGrouping::Districts);
        if (!result || result->markCount() != markCount) {
            std::fprintf(stderr, "build: %s\n",
                         result ? "short" : qPrintable(result.error().message));
            std::exit(1);
        }
        return result->rows.last().values[0].units();
    }

    // The baseline: each mark's key range (row id, months 1..12) in k3, summed per district.
    Wide base()
    {
        sqlite3 *db = openPlain(basePath);
        exec(db, "BEGIN");
        sqlite3_stmt *scan =
            prepare(db, "SELECT data FROM records WHERE k3 >= ?1 AND k3 <= ?2 ORDER BY k3");
        std::map<int, Wide> sums[markCount];
        int k = 0;
        for (const Mark &m : marks(rows)) {
            unsigned char r[recordSize] = {};
            const auto id = qint16(m.rowId);
            std::memcpy(r + 13, &id, 2);
            unsigned char lo[6], hi[6];
            qint32 first = 1, last = months;
            std::memcpy(r + 8, &first, 4);
            putLong(putShort(lo, r + 13), r + 8);
            std::memcpy(r + 8, &last, 4);
            putLong(putShort(hi, r + 13), r + 8);
            sqlite3_bind_blob(scan, 1, lo, 6, SQLITE_STATIC);
            sqlite3_bind_blob(scan, 2, hi, 6, SQLITE_STATIC);
            while (sqlite3_step(scan) == SQLITE_ROW) {
                const auto *p = static_cast<const unsigned char *>(sqlite3_column_blob(scan, 0));
                sums[k][p[0]] += unpack(p + 15 + 9 * (m.column - 1));
            }
            sqlite3_reset(scan);
            ++k;
        }
        sqlite3_finalize(scan);
        exec(db, "COMMIT");
        sqlite3_close_v2(db);
        Wide total = 0;
        for (const auto &[district, sum] : sums[0])
            total += sum;
        return total;
    }

    qsizetype oursList()
    {
        analysis::SubmittedReports list(*context, benchYear);
        auto lines = list.fill(benchForm, 1, 1, months);
        if (!lines) {
            std::fprintf(stderr, "list: %s\n", qPrintable(lines.error().message));
            std::exit(1);
        }
        return lines->size();
    }

    qsizetype baseList()
    {
        sqlite3 *db = openPlain(basePath);
        sqlite3_stmt *scan = prepare(db, "SELECT data FROM records ORDER BY k1");
        qsizetype lines = 0;
        qint32 lastInstitution = -1, lastMonth = -1;
        while (sqlite3_step(scan) == SQLITE_ROW) {
            const auto *p = static_cast<const unsigned char *>(sqlite3_column_blob(scan, 0));
            qint32 institution, month;
            std::memcpy(&institution, p + 1, 4);
            std::memcpy(&month, p + 8, 4);
            if (institution != lastInstitution || month != lastMonth) {
                ++lines;
                lastInstitution = institution;
                lastMonth = month;
            }
        }
        sqlite3_finalize(scan);
        sqlite3_close_v2(db);
        return lines;
    }
};

int report(int argc, char **argv)
{
    const int institutions = int(argValue(argc, argv, "institutions", 500));
    const int rows = int(argValue(argc, argv, "rows", 100));
    const int repeat = int(argValue(argc, argv, "repeat", 1));
    Setup setup(institutions, rows);
    if (setup.ours() != setup.base()) {
        std::fprintf(stderr, "the two sides disagree\n");
        return 1;
    }
    if (setup.oursList() != setup.baseList()) {
        std::fprintf(stderr, "the two lists disagree\n");
        return 1;
    }
    // Rounds alternate and the best of each side counts: the machine may be busy meanwhile.
    double ours = 1e30, base = 1e30, oursList = 1e30, baseList = 1e30;
    for (int round = 0; round < 3; ++round) {
        ours = std::min(ours, seconds([&] {
                            for (int i = 0; i < repeat; ++i)
                                setup.ours();
                        }));
        base = std::min(base, seconds([&] {
                            for (int i = 0; i < repeat; ++i)
                                setup.base();
                        }));
        oursList = std::min(oursList, seconds([&] {
                                for (int i = 0; i < repeat; ++i)
                                    setup.oursList();
                            }));
        baseList = std::min(baseList, seconds([&] {
                                for (int i = 0; i < repeat; ++i)
                                    setup.baseList();
                            }));
    }
    std::printf("crosssection build %d marks %dx%dx%d x%d ours=%.3fs baseline=%.3fs ratio=%.2f\n",
                markCount, institutions, months, rows, repeat, ours, base, ours / base);
    std::printf("crosssection list fill %dx%dx%d x%d ours=%.3fs baseline=%.3fs ratio=%.2f\n",
                institutions, months, rows, repeat, oursList, baseList, oursList / baseList);
    std::fflush(stdout);
    return 0;
}

Setup &defaultSetup()
{
    static Setup setup(50, 100);
    return setup;
}

void BM_BuildOurs(benchmark::State &state)
{
    Setup &setup = defaultSetup();
    for (auto _ : state)
        benchmark::DoNotOptimize(setup.ours());
}
BENCHMARK(BM_BuildOurs)->Unit(benchmark::kMillisecond);

void BM_BuildBaseline(benchmark::State &state)
{
    Setup &setup = defaultSetup();
    for (auto _ : state)
        benchmark::DoNotOptimize(setup.base());
}
BENCHMARK(BM_BuildBaseline)->Unit(benchmark::kMillisecond);

void BM_ListOurs(benchmark::State &state)
{
    Setup &setup = defaultSetup();
    for (auto _ : state)
        benchmark::DoNotOptimize(setup.oursList());
}
BENCHMARK(BM_ListOurs)->Unit(benchmark::kMillisecond);

void BM_ListBaseline(benchmark::State &state)
{
    Setup &setup = defaultSetup();
    for (auto _ : state)
        benchmark::DoNotOptimize(setup.baseList());
}
BENCHMARK(BM_ListBaseline)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return zemor::bench::benchMain(argc, argv, report, [] { defaultSetup(); });
}
