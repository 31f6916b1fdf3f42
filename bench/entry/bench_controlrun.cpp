// A control run over stored reports: 500 institutions, each with one report of a form of 3
// tables of 100 rows and 35 columns (300 rows), checked against 500 rules that all hold (per
// table a total column rule and 34 column rules, 32 row rules over every column, and 299
// inter-table rules). Ours is the run itself: the catalogue and rules read and resolved once,
// each report read in its own read transaction, summed exactly and checked. The baseline is the
// floor for this work: plain SQLite reading the same records in key order into a flat array of
// integer units, and the plain loop over the same rules with every position resolved
// beforehand, without texts.
//
//   bench_controlrun --report [--institutions=N]   two lines, each ending in ratio=<ours/base>
//     controls run scope=2: each institution's report checked
//     controls run scope=5: every record summed into one report, checked once
//
// The files are made in a temporary working directory and removed at the end.

#include "bench/support/PlainRules.h"
#include "bench/support/PlainSqlite.h"
#include "data/DataContext.h"
#include "data/records/ContrGrRecord.h"
#include "data/records/ContrStrRecord.h"
#include "data/records/ContrTabRecord.h"
#include "data/records/OtchetRecord.h"
#include "data/records/StrokaRecord.h"
#include "data/records/TablRecord.h"
#include "entry/ControlRules.h"
#include "entry/ControlRun.h"
#include "runtime/fs/Paths.h"
#include "runtime/store/KeyedFile.h"

#include <QDir>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

using namespace zemor;
using namespace zemor::entry;
using namespace zemor::bench;

