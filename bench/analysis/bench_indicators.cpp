// An indicator by district over a form's data file: 10 formula lines of 4 terms each (rows 1 to
// 10, columns 1 to 4) over the reports of 28 districts with 10 institutions each, 60 rows a
// report. The baseline is plain SQLite on a table of the same shape (the raw record and its
// four key columns, the same indexes and pragmas) reading the same rows by the row key
// (OTC:KEYCODSTR) and summing the four values per district in doubles, decoded by hand. Ours is
// the whole run: the formula read from the cell file, the districts, the rows read in one read
// transaction, the sums, totals and steps.
//
//   bench_indicators --report [--repeat=N]   one line, ending in ratio=<ours/baseline>
//   bench_indicators [Google Benchmark options]
//
// The files are made in a temporary working directory and removed at the end.

#include "analysis/indicators/IndicatorComputation.h"
#include "bench/support/BenchMain.h"
#include "bench/support/PlainSqlite.h"
#include "data/DataContext.h"
#include "data/Dictionary.h"
#include "data/records/OtchetRecord.h"
#include "data/records/PokasRecord.h"
#include "data/records/Region1Record.h"
#include "runtime/fs/Paths.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/store/Transaction.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

using namespace zemor;
using namespace zemor::analysis;
using namespace zemor::bench;
using namespace Qt::StringLiterals;

namespace {

constexpr int benchYear = 2025;
constexpr int benchForm = 12;
constexpr int districts = 28;
constexpr int institutionsPerDistrict = 10;
constexpr int rowsPerReport = 60;
constexpr int lines = 10;
constexpr int termsPerLine = 4;
constexpr qint16 indicatorId = 5;

qint64 valueUnits(int institution, int row, int column)
{
    return qint64(institution * 7919 + row * 104729 + column * 31) % 99999999 + 1;
}

// Creates `name` of layout `id` and adds `count` records filled by `fill`, in one transaction.
template <class Fill> bool writeFile(const QString &name, data::FileId id, int count, Fill fill)
{
    const auto &layout = data::declaration(id).layout;
    if (!runtime::store::KeyedFile::create(name, layout))
        return false;
    runtime::store::KeyedFile file(layout);
    if (!file.open(name))
        return false;
    auto tx = runtime::store::Transaction::begin(file);
    if (!tx)
        return false;
    for (int i = 0; i < count; ++i) {
        file.clearRecord();
        if (!fill(file, i) || !file.add())
            return false;
    }
    return tx->commit().has_value();
}

class Setup
{
public:
    Setup()
    {
        if (!m_dir.isValid()) {
            std::fprintf(stderr, "no working directory\n");
            std::exit(1);
        }
        runtime::fs::setWorkDir(m_dir.path());
        QDir(m_dir.path()).mkpath(QString::number(benchYear));
        const int institutions = districts * institutionsPerDistrict;
        const int records = institutions * rowsPerReport;
        bool ok = writeFile(m_dir.filePath(u"REGION1.DAT"_s), data::FileId::region1, districts,
                            [](runtime::store::KeyedFile &f, int i) {
                                data::Region1Record r(f.record());
                                r.setName(u"район"_s);
                                return r.setCodReg(i + 1).has_value();
                            });
        ok = ok && writeFile(m_dir.filePath(u"POKAS.DAT"_s), data::FileId::Pokas,
                             lines * termsPerLine, [](runtime::store::KeyedFile &f, int i) {
                                 data::PokasRecord r(f.record());
                                 r.setUnicod(i + 1);
                                 r.setUnicodP(indicatorId);
                                 r.setUnicodStr(qint16(i / termsPerLine + 1));
                                 r.setCodGr(quint8(i % termsPerLine + 1));
                                 r.setCodGrP(quint8(i + 1));
                                 return r.setCodForm(benchForm).has_value() &&
                                        r.setCodTabl(1).has_value();
                             });
        // The same records for both sides.
        m_records.resize(size_t(records) * plainRecordSize);
        ok = ok &&
             writeFile(
                 m_dir.filePath(u"%1/F%2.dat"_s.arg(benchYear).arg(benchForm, 4, 10, QChar(u'0'))),
                 data::FileId::otchet, records, [&](runtime::store::KeyedFile &f, int i) {
                     const int institution = i / rowsPerReport + 1;
                     const int row = i % rowsPerReport + 1;
                     data::OtchetRecord r(f.record());
                     r.setCodReg(quint8((institution - 1) / institutionsPerDistrict + 1));
                     r.setCodUch(institution);
                     r.setMes(0);
                     r.setUnicodStr(qint16(row));
                     if (!r.setCodTab(1))
                         return false;
                     for (int c = 1; c <= data::OtchetRecord::valueCount; ++c) {
                         if (!r.setData(c, runtime::Decimal::fromUnits(
                                               valueUnits(institution, row, c), 3)))
                             return false;
                     }
                     std::memcpy(m_records.data() + size_t(i) * plainRecordSize,
                                 f.record().constData(), plainRecordSize);
                     return true;
                 });
        if (!ok) {
            std::fprintf(stderr, "writing the files failed\n");
            std::exit(1);
        }
        m_plain = m_dir.filePath(u"plain.db"_s);
        sqlite3 *db = openPlain(m_plain);
        createRecordsTable(db);
        exec(db, "BEGIN");
        sqlite3_stmt *insert = prepare(db, insertRecordSql);
        for (size_t at = 0; at < m_records.size(); at += plainRecordSize)
            insertRecord(db, insert, m_records.data() + at);
        sqlite3_finalize(insert);
        exec(db, "COMMIT");
        sqlite3_close_v2(db);

        m_definition.id = indicatorId;
        m_definition.form = benchForm;
        m_definition.columns = lines * termsPerLine;
        m_definition.type = 1;
        m_definition.firstYear = benchYear;
        m_definition.lastYear = benchYear;
        m_request.year = benchYear;
        m_request.period = {1, 12};
        m_request.layout = IndicatorLayout::ByDistrict;
    }

