// What the rating window shows: list columns, sorting by a header, chart geometry, what the rank
// table is given from each tab (district codes only for a per-district indicator), and the
// workbooks' cells and frames.

#include "analysis/ratings/RatingOutput.h"
#include "runtime/fs/Paths.h"
#include "shell/ExcelLauncher.h"
#include "support/RecordingOffice.h"
#include "support/ScriptedPrompter.h"

#include <QTemporaryDir>
#include <QTest>

using namespace zemor;
using namespace zemor::analysis;
using namespace Qt::StringLiterals;

namespace {

// A run of `n` members (numbered in code order) with the tables given, one data row each with
// member k's value k.
RatingRun makeRun(int n, const QList<int> &tables, int tip = 0)
{
    RatingRun run;
    run.year = 2025;
    run.indicator.tip = tip;
    run.indicator.name = u"Качество   "_s;
    for (int i = 1; i <= n; ++i)
        run.members.append(
            {.code = tip == 1 ? i * 100 + 1 : 100 + i, // per district: district i's hospital
             .name = u"Учреждение-номер-%1-с-длинным-названием"_s.arg(i, 2, 10, QChar(u'0')),
             .district = tip == 1 ? i : 0,
             .number = i});
    for (int table : tables) {
        run.values.append(ValueRow{.name = u"Таблица %1  "_s.arg(table), .table = table});
        ValueRow row;
        row.table = table;
        row.rowId = table;
        row.number = 1;
        row.name = u"Строка"_s;
        row.norm = 1;
        row.data.assign(size_t(run.columnCount()), 0.0);
        for (int k = 1; k <= n; ++k)
            row.data[size_t(run.columnOf(run.members[k - 1]) - 1)] = k;
        run.values.append(row);
        run.values.append(ValueRow{
            .table = table, .rowId = ValueRow::tableEndId, .number = ValueRow::tableEndNumber});
    }
    run.type = 2;
    computeRating(run);
    return run;
}

} // namespace

