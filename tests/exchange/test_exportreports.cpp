// Exporting reports from the demo's data files: the form list of the chosen periods, the file's
// name and rows, the target rule, and an export that must write nothing (own code 0, a row that
// cannot be added, nothing to export).

#include "data/ExchangeFile.h"
#include "data/records/ExchangeRecord.h"
#include "exchange/ExportReports.h"
#include "runtime/core/Progress.h"
#include "runtime/fs/Paths.h"
#include "shell/AppState.h"
#include "tests/exchange/ExchangeFixture.h"

#include <QDate>
#include <QTest>

#include <algorithm>

using namespace zemor;
using namespace zemor::exchange;
using data::OtchetRecord;
using test::demoYear;

namespace {

// The demo installation: district 3.
ExportScope districtThree()
{
    shell::AppState state;
    state.globTipUser = 1;
    state.globKodUser = 3;
    state.globCodReg = 3;
    return ExportScope::of(state);
}

QList<ExportForm> marked(QList<ExportForm> forms, const QList<qint64> &codes)
{
    for (ExportForm &f : forms)
        f.marked = codes.contains(f.code);
    return forms;
}

} // namespace

class TestExportReports : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void formListFollowsThePeriods();
    void periodNamesAndTargets();
    void exportsTheDistrictsReports();
    void ownCodeZeroWritesNothing();
    void failedAddLeavesTheOldTarget();
    void cancelledExportCopiesNothing();
    void nothingToExportCopiesNothing();
    void controlsCheckEachFormForItsOwnPeriod();
    void controlsCheckEachInstitution_data();
    void controlsCheckEachInstitution();
    void dailyFormSendsTheDaysOfItsMonth();
    void failedCopyNamesTheTarget();
};

void TestExportReports::formListFollowsThePeriods()
{
    test::WorkDir work(true);
    data::DataContext ctx;
    ExportReports exporter(ctx);

    const auto all = exporter.forms(demoYear, ExportPeriods{3, 1, 0, true});
    QVERIFY(all);
    QVERIFY(!all->isEmpty());
    int lastKind = -1;
    qint64 lastCode = -1;
    for (const ExportForm &f : *all) {
        QVERIFY(f.periodicity >= lastKind);
        if (f.periodicity == lastKind)
            QVERIFY(f.code > lastCode);
        lastKind = f.periodicity;
        lastCode = f.code;
        // A daily form goes with the month.
        QCOMPARE(f.period, f.periodicity == 0 ? 0 : f.periodicity == 2 ? 1 : 3);
        QVERIFY(f.periodicity != 3); // no half-year chosen
    }
    const auto hasDaily = [](const QList<ExportForm> &forms) {
        return std::any_of(forms.cbegin(), forms.cend(), [](const ExportForm &f) {
            return f.code == 52 && f.periodicity == ExportForm::daily;
        });
    };
    QVERIFY(hasDaily(*all));
    const auto monthOnly = exporter.forms(demoYear, ExportPeriods{3, 0, 0, false});
    QVERIFY(monthOnly);
    QVERIFY(!monthOnly->isEmpty());
    for (const ExportForm &f : *monthOnly)
        QVERIFY(f.periodicity == 1 || f.periodicity == ExportForm::daily);
    const auto noMonth = exporter.forms(demoYear, ExportPeriods{0, 1, 0, true});
    QVERIFY(noMonth && !noMonth->isEmpty() && !hasDaily(*noMonth));
    const auto none = exporter.forms(demoYear, ExportPeriods{0, 0, 0, false});
    QVERIFY(none && none->isEmpty());
}

