// The report list: filling over a period range (the latest period a flag of its own), naming
// the entries, the district groups, the hand-over with its district rules and titles, the
// period prefix of the titles, the searches and the level of care written back.

#include "analysis/ReportList.h"
#include "analysis/SummaryFixture.h"
#include "data/DataContext.h"
#include "data/Dictionary.h"
#include "data/OpenedFile.h"
#include "data/records/BolnRecord.h"
#include "entry/EntryFixture.h"
#include "runtime/fs/Paths.h"
#include "support/WriteFailures.h"
#include "tools/DemoCatalogue.h"

#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using zemor::analysis::DistrictChoice;
using zemor::analysis::KindChoice;
using zemor::analysis::ReportList;
using zemor::analysis::ReportListForm;
using zemor::test::StoredRow;

namespace {

constexpr int year = 2025;
const ReportListForm form7{7, u"7-мес"_s, u"Заболеваемость за месяц"_s, u"месячная"_s, 1};
const ReportListForm weekly{90, u"90"_s, u"Недельная"_s, u"недельная"_s, 4};
const ReportListForm groups{91, u"91"_s, u"Проба районов"_s, u"месячная"_s, 1};

QList<qint32> periodsOf(const ReportList &list)
{
    QList<qint32> periods;
    for (const auto &e : list.entries())
        periods.append(e.period);
    return periods;
}

QList<qint32> markedInstitutions(const ReportList &list)
{
    QList<qint32> codes;
    for (const auto &e : list.entries()) {
        if (e.marked)
            codes.append(e.institution);
    }
    std::sort(codes.begin(), codes.end());
    return codes;
}

int indexOf(const ReportList &list, qint32 institution)
{
    return list.findByCode(institution);
}

} // namespace

class TestReportList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void weeksOneToTwentyAreTwentyWeeks();
    void namesOfEntries();
    void districtGroups_data();
    void districtGroups();
    void filtersAndLevels();
    void handOver();
    void titlesOfMarkedReports();
    void periodTitle_data();
    void periodTitle();
    void sortingAndSearching();
    void careLevel();

private:
    QTemporaryDir m_dir;
};

void TestReportList::initTestCase()
{
    const QString failed = zemor::test::buildDemoWorkDir(m_dir);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    QList<StoredRow> weeks;
    for (int w = 1; w <= 25; ++w)
        weeks.append({101, 1, w, 1, 1000, {{1, "1"}}});
    QString stored = zemor::test::storeRows(year, weekly.code, weeks);
    QVERIFY2(stored.isEmpty(), qPrintable(stored));
    // One report of each district code at the edges of the groups, from institutions that
    // boln does not know, a report stored as two rows, and one of 101 under another district.
    QList<StoredRow> edges;
    const int districts[] = {0, 99, 100, 101, 199, 200};
    for (int i = 0; i < 6; ++i)
        edges.append({9000 + i, districts[i], 1, 1, 1000, {{1, "1"}}});
    edges.append({9000, 0, 1, 2, 1000, {{1, "2"}}});
    edges.append({101, 2, 1, 1, 1000, {{1, "1"}}});
    stored = zemor::test::storeRows(year, groups.code, edges);
    QVERIFY2(stored.isEmpty(), qPrintable(stored));
}

void TestReportList::weeksOneToTwentyAreTwentyWeeks()
{
    zemor::data::DataContext ctx;
    ReportList list(year);
    QVERIFY(list.chooseForm(weekly));
    QVERIFY(list.latestPeriod());
    // Opening: the latest period stored.
    QVERIFY(list.fill(ctx));
    QCOMPARE(periodsOf(list), QList<qint32>{25});
    QCOMPARE(list.from(), 25);
    QCOMPARE(list.to(), 25);
    QVERIFY(!list.latestPeriod());

    // Weeks 1 to 20 asked for: twenty entries, and "from" stays 1.
    list.setRange(1, 20);
    QVERIFY(list.fill(ctx));
    QList<qint32> expected;
    for (int w = 1; w <= 20; ++w)
        expected.append(w);
    QCOMPARE(periodsOf(list), expected);
    QCOMPARE(list.from(), 1);
    QCOMPARE(list.to(), 20);
    QVERIFY(list.messages().isEmpty());

    // A range without reports says so and leaves the list empty.
    list.setRange(30, 31);
    QVERIFY(list.fill(ctx));
    QVERIFY(list.entries().isEmpty());
    QCOMPARE(list.messages(), QStringList{ReportList::noReportsText()});
}

