// Loading and writing exchange files. Ours is the exchange logic: the load scans the folder's
// files into their entries and replaces each entry's report by its raw records, in batches of
// about a second each one transaction per data file, under the reports' in-use markers (the four
// keys of every record maintained); the export writes the year's records into the work file and
// copies it to its target. The baseline is the floor for this work: plain SQLite inserting the
// same 330-byte records with their four key blobs in one transaction per data file, and plain
// SQLite scanning them and writing the same 332-byte exchange records to a file.
//
//   bench_exchange --report [--institutions=N] [--dir <path>]
//     three lines, each ending in ratio=<ours/base>:
//     exchange import: one file of N (500) institutions, each with one report of 300 rows,
//       scanned and every report loaded into an empty data file as the load window does it for
//       every institution (the controls of each institution, then its reports). The line also
//       gives the scan's share, and plain SQLite committing each report in a transaction of its
//       own (plainPerReport), with ours against that (perReportRatio)
//     exchange import region: a region's year, 30 districts' files of 40 institutions with one
//       report of 40 rows in each of 10 forms (12,000 reports), loaded the same way
//     exchange export: every record of the first file's data file into an exchange file
//
// The files are made in a temporary working directory, under `--dir` when given (else the
// system's temporary directory), and removed at the end. The commits' flushes cost what the
// directory's disk makes them cost: on a memory file system (/dev/shm) they cost nothing, so a
// run there leaves our own work against plain SQLite's. Each line names the directory it used.

#include "bench/support/PlainSqlite.h"
#include "data/DataContext.h"
#include "data/ExchangeFile.h"
#include "data/records/OtchetRecord.h"
#include "exchange/ExportReports.h"
#include "exchange/ImportReports.h"
#include "runtime/core/Prompter.h"
#include "runtime/fs/Paths.h"

#include <QDir>
#include <QTemporaryDir>

#include <sqlite3.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

using namespace zemor;
using namespace zemor::bench;