void TestExportReports::periodNamesAndTargets()
{
    struct Case
    {
        int periodicity;
        int period;
        QString text;
    };
    const QList<Case> names = {{0, 0, u"2025"_qs},
                               {1, 1, u"Январь"_qs},
                               {1, 12, u"Декабрь"_qs},
                               {1, 13, {}},
                               {2, 4, u"4квартал"_qs},
                               {3, 2, u"2полугодие"_qs},
                               {3, 3, {}},
                               {7, 1, {}}};
    for (const Case &c : names)
        QCOMPARE(ExportReports::periodName(c.periodicity, c.period, 2025), c.text);

    test::WorkDir work;
    work.makeDir(u"export"_qs);
    work.makeDir(u"1"_qs);
    const QString root = runtime::fs::workDir();
    QCOMPARE(*ExportReports::target(u"\\export\\"_qs, u"v.dat"_qs), root + u"/export/v.dat"_qs);
    QCOMPARE(*ExportReports::target(u"export"_qs, u"v.dat"_qs), root + u"/export/v.dat"_qs);
    QCOMPARE(*ExportReports::target(u"1\\"_qs, u"v.dat"_qs), root + u"/1/v.dat"_qs);
    QCOMPARE(*ExportReports::target(u"D:\\1\\"_qs, u"v.dat"_qs), root + u"/1/v.dat"_qs);

    QCOMPARE(ExportReports::recipient(101, u"a"_qs, u"t"_qs, u"s"_qs), u"t"_qs);
    QCOMPARE(ExportReports::recipient(102, u"a"_qs, u"t"_qs, u"  "_qs), u"a"_qs);
    QCOMPARE(ExportReports::recipient(3, u"a"_qs, u"t"_qs, u"s"_qs), u"a"_qs);
    QCOMPARE(ExportReports::pathChoices(u"\\x\\"_qs, u" "_qs),
             QStringList({u"\\x\\"_qs, u"F:\\"_qs, u"\\export\\"_qs, u"D:\\1\\"_qs}));
}

void TestExportReports::exportsTheDistrictsReports()
{
    test::WorkDir work(true);
    data::DataContext ctx;
    ExportReports exporter(ctx);
    const auto forms = exporter.forms(demoYear, ExportPeriods{3, 1, 0, true});
    QVERIFY(forms);

    ExportRequest request{demoYear, districtThree(), u"\\export\\"_qs, marked(*forms, {12, 7, 14})};
    const auto result = exporter.write(request);
    QVERIFY2(result, qPrintable(result ? QString() : result.error().message));
    QCOMPARE(result->fileName, u"r3_2025F12m3F7k1F14.dat"_qs);
    QCOMPARE(result->target, work.filePath(u"export/r3_2025F12m3F7k1F14.dat"_qs));
    // The work file of a district installation is named after own code 0.
    QVERIFY(QFile::exists(work.filePath(u"export/W0000.dat"_qs)));

    const auto file = data::ExchangeFile::read(result->target);
    QVERIFY(file);
    QCOMPARE(file->count(), result->total);
    qint64 total = 0;
    for (const ExportLine &line : result->lines) {
        const ExportForm &f = *std::find_if(
            forms->begin(), forms->end(), [&](const ExportForm &x) { return x.code == line.code; });
        const QByteArrayList stored =
            test::storedRecords(ctx, demoYear, int(line.code), [&](const OtchetRecord &r) {
                return r.codReg() == 3 && r.mes() == f.period;
            });
        QCOMPARE(line.rows, qint64(stored.size()));
        total += line.rows;
        QByteArrayList exported;
        for (qint64 i = 0; i < file->count(); ++i) {
            QByteArray bytes = file->record(i);
            const data::ExchangeRecord x(bytes);
            if (x.codForm() == line.code)
                exported.append(x.reportRecord());
        }
        std::sort(exported.begin(), exported.end());
        QCOMPARE(exported, stored);
    }
    QCOMPARE(total, result->total);
}

void TestExportReports::ownCodeZeroWritesNothing()
{
    test::WorkDir work(true);
    data::DataContext ctx;
    ExportReports exporter(ctx);
    shell::AppState state;
    state.globTipUser = 2;
    state.globKodUser = 0;
    state.globCodReg = 3;
    const auto forms = exporter.forms(demoYear, ExportPeriods{3, 0, 0, true});
    QVERIFY(forms);
    const ExportRequest request{demoYear, ExportScope::of(state), u"\\export\\"_qs,
                                marked(*forms, {12, 7})};
    const QStringList before = QDir(work.filePath(u"export"_qs)).entryList(QDir::Files);
    const auto result = exporter.write(request);
    QVERIFY(!result);
    QCOMPARE(result.error().message, ExportReports::noInstitutionText());
    QCOMPARE(QDir(work.filePath(u"export"_qs)).entryList(QDir::Files), before);
}