void TestReportList::namesOfEntries()
{
    zemor::data::DataContext ctx;
    ReportList list(year);
    list.chooseForm(groups);
    list.setRange(1, 1);
    QVERIFY(list.fill(ctx));
    // The report of 9000 stored as two rows is one entry; every entry is numbered.
    QCOMPARE(list.entries().size(), 7);
    for (int i = 0; i < list.entries().size(); ++i)
        QCOMPARE(list.entries()[i].number, i + 1);
    const auto &unknown = list.entries()[indexOf(list, 9003)];
    QCOMPARE(unknown.name, u"uch9003reg101"_s);
    const auto &moved = list.entries()[indexOf(list, 101)];
    QCOMPARE(moved.name, u"Берёзовская ЦРБ"_s);
    QCOMPARE(moved.districtName, u"?2 Берёзовский"_s);
    QCOMPARE(moved.settlementName, u"город"_s);
    QCOMPARE(list.messages(), QStringList{u"Неверен регион-код лпу101"_s});
    // The district choices end with the groups, sorted by code.
    QCOMPARE(list.districtChoices().first().code, 0);
    QCOMPARE(list.districtChoices().last().name, u"Муниципальные"_s);
    QCOMPARE(list.kindChoices().first().name, u"Все виды ЛПУ"_s);
}

void TestReportList::districtGroups_data()
{
    QTest::addColumn<int>("filter");
    QTest::addColumn<QList<qint32>>("marked");
    // 9000..9005 are of the districts 0, 99, 100, 101, 199 and 200; 101 reported as district 2.
    QTest::newRow("300 below 100") << 300 << QList<qint32>{101, 9000, 9001};
    QTest::newRow("400 between 100 and 200") << 400 << QList<qint32>{9003, 9004};
    QTest::newRow("500 below 200") << 500 << QList<qint32>{101, 9000, 9001, 9002, 9003, 9004};
    QTest::newRow("one district") << 99 << QList<qint32>{9001};
    QTest::newRow("the region unmarks") << 0 << QList<qint32>{};
}

void TestReportList::districtGroups()
{
    QFETCH(int, filter);
    QFETCH(QList<qint32>, marked);
    zemor::data::DataContext ctx;
    ReportList list(year);
    list.chooseForm(groups);
    list.setRange(1, 1);
    QVERIFY(list.fill(ctx));
    list.markAll();
    list.chooseDistrict({u"район"_s, filter});
    QCOMPARE(markedInstitutions(list), marked);
    QCOMPARE(list.markedCount(), marked.size());
}

void TestReportList::filtersAndLevels()
{
    zemor::data::DataContext ctx;
    ReportList list(year);
    list.chooseForm(form7);
    list.setRange(1, 1);
    QVERIFY(list.fill(ctx));
    const int all = int(list.entries().size());
    auto count = [&](auto fits) {
        return int(std::count_if(list.entries().begin(), list.entries().end(), fits));
    };

    // Without filters re-applying unmarks everything, unless a level is entered.
    list.markAll();
    list.applyFilters();
    QCOMPARE(list.markedCount(), 0);
    list.setLevel(2);
    list.applyFilters();
    QCOMPARE(list.markedCount(), all);

    // "Выбрать в списке": exactly the entries of the level, and the level is used up.
    QCOMPARE(list.selectByLevel(), QString());
    QCOMPARE(list.markedCount(), count([](const auto &e) { return e.level == 2; }));
    QVERIFY(list.markedCount() > 0 && list.markedCount() < all);
    QCOMPARE(list.level(), 0);
    QCOMPARE(list.selectByLevel(), ReportList::noLevelText());

    // Village only: city entries drop out; a kind filter keeps its kind only.
    list.setCity(false);
    QCOMPARE(list.markedCount(), count([](const auto &e) { return e.settlement != 1; }));
    list.setCity(true);
    list.chooseKind({u"Участковая больница"_s, 2});
    QCOMPARE(list.markedCount(), count([](const auto &e) { return e.kind == 2; }));
    QCOMPARE(list.kindText(), u"Участковая больница"_s);
    list.unmarkAll();
    QCOMPARE(list.markedCount(), 0);
    QCOMPARE(list.kindFilter(), 0);
    QCOMPARE(list.districtText(), zemor::data::regionName());
}

