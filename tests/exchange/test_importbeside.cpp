// A load of exchange files in another process: report entry in this process beside a load whose
// writes are slowed as on a slow shared folder, and loads killed at random moments.
//
// The child is this program run again with "--load <working directory> <folder>": it scans the
// folder, loads every entry of every institution answering "ДА" to every question, moves the
// files into "impfile" and writes "loaded <reports>" (after "loading" when it starts).

#include "data/records/OtchetRecord.h"
#include "entry/ReportMarker.h"
#include "entry/ReportReader.h"
#include "entry/ReportStore.h"
#include "exchange/ImportReports.h"
#include "runtime/core/Prompter.h"
#include "tests/exchange/ExchangeFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <thread>

using namespace zemor;
using namespace zemor::exchange;
using data::OtchetRecord;
using test::demoYear;

namespace {

constexpr qint64 form = 7;
constexpr qint32 period = 3;

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

int loadInChild(const QString &workDir, const QString &folder)
{
    runtime::fs::setWorkDir(workDir);
    auto scan = ImportReports::scan(folder, false);
    if (!scan)
        return 2;
    data::DataContext ctx;
    YesPrompter yes;
    ImportReports importer(ctx, yes, demoYear);
    if (!importer.name(*scan))
        return 3;
    for (ImportEntry &e : scan->entries)
        e.mark = ImportEntry::Marked;
    std::printf("loading\n");
    std::fflush(stdout);
    const ImportOutcome out = importer.loadAll(scan->entries, scan->institutions);
    (void)ImportReports::moveFiles(scan->files, out.inUse + out.notLoaded);
    std::printf("loaded %d\n", out.reportsLoaded);
    std::fflush(stdout);
    return 0;
}

// `rows` records of (institution, month 3) of form 7, made from a stored record of the demo,
// every value of the first column `value`.
QList<QByteArray> reportRows(data::DataContext &ctx, qint32 institution, int rows, qint64 value)
{
    const QByteArrayList stored = test::storedRecords(
        ctx, demoYear, form, [](const OtchetRecord &r) { return r.codUch() == 301; });
    QList<QByteArray> out;
    for (int row = 1; row <= rows; ++row) {
        QByteArray bytes = stored.value(0);
        OtchetRecord r(bytes);
        r.setCodUch(institution);
        r.setMes(period);
        r.setUnicodStr(qint16(row));
        (void)r.setData(1, runtime::Decimal::fromUnits(value, 0));
        out.append(bytes);
    }
    std::sort(out.begin(), out.end());
    return out;
}

bool writeExchange(const QString &path, const QList<QByteArray> &records)
{
    auto w = data::ExchangeFileWriter::create(path);
    if (!w)
        return false;
    for (const QByteArray &r : records) {
        if (!w->appendReport(form, r))
            return false;
    }
    return bool(w->commit());
}

QByteArrayList stored(data::DataContext &ctx, qint32 institution)
{
    return test::storedRecords(ctx, demoYear, form, [&](const OtchetRecord &r) {
        return r.codUch() == institution && r.mes() == period;
    });
}

// The load as a child process, its writes to files whose path holds `slowed` slowed by `ms`.
struct Child
{
    QProcess process;

    void start(const QString &workDir, const QString &folder, const QString &slowed, int ms)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(SLOW_WRITES));
        // Under the address sanitizer the preloaded library stands before the sanitizer's own.
        const QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
        env.insert(QStringLiteral("ASAN_OPTIONS"), (asan.isEmpty() ? QString() : asan + u':') +
                                                       QStringLiteral("verify_asan_link_order=0"));
        env.insert(QStringLiteral("ZEMOR_SLOW_WRITES"), slowed);
        env.insert(QStringLiteral("ZEMOR_SLOW_MS"), QString::number(ms));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QCoreApplication::applicationFilePath(),
                      {QStringLiteral("--load"), workDir, folder});
    }
    QByteArray line(int timeoutMs = 60000)
    {
        while (!process.canReadLine()) {
            if (process.state() == QProcess::NotRunning || !process.waitForReadyRead(timeoutMs))
                return process.canReadLine() ? process.readLine().trimmed() : QByteArray();
        }
        return process.readLine().trimmed();
    }
};

} // namespace

class TestImportBeside : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void entryBesideASlowLoadIsToldTheReportIsInUse();
    void killedLoadsLeaveEveryReportWhole();
};

