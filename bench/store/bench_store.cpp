// The keyed file against plain SQLite statements on an identical table (same columns, same
// indexes, key blobs computed by this program's own code): bulk add in one transaction, lookups
// by the unique key, and a full scan in the order of that key, on records of the report layout.
//
//   bench_store --report [--records=N] [--lookups=N]   one line per comparison, ending in
//                                                      ratio=<ours/baseline>
//   bench_store [Google Benchmark options]              the same operations on a small file
//
// The files are made in a temporary directory and removed at the end.

#include "bench/support/BenchMain.h"
#include "bench/support/PlainSqlite.h"
#include "runtime/store/KeyedFile.h"

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

using namespace zemor::runtime;
using namespace zemor::runtime::store;
using namespace zemor::bench;

namespace {

constexpr int recordSize = plainRecordSize;

RecordLayout reportLayout()
{
    auto field = [](const char *name, int offset, FieldType type, int size, int places = 0,
                    int dim = 1) {
        FieldDef f;
        f.name = QString::fromLatin1(name);
        f.offset = offset;
        f.type = type;
        f.size = size;
        f.places = places;
        f.dim = dim;
        return f;
    };
    auto key = [](const char *name, QList<int> components, bool unique) {
        KeyDef k;
        k.name = QString::fromLatin1(name);
        k.components = std::move(components);
        k.unique = unique;
        return k;
    };
    RecordLayout l;
    l.label = QStringLiteral("otchet");
    l.size = recordSize;
    l.fields = {field("OTC:CODREG", 0, FieldType::Byte, 1),
                field("OTC:CODUCH", 1, FieldType::Long, 4),
                field("OTC:CODTAB", 5, FieldType::Decimal, 3),
                field("OTC:MES", 8, FieldType::Long, 4),
                field("OTC:TIP", 12, FieldType::Byte, 1),
                field("OTC:UNICODSTR", 13, FieldType::Short, 2),
                field("OTC:DATA", 15, FieldType::Decimal, 9, 3, 35)};
    l.keys = {key("OTC:KEYCODREG", {0, 5}, false), key("OTC:KEYCODUCH", {3, 1, 5}, true),
              key("OTC:KEYCODTAB", {1, 2, 5}, false), key("OTC:KEYCODSTR", {5, 3}, false)};
    return l;
}

// --- the records: (month, institution, row) unique, the other fields spread

struct Fields
{
    int codReg;
    std::int32_t codUch;
    int codTab;
    std::int32_t mes;
    std::int16_t row;
};

Fields fieldsOf(std::int64_t i)
{
    Fields f;
    f.row = static_cast<std::int16_t>(i % 50 + 1);
    f.mes = static_cast<std::int32_t>((i / 50) % 12 + 1);
    f.codUch = static_cast<std::int32_t>(i / 600 + 1);
    f.codReg = f.codUch % 40 + 1;
    f.codTab = 1000 * (f.row % 5 + 1);
    return f;
}

void makeRecord(std::int64_t i, unsigned char *r)
{
    const Fields f = fieldsOf(i);
    std::memset(r, 0, recordSize);
    r[0] = static_cast<unsigned char>(f.codReg);
    std::memcpy(r + 1, &f.codUch, 4);
    packDigits(r + 5, 3, static_cast<std::uint64_t>(f.codTab));
    std::memcpy(r + 8, &f.mes, 4);
    r[12] = 1;
    std::memcpy(r + 13, &f.row, 2);
    for (int n = 0; n < 35; ++n)
        packDigits(r + 15 + 9 * n, 9, static_cast<std::uint64_t>(i * 7 + n) * 1013 % 100000000);
}

std::vector<unsigned char> makeRecords(std::int64_t count)
{
    std::vector<unsigned char> all(static_cast<size_t>(count) * recordSize);
    for (std::int64_t i = 0; i < count; ++i)
        makeRecord(i, all.data() + i * recordSize);
    return all;
}

// --- the baseline: plain statements on the same schema, with the same pragmas

class Baseline
{
public:
    explicit Baseline(const QString &path) : m_db(openPlain(path)) {}
    ~Baseline()
    {
        for (sqlite3_stmt *s : {m_insert, m_get, m_scan})
            sqlite3_finalize(s);
        sqlite3_close_v2(m_db);
    }

    void createSchema()
    {
        exec("CREATE TABLE meta(name TEXT PRIMARY KEY, value TEXT NOT NULL)");
        createRecordsTable(m_db);
    }

    void exec(const char *sql) { zemor::bench::exec(m_db, sql); }