namespace {

constexpr int year = 2025;
constexpr int form = 12;
constexpr int tableCount = 3;
constexpr int rowsPerTable = 100;
constexpr int columns = 35;
constexpr int totalTerms = 23; // column 1 is the sum of columns 2 to 24
constexpr int rowRulesPerTable = 32;
constexpr int rowCount = tableCount * rowsPerTable;

// --- the report and the rules

// Value n (1..35) of row index i (0..299) of an institution, in thousandths.
std::vector<long long> reportValues(int institution)
{
    std::vector<long long> v(size_t(rowCount * columns), 0);
    auto at = [&](int row, int n) -> long long & { return v[size_t(row * columns + n - 1)]; };
    for (int t = 0; t < tableCount; ++t) {
        for (int r = 1; r < rowsPerTable; ++r) {
            const int row = t * rowsPerTable + r;
            for (int n = 2; n <= columns; ++n)
                at(row, n) = n <= totalTerms + 1
                                 ? 1000 + (row * 7919 + n * 104729 + institution * 31) % 1000003
                                 : (row + n + institution) % 100;
        }
        for (int n = 2; n <= columns; ++n) {
            long long sum = 0;
            for (int r = 1; r < rowsPerTable; ++r)
                sum += at(t * rowsPerTable + r, n);
            at(t * rowsPerTable, n) = sum;
        }
        for (int r = 0; r < rowsPerTable; ++r) {
            long long sum = 0;
            for (int n = 2; n <= totalTerms + 1; ++n)
                sum += at(t * rowsPerTable + r, n);
            at(t * rowsPerTable + r, 1) = sum;
        }
    }
    return v;
}

FormRules makeRules()
{
    FormRules rules;
    for (int t = 0; t < tableCount; ++t) {
        const qint64 code = 1000 * (t + 1);
        const int sm = 0; // every table numbers its columns from 1
        ColumnRule total{t + 1, code, QStringLiteral("0"), 0, sm + 1, 1, {}, {}};
        for (int n = 2; n <= totalTerms + 1; ++n)
            total.terms.append(sm + n);
        rules.columnRules.append(total);
        for (int n = 2; n <= columns; ++n)
            rules.columnRules.append(ColumnRule{
                100 + t * columns + n, code, QStringLiteral("0"), 0, sm + n, 5, {sm + 1}, {}});
        for (int k = 0; k < rowRulesPerTable; ++k) {
            RowRule rule{
                1000 + t * rowRulesPerTable + k, 0, t * rowsPerTable + 1, k == 0 ? 1 : 3, {}};
            for (int r = 2; r <= rowsPerTable - 3 * k; ++r)
                rule.terms.append(t * rowsPerTable + r);
            rules.rowRules.append(rule);
        }
    }
    for (int id = 1; id < rowCount; ++id) {
        const int position = (id - 1) % rowsPerTable + 1;
        TableRule rule{5000 + id, id, 1, 5, {}};
        for (int t = 0; t < tableCount; ++t)
            rule.terms.append({t * rowsPerTable + position, 1});
        rules.tableRules.append(rule);
    }
    return rules;
}

// --- writing the year's files through the program's own store

void must(const runtime::Status &s, const char *what)
{
    if (!s) {
        std::fprintf(stderr, "%s: %s %s\n", what, qPrintable(s.error().message),
                     qPrintable(s.error().where));
        std::exit(1);
    }
}

void inTransaction(data::DataContext &ctx, data::FileId id, const std::function<void()> &write)
{
    must(ctx.file(id).begin(), "begin");
    write();
    must(ctx.file(id).commit(), "commit");
}

void writeYear(data::DataContext &ctx, const FormRules &rules, int institutions,
               std::vector<unsigned char> &plainRecords)
{
    using data::FileId;
    ctx.names().setYearFileNames(year);
    must(ctx.open(FileId::forma), "open forma");
    inTransaction(ctx, FileId::tabl, [&] {
        for (int t = 0; t < tableCount; ++t) {
            data::TablRecord r(ctx.record(FileId::tabl));
            r.clear();
            r.setUnicodT(t + 1);
            must(r.setCodForm(form), "tabl");
            must(r.setCodTabl(1000 * (t + 1)), "tabl");
            must(r.setSm(0), "tabl");
            must(r.setA(columns), "tabl");
            must(ctx.file(FileId::tabl).add(), "tabl add");
        }
    });
    inTransaction(ctx, FileId::stroka, [&] {
        for (int id = 1; id <= rowCount; ++id) {
            data::StrokaRecord r(ctx.record(FileId::stroka));
            r.clear();
            r.setUnicod(qint16(id));
            must(r.setCodForm(form), "stroka");
            must(r.setCodTabl(1000 * ((id - 1) / rowsPerTable + 1)), "stroka");
            r.setNumber(std::uint8_t((id - 1) % rowsPerTable + 1));
            r.setCodStr(QString::number((id - 1) % rowsPerTable + 1));
            must(ctx.file(FileId::stroka).add(), "stroka add");
        }
    });
    inTransaction(ctx, FileId::ContrGr, [&] {
        for (const ColumnRule &rule : rules.columnRules) {
            data::ContrGrRecord r(ctx.record(FileId::ContrGr));
            r.clear();
            r.setUnicod(qint32(rule.id));
            must(r.setCodForm(form), "ContrGr");
            must(r.setCodTabl(rule.table), "ContrGr");
            r.setCodStr(rule.rowCode);
            r.setS(std::uint8_t(rule.left));
            r.setSnak(std::uint8_t(rule.relation));
            for (int k = 0; k < rule.terms.size(); ++k)
                must(r.setS1(k + 1, qint16(rule.terms[k])), "ContrGr term");
            must(ctx.file(FileId::ContrGr).add(), "ContrGr add");
        }
    });
    ctx.close(FileId::forma);

    must(ctx.open(FileId::ContrStr), "open ContrStr");
    inTransaction(ctx, FileId::ContrStr, [&] {
        for (const RowRule &rule : rules.rowRules) {
            data::ContrStrRecord r(ctx.record(FileId::ContrStr));
            r.clear();
            must(r.setUnicod(rule.id), "ContrStr");
            must(r.setCodForm(form), "ContrStr");
            r.setUnicodStr(qint16(rule.leftRow));
            r.setSnak(std::uint8_t(rule.relation));
            for (int k = 0; k < rule.terms.size(); ++k)
                must(r.setS1(k + 1, qint16(rule.terms[k])), "ContrStr term");
            must(ctx.file(FileId::ContrStr).add(), "ContrStr add");
        }
    });
    ctx.close(FileId::ContrStr);

    must(ctx.open(FileId::ContrTab), "open ContrTab");
    inTransaction(ctx, FileId::ContrTab, [&] {
        for (const TableRule &rule : rules.tableRules) {
            data::ContrTabRecord r(ctx.record(FileId::ContrTab));
            r.clear();
            must(r.setUnicod(rule.id), "ContrTab");
            must(r.setCodForm(form), "ContrTab");
            r.setUnicodStr(qint16(rule.leftRow));
            r.setCodGr(std::uint8_t(rule.leftColumn));
            r.setSnak(std::uint8_t(rule.relation));
            for (int k = 0; k < rule.terms.size(); ++k) {
                must(r.setUs1(k + 1, qint16(rule.terms[k].row)), "ContrTab term");
                must(r.setCodGrS1(k + 1, std::uint8_t(rule.terms[k].column)), "ContrTab term");
            }
            must(ctx.file(FileId::ContrTab).add(), "ContrTab add");
        }
    });
    ctx.close(FileId::ContrTab);

    ctx.names().setOtchetFileName(year, form);
    must(ctx.open(FileId::otchet), "open otchet");
    plainRecords.assign(size_t(institutions) * rowCount * plainRecordSize, 0);
    inTransaction(ctx, FileId::otchet, [&] {
        for (int i = 0; i < institutions; ++i) {
            const qint32 institution = 1000 + i;
            const std::vector<long long> values = reportValues(institution);
            for (int row = 0; row < rowCount; ++row) {
                data::OtchetRecord r(ctx.record(FileId::otchet));
                r.clear();
                r.setCodReg(std::uint8_t(1 + i % 6));
                r.setCodUch(institution);
                must(r.setCodTab(1000 * (row / rowsPerTable + 1)), "otchet");
                r.setMes(0);
                r.setUnicodStr(qint16(row + 1));
                for (int n = 1; n <= columns; ++n)
                    must(r.setData(n, runtime::Decimal::fromUnits(
                                          values[size_t(row * columns + n - 1)], 3)),
                         "otchet value");
                must(ctx.file(FileId::otchet).add(), "otchet add");
                std::memcpy(plainRecords.data() +
                                (size_t(i) * rowCount + size_t(row)) * plainRecordSize,
                            r.bytes().constData(), plainRecordSize);
            }
        }
    });
    ctx.close(FileId::otchet);
}

// --- the plain side

// The value of a packed DECIMAL(17,3) of 9 bytes, in thousandths.
long long unpack(const unsigned char *p)
{
    long long v = 0;
    for (int pos = 1; pos < 18; ++pos)
        v = v * 10 + ((pos % 2 == 0) ? (p[pos / 2] >> 4) : (p[pos / 2] & 0x0F));
    return (p[0] >> 4) != 0 ? -v : v;
}

struct PlainFile
{
    sqlite3 *db = nullptr;
    sqlite3_stmt *byInstitution = nullptr;
    sqlite3_stmt *all = nullptr;

