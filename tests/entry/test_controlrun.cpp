// Runs of the intra-form controls over the demo working directory: the reports spoilt on
// purpose are found once each with their rule and deviation, whatever the scope; the periods,
// the called runs with an entry each for its own period, nothing checked, a cancelled run and an
// unreadable data file.

#include "data/DataContext.h"
#include "data/FileNames.h"
#include "data/records/ContrGrRecord.h"
#include "entry/ControlRun.h"
#include "runtime/core/Progress.h"
#include "runtime/fs/Paths.h"
#include "runtime/store/KeyedFile.h"
#include "shell/AppState.h"
#include "tools/DemoBuilder.h"
#include "tools/DemoCatalogue.h"
#include "tools/DemoOutputs.h"
#include "tools/DemoReports.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace zemor;
using namespace zemor::entry;
using namespace Qt::StringLiterals;

namespace {

// Stops the run once `after` reports have been built.
class StopAfter final : public runtime::Progress
{
public:
    explicit StopAfter(qint64 after) : m_after(after) {}
    void setTotal(qint64 total) override { m_total = total; }
    void step(qint64 done, const QString &) override { m_done = done; }
    bool cancelled() const override { return m_done >= m_after; }
    qint64 m_total = 0;
    qint64 m_done = 0;

private:
    qint64 m_after;
};

QList<RunEntity> demoInstitutions()
{
    const tools::DemoReference &ref = tools::demoReference();
    QList<RunEntity> list;
    for (const tools::DemoInstitution &inst : ref.institutions) {
        QString district;
        for (const tools::DemoDistrict &d : ref.districts) {
            if (d.code == inst.district)
                district = d.name;
        }
        list.append(RunEntity{inst.code, inst.district, inst.name, district});
    }
    return list;
}

RunEntity institution(int code)
{
    for (const RunEntity &e : demoInstitutions()) {
        if (e.institution == code)
            return e;
    }
    return {};
}

RunForm form(qint64 code, qint32 period = 0)
{
    return RunForm{code, QString(), period, QString()};
}

// "F12 102 rule 2 dev 5" per failure.
QStringList linesOf(const QList<RunLine> &lines)
{
    QStringList out;
    for (const RunLine &l : lines)
        out.append(u"F%1 %2 rule %3 dev %4"_s.arg(l.form)
                       .arg(l.entityCode)
                       .arg(l.ruleId)
                       .arg(l.deviation.toString()));
    out.sort();
    return out;
}

} // namespace

class TestControlRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void scopes_data();
    void scopes();
    void calledRunChecksEachEntryForItsOwnPeriod();
    void cancelledRunGivesNoResult();
    void unreadableDataFileLeavesItsFormUnchecked();
    void resultsAndMessages();
    void formListAndDefaults();
    void regionSumsInstitutionsAndDistrictTotals();
    void wholeRuleIdsFromAnotherSource();
    void faultyRuleToldOncePerRun();
    void oneRunObjectForManyRuns();

private:
    RunOutcome run(const RunRequest &request);

    QTemporaryDir m_dir;
    QString m_root;
};

void TestControlRun::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_root = m_dir.filePath(u"work"_s);
    const auto built = tools::DemoBuilder().build(m_root);
    QVERIFY2(built, qPrintable(built ? QString() : built.error().message));
    runtime::fs::setWorkDir(m_root);
}

RunOutcome TestControlRun::run(const RunRequest &request)
{
    data::DataContext ctx;
    DataFileReportSource source(ctx);
    const auto outcome = ControlRun(ctx, source).run(request);
    return outcome ? *outcome : RunOutcome();
}

