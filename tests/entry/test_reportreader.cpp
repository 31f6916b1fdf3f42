// Reading stored reports: one report and the reports of a range, in key order with their exact
// values, and a report read while another process saves it again and again, which must always
// come out wholly one version.
//
// The saving process is this test binary started again with "--save-loop <work dir> <stop file>":
// it replaces one report of 200 rows, every value of version v equal to v, until the stop file
// appears.

#include "data/DataContext.h"
#include "entry/ReportReader.h"
#include "entry/ReportStore.h"
#include "runtime/core/Progress.h"
#include "runtime/fs/Paths.h"
#include "tests/entry/EntryFixture.h"
#include "tools/DemoCrossSections.h"
#include "tools/DemoReports.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstring>

using namespace zemor;
using namespace zemor::entry;
using runtime::Decimal;

namespace {

using test::demoYear;

constexpr int savedRows = 200;
constexpr int loads = 2500;

// A report nobody else writes: form 7, month 7, an institution the demo does not have.
ReportIdentity contested()
{
    return ReportIdentity{demoYear, 7, 9999, 1, 2, 7};
}

ReportRows version(int v)
{
    ReportRows rows;
    for (int id = 1; id <= savedRows; ++id) {
        ReportRow row;
        row.rowId = id;
        row.table = 1000;
        row.values.fill(Decimal(v));
        rows.append(row);
    }
    return rows;
}

int saveLoop(const QString &workDir, const QString &stopFile)
{
    runtime::fs::setWorkDir(workDir);
    data::DataContext ctx;
    ReportStore store(ctx, contested());
    int saved = 0;
    for (int v = 1; !QFile::exists(stopFile); ++v) {
        if (!store.replace(version(v)))
            return 1;
        ++saved;
    }
    std::printf("%d\n", saved);
    return 0;
}

class CountingProgress final : public runtime::Progress
{
public:
    void setTotal(qint64 t) override { total = t; }
    void step(qint64 d, const QString &) override { done = d; }
    bool cancelled() const override { return done >= stopAfter; }
    qint64 total = -1;
    qint64 done = 0;
    qint64 stopAfter = 1000;
};

} // namespace

class TestReportReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void rangeInKeyOrder();
    void cancelledBetweenPeriods();
    void reportSavedMeanwhileIsWhole();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestReportReader::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    const QString failed = test::buildDemoWorkDir(*m_dir);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
}

// The institutions that sent form 7 in the demo's `year`, the district, city and region totals
// among them, in code order.
static QList<qint32> formSevenSenders(int year)
{
    QList<qint32> senders;
    for (const tools::DemoReport &r :
         tools::demoReports(year) + tools::DemoCrossSections::reports(year)) {
        if (r.form == 7 && !senders.contains(r.institution))
            senders.append(r.institution);
    }
    std::sort(senders.begin(), senders.end());
    return senders;
}