    explicit PlainFile(const QString &path)
    {
        db = openPlain(path);
        byInstitution = prepare(db, "SELECT data FROM records WHERE k2 >= ?1 AND k2 < ?2 "
                                    "ORDER BY k2");
        all = prepare(db, "SELECT data FROM records ORDER BY k3");
    }
    ~PlainFile()
    {
        sqlite3_finalize(byInstitution);
        sqlite3_finalize(all);
        sqlite3_close(db);
    }

    // Each institution's records in key order into the array, then the plain loop.
    int scope2(const PlainRules &plain, int institutions)
    {
        int failed = 0;
        std::vector<long long> cells(size_t(rowCount * columns));
        for (int i = 0; i < institutions; ++i) {
            exec(db, "BEGIN");
            std::fill(cells.begin(), cells.end(), 0);
            const qint32 institution = 1000 + i;
            unsigned char from[4], to[4], raw[4];
            std::memcpy(raw, &institution, 4);
            putLong(from, raw);
            const qint32 next = institution + 1;
            std::memcpy(raw, &next, 4);
            putLong(to, raw);
            sqlite3_bind_blob(byInstitution, 1, from, 4, SQLITE_STATIC);
            sqlite3_bind_blob(byInstitution, 2, to, 4, SQLITE_STATIC);
            while (sqlite3_step(byInstitution) == SQLITE_ROW) {
                const auto *r =
                    static_cast<const unsigned char *>(sqlite3_column_blob(byInstitution, 0));
                std::int16_t id;
                std::memcpy(&id, r + 13, 2);
                long long *row = cells.data() + size_t(id - 1) * columns;
                for (int n = 0; n < columns; ++n)
                    row[n] += unpack(r + 15 + 9 * n);
            }
            sqlite3_reset(byInstitution);
            exec(db, "COMMIT");
            failed += plainCheck(plain, cells);
        }
        return failed;
    }