    void add(const unsigned char *r)
    {
        if (!m_insert)
            m_insert = prepare(m_db, insertRecordSql);
        insertRecord(m_db, m_insert, r);
    }

    bool get(const unsigned char *keyRecord, unsigned char *out)
    {
        if (!m_get)
            m_get = prepare(m_db, "SELECT id, data FROM records WHERE k1 = ?1");
        KeyBlobs b;
        keyBlobs(keyRecord, b);
        sqlite3_bind_blob(m_get, 1, b.k[1], b.n[1], SQLITE_STATIC);
        const bool found = sqlite3_step(m_get) == SQLITE_ROW;
        if (found)
            std::memcpy(out, sqlite3_column_blob(m_get, 1), recordSize);
        sqlite3_reset(m_get);
        return found;
    }

    std::int64_t scan(unsigned char *out)
    {
        if (!m_scan)
            m_scan = prepare(m_db, "SELECT id, data FROM records ORDER BY k1");
        std::int64_t n = 0;
        while (sqlite3_step(m_scan) == SQLITE_ROW) {
            std::memcpy(out, sqlite3_column_blob(m_scan, 1), recordSize);
            ++n;
        }
        sqlite3_reset(m_scan);
        return n;
    }

private:
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_insert = nullptr;
    sqlite3_stmt *m_get = nullptr;
    sqlite3_stmt *m_scan = nullptr;
};

// --- the operations on our side

void die(const char *what, const Error &e)
{
    std::fprintf(stderr, "%s: %s %s\n", what, qPrintable(e.message), qPrintable(e.where));
    std::exit(1);
}

void oursAdd(KeyedFile &f, const std::vector<unsigned char> &records, std::int64_t count)
{
    if (auto s = f.begin(); !s)
        die("begin", s.error());
    for (std::int64_t i = 0; i < count; ++i) {
        std::memcpy(f.record().data(), records.data() + i * recordSize, recordSize);
        if (auto s = f.add(); !s)
            die("add", s.error());
    }
    if (auto s = f.commit(); !s)
        die("commit", s.error());
}

void baselineAdd(Baseline &b, const std::vector<unsigned char> &records, std::int64_t count)
{
    b.exec("BEGIN IMMEDIATE");
    for (std::int64_t i = 0; i < count; ++i)
        b.add(records.data() + i * recordSize);
    b.exec("COMMIT");
}

std::vector<std::int64_t> lookupOrder(std::int64_t records, std::int64_t lookups)
{
    std::mt19937_64 random(20240601);
    std::uniform_int_distribution<std::int64_t> pick(0, records - 1);
    std::vector<std::int64_t> order(static_cast<size_t>(lookups));
    for (auto &i : order)
        i = pick(random);
    return order;
}

std::int64_t oursGet(KeyedFile &f, const std::vector<unsigned char> &records,
                     const std::vector<std::int64_t> &order)
{
    std::int64_t found = 0;
    for (std::int64_t i : order) {
        // The caller puts the key values into the buffer.
        const unsigned char *r = records.data() + i * recordSize;
        char *buffer = f.record().data();
        std::memcpy(buffer + 1, r + 1, 4);
        std::memcpy(buffer + 8, r + 8, 4);
        std::memcpy(buffer + 13, r + 13, 2);
        found += f.get(1) ? 1 : 0;
    }
    return found;
}

std::int64_t baselineGet(Baseline &b, const std::vector<unsigned char> &records,
                         const std::vector<std::int64_t> &order)
{
    std::int64_t found = 0;
    unsigned char buffer[recordSize];
    for (std::int64_t i : order)
        found += b.get(records.data() + i * recordSize, buffer) ? 1 : 0;
    return found;
}

std::int64_t oursScan(KeyedFile &f)
{
    f.clearRecord();
    if (auto s = f.set(1, 0); !s)
        die("set", s.error());
    std::int64_t n = 0;
    while (f.next())
        ++n;
    return n;
}

void line(const char *what, std::int64_t n, double ours, double baseline)
{
    std::printf("store %s %lld ours=%.3fs baseline=%.3fs ratio=%.2f\n", what,
                static_cast<long long>(n), ours, baseline, ours / baseline);
    std::fflush(stdout);
}

int report(int argc, char **argv)
{
    const std::int64_t count = argValue(argc, argv, "records", 1'000'000);
    const std::int64_t lookups = argValue(argc, argv, "lookups", 200'000);
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/zemor-bench-XXXXXX"));
    if (!dir.isValid())
        return 1;
    const QString oursPath = dir.filePath(QStringLiteral("F0001.dat"));
    const QString basePath = dir.filePath(QStringLiteral("base.db"));
    const RecordLayout layout = reportLayout();
    const std::vector<unsigned char> records = makeRecords(count);
    const std::vector<std::int64_t> order = lookupOrder(count, lookups);

    if (auto s = KeyedFile::create(oursPath, layout); !s)
        die("create", s.error());
    KeyedFile f(layout);
    if (auto s = f.open(oursPath, Access::ReadWrite, Share::DenyNone); !s)
        die("open", s.error());
    Baseline base(basePath);
    base.createSchema();

    const double addOurs = seconds([&] { oursAdd(f, records, count); });
    const double addBase = seconds([&] { baselineAdd(base, records, count); });
    line("add", count, addOurs, addBase);

    // Reads are repeated, alternating, and the best of each side counts: the machine may be
    // busy with other work for part of a run.
    constexpr int rounds = 3;
    double getOurs = 1e30, getBase = 1e30;
    for (int round = 0; round < rounds; ++round) {
        std::int64_t foundOurs = 0, foundBase = 0;
        getOurs = std::min(getOurs, seconds([&] { foundOurs = oursGet(f, records, order); }));
        getBase =
            std::min(getBase, seconds([&] { foundBase = baselineGet(base, records, order); }));
        if (foundOurs != lookups || foundBase != lookups) {
            std::fprintf(stderr, "get: found %lld and %lld of %lld\n",
                         static_cast<long long>(foundOurs), static_cast<long long>(foundBase),
                         static_cast<long long>(lookups));
            return 1;
        }
    }
    line("get", lookups, getOurs, getBase);

    double scanOurs = 1e30, scanBase = 1e30;
    unsigned char buffer[recordSize];
    for (int round = 0; round < rounds; ++round) {
        std::int64_t scannedOurs = 0, scannedBase = 0;
        scanOurs = std::min(scanOurs, seconds([&] { scannedOurs = oursScan(f); }));
        scanBase = std::min(scanBase, seconds([&] { scannedBase = base.scan(buffer); }));
        if (scannedOurs != count || scannedBase != count) {
            std::fprintf(stderr, "scan: read %lld and %lld of %lld\n",
                         static_cast<long long>(scannedOurs), static_cast<long long>(scannedBase),
                         static_cast<long long>(count));
            return 1;
        }
    }
    line("scan", count, scanOurs, scanBase);
    return 0;
}

// --- the same operations as Google Benchmark cases, on a small file

constexpr std::int64_t smallCount = 20'000;

struct SmallFiles
{
    QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/zemor-bench-XXXXXX")};
    std::vector<unsigned char> records = makeRecords(smallCount);
    std::vector<std::int64_t> order = lookupOrder(smallCount, 2000);
    KeyedFile ours{reportLayout()};
    std::unique_ptr<Baseline> base;
    SmallFiles()
    {
        const QString path = dir.filePath(QStringLiteral("F0002.dat"));
        if (auto s = KeyedFile::create(path, reportLayout()); !s)
            die("create", s.error());
        if (auto s = ours.open(path); !s)
            die("open", s.error());
        oursAdd(ours, records, smallCount);
        base = std::make_unique<Baseline>(dir.filePath(QStringLiteral("base.db")));
        base->createSchema();
        baselineAdd(*base, records, smallCount);
    }
    static SmallFiles &instance()
    {
        static SmallFiles files;
        return files;
    }
};

void BM_GetOurs(benchmark::State &state)
{
    auto &files = SmallFiles::instance();
    for (auto _ : state)
        benchmark::DoNotOptimize(oursGet(files.ours, files.records, files.order));
}
BENCHMARK(BM_GetOurs);

void BM_GetBaseline(benchmark::State &state)
{
    auto &files = SmallFiles::instance();
    for (auto _ : state)
        benchmark::DoNotOptimize(baselineGet(*files.base, files.records, files.order));
}
BENCHMARK(BM_GetBaseline);

void BM_ScanOurs(benchmark::State &state)
{
    auto &files = SmallFiles::instance();
    for (auto _ : state)
        benchmark::DoNotOptimize(oursScan(files.ours));
}
BENCHMARK(BM_ScanOurs);

void BM_ScanBaseline(benchmark::State &state)
{
    auto &files = SmallFiles::instance();
    unsigned char buffer[recordSize];
    for (auto _ : state)
        benchmark::DoNotOptimize(files.base->scan(buffer));
}
BENCHMARK(BM_ScanBaseline);

} // namespace

int main(int argc, char **argv)
{
    // The small files are made before any case is timed.
    return zemor::bench::benchMain(argc, argv, report, [] { SmallFiles::instance(); });
}