void TestControlRun::scopes_data()
{
    QTest::addColumn<int>("scope");
    QTest::addColumn<QList<RunEntity>>("entities");
    QTest::addColumn<QList<qint64>>("forms");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("checked");

    const QList<qint64> all{7, 12, 14, 62};
    // Every spoilt report of the year once, each with its rule and deviation; the quarterly
    // fault is still there in the sum of the year's quarters.
    QTest::newRow("each institution, the whole year")
        << 2 << demoInstitutions() << all << 0 << 12
        << QStringList{u"F12 102 rule 2 dev 5"_s, u"F12 402 rule 1 dev 10"_s,
                       u"F14 203 rule 20 dev 2"_s, u"F62 701 rule 30 dev 0.5"_s}
        << -1;
    QTest::newRow("one institution: no code on the line")
        << 1 << QList<RunEntity>{institution(102)} << QList<qint64>{12} << 0 << 0
        << QStringList{u"F12 0 rule 2 dev 5"_s} << 1;
    QTest::newRow("one quarter of one institution")
        << 1 << QList<RunEntity>{institution(203)} << QList<qint64>{14} << 2 << 2
        << QStringList{u"F14 0 rule 20 dev 2"_s} << 1;
    QTest::newRow("another quarter passes") << 1 << QList<RunEntity>{institution(203)}
                                            << QList<qint64>{14} << 3 << 3 << QStringList() << 1;
    // The spoilt row of one institution is lost in the sum of its district.
    QTest::newRow("the district as a whole")
        << 3 << QList<RunEntity>{RunEntity{0, 1, u"Берёзовский"_s, u"Берёзовский"_s}}
        << QList<qint64>{12} << 0 << 0 << QStringList() << 1;
    // A district that sent nothing has no report to check.
    QTest::newRow("each district")
        << 4
        << QList<RunEntity>{RunEntity{0, 1, u"Берёзовский"_s, u"Берёзовский"_s},
                            RunEntity{0, 5, u"Озёрский"_s, u"Озёрский"_s}}
        << QList<qint64>{12} << 0 << 0 << QStringList() << 1;
    QTest::newRow("annual forms under a month range")
        << 5 << QList<RunEntity>() << QList<qint64>{12, 62} << 1 << 3 << QStringList() << 0;
    QTest::newRow("forms without reports")
        << 2 << demoInstitutions() << QList<qint64>{16} << 0 << 12 << QStringList() << 0;
}

void TestControlRun::scopes()
{
    QFETCH(int, scope);
    QFETCH(QList<RunEntity>, entities);
    QFETCH(QList<qint64>, forms);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QStringList, expected);
    QFETCH(int, checked);

    RunRequest request;
    request.year = 2025;
    request.scope = RunScope(scope);
    request.periodFrom = from;
    request.periodTo = to;
    request.entities = entities;
    for (qint64 code : forms)
        request.forms.append(form(code));
    const RunOutcome outcome = run(request);
    QCOMPARE(linesOf(outcome.failures), expected);
    if (checked >= 0)
        QCOMPARE(outcome.reportsChecked, checked);
    QVERIFY(outcome.unchecked.isEmpty());
    if (checked == 0)
        QCOMPARE(ControlRun::closingMessage(request, outcome), ControlRun::noReportsText());
    else if (expected.isEmpty())
        QCOMPARE(ControlRun::closingMessage(request, outcome), ControlRun::noFailuresText());
    else
        QVERIFY(ControlRun::closingMessage(request, outcome).isEmpty());

    // The run's year is its own: the other demo year has none of these faults.
    request.year = 2026;
    QVERIFY(run(request).failures.isEmpty());
}

void TestControlRun::calledRunChecksEachEntryForItsOwnPeriod()
{
    RunRequest request;
    request.year = 2025;
    request.scope = RunScope::Institutions;
    request.called = true;
    request.entities = {institution(203)};
    // An annual form for the year, a quarterly one for its quarter: the call's one month
    // would find neither.
    request.forms = {form(12, 0), form(14, 2), form(7, 5)};
    RunOutcome outcome = run(request);
    QCOMPARE(linesOf(outcome.failures), QStringList{u"F14 203 rule 20 dev 2"_s});
    QCOMPARE(outcome.reportsChecked, 3);
    QVERIFY(outcome.unchecked.isEmpty());
    QVERIFY(outcome.callerError());

    // An entry without any record is not checked, and the caller hears of it.
    request.forms = {form(12, 0), form(7, 13)};
    outcome = run(request);
    QVERIFY(outcome.failures.isEmpty());
    QCOMPARE(outcome.unchecked.size(), 1);
    QCOMPARE(outcome.unchecked.first().code, 7);
    QVERIFY(outcome.callerError());
    QCOMPARE(ControlRun::closingMessage(request, outcome),
             ControlRun::notCheckedText() + u"Ф7 (13)"_s);

    // With a failure as well, the list shows the failure and names the entry under it.
    request.forms = {form(14, 2), form(7, 13)};
    outcome = run(request);
    QCOMPARE(linesOf(outcome.failures), QStringList{u"F14 203 rule 20 dev 2"_s});
    QVERIFY(ControlRun::showsResultList(outcome));
    QCOMPARE(ControlRun::notes(request, outcome),
             QStringList{ControlRun::notCheckedText() + u"Ф7 (13)"_s});

    quint8 flag = 0;
    ControlRun::markCaller(outcome, flag);
    QCOMPARE(flag, quint8(1));

    // Passed entries: "Ошибок нет", and the caller's flag as it was.
    request.forms = {form(12, 0)};
    outcome = run(request);
    QVERIFY(!outcome.callerError());
    flag = 10;
    ControlRun::markCaller(outcome, flag);
    QCOMPARE(flag, quint8(10));
    QCOMPARE(ControlRun::closingMessage(request, outcome), ControlRun::noFailuresText());
    // Over exchange files nothing is shown.
    request.forms.first().path = u"import/f12.dat"_s;
    outcome = run(request);
    QVERIFY(ControlRun::closingMessage(request, outcome).isEmpty());
}