void TestReportList::handOver()
{
    zemor::data::DataContext ctx;
    ReportList list(year);
    list.chooseForm(form7);
    list.setRange(1, 1);
    QVERIFY(list.fill(ctx));

    // A single district, no kind, both boxes: every report of it by key, marked or not.
    list.chooseDistrict({u"Берёзовский"_s, 1});
    QVERIFY(list.markedCount() > 0);
    auto request = list.summaryRequest();
    QVERIFY(request);
    QVERIFY(request->selection.isEmpty());
    QCOMPARE(request->district, 1);
    QCOMPARE(request->year, year);
    QCOMPARE(request->title, u"2025г. январь. Берёзовский р-н "_s);

    // A marked report outside the district starts nothing.
    const int other = list.findByCode(201);
    QVERIFY(other >= 0);
    list.toggleMark(other);
    request = list.summaryRequest();
    QVERIFY(!request);
    QCOMPARE(request.error().message, u"Отмечены ЛПУ невходящие в Берёзовский регион."_s);

    // A group hands over its marked reports, as district 0.
    list.chooseDistrict({u"Районы"_s, 300});
    request = list.summaryRequest();
    QVERIFY(request);
    QCOMPARE(request->district, 0);
    QCOMPARE(request->selection.size(), list.markedCount());
    // Institutions and units of the rural districts only.
    for (const auto &s : request->selection) {
        const auto *inst = zemor::tools::demoReference().institution(s.institution);
        QVERIFY(inst && inst->district < 100);
    }
    QVERIFY(
        std::is_sorted(request->selection.begin(), request->selection.end(),
                       [](const auto &a, const auto &b) { return a.institution < b.institution; }));
    QCOMPARE(request->title, u"2025г.Районы"_s);
    QCOMPARE(list.districtFilter(), 300); // restored after the hand-over

    // A form chosen without filling: nothing to hand over once a selection is needed.
    ReportList empty(year);
    empty.chooseForm(form7);
    empty.chooseKind({u"Участковая больница"_s, 2});
    request = empty.summaryRequest();
    QVERIFY(!request);
    QCOMPARE(request.error().message, ReportList::nothingToHandOverText());
}

void TestReportList::titlesOfMarkedReports()
{
    zemor::data::DataContext ctx;
    ReportList list(year);
    list.chooseForm(form7);
    list.setRange(1, 1);
    QVERIFY(list.fill(ctx));
    const QString one = u"Берёзовский р-н Берёзовская ЦРБ(1мес)"_s;

    list.toggleMark(list.findByCode(101));
    auto marks = list.checkMarksAndTitle();
    QVERIFY(marks.ok);
    QCOMPARE(marks.title, one);
    QCOMPARE(marks.selection.size(), 1);

    list.toggleMark(list.findByCode(102));
    marks = list.checkMarksAndTitle();
    QVERIFY(marks.ok);
    QVERIFY2(marks.title.startsWith(one + u';'), qPrintable(marks.title));
    QVERIFY(marks.title.endsWith(u"(1мес)"_s));

    list.toggleMark(list.findByCode(103));
    marks = list.checkMarksAndTitle();
    QCOMPARE(marks.title, u"Таргинская область(3отчетов)"_s);
    QCOMPARE(marks.selection.size(), 3);
}

void TestReportList::periodTitle_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<bool>("wholeRegion");
    QTest::addColumn<QString>("expected");
    QTest::newRow("annual") << 0 << 0 << 0 << false << u"2025г.T"_s;
    QTest::newRow("marked over the region") << 1 << 4 << 6 << true << u"2025г.T"_s;
    QTest::newRow("one month") << 1 << 3 << 3 << false << u"2025г. март. T"_s;
    QTest::newRow("the year") << 1 << 1 << 12 << false << u"2025г. T"_s;
    QTest::newRow("quarter 1") << 1 << 1 << 3 << false << u"2025г. 1квартал. T"_s;
    QTest::newRow("quarter 2") << 1 << 4 << 6 << false << u"2025г. 2квартал. T"_s;
    QTest::newRow("quarter 3") << 1 << 7 << 9 << false << u"2025г. 3квартал.T"_s;
    QTest::newRow("quarter 4") << 1 << 10 << 12 << false << u"2025г. 4квартал. T"_s;
    QTest::newRow("half 1") << 1 << 1 << 6 << false << u"2025г. 1-е полугодие. T"_s;
    QTest::newRow("half 2") << 1 << 7 << 12 << false << u"2025г. 2-е полугодие. T"_s;
    QTest::newRow("months") << 1 << 2 << 5 << false << u"2025г. с февраля по май.T"_s;
    QTest::newRow("quarters of the year") << 2 << 1 << 4 << false << u"2025г. T"_s;
    QTest::newRow("quarters 1-2") << 2 << 1 << 2 << false << u"2025г. 1-е полугодие.T"_s;
    QTest::newRow("quarters 3-4") << 2 << 3 << 4 << false << u"2025г. 2-е полугодие.T"_s;
    QTest::newRow("one quarter") << 2 << 3 << 3 << false << u"2025г. 3 квартал.T"_s;
    QTest::newRow("quarters") << 2 << 2 << 3 << false << u"2025г. с 2 квартала по 3.T"_s;
    QTest::newRow("both halves") << 3 << 1 << 2 << false << u"2025г. T"_s;
    QTest::newRow("one half") << 3 << 2 << 2 << false << u"2025г. 2-е полугодие.T"_s;
    QTest::newRow("daily") << 5 << 100 << 107 << false << u"T"_s;
}