class TestRatingOutput : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ratingColumns()
    {
        const RatingRun run = makeRun(2, {1, 21, 31});
        const auto columns = RatingOutput::ratingColumns(run);
        QStringList titles;
        QList<RatingField> fields;
        for (const RatingColumn &c : columns) {
            titles << c.title;
            fields << c.field;
        }
        QCOMPARE(titles, (QStringList{u"N"_s, u"Учреждение"_s, u"Рейтинг"_s, u"Таблица 1"_s,
                                      u"Таблица 21"_s, u"Таблица 31"_s}));
        QCOMPARE(fields.mid(3), (QList<RatingField>{RatingField::Structure, RatingField::Process,
                                                    RatingField::ProcessHospital}));
        QList<int> many;
        for (int t = 1; t <= 11; ++t)
            many.append(t);
        QCOMPARE(RatingOutput::ratingColumns(makeRun(1, many)).size(), 13);
    }

    void memberColumns_data()
    {
        QTest::addColumn<int>("members");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("titleLength");
        QTest::newRow("17 members") << 17 << 35 << 30;
        QTest::newRow("18 members") << 18 << 20 << 20;
        QTest::newRow("31 members") << 31 << 20 << 20;
    }
    void memberColumns()
    {
        QFETCH(int, members);
        QFETCH(int, width);
        QFETCH(int, titleLength);
        const RatingRun run = makeRun(members, {1});
        const auto columns = RatingOutput::memberColumns(run, {});
        QCOMPARE(columns.size(), members);
        QCOMPARE(columns.first().width, width);
        QCOMPARE(columns.first().title.size(), titleLength);
        QCOMPARE(columns.last().column, members);
    }

    void districtColumns()
    {
        const RatingRun run = makeRun(2, {1}, 1);
        const auto columns = RatingOutput::memberColumns(
            run, {{2, u"Второй"_s}, {1, u"Первый"_s}, {101, u"Город"_s}});
        QCOMPARE(columns.size(), 2);
        QCOMPARE(columns[0].title, u"Первый"_s);
        QCOMPARE(columns[1].column, 2);
    }

    // A click on "Рейтинг" sorts lowest first; "N" restores the best-first order.
    void headerSort()
    {
        RatingRun run = makeRun(3, {5});
        QList<RatingRow> rows = run.ratings;
        rankRatingRows(rows);
        QCOMPARE(rows.first().number, 3);
        QVERIFY(RatingOutput::sortByColumn(rows, 3));
        QCOMPARE(rows.first().number, 1);
        QVERIFY(RatingOutput::sortByColumn(rows, 1));
        QCOMPARE(rows.first().number, 3);
        QVERIFY(!RatingOutput::sortByColumn(rows, 10));
    }

    void chartGeometry_data()
    {
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<double>("mark");
        QTest::addColumn<bool>("drawn");
        QTest::addColumn<QList<double>>("ys");
        QTest::addColumn<double>("markY");
        QTest::newRow("span") << QList<double>{1, 3, 2} << 2.0 << true << QList<double>{100, 0, 50}
                              << 50.0;
        QTest::newRow("equal non-zero: flat mid line")
            << QList<double>{2, 2} << 2.0 << true << QList<double>{50, 50} << 50.0;
        QTest::newRow("equal, mark above")
            << QList<double>{2, 2} << 3.0 << true << QList<double>{50, 50} << 0.0;
        QTest::newRow("all zero: nothing")
            << QList<double>{0, 0} << 1.0 << false << QList<double>{} << 0.0;
        QTest::newRow("mark below the lowest")
            << QList<double>{1, 3} << -5.0 << true << QList<double>{100, 0} << 100.0;
    }
    void chartGeometry()
    {
        QFETCH(QList<double>, values);
        QFETCH(double, mark);
        QFETCH(bool, drawn);
        QFETCH(QList<double>, ys);
        QFETCH(double, markY);
        const LineChart chart =
            LineChart::of(values, {u"Абвгд"_s}, mark, QRectF(0, 0, 100, 100), 2);
        QCOMPARE(chart.drawn, drawn);
        QList<double> got;
        for (const QPointF &p : chart.points)
            got.append(p.y());
        QCOMPARE(got, ys);
        if (!drawn)
            return;
        QCOMPARE(chart.markY, markY);
        QCOMPARE(chart.names.first(), u"Абвг"_s);
        QCOMPARE(chart.guides.first(), 100.0 / double(values.size()) / 2);
    }

    // Per institution the rank table gets no codes and offers no map; per district it gets
    // the district codes. The series: one entry per member, the mean of a goal line.
    void rankSources()
    {
        const RatingRun perInstitution = makeRun(3, {5});
        QList<RatingRow> rows = perInstitution.ratings;
        rankRatingRows(rows);
        RankTableSource source =
            ratingRankSource(perInstitution, rows, RatingOutput::ratingRankText());
        QVERIFY(!source.districtCodes);
        QCOMPARE(source.lines.size(), 3);
        QCOMPARE(source.lines.first().codReg, 0);
        QCOMPARE(source.title, u"Рейтинг ЦРБ"_s);
        QVERIFY(!RankTable(source).mapAvailable());

        const RatingRun perDistrict = makeRun(3, {5}, 1);
        rows = perDistrict.ratings;
        rankRatingRows(rows);
        source = ratingRankSource(perDistrict, rows, {});
        QVERIFY(source.districtCodes);
        QCOMPARE(source.lines.first().codReg, 3);
        QVERIFY(RankTable(source).mapAvailable());

        source = goalRankSource(perInstitution, 1, {});
        QCOMPARE(source.title, u"Качество;Строка"_s);
        QCOMPARE(source.lines.size(), 3);
        QCOMPARE(source.lines[2].value, runtime::Decimal::fromUnits(3, 0));
        QVERIFY(source.mean.has_value());
        QCOMPARE(*source.mean, runtime::Decimal::fromUnits(2, 0));
        source = valueRankSource(perDistrict, 1, {});
        QVERIFY(!source.mean.has_value());
        QCOMPARE(source.lines[1].codReg, 2);
    }

    void numberTexts_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 12.0 << u"12"_s;
        QTest::newRow("comma") << 2.5 << u"2,5"_s;
        QTest::newRow("three places kept") << 0.12345 << u"0,123"_s;
        QTest::newRow("negative") << -1.25 << u"-1,25"_s;
    }
    void numberTexts()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(RatingWorkbooks::numberText(value), text);
    }

    // "i1.XLS" with 12 rating rows frames R10C1:R21C12 (column 13 filled outside the frame);
    // "i2.XLS" and "i3.XLS" carry every member.
    void workbooks()
    {
        QTemporaryDir dir;
        runtime::fs::setWorkDir(dir.path());
        const RatingRun run = makeRun(12, {5});
        QList<RatingRow> rows = run.ratings;
        rankRatingRows(rows);
        {
            test::RecordingOffice office;
            test::ScriptedPrompter prompter;
            shell::ExcelLauncher excel(office, prompter);
            QVERIFY(RatingWorkbooks::exportTab(run, rows, 1, excel));
            // Texts are poked as texts (a leading apostrophe), codes and values as they are.
            QCOMPARE(office.cells.value(u"R2C1"_s), u"'Качество за 2025 год"_s);
            QCOMPARE(office.cells.value(u"R10C1"_s), u"112"_s);
            QVERIFY(office.cells.contains(u"R21C13"_s));
            QVERIFY(office.commands.contains(u"Excel: [SELECT(\"R10C1:R21C12\")]"_s));
        }
        const RatingRun wide = makeRun(31, {5});
        for (int tab : {2, 3}) {
            test::RecordingOffice office;
            test::ScriptedPrompter prompter;
            shell::ExcelLauncher excel(office, prompter);
            QVERIFY(RatingWorkbooks::exportTab(wide, wide.ratings, tab, excel));
            const int first = tab == 2 ? 3 : 5;
            QCOMPARE(office.cells.value(u"R9C%1"_s.arg(first + 30)),
                     u"'Учреждение-номер-31-с-длинным-названием"_s);
            QCOMPARE(office.cells.value(u"R11C%1"_s.arg(first + 30)), u"31"_s);
            QVERIFY(
                office.commands.contains(u"Excel: [SELECT(\"R9C1:R12C%1\")]"_s.arg(first + 30)));
        }
    }
};

QTEST_GUILESS_MAIN(TestRatingOutput)
#include "test_ratingoutput.moc"