void TestExportReports::failedAddLeavesTheOldTarget()
{
    test::WorkDir work(true);
    data::DataContext ctx;
    ExportReports exporter(ctx);
    const auto forms = exporter.forms(demoYear, ExportPeriods{3, 0, 0, false});
    QVERIFY(forms);
    const ExportRequest request{demoYear, districtThree(), u"\\export\\"_qs, marked(*forms, {7})};
    const auto first = exporter.write(request);
    QVERIFY(first && !first->target.isEmpty());
    const QByteArray target = test::readBytes(first->target);
    const QByteArray workFile = test::readBytes(work.filePath(u"export/W0000.dat"_qs));

    QVERIFY(test::spoilStoredRecord(
        ctx, demoYear, 7, [](const OtchetRecord &r) { return r.codReg() == 3 && r.mes() == 3; }));
    const auto second = exporter.write(request);
    QVERIFY(!second);
    QCOMPARE(test::readBytes(first->target), target);
    QCOMPARE(test::readBytes(work.filePath(u"export/W0000.dat"_qs)), workFile);
}

void TestExportReports::cancelledExportCopiesNothing()
{
    class StopAfterFirst final : public runtime::Progress
    {
    public:
        void setTotal(qint64) override {}
        void step(qint64 done, const QString &) override { m_done = done; }
        bool cancelled() const override { return m_done >= 1; }

    private:
        qint64 m_done = 0;
    };
    test::WorkDir work(true);
    data::DataContext ctx;
    ExportReports exporter(ctx);
    const auto forms = exporter.forms(demoYear, ExportPeriods{3, 0, 0, true});
    QVERIFY(forms);
    StopAfterFirst stop;
    const auto result = exporter.write(
        {demoYear, districtThree(), u"\\export\\"_qs, marked(*forms, {12, 7})}, &stop);
    QVERIFY(!result);
    QCOMPARE(result.error().code, runtime::ErrorCode::Cancelled);
    QCOMPARE(QDir(work.filePath(u"export"_qs)).entryList(QDir::Files), QStringList());
}

void TestExportReports::nothingToExportCopiesNothing()
{
    test::WorkDir work(true);
    data::DataContext ctx;
    ExportReports exporter(ctx);
    shell::AppState state;
    state.globTipUser = 2;
    state.globKodUser = 9999; // sends nothing
    state.globCodReg = 3;
    const auto forms = exporter.forms(demoYear, ExportPeriods{3, 0, 0, true});
    QVERIFY(forms);
    const auto result = exporter.write(
        {demoYear, ExportScope::of(state), u"\\export\\"_qs, marked(*forms, {12, 7})});
    QVERIFY(result);
    QCOMPARE(result->total, 0);
    QCOMPARE(result->lines.size(), 2); // a line with 0 rows for each marked form
    QVERIFY(result->target.isEmpty());
    QCOMPARE(QDir(work.filePath(u"export"_qs)).entryList({u"u*"_qs}, QDir::Files), QStringList());
}

void TestExportReports::controlsCheckEachFormForItsOwnPeriod()
{
    test::WorkDir work(true);
    data::DataContext ctx;
    ExportReports exporter(ctx);
    const auto forms = exporter.forms(demoYear, ExportPeriods{3, 0, 0, true});
    QVERIFY(forms);
    shell::AppState state;
    state.globTipUser = 2;
    state.globCodReg = 1;
    // 102's annual form 12 fails a column rule; 101's passes; checked for period 0 although a
    // month is chosen.
    state.globKodUser = 102;
    const auto failing =
        exporter.runControls({demoYear, ExportScope::of(state), {}, marked(*forms, {12})});
    QVERIFY(failing);
    QVERIFY(!failing->failures.isEmpty());
    state.globKodUser = 101;
    const auto passing =
        exporter.runControls({demoYear, ExportScope::of(state), {}, marked(*forms, {12})});
    QVERIFY(passing);
    QVERIFY(!passing->callerError());
    QCOMPARE(passing->reportsChecked, 1);
}

void TestExportReports::controlsCheckEachInstitution_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<int>("ownCode");
    QTest::addColumn<QList<qint32>>("failing");
    // 102's form 12 fails a column rule that the sum of district 1 passes; 402's fails an
    // inter-table rule.
    QTest::newRow("district 1") << 1 << 1 << QList<qint32>{102};
    QTest::newRow("the region") << 0 << 0 << QList<qint32>{102, 402};
}