void TestReportList::periodTitle()
{
    QFETCH(int, kind);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(bool, wholeRegion);
    QFETCH(QString, expected);
    QCOMPARE(ReportList::formatPeriodTitle(2025, kind, from, to, wholeRegion, u"T"_s), expected);
}

void TestReportList::sortingAndSearching()
{
    zemor::data::DataContext ctx;
    ReportList list(year);
    list.chooseForm(form7);
    list.setRange(1, 1);
    QVERIFY(list.fill(ctx));
    list.sortByColumn(2);
    QVERIFY(
        std::is_sorted(list.entries().begin(), list.entries().end(),
                       [](const auto &a, const auto &b) { return a.institution < b.institution; }));
    list.sortByColumn(2);
    QVERIFY(
        std::is_sorted(list.entries().begin(), list.entries().end(),
                       [](const auto &a, const auto &b) { return a.institution > b.institution; }));

    // The name is found with its first letter in either case, wrapping round.
    const int found = list.findByName(u"берёзовская"_s, -1);
    QVERIFY(found >= 0);
    QCOMPARE(list.entries()[found].institution, 101);
    QCOMPARE(list.findByName(u"берёзовская"_s, found), found);
    QCOMPARE(list.findByName(u"нет такого"_s, -1), -1);
    QCOMPARE(list.findByCode(424242), -1);
}

void TestReportList::careLevel()
{
    QTemporaryDir dir;
    const QString failed = zemor::test::buildDemoWorkDir(dir);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    const auto restore =
        qScopeGuard([this] { zemor::runtime::fs::setWorkDir(m_dir.filePath(u"work"_s)); });
    zemor::data::DataContext ctx;
    ReportList list(year);
    list.chooseForm(form7);
    list.setRange(1, 1);
    QVERIFY(list.fill(ctx));
    list.toggleMark(list.findByCode(101));
    QCOMPARE(list.entries()[list.findByCode(101)].level, 2);

    // Level 0 is stored too.
    list.setLevel(0);
    QVERIFY(list.assignCareLevel(ctx).isEmpty());
    QCOMPARE(list.entries()[list.findByCode(101)].level, 0);
    {
        zemor::data::OpenedFile boln(ctx, zemor::data::FileId::boln);
        QVERIFY(boln.status());
        zemor::data::BolnRecord b(ctx.record(zemor::data::FileId::boln));
        b.clear();
        b.setUnicod(101);
        QVERIFY(ctx.file(zemor::data::FileId::boln).get(zemor::data::BolnRecord::KeyUnicod));
        QCOMPARE(b.subVid(), 0);
    }

    // A write that fails is named, and the entry keeps its level.
    const auto path = zemor::runtime::fs::resolve(
        ctx.names().fileName(zemor::data::FileId::boln),
        zemor::data::defaultExtension(zemor::data::declaration(zemor::data::FileId::boln).driver));
    QVERIFY(path);
    zemor::test::PermissionsBind bind;
    QVERIFY(QFile::setPermissions(*path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    const auto back = qScopeGuard(
        [&] { QFile::setPermissions(*path, QFileDevice::ReadOwner | QFileDevice::WriteOwner); });
    list.setLevel(3);
    const QStringList failures = list.assignCareLevel(ctx);
    QCOMPARE(failures.size(), 1);
    QVERIFY2(failures.first().contains(u"ЛПУ 101:"_s), qPrintable(failures.first()));
    QCOMPARE(list.entries()[list.findByCode(101)].level, 0);
}

QTEST_GUILESS_MAIN(TestReportList)
#include "test_reportlist.moc"