namespace {

constexpr int year = 2025;
constexpr int form = 12;
constexpr int tableCount = 3;
constexpr int rowsPerTable = 100;
constexpr int columns = 35;
constexpr int rowCount = tableCount * rowsPerTable;

template <class T> T must(runtime::Result<T> r, const char *what)
{
    if (!r) {
        std::fprintf(stderr, "%s: %s %s\n", what, qPrintable(r.error().message),
                     qPrintable(r.error().where));
        std::exit(1);
    }
    return std::move(*r);
}

void must(const runtime::Status &s, const char *what)
{
    if (!s) {
        std::fprintf(stderr, "%s: %s %s\n", what, qPrintable(s.error().message),
                     qPrintable(s.error().where));
        std::exit(1);
    }
}

// The 330-byte report records of every institution, institution after institution: `rows`
// rows of form `formCode`, the first institution `first`.
std::vector<QByteArray> makeRecords(int institutions, int rows = rowCount, int first = 1000)
{
    std::vector<QByteArray> out;
    out.reserve(size_t(institutions) * size_t(rows));
    for (int i = 0; i < institutions; ++i) {
        for (int row = 0; row < rows; ++row) {
            QByteArray bytes(plainRecordSize, '\0');
            data::OtchetRecord r(bytes);
            r.clear();
            r.setCodReg(std::uint8_t(1 + i % 6));
            r.setCodUch(first + i);
            must(r.setCodTab(1000 * (row / rowsPerTable + 1)), "record table");
            r.setMes(0);
            r.setUnicodStr(qint16(row + 1));
            for (int n = 1; n <= columns; ++n)
                must(r.setData(n, runtime::Decimal::fromUnits(
                                      1000 + (row * 7919 + n * 104729 + i * 31) % 1000003, 3)),
                     "record value");
            out.push_back(bytes);
        }
    }
    return out;
}

// The exchange file the load reads, written by the program's own writer.
void writeExchangeFile(const QString &path, const std::vector<QByteArray> &records,
                       qint64 formCode = form)
{
    auto writer = must(data::ExchangeFileWriter::create(path), "exchange file");
    for (const QByteArray &r : records)
        must(writer.appendReport(formCode, r), "exchange record");
    must(writer.commit(), "exchange commit");
}

// Answers every question with its first button ("ДА").
class YesPrompter : public runtime::Prompter
{
public:
    int message(const QString &, const QString &, const QString &, runtime::MessageIcon,
                int) override
    {
        return 1;
    }
    void beep() override {}
};

// Ours, as the load window runs it for "все ЛПУ": the scan of the folder and the naming of its
// institutions and forms, then for every institution its control run and the replacement of
// each of its reports. `scanSeconds` is the scan's share.
qint64 importOurs(const QString &folder, double &scanSeconds)
{
    data::DataContext ctx;
    YesPrompter yes;
    exchange::ImportReports importer(ctx, yes, year);
    exchange::ImportScan scan;
    scanSeconds = seconds([&] {
        scan = must(exchange::ImportReports::scan(folder, false), "scan");
        must(importer.name(scan), "names");
    });
    for (exchange::ImportEntry &e : scan.entries)
        e.mark = exchange::ImportEntry::Marked;
    return importer.loadAll(scan.entries, scan.institutions).rowsLoaded;
}

// The region's files: `files` districts' files, each of `perFile` institutions with one report
// of `regionRows` rows in each of `regionForms` forms. The baseline inserts each form's records
// into its own data file, one transaction per data file.
constexpr int regionFiles = 30;
constexpr int regionInstitutions = 40; // per file
constexpr int regionForms = 10;
constexpr int regionRows = 40;

struct RegionFile
{
    qint64 form;
    std::vector<QByteArray> records;
};

std::vector<std::vector<RegionFile>> makeRegion()
{
    std::vector<std::vector<RegionFile>> files;
    for (int f = 0; f < regionFiles; ++f) {
        std::vector<RegionFile> forms;
        for (int k = 0; k < regionForms; ++k)
            forms.push_back(RegionFile{
                qint64(20 + k), makeRecords(regionInstitutions, regionRows, 3000 + f * 100)});
        files.push_back(std::move(forms));
    }
    return files;
}

void writeRegionFile(const QString &path, const std::vector<RegionFile> &forms)
{
    auto writer = must(data::ExchangeFileWriter::create(path), "exchange file");
    for (const RegionFile &f : forms) {
        for (const QByteArray &r : f.records)
            must(writer.appendReport(f.form, r), "exchange record");
    }
    must(writer.commit(), "exchange commit");
}

qint64 regionPlain(const QString &dir, const std::vector<std::vector<RegionFile>> &files)
{
    qint64 n = 0;
    for (int k = 0; k < regionForms; ++k) {
        sqlite3 *db = openPlain(dir + QStringLiteral("/plain-region-%1.db").arg(k));
        createRecordsTable(db);
        exec(db, "BEGIN");
        sqlite3_stmt *insert = prepare(db, insertRecordSql);
        for (const auto &file : files) {
            for (const QByteArray &r : file[size_t(k)].records) {
                insertRecord(db, insert, reinterpret_cast<const unsigned char *>(r.constData()));
                ++n;
            }
        }
        sqlite3_finalize(insert);
        exec(db, "COMMIT");
        sqlite3_close(db);
    }
    return n;
}

// The baseline: every record in one transaction. With `perReport` each report commits on its
// own; that figure is printed beside the ratio, not in it.
qint64 importPlain(const QString &path, const std::vector<QByteArray> &records, bool perReport)
{
    sqlite3 *db = openPlain(path);
    createRecordsTable(db);
    exec(db, "BEGIN");
    sqlite3_stmt *insert = prepare(db, insertRecordSql);
    for (size_t i = 0; i < records.size(); ++i) {
        if (perReport && i > 0 && i % rowCount == 0) {
            exec(db, "COMMIT");
            exec(db, "BEGIN");
        }
        insertRecord(db, insert, reinterpret_cast<const unsigned char *>(records[i].constData()));
    }
    sqlite3_finalize(insert);
    exec(db, "COMMIT");
    sqlite3_close(db);
    return qint64(records.size());
}

qint64 exportOurs()
{
    data::DataContext ctx;
    exchange::ExportRequest request;
    request.year = year;
    request.scope.kind = exchange::ExportScope::Kind::Region;
    request.scope.userType = data::UserType::WholeRegion;
    request.path = QStringLiteral("out");
    request.forms = {exchange::ExportForm{form, QStringLiteral("form"), 0, 0, true}};
    const exchange::ExportResult result =
        must(exchange::ExportReports(ctx).write(request), "export");
    return result.total;
}

// The floor of the export: every record scanned and written behind its form code, as the
// exchange file holds it, into a file flushed to disk.
qint64 exportPlain(const QString &dbPath, const QString &outPath)
{
    sqlite3 *db = openPlain(dbPath);
    sqlite3_stmt *scan = prepare(db, "SELECT data FROM records");
    std::FILE *out = std::fopen(QFile::encodeName(outPath).constData(), "wb");
    if (!out)
        std::exit(1);
    qint64 n = 0;
    unsigned char record[2 + plainRecordSize];
    const std::int16_t code = form;
    std::memcpy(record, &code, 2);
    int rc;
    while ((rc = sqlite3_step(scan)) == SQLITE_ROW) {
        std::memcpy(record + 2, sqlite3_column_blob(scan, 0), plainRecordSize);
        std::fwrite(record, sizeof record, 1, out);
        ++n;
    }
    check(rc, db, "scan");
    sqlite3_finalize(scan);
    sqlite3_close(db);
    std::fflush(out);
    ::fsync(fileno(out));
    std::fclose(out);
    return n;
}

// The value of "--name <value>" or "--name=<value>", or `fallback`.
QString stringArg(int argc, char **argv, const char *name, const QString &fallback)
{
    const QByteArray option = QByteArray("--") + name;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == option && i + 1 < argc)
            return QFile::decodeName(argv[i + 1]);
        if (arg.startsWith(option + '='))
            return QFile::decodeName(arg.mid(option.size() + 1));
    }
    return fallback;
}