void TestControlRun::cancelledRunGivesNoResult()
{
    RunRequest request;
    request.year = 2025;
    request.scope = RunScope::Institutions;
    request.periodFrom = 0;
    request.periodTo = 12;
    request.entities = demoInstitutions();
    request.forms = {form(12), form(62)};
    data::DataContext ctx;
    DataFileReportSource source(ctx);
    StopAfter progress(request.entities.size() / 2);
    const auto outcome = ControlRun(ctx, source).run(request, &progress);
    QVERIFY(!outcome);
    QCOMPARE(outcome.error().code, runtime::ErrorCode::Cancelled);
    QCOMPARE(progress.m_total, 2 * request.entities.size());
    QVERIFY(progress.m_done < progress.m_total);
    // A called run that was stopped tells its caller so.
    quint8 flag = 0;
    ControlRun::markCaller(outcome, flag);
    QCOMPARE(flag, quint8(1));
}

void TestControlRun::unreadableDataFileLeavesItsFormUnchecked()
{
    QTemporaryDir dir;
    const QString root = dir.filePath(u"work"_s);
    QVERIFY(tools::DemoBuilder().build(root));
    runtime::fs::setWorkDir(root);
    const auto restore = qScopeGuard([&] { runtime::fs::setWorkDir(m_root); });
    QFile damaged(root + u"/2025/F0062.dat"_s);
    QVERIFY(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write(QByteArray(4096, 'x'));
    damaged.close();

    RunRequest request;
    request.year = 2025;
    request.scope = RunScope::Institution;
    request.entities = {institution(102)};
    request.forms = {form(62), form(12)};
    const RunOutcome outcome = run(request);
    QCOMPARE(outcome.unchecked.size(), 1);
    QCOMPARE(outcome.unchecked.first().code, 62);
    QVERIFY(!outcome.diagnostics.isEmpty());
    QVERIFY(outcome.diagnostics.first().startsWith(u"Ф62: "_s));
    // The run went on with the next form.
    QCOMPARE(linesOf(outcome.failures), QStringList{u"F12 0 rule 2 dev 5"_s});
}

void TestControlRun::faultyRuleToldOncePerRun()
{
    QTemporaryDir dir;
    const QString root = dir.filePath(u"work"_s);
    QVERIFY(tools::DemoBuilder().build(root));
    runtime::fs::setWorkDir(root);
    const auto restore = qScopeGuard([&] { runtime::fs::setWorkDir(m_root); });
    {
        // A column rule whose left column lies outside its table.
        data::DataContext ctx;
        ctx.names().setYearFileNames(2025);
        QVERIFY(ctx.open(data::FileId::ContrGr));
        data::ContrGrRecord r(ctx.record(data::FileId::ContrGr));
        r.clear();
        r.setUnicod(77);
        QVERIFY(r.setCodForm(12));
        QVERIFY(r.setCodTabl(1000));
        r.setCodStr(u"0"_s);
        r.setS(40);
        r.setSnak(1);
        QVERIFY(r.setS1(1, 1));
        QVERIFY(ctx.file(data::FileId::ContrGr).add());
        ctx.close(data::FileId::ContrGr);
    }
    RunRequest request;
    request.year = 2025;
    request.scope = RunScope::Institutions;
    request.entities = demoInstitutions();
    request.forms = {form(12)};
    const RunOutcome outcome = run(request);
    QVERIFY(outcome.reportsChecked > 10);
    QCOMPARE(outcome.diagnostics, QStringList{u"Ф12: ИСПРАВТЕ КОНТРОЛЬ 77"_s});
    // The faulty rule is skipped; the others still find their faults.
    QCOMPARE(linesOf(outcome.failures),
             (QStringList{u"F12 102 rule 2 dev 5"_s, u"F12 402 rule 1 dev 10"_s}));
    // The diagnostic stands under the failures, and is printed after them.
    QCOMPARE(ControlRun::notes(request, outcome), outcome.diagnostics);
    const auto pages = ControlRun::printResults(ControlRun::resultLines(request, outcome), 2025, {},
                                                {}, ControlRun::notes(request, outcome));
    QStringList printed;
    for (const auto &page : pages.pages)
        printed += page.texts();
    QVERIFY(printed.contains(u"Ф12: ИСПРАВТЕ КОНТРОЛЬ 77"_s));
    QVERIFY(printed.indexOf(u"Ф12: ИСПРАВТЕ КОНТРОЛЬ 77"_s) > printed.lastIndexOf(u"402"_s));
}

// A caller that runs the controls institution by institution keeps one run object: each
// institution still gets its own checks, and rules that could not be read are read again by the
// next run rather than kept as missing.
void TestControlRun::oneRunObjectForManyRuns()
{
    QTemporaryDir dir;
    const QString root = dir.filePath(u"work"_s);
    QVERIFY(tools::DemoBuilder().build(root));
    runtime::fs::setWorkDir(root);
    const auto restore = qScopeGuard([&] { runtime::fs::setWorkDir(m_root); });
    data::FileNames names;
    names.setYearFileNames(2025);
    const auto rulesPath = runtime::fs::resolve(names.contrGrFileName());
    QVERIFY(rulesPath);
    QFile rules(*rulesPath);
    QVERIFY(rules.open(QIODevice::ReadWrite));
    const QByteArray sound = rules.readAll();
    QVERIFY(rules.resize(0) && rules.seek(0));
    rules.write(QByteArray(4096, 'x'));
    rules.close();

    data::DataContext ctx;
    DataFileReportSource source(ctx);
    ControlRun runs(ctx, source);
    const auto runFor = [&](qint32 code) {
        RunRequest request;
        request.year = 2025;
        request.scope = RunScope::Institution;
        request.entities = {institution(code)};
        request.forms = {form(12)};
        const auto outcome = runs.run(request);
        return outcome ? *outcome : RunOutcome();
    };
    QCOMPARE(runFor(102).unchecked.size(), 1);

    QVERIFY(rules.open(QIODevice::WriteOnly | QIODevice::Truncate));
    rules.write(sound);
    rules.close();
    const QStringList faulty{u"F12 0 rule 2 dev 5"_s};
    for (const auto &[code, expected] :
         {std::pair(qint32(102), faulty), std::pair(qint32(101), QStringList()),
          std::pair(qint32(102), faulty)}) {
        const RunOutcome outcome = runFor(code);
        QVERIFY(outcome.unchecked.isEmpty());
        QCOMPARE(outcome.reportsChecked, 1);
        QCOMPARE(linesOf(outcome.failures), expected);
    }
}

void TestControlRun::regionSumsInstitutionsAndDistrictTotals()
{
    data::DataContext ctx;
    DataFileReportSource source(ctx);
    const RunForm printForm = form(tools::DemoOutputs::printForm);
    const auto sumOf = [&](RunTarget target) {
        const auto report = source.report(2025, printForm, target, 0, 0, nullptr);
        return report && !report->rows.isEmpty() ? report->rows.first().value(1)
                                                 : runtime::Decimal(-1);
    };
    const runtime::Decimal first = sumOf({RunTarget::Kind::Institution, 101});
    const runtime::Decimal second = sumOf({RunTarget::Kind::Institution, 102});
    const runtime::Decimal total = sumOf({RunTarget::Kind::Institution, 21001});
    QCOMPARE(total, *first.add(second));
    // The region and the district take the institutions and the district's total alike.
    QCOMPARE(sumOf({RunTarget::Kind::Region, 0}), *total.add(total));
    QCOMPARE(sumOf({RunTarget::Kind::District, 1}), *total.add(total));
    QCOMPARE(sumOf({RunTarget::Kind::District, 2}), runtime::Decimal(-1));

    // And the sums pass the form's rule.
    RunRequest request;
    request.year = 2025;
    request.scope = RunScope::Region;
    request.forms = {printForm};
    const RunOutcome outcome = run(request);
    QCOMPARE(outcome.reportsChecked, 1);
    QVERIFY(outcome.failures.isEmpty());
}

void TestControlRun::wholeRuleIdsFromAnotherSource()
{
    // A source that hands in a report of its own, as an exchange file would.
    class OneReport final : public RunReportSource
    {
    public:
        runtime::Result<SummedReport> report(int, const RunForm &, const RunTarget &target, qint32,
                                             qint32, runtime::Progress *) override
        {
            SummedReport summed;
            ReportRow row;
            row.rowId = 7;
            row.table = 1000;
            row.values[0] = target.code;
            row.values[1] = 1;
            row.values[2] = 99; // not their sum
            summed.rows = {row};
            summed.records = 1;
            return summed;
        }
    } source;
    data::DataContext ctx;
    RunRequest request;
    request.year = 2025;
    request.scope = RunScope::Institutions;
    request.called = true;
    request.entities = {institution(101), institution(702)};
    request.forms = {form(tools::DemoOutputs::printForm)};
    const auto outcome = ControlRun(ctx, source).run(request);
    QVERIFY(outcome);
    QCOMPARE(linesOf(outcome->failures),
             (QStringList{u"F30 101 rule 12345 dev -3"_s, u"F30 702 rule 12345 dev -604"_s}));
    QCOMPARE(outcome->failures.first().entityName, institution(101).name);
    QCOMPARE(outcome->failures.first().district, 1);
    QVERIFY(outcome->callerError());
}

void TestControlRun::resultsAndMessages()
{
    RunRequest request;
    request.year = 2025;
    request.scope = RunScope::Institutions;
    request.periodFrom = 0;
    request.periodTo = 0;
    request.entities = {institution(402), institution(102)};
    request.forms = {form(12)};
    const RunOutcome outcome = run(request);
    QList<RunLine> lines = ControlRun::resultLines(request, outcome);
    QCOMPARE(lines.size(), 2);
    // Sorted by name ("...Медведево" before "...Ольховка"), then each with its district's name
    // in front.
    QCOMPARE(lines.at(0).entityName, u"Лесогорский "_s + institution(402).name);
    QCOMPARE(lines.at(1).entityName, u"Берёзовский "_s + institution(102).name);
    QVERIFY(lines.at(1).text.startsWith(u"т1000с1.3"_s));
    request.oneDistrict = true;
    lines = ControlRun::resultLines(request, outcome);
    QCOMPARE(lines.at(0).entityName, institution(402).name);
    // The rule-id column takes whole ids.
    QVERIFY(ControlRun::resultListFormat().contains(u"~контр~@s11@"_s));

    // The printed list: the header, then one line per failure.
    const auto pages = ControlRun::printResults(lines, 2025, u"Лесогорский"_s, QString());
    QCOMPARE(pages.count(), 1);
    const QStringList texts = pages.pages.first().texts();
    QVERIFY(texts.contains(u"Внутриформенные контроли  2025"_s));
    QVERIFY(texts.contains(u"Лесогорский"_s));
    QVERIFY(texts.contains(institution(402).name));
    QVERIFY(texts.contains(u"10"_s)); // the deviation of the inter-table rule
    QVERIFY(texts.contains(lines.at(1).text));
    QVERIFY(texts.contains(u"Лист 1"_s));
}

void TestControlRun::formListAndDefaults()
{
    data::DataContext ctx;
    const auto forms = ControlRun::yearForms(ctx, 2025);
    QVERIFY(forms);
    QList<qint64> codes;
    for (const RunForm &f : *forms)
        codes.append(f.code);
    QVERIFY(codes.contains(12) && codes.contains(62));
    QVERIFY(!codes.contains(16)); // switched off
    QVERIFY(codes.contains(tools::DemoOutputs::printForm));
    QVERIFY(!codes.contains(tools::DemoOutputs::hiddenForm));
    for (qint64 code : codes)
        QVERIFY(code <= ControlRun::highestRunForm);

    // The institutions of a district as the pick list lists them for the run's year: the
    // clinic closed in 2025 is there in 2025 and gone in 2026.
    shell::AppState state;
    state.globYear = 2026;
    const auto of2025 = ControlRun::institutions(ctx, state, 2025, 2);
    const auto of2026 = ControlRun::institutions(ctx, state, 2026, 2);
    QVERIFY(of2025 && of2026);
    QList<qint32> codes2025;
    for (const RunEntity &e : *of2025) {
        QCOMPARE(e.districtName, u"Зареченский"_s);
        codes2025.append(e.institution);
    }
    QVERIFY(codes2025.contains(206));
    QCOMPARE(of2026->size(), of2025->size() - 1);
    const auto everyone = ControlRun::institutions(ctx, state, 2025, std::nullopt);
    QVERIFY(everyone && everyone->size() > of2025->size());

    const auto districts = ControlRun::districts(ctx);
    QVERIFY(districts);
    QCOMPARE(districts->size(), tools::demoReference().districts.size());
    QCOMPARE(districts->first().district, 1);

    QCOMPARE(ControlRun::defaultPeriod(QDate(2026, 1, 15)), 12);
    QCOMPARE(ControlRun::defaultPeriod(QDate(2026, 3, 1)), 2);
    QVERIFY(ControlRun::periodRangeValid(1, 12));
    QVERIFY(!ControlRun::periodRangeValid(3, 2));
    QVERIFY(!ControlRun::periodRangeValid(1, 13));
}

QTEST_MAIN(TestControlRun)
#include "test_controlrun.moc"