    double ours()
    {
        data::DataContext context;
        const auto run = IndicatorComputation(context).run(m_definition, m_request);
        if (!run || run->years.isEmpty()) {
            std::fprintf(stderr, "run: %s\n", run ? "no result" : qPrintable(run.error().message));
            std::exit(1);
        }
        return run->years[0].rows.last().slot(1);
    }

    // Decodes a packed DECIMAL(17,3) value to a double, as a plain reader would.
    static double decoded(const unsigned char *p)
    {
        std::int64_t v = 0;
        for (int pos = 1; pos < 18; ++pos) {
            const unsigned char b = p[pos / 2];
            v = v * 10 + ((pos % 2 == 0) ? (b >> 4) : (b & 0x0F));
        }
        const bool negative = (p[0] >> 4) != 0;
        return (negative ? -double(v) : double(v)) / 1000.0;
    }

    double base()
    {
        sqlite3 *db = openPlain(m_plain);
        exec(db, "BEGIN");
        sqlite3_stmt *scan =
            prepare(db, "SELECT data FROM records WHERE k3 >= ?1 AND k3 < ?2 ORDER BY k3");
        std::vector<std::array<double, 40>> sums(256, std::array<double, 40>{});
        for (int line = 0; line < lines; ++line) {
            unsigned char record[plainRecordSize] = {};
            const auto row = static_cast<std::int16_t>(line + 1);
            std::memcpy(record + 13, &row, 2);
            unsigned char lo[2], hi[2];
            putShort(lo, record + 13);
            const auto next = static_cast<std::int16_t>(row + 1);
            std::memcpy(record + 13, &next, 2);
            putShort(hi, record + 13);
            sqlite3_bind_blob(scan, 1, lo, 2, SQLITE_STATIC);
            sqlite3_bind_blob(scan, 2, hi, 2, SQLITE_STATIC);
            while (sqlite3_step(scan) == SQLITE_ROW) {
                const auto *p = static_cast<const unsigned char *>(sqlite3_column_blob(scan, 0));
                for (int t = 0; t < termsPerLine; ++t)
                    sums[p[0]][size_t(line * termsPerLine + t)] += decoded(p + 15 + 9 * t);
            }
            sqlite3_reset(scan);
        }
        sqlite3_finalize(scan);
        exec(db, "COMMIT");
        sqlite3_close_v2(db);
        double total = 0;
        for (int d = 1; d <= districts; ++d)
            total += sums[size_t(d)][0];
        return total;
    }

private:
    QTemporaryDir m_dir;
    QString m_plain;
    std::vector<unsigned char> m_records;
    IndicatorDefinition m_definition;
    IndicatorRequest m_request;
};

int report(int argc, char **argv)
{
    const int repeat = int(argValue(argc, argv, "repeat", 10));
    Setup setup;
    if (std::abs(setup.ours() - setup.base()) > 1e-6 * std::abs(setup.base())) {
        std::fprintf(stderr, "the two sides disagree: %.3f and %.3f\n", setup.ours(), setup.base());
        return 1;
    }
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
    std::printf("indicators by district %dx%d terms over %d records x%d ours=%.3fs "
                "baseline=%.3fs ratio=%.2f\n",
                lines, termsPerLine, districts * institutionsPerDistrict * rowsPerReport, repeat,
                ours, base, ours / base);
    std::fflush(stdout);
    return 0;
}

Setup &defaultSetup()
{
    static Setup setup;
    return setup;
}

void BM_IndicatorOurs(benchmark::State &state)
{
    Setup &setup = defaultSetup();
    for (auto _ : state)
        benchmark::DoNotOptimize(setup.ours());
}
BENCHMARK(BM_IndicatorOurs)->Unit(benchmark::kMillisecond);

void BM_IndicatorBaseline(benchmark::State &state)
{
    Setup &setup = defaultSetup();
    for (auto _ : state)
        benchmark::DoNotOptimize(setup.base());
}
BENCHMARK(BM_IndicatorBaseline)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return zemor::bench::benchMain(argc, argv, report, [] { defaultSetup(); });
}