void line(const char *what, const QByteArray &parts, int institutions, int rows, qint64 ours,
          qint64 base, double oursSeconds, double baseSeconds, const QString &dir)
{
    std::printf("%s institutions=%d rows=%d records=%lld/%lld dir=%s%s ours=%.3fs baseline=%.3fs "
                "ratio=%.2f\n",
                what, institutions, rows, static_cast<long long>(ours),
                static_cast<long long>(base), QFile::encodeName(dir).constData(), parts.constData(),
                oursSeconds, baseSeconds, baseSeconds > 0 ? oursSeconds / baseSeconds : 0.0);
}

} // namespace

int main(int argc, char **argv)
{
    const int institutions = int(argValue(argc, argv, "institutions", 500));
    const QString parent = stringArg(argc, argv, "dir", QDir::tempPath());
    QTemporaryDir dir{parent + QStringLiteral("/zemor-bench-XXXXXX")};
    if (!dir.isValid()) {
        std::fprintf(stderr, "no working directory under %s\n", qPrintable(parent));
        return 1;
    }
    runtime::fs::setWorkDir(dir.path());
    must(runtime::fs::makeDir(dir.filePath(QString::number(year))), "year directory");
    must(runtime::fs::makeDir(dir.filePath(QStringLiteral("export"))), "export directory");
    must(runtime::fs::makeDir(dir.filePath(QStringLiteral("out"))), "out directory");
    must(runtime::fs::makeDir(dir.filePath(QStringLiteral("in"))), "in directory");

    const std::vector<QByteArray> records = makeRecords(institutions);
    writeExchangeFile(dir.filePath(QStringLiteral("in/r1_2025F12.dat")), records);
    const QString plainPath = dir.filePath(QStringLiteral("plain.db"));

    qint64 ours = 0;
    qint64 base = 0;
    double scanSeconds = 0;
    const double importSeconds =
        seconds([&] { ours = importOurs(dir.filePath(QStringLiteral("in")), scanSeconds); });
    const double plainImportSeconds =
        seconds([&] { base = importPlain(plainPath, records, false); });
    const double perReportSeconds = seconds(
        [&] { importPlain(dir.filePath(QStringLiteral("plain-per-report.db")), records, true); });
    line("exchange import",
         QStringLiteral(" scan=%1s plainPerReport=%2s perReportRatio=%3")
             .arg(scanSeconds, 0, 'f', 3)
             .arg(perReportSeconds, 0, 'f', 3)
             .arg(perReportSeconds > 0 ? importSeconds / perReportSeconds : 0.0, 0, 'f', 2)
             .toLatin1(),
         institutions, rowCount, ours, base, importSeconds, plainImportSeconds, parent);

    must(runtime::fs::makeDir(dir.filePath(QStringLiteral("region"))), "region directory");
    const auto region = makeRegion();
    for (int f = 0; f < regionFiles; ++f)
        writeRegionFile(dir.filePath(QStringLiteral("region/r%1_2025.dat").arg(f + 1)), region[f]);
    double regionScanSeconds = 0;
    const double regionSeconds = seconds(
        [&] { ours = importOurs(dir.filePath(QStringLiteral("region")), regionScanSeconds); });
    const double plainRegionSeconds = seconds([&] { base = regionPlain(dir.path(), region); });
    line("exchange import region",
         QStringLiteral(" files=%1 reports=%2 scan=%3s")
             .arg(regionFiles)
             .arg(regionFiles * regionInstitutions * regionForms)
             .arg(regionScanSeconds, 0, 'f', 3)
             .toLatin1(),
         regionFiles * regionInstitutions, regionRows, ours, base, regionSeconds,
         plainRegionSeconds, parent);

    const double exportSeconds = seconds([&] { ours = exportOurs(); });
    const double plainExportSeconds =
        seconds([&] { base = exportPlain(plainPath, dir.filePath(QStringLiteral("plain.dat"))); });
    line("exchange export", {}, institutions, rowCount, ours, base, exportSeconds,
         plainExportSeconds, parent);
    return 0;
}