void TestReportReader::rangeInKeyOrder()
{
    // The demo's monthly form 7: the institutions that sent it, months 2 to 4.
    const QList<qint32> senders = formSevenSenders(demoYear);
    QVERIFY(senders.size() >= 3);
    const QList<qint32> asked{senders[2], senders[0], 31999, senders[2]}; // any order, repeats

    data::DataContext ctx;
    ReportReader reader(ctx);
    QList<QPair<qint32, qint32>> seen;
    auto take = [&](const StoredReport &r) -> runtime::Status {
        seen.append({r.period, r.institution});
        const auto one = reader.report(demoYear, 7, r.period, r.institution);
        if (!one || one->size() != r.rows.size())
            return runtime::fail(runtime::ErrorCode::InvalidData, QStringLiteral("report"));
        for (int i = 0; i < r.rows.size(); ++i) {
            if (one->at(i).rowId != r.rows[i].rowId || one->at(i).values != r.rows[i].values)
                return runtime::fail(runtime::ErrorCode::InvalidData, QStringLiteral("values"));
        }
        return {};
    };
    QVERIFY(reader.reports(ReportRange{demoYear, 7, 2, 4, asked}, take));
    const QList<QPair<qint32, qint32>> expected{{2, senders[0]}, {2, senders[2]}, {3, senders[0]},
                                                {3, senders[2]}, {4, senders[0]}, {4, senders[2]}};
    QCOMPARE(seen, expected);

    // Every institution: each sender once per month, in key order; in the year under way the
    // district, city and region totals stored beside the institutions' reports too.
    seen.clear();
    QVERIFY(reader.reports(ReportRange{demoYear, 7, 3, 3, {}}, take));
    QCOMPARE(seen.size(), senders.size());
    for (int i = 0; i < seen.size(); ++i)
        QCOMPARE(seen[i], (QPair<qint32, qint32>{3, senders[i]}));
    const int current = tools::DemoCrossSections::year;
    const QList<qint32> currentSenders = formSevenSenders(current);
    for (qint32 total :
         {tools::DemoCrossSections::regionTotal, tools::DemoCrossSections::districtTotal,
          tools::DemoCrossSections::cityTotal})
        QVERIFY(currentSenders.contains(total));
    QList<qint32> currentSeen;
    QVERIFY(reader.reports(ReportRange{current, 7, 1, 1, {}},
                           [&](const StoredReport &r) -> runtime::Status {
                               currentSeen.append(r.institution);
                               return {};
                           }));
    QCOMPARE(currentSeen, currentSenders);

    // A failure of the taker stops the walk and comes back as it was.
    int taken = 0;
    const auto stopped = reader.reports(ReportRange{demoYear, 7, 1, 12, {}},
                                        [&](const StoredReport &) -> runtime::Status {
                                            ++taken;
                                            return runtime::fail(runtime::ErrorCode::Overflow);
                                        });
    QVERIFY(!stopped);
    QCOMPARE(stopped.error().code, runtime::ErrorCode::Overflow);
    QCOMPARE(taken, 1);

    // A period without reports has none.
    const auto none = reader.report(demoYear, 7, 13, senders[0]);
    QVERIFY(none && none->isEmpty());
}

void TestReportReader::cancelledBetweenPeriods()
{
    data::DataContext ctx;
    ReportReader reader(ctx);
    CountingProgress progress;
    progress.stopAfter = 2;
    QList<qint32> periods;
    const auto read = reader.reports(
        ReportRange{demoYear, 7, 1, 12, {}},
        [&](const StoredReport &r) -> runtime::Status {
            if (!periods.contains(r.period))
                periods.append(r.period);
            return {};
        },
        &progress);
    QVERIFY(!read);
    QCOMPARE(read.error().code, runtime::ErrorCode::Cancelled);
    QCOMPARE(progress.total, qint64(12));
    QCOMPARE(periods, (QList<qint32>{1, 2}));
}

void TestReportReader::reportSavedMeanwhileIsWhole()
{
    {
        data::DataContext ctx;
        ReportStore store(ctx, contested());
        QVERIFY(store.replace(version(0)));
    }
    const QString stopFile = m_dir->filePath(QStringLiteral("stop"));
    QProcess saver;
    saver.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--save-loop"), runtime::fs::workDir(), stopFile});
    QVERIFY(saver.waitForStarted());

    data::DataContext ctx;
    ReportReader reader(ctx);
    const ReportIdentity id = contested();
    int torn = 0;
    int failed = 0;
    QSet<qint64> versions;
    for (int i = 0; i < loads; ++i) {
        const auto rows = reader.report(id.year, id.form, id.period, id.institution);
        if (!rows) {
            ++failed;
            continue;
        }
        const Decimal first = rows->isEmpty() ? Decimal(-1) : rows->first().value(1);
        bool whole = rows->size() == savedRows;
        for (const ReportRow &row : *rows) {
            whole = whole && std::all_of(row.values.begin(), row.values.end(),
                                         [&](const Decimal &v) { return v == first; });
        }
        if (!whole)
            ++torn;
        versions.insert(first.toInt64());
    }
    QFile stop(stopFile);
    QVERIFY(stop.open(QIODevice::WriteOnly));
    stop.close();
    QVERIFY(saver.waitForFinished(60000));
    QCOMPARE(saver.exitCode(), 0);
    const int saves = saver.readAllStandardOutput().trimmed().toInt();
    qInfo("%d loads, %d torn, %d failed, %lld versions seen, %d saves", loads, torn, failed,
          static_cast<long long>(versions.size()), saves);
    QCOMPARE(torn, 0);
    QCOMPARE(failed, 0);
    // The saves really ran between the loads.
    QVERIFY(versions.size() > 10);
}

int main(int argc, char **argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--save-loop") == 0) {
        QCoreApplication app(argc, argv);
        return saveLoop(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    QCoreApplication app(argc, argv);
    TestReportReader test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_reportreader.moc"