void TestExportReports::controlsCheckEachInstitution()
{
    QFETCH(int, userType);
    QFETCH(int, ownCode);
    QFETCH(QList<qint32>, failing);
    test::WorkDir work(true);
    data::DataContext ctx;
    ExportReports exporter(ctx);
    shell::AppState state;
    state.globTipUser = quint8(userType);
    state.globKodUser = ownCode;
    state.globCodReg = ownCode;
    const auto forms = exporter.forms(demoYear, ExportPeriods{3, 0, 0, true});
    QVERIFY(forms);
    const auto outcome =
        exporter.runControls({demoYear, ExportScope::of(state), {}, marked(*forms, {12})});
    QVERIFY(outcome);
    QList<qint32> codes;
    for (const entry::RunLine &line : outcome->failures)
        codes.append(line.entityCode);
    std::sort(codes.begin(), codes.end());
    QCOMPARE(codes, failing);
    QVERIFY(outcome->reportsChecked > failing.size());
}

void TestExportReports::dailyFormSendsTheDaysOfItsMonth()
{
    test::WorkDir work(true);
    data::DataContext ctx;
    ExportReports exporter(ctx);
    shell::AppState state;
    state.globTipUser = 2;
    state.globKodUser = 101;
    state.globCodReg = 1;
    const auto march = exporter.forms(demoYear, ExportPeriods{3, 0, 0, false});
    QVERIFY(march);
    const ExportRequest request{demoYear, ExportScope::of(state), u"\\export\\"_qs,
                                marked(*march, {52})};
    const auto result = exporter.write(request);
    QVERIFY2(result, qPrintable(result ? QString() : result.error().message));
    QCOMPARE(result->fileName, u"u101m3F52.dat"_qs);
    QCOMPARE(result->lines.value(0).periodText, u"Март"_qs);

    // Every stored row of 101 whose day lies in March, none of another institution or month.
    const qint32 first = qint32(QDate(demoYear, 3, 1).toJulianDay());
    const qint32 last = qint32(QDate(demoYear, 3, 31).toJulianDay());
    const QByteArrayList stored =
        test::storedRecords(ctx, demoYear, 52, [&](const OtchetRecord &r) {
            return r.codUch() == 101 && r.mes() >= first && r.mes() <= last;
        });
    QVERIFY(!stored.isEmpty());
    const auto file = data::ExchangeFile::read(result->target);
    QVERIFY(file);
    QByteArrayList exported;
    for (qint64 i = 0; i < file->count(); ++i) {
        QByteArray bytes = file->record(i);
        exported.append(data::ExchangeRecord(bytes).reportRecord());
    }
    std::sort(exported.begin(), exported.end());
    QCOMPARE(exported, stored);

    // The controls check each day's report on its own; a month without one is not checked.
    const auto controls = exporter.runControls(request);
    QVERIFY(controls);
    QCOMPARE(controls->reportsChecked, 7);
    QVERIFY(!controls->callerError());
    const auto april = exporter.forms(demoYear, ExportPeriods{4, 0, 0, false});
    QVERIFY(april);
    const ExportRequest none{demoYear, ExportScope::of(state), u"\\export\\"_qs,
                             marked(*april, {52})};
    const auto unchecked = exporter.runControls(none);
    QVERIFY(unchecked);
    QCOMPARE(unchecked->unchecked.size(), 1);
    const auto run = exporter.controlRequest(none);
    QVERIFY(run);
    QCOMPARE(entry::ControlRun::notes(*run, *unchecked),
             QStringList{entry::ControlRun::notCheckedText() + u"Ф52 (Апрель)"_qs});
    QCOMPARE(exporter.write(none)->total, 0);
}

void TestExportReports::failedCopyNamesTheTarget()
{
    test::WorkDir work(true);
    data::DataContext ctx;
    ExportReports exporter(ctx);
    const auto forms = exporter.forms(demoYear, ExportPeriods{3, 0, 0, false});
    QVERIFY(forms);
    const auto result =
        exporter.write({demoYear, districtThree(), u"\\nowhere\\"_qs, marked(*forms, {7})});
    QVERIFY(!result);
    QVERIFY2(result.error().message.startsWith(
                 u"Файл "_qs + work.filePath(u"nowhere/r3m3F7.dat"_qs) + u" не записан: "_qs),
             qPrintable(result.error().message));
}

QTEST_GUILESS_MAIN(TestExportReports)
#include "test_exportreports.moc"
