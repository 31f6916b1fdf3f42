// Loading a summary CSV file of form 62: 500 institutions, every row of every table of the form
// (the demo's catalogue), each line the table, the institution, the row number and the values
// with decimal commas. Ours is the load as its window runs it: the file read whole and split
// into fields, every value read, the rows and institutions looked up, and the records added to
// the data file of form 62 in one transaction (all four keys maintained). The baseline is the
// floor for that work: plain SQLite inserting the same 330-byte records with their four key
// blobs in one transaction.
//
//   bench_csv --report [--institutions=N]
//     exchange csv institutions=N records=<ours>/<base> ours=<s> baseline=<s> ratio=<ours/base>
//
// The working directory (the demo's, with N institutions added) is made in a temporary folder
// and removed at the end.

#include "bench/support/BenchMain.h"
#include "bench/support/PlainSqlite.h"
#include "data/DataContext.h"
#include "data/OpenedFile.h"
#include "data/records/BolnRecord.h"
#include "data/records/OtchetRecord.h"
#include "entry/FormCatalogue.h"
#include "exchange/Form62CsvImport.h"
#include "runtime/fs/Paths.h"
#include "runtime/store/Transaction.h"
#include "tools/DemoBuilder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

using namespace zemor;
using namespace zemor::bench;

namespace {

constexpr int year = 2026;
constexpr int firstInstitution = 10001;

void must(const runtime::Status &s, const char *what)
{
    if (!s) {
        std::fprintf(stderr, "%s: %s %s\n", what, qPrintable(s.error().message),
                     qPrintable(s.error().where));
        std::exit(1);
    }
}

// The institutions of the summary, added to the demo's `boln` in one transaction.
void addInstitutions(int count)
{
    data::DataContext ctx;
    data::OpenedFile boln(ctx, data::FileId::boln);
    must(boln.status(), "boln");
    auto tx = runtime::store::Transaction::begin(boln.file());
    if (!tx)
        must(std::unexpected(tx.error()), "boln transaction");
    for (int i = 0; i < count; ++i) {
        data::BolnRecord r(ctx.record(data::FileId::boln));
        r.clear();
        r.setUnicod(firstInstitution + i);
        must(r.setCodReg(1 + i % 6), "district");
        r.setNazv(QStringLiteral("Учреждение %1").arg(firstInstitution + i));
        must(boln.file().add(), "add institution");
    }
    must(tx->commit(), "commit institutions");
}

// Every row of every table of form 62 for each institution; values with decimal commas.
qint64 writeSummary(const QString &path, int institutions)
{
    data::DataContext ctx;
    const auto catalogue = entry::FormCatalogue::read(ctx, year, 62);
    if (!catalogue)
        must(std::unexpected(catalogue.error()), "catalogue");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        std::exit(1);
    qint64 lines = 0;
    for (int i = 0; i < institutions; ++i) {
        const QByteArray inst = QByteArray::number(firstInstitution + i);
        for (const entry::FormTable &table : catalogue->tables()) {
            for (const entry::FormRow &row : catalogue->rows(table.code)) {
                QByteArray line = QByteArray::number(table.code) + ';' + inst + ';' +
                                  QByteArray::number(row.number);
                for (int c = 1; c <= table.columns; ++c) {
                    const int v = (i * 37 + row.number * 11 + c * 7) % 1000;
                    line += ';' + QByteArray::number(v) + ',' + QByteArray::number(c % 10);
                }
                file.write(line + "\r\n");
                ++lines;
            }
        }
    }
    file.close();
    return lines;
}

// The records the load stored, for the baseline to insert.
std::vector<QByteArray> storedRecords()
{
    data::DataContext ctx;
    ctx.names().setOtchetFileName(year, 62);
    data::OpenedFile f(ctx, data::FileId::otchet);
    must(f.status(), "otchet");
    std::vector<QByteArray> records;
    must(f.scanPhysical([&] {
        records.push_back(ctx.record(data::FileId::otchet));
        return true;
    }),
         "scan");
    return records;
}

qint64 insertPlain(const QString &path, const std::vector<QByteArray> &records)
{
    sqlite3 *db = openPlain(path);
    createRecordsTable(db);
    exec(db, "BEGIN");
    sqlite3_stmt *insert = prepare(db, insertRecordSql);
    for (const QByteArray &r : records)
        insertRecord(db, insert, reinterpret_cast<const unsigned char *>(r.constData()));
    sqlite3_finalize(insert);
    exec(db, "COMMIT");
    sqlite3_close(db);
    return qint64(records.size());
}

int report(int argc, char **argv)
{
    const int institutions = int(argValue(argc, argv, "institutions", 500));
    QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/zemor-bench-XXXXXX")};
    if (!dir.isValid())
        return 1;
    const QString root = dir.filePath(QStringLiteral("work"));
    must(tools::DemoBuilder().build(root), "demo");
    runtime::fs::setWorkDir(root);
    addInstitutions(institutions);
    const QString folder = dir.filePath(QStringLiteral("svod"));
    must(runtime::fs::makeDir(folder), "folder");
    const qint64 lines =
        writeSummary(QDir(folder).filePath(QStringLiteral("svod62.csv")), institutions);

    data::DataContext ctx;
    exchange::Form62CsvImport importer(ctx, year);
    exchange::CsvFile file{QStringLiteral("svod62.csv"), 0, 0, 0};
    exchange::CsvLoad load;
    const double oursSeconds = seconds([&] { load = importer.loadSummary(folder, file); });
    if (!load.messages.isEmpty() || load.rowsAdded != lines) {
        std::fprintf(stderr, "load: %lld of %lld rows: %s\n",
                     static_cast<long long>(load.rowsAdded), static_cast<long long>(lines),
                     qPrintable(load.messages.join(u'|')));
        return 1;
    }
    const std::vector<QByteArray> records = storedRecords();
    qint64 base = 0;
    const double baseSeconds =
        seconds([&] { base = insertPlain(dir.filePath(QStringLiteral("plain.db")), records); });
    std::printf("exchange csv institutions=%d records=%d/%lld ours=%.3fs baseline=%.3fs "
                "ratio=%.2f\n",
                institutions, load.rowsAdded, static_cast<long long>(base), oursSeconds,
                baseSeconds, baseSeconds > 0 ? oursSeconds / baseSeconds : 0.0);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    return benchMain(argc, argv, report);
}