// Report entry opens the report again and again while a load replaces it: whenever it gets the
// report, it reads it and saves what it read. Whatever the timing, the report ends up wholly as
// the load wrote it (the load said so) and entry was told the report is in use meanwhile.
void TestImportBeside::entryBesideASlowLoadIsToldTheReportIsInUse()
{
    test::WorkDir work(true);
    data::DataContext ctx;
    work.makeDir(u"in"_qs);
    const QList<QByteArray> fresh = reportRows(ctx, 301, 120, 777);
    QVERIFY(writeExchange(work.filePath(u"in/r.dat"_qs), fresh));
    const QByteArrayList old = stored(ctx, 301);
    QVERIFY(!old.isEmpty() && old != QByteArrayList(fresh));

    Child child;
    child.start(work.path(), work.filePath(u"in"_qs), u"F0007"_qs, 20);
    QCOMPARE(child.line(), QByteArray("loading"));
    // Report entry comes once the load holds the report, however long its checks took: before
    // that, entry would simply have the report first and the load would be the one told.
    const entry::ReportIdentity id{demoYear, form, 301, 0, 0, period};
    for (;;) {
        const auto held = entry::ReportMarker(ctx, demoYear, 301, form).exists();
        QVERIFY(held);
        if (*held)
            break;
        QVERIFY2(child.process.state() != QProcess::NotRunning,
                 "the load ended before it was seen holding the report");
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    int toldInUse = 0;
    int saved = 0;
    while (child.process.state() != QProcess::NotRunning) {
        entry::ReportMarker marker(ctx, demoYear, 301, form);
        const auto taken = marker.take();
        QVERIFY(taken);
        if (*taken == entry::ReportMarker::Take::InUse) {
            ++toldInUse;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        const auto rows = entry::ReportReader(ctx).report(demoYear, form, period, 301);
        QVERIFY(rows);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        QVERIFY(entry::ReportStore(ctx, id).replace(*rows));
        ++saved;
        QVERIFY(marker.release());
        child.process.waitForFinished(20);
    }
    QCOMPARE(child.line(), QByteArray("loaded 1"));
    qInfo("entry told in use %d times, saved %d times", toldInUse, saved);
    QVERIFY(toldInUse > 0);
    // Entry's saves write the rows it read; a save of the old report after the load would leave
    // the old row numbers and values.
    const QByteArrayList now = stored(ctx, 301);
    QCOMPARE(now.size(), fresh.size());
    for (QByteArray bytes : now) {
        const OtchetRecord r(bytes);
        QCOMPARE(r.data(1).toInt64(), qint64(777));
    }
    if (saved == 0)
        QCOMPARE(now, QByteArrayList(fresh));
}

// A load of 3 files of 20 reports each (one of them replacing a stored report) killed at random
// moments: each report is wholly as before or wholly as the file holds it, the data file opens
// and reads, and each exchange file is in its folder or in "impfile".
void TestImportBeside::killedLoadsLeaveEveryReportWhole()
{
    test::WorkDir work(true);
    data::DataContext ctx;
    QList<qint32> institutions = {301};
    for (int i = 0; i < 59; ++i)
        institutions.append(6000 + i);
    QRandomGenerator random(20261211);
    qint64 fullRun = 0;
    for (int round = 0; round < 8; ++round) {
        const QString folder = u"in%1"_qs.arg(round);
        work.makeDir(folder);
        QHash<qint32, QByteArrayList> before;
        QHash<qint32, QByteArrayList> fresh;
        for (int f = 0; f < 3; ++f) {
            QList<QByteArray> records;
            for (int i = f * 20; i < f * 20 + 20; ++i) {
                const qint32 code = institutions[i];
                before.insert(code, stored(ctx, code));
                const QList<QByteArray> rows = reportRows(ctx, code, 30, 1000 + round);
                fresh.insert(code, QByteArrayList(rows));
                records += rows;
            }
            QVERIFY(writeExchange(work.filePath(u"%1/f%2.dat"_qs.arg(folder).arg(f)), records));
        }

        Child child;
        QElapsedTimer clock;
        child.start(work.path(), work.filePath(folder), u"F0007"_qs, 1);
        QCOMPARE(child.line(), QByteArray("loading"));
        clock.start();
        if (round == 0) { // the whole load, to know how long one takes
            QCOMPARE(child.line(), QByteArray("loaded 60"));
            fullRun = clock.elapsed();
        } else {
            const qint64 at = random.bounded(qint64(1), std::max<qint64>(2, fullRun));
            while (clock.elapsed() < at && child.process.state() != QProcess::NotRunning)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ::kill(static_cast<pid_t>(child.process.processId()), SIGKILL);
        }
        QVERIFY(child.process.waitForFinished(20000));

        int whole = 0;
        for (qint32 code : institutions) {
            const QByteArrayList now = stored(ctx, code);
            QVERIFY2(now == before.value(code) || now == fresh.value(code),
                     qPrintable(u"round %1, institution %2: %3 records"_qs.arg(round).arg(code).arg(
                         now.size())));
            whole += now == fresh.value(code);
            // A marker left by the killed load is removed, as "Продолжить" in entry would.
            entry::ReportMarker marker(ctx, demoYear, code, form);
            marker.adopt();
            QVERIFY(marker.release());
        }
        if (round == 0)
            QCOMPARE(whole, 60);
        for (int f = 0; f < 3; ++f) {
            const QString name = u"f%1.dat"_qs.arg(f);
            QVERIFY(QFile::exists(work.filePath(folder + u"/"_qs + name)) !=
                    QFile::exists(work.filePath(u"impfile/"_qs + name)));
            QFile::remove(work.filePath(u"impfile/"_qs + name));
        }
        qInfo("round %d: %d of 60 reports new", round, whole);
    }
}

int main(int argc, char **argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--load") == 0) {
        QCoreApplication app(argc, argv);
        return loadInChild(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    QCoreApplication app(argc, argv);
    TestImportBeside test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_importbeside.moc"