    // Every record into one sum, then the plain loop once.
    int scope5(const PlainRules &plain)
    {
        std::vector<long long> cells(size_t(rowCount * columns), 0);
        exec(db, "BEGIN");
        while (sqlite3_step(all) == SQLITE_ROW) {
            const auto *r = static_cast<const unsigned char *>(sqlite3_column_blob(all, 0));
            std::int16_t id;
            std::memcpy(&id, r + 13, 2);
            long long *row = cells.data() + size_t(id - 1) * columns;
            for (int n = 0; n < columns; ++n)
                row[n] += unpack(r + 15 + 9 * n);
        }
        sqlite3_reset(all);
        exec(db, "COMMIT");
        return plainCheck(plain, cells);
    }
};

} // namespace

int main(int argc, char **argv)
{
    const int institutions = int(argValue(argc, argv, "institutions", 500));
    QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/zemor-bench-XXXXXX")};
    if (!dir.isValid())
        return 1;
    runtime::fs::setWorkDir(dir.path());
    must(runtime::fs::makeDir(dir.filePath(QString::number(year))), "year directory");

    const FormRules rules = makeRules();
    const PlainRules plain = plainRules(rules, rowsPerTable, columns, [](int) { return 0; });
    std::vector<unsigned char> records;
    {
        data::DataContext ctx;
        writeYear(ctx, rules, institutions, records);
    }
    const QString plainPath = dir.filePath(QStringLiteral("plain.db"));
    {
        sqlite3 *db = openPlain(plainPath);
        createRecordsTable(db);
        exec(db, "BEGIN");
        sqlite3_stmt *insert = prepare(db, insertRecordSql);
        for (size_t i = 0; i < records.size() / plainRecordSize; ++i)
            insertRecord(db, insert, records.data() + i * plainRecordSize);
        sqlite3_finalize(insert);
        exec(db, "COMMIT");
        sqlite3_close(db);
    }

    RunRequest request;
    request.year = year;
    request.forms = {RunForm{form, QString(), 0, QString()}};
    for (int i = 0; i < institutions; ++i)
        request.entities.append(RunEntity{1000 + i, 1 + i % 6, QString(), QString()});

    for (const RunScope scope : {RunScope::Institutions, RunScope::Region}) {
        request.scope = scope;
        qsizetype failures = 0;
        int checked = 0;
        const double ours = seconds([&] {
            data::DataContext ctx;
            DataFileReportSource source(ctx);
            const auto outcome = ControlRun(ctx, source).run(request);
            if (!outcome) {
                std::fprintf(stderr, "run: %s\n", qPrintable(outcome.error().message));
                std::exit(1);
            }
            failures = outcome->failures.size();
            checked = outcome->reportsChecked;
        });
        int base = 0;
        const double theirs = seconds([&] {
            PlainFile file(plainPath);
            base = scope == RunScope::Institutions ? file.scope2(plain, institutions)
                                                   : file.scope5(plain);
        });
        std::printf("controls run scope=%d institutions=%d rows=%d columns=%d rules=%d "
                    "reports=%d failures=%lld/%d ours=%.3fs baseline=%.3fs ratio=%.2f\n",
                    int(scope), institutions, rowCount, columns,
                    int(rules.columnRules.size() + rules.rowRules.size() + rules.tableRules.size()),
                    checked, static_cast<long long>(failures), base, ours, theirs,
                    theirs > 0 ? ours / theirs : 0.0);
    }
    return 0;
}
