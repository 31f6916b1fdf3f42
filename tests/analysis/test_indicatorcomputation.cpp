// Indicator runs over small working directories written here: which records reach which result
// row under the district filter, the selection and the period; the totals, the population
// groups, the region's own figures and the steps; the by-rows layout with its four kinds of
// formula lines; the time series and the year before; the ratings' call. Nothing is written by
// a run.

#include "IndicatorFixture.h"
#include "analysis/indicators/IndicatorCells.h"
#include "analysis/indicators/IndicatorComputation.h"
#include "analysis/indicators/IndicatorDisplay.h"
#include "analysis/indicators/IndicatorSteps.h"
#include "analysis/indicators/NosologyComputation.h"
#include "analysis/indicators/PopulationGroups.h"
#include "data/DataContext.h"
#include "runtime/core/Progress.h"

#include <QDirIterator>
#include <QTest>

using namespace zemor;
using namespace zemor::analysis;
using namespace zemor::test;
using namespace Qt::StringLiterals;

namespace {

constexpr int year = 2025;

Cell term(int form, int table, int row, int column, int slot)
{
    return Cell{form, table, row, column, slot};
}

Cell step(int number, int target, int source, int operation, double constant = 0, int condition = 0,
          int value = 0)
{
    Cell c;
    c.step = number;
    c.slot = target;
    c.column = source;
    c.snak = operation;
    c.hislo = constant;
    c.form = condition;
    c.row = value;
    return c;
}

IndicatorDefinition definition(int type = 0, int kind = 0, int columns = 3)
{
    IndicatorDefinition d;
    d.id = 5;
    d.form = 62;
    d.name = u"Показатель"_s;
    d.firstYear = 2020;
    d.lastYear = 2030;
    d.type = type;
    d.kind = kind;
    d.columns = columns;
    return d;
}

IndicatorRequest request(IndicatorLayout layout, int filter = 0, QList<qint32> selection = {})
{
    IndicatorRequest r;
    r.year = year;
    r.period = {1, 12};
    r.layout = layout;
    r.districtFilter = filter;
    r.selection = selection;
    r.title = u"Отчеты района"_s;
    r.chosenRow = ChosenRow{5, u"5"_s, u"Строка 5"_s, {}, 2};
    return r;
}

// "code:value" of slot `slot` for every row with a value or in `always`.
QString slotOf(const YearResult &y, int slot)
{
    QStringList out;
    for (const IndicatorResultRow &r : y.rows) {
        if (r.slot(slot) != 0)
            out << u"%1:%2"_s.arg(r.code).arg(r.slot(slot));
    }
    return out.join(u' ');
}

// The reports of form 62, row 5 (column 1) and row 6 (columns 1 and 2).
QList<Rec> baseReports()
{
    return {
        {11, 1, 5, {{1, 10}}},        {12, 1, 5, {{1, 5}}},
        {21, 2, 5, {{1, 7}}},         {1101, 101, 5, {{1, 100}}},
        {1021, 102, 5, {{1, 200}}},   {2011, 201, 5, {{1, 1000}}},
        {11, 1, 6, {{1, 1}, {2, 2}}}, {2011, 201, 6, {{1, 10}, {2, 20}}},
    };
}

QStringList filesUnder(const QString &dir)
{
    QStringList out;
    QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << it.next();
    out.sort();
    return out;
}

} // namespace

class TestIndicatorComputation : public QObject
{
    Q_OBJECT

    std::unique_ptr<IndicatorFixture> m_fx;

    runtime::Result<IndicatorRun> runWith(const IndicatorDefinition &d, const IndicatorRequest &r)
    {
        data::DataContext context;
        return IndicatorComputation(context).run(d, r);
    }

private Q_SLOTS:
    void init()
    {
        m_fx = std::make_unique<IndicatorFixture>();
        QVERIFY(m_fx->isValid());
        QVERIFY(m_fx->districts({1, 2, 101, 102, 201}));
        QVERIFY(m_fx->forms(year, {{62, 0}, {30, 1}}));
        QVERIFY(m_fx->formRows(year, {{62, 1, 5, 1, 2, u"Строка 5"_s, u"5"_s, {}},
                                      {62, 1, 6, 2, 3, u"Строка 6"_s, u"6"_s, u"м"_s}}));
        QVERIFY(m_fx->reports(year, 62, baseReports()));
    }

    void byDistrict_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<QList<qint32>>("selection");
        QTest::addColumn<QString>("expected");
        QTest::newRow("every district")
            << 0 << QList<qint32>{} << u"1:15 2:7 101:100 102:200 201:1000 250:1322 251:22"_s;
        QTest::newRow("rural districts: the cities and 201 stay 0, total = districts")
            << 300 << QList<qint32>{} << u"1:15 2:7 250:22 251:22"_s;
        QTest::newRow("the two cities") << 400 << QList<qint32>{} << u"101:100 102:200 250:300"_s;
        QTest::newRow("municipal: codes below 200")
            << 500 << QList<qint32>{} << u"1:15 2:7 101:100 102:200 250:322 251:22"_s;
        QTest::newRow("one district") << 2 << QList<qint32>{} << u"2:7 250:7 251:7"_s;
        QTest::newRow("a selection")
            << 0 << QList<qint32>{11, 1101} << u"1:10 101:100 250:110 251:10"_s;
    }

    void byDistrict()
    {
        QFETCH(int, filter);
        QFETCH(QList<qint32>, selection);
        QFETCH(QString, expected);
        QVERIFY(m_fx->cells({term(62, 1, 0, 1, 1)}));
        const auto run =
            runWith(definition(), request(IndicatorLayout::ByDistrict, filter, selection));
        QVERIFY2(run, qPrintable(run ? QString() : run.error().message));
        QCOMPARE(run->years.size(), 1);
        QCOMPARE(slotOf(run->years[0], 1), expected);
    }

    // Attached units go to their institution's row, created once; 20001 is never a row; the
    // region's own record (20000) is in the one row of the region's total, named "Всего"; the
    // "+обл.ЛПУ" rows of district 201 and the populations of row 201.
    void byInstitutionAndRegionalRows()
    {
        QList<Rec> recs = baseReports();
        recs << Rec{123, 2, 5, {{1, 3}}} << Rec{7123, 2, 5, {{1, 4}}}
             << Rec{20001, 201, 5, {{1, 5}}};
        QVERIFY(m_fx->reports(year, 62, recs + QList<Rec>{{20000, 250, 5, {{1, 50}}}}));
        QVERIFY(m_fx->cells({term(62, 1, 0, 1, 1)}));
        auto r = request(IndicatorLayout::ByInstitution);
        auto run = runWith(definition(), r);
        QVERIFY(run);
        QCOMPARE(slotOf(run->years[0], 1),
                 u"11:10 12:5 21:7 123:7 1021:200 1101:100 2011:1000 20000:1379"_s);
        PlaceNames names;
        for (const int code : {11, 12, 21, 123, 1021, 1101, 2011})
            names.institutions.insert(code, {u"ЛПУ %1"_s.arg(code), 1, 1});
        ColumnPictures pictures;
        pictures.pictures.fill(u"@n_9"_s);
        const IndicatorDisplay display = buildIndicatorDisplay(*run, pictures, names);
        QVERIFY(display.notices.isEmpty());
        QCOMPARE(display.rows.first().name, u"Всего"_s);
        QCOMPARE(display.rows.first().cells[0].trimmed(), u"1379"_s);
        QVERIFY(std::none_of(display.rows.cbegin(), display.rows.cend(),
                             [](const IndicatorDisplayRow &d) { return d.name.isEmpty(); }));

        QVERIFY(m_fx->reports(year, 62, recs));

        r = request(IndicatorLayout::ByDistrict);
        r.regionalInstitutions = true;
        run = runWith(definition(), r);
        QVERIFY(run);
        QCOMPARE(slotOf(run->years[0], 1),
                 u"1:15 2:14 101:100 102:200 201:1005 3011:1000 21001:5 250:1334 251:29"_s);
    }

    void months_data()
    {
        QTest::addColumn<QList<Cell>>("cells");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("first");
        Cell january = term(30, 1, 5, 1, 1);
        january.snak = 20;
        Cell explicitJanuary = term(30, 1, 5, 1, 1);
        explicitJanuary.mes = 1;
        QTest::newRow("rule 20 takes January, the others March..May")
            << QList<Cell>{january, term(30, 1, 5, 1, 2)} << u"1:1|28"_s << 3;
        QTest::newRow("an explicit month 1 widens the run to 1..5")
            << QList<Cell>{explicitJanuary, term(30, 1, 5, 1, 2)} << u"1:1|31"_s << 1;
    }

    void months()
    {
        QFETCH(QList<Cell>, cells);
        QFETCH(QString, expected);
        QFETCH(int, first);
        QList<Rec> recs;
        for (int p = 1; p <= 6; ++p)
            recs << Rec{11, 1, 5, {{1, double(1 << (p - 1))}}, p};
        QVERIFY(m_fx->reports(year, 30, recs, 1));
        QVERIFY(m_fx->cells(cells));
        auto r = request(IndicatorLayout::ByDistrict);
        r.period = {3, 5};
        const auto run = runWith(definition(), r);
        QVERIFY(run);
        const IndicatorResultRow &row = run->years[0].rows.first();
        QCOMPARE(u"%1:%2|%3"_s.arg(row.code).arg(row.slot(1)).arg(row.slot(2)), expected);
        QCOMPARE(run->period, (MonthRange{first, 5}));
    }

    void steps_data()
    {
        QTest::addColumn<Cell>("step");
        QTest::addColumn<double>("target");
        QTest::addColumn<double>("source");
        QTest::addColumn<MonthRange>("period");
        QTest::addColumn<double>("expected");
        QTest::addColumn<QString>("text");
        const MonthRange year{1, 12};
        QTest::newRow("op 4 by a slot of 0 gives 0")
            << step(1, 1, 2, 4) << 8.0 << 0.0 << year << 0.0 << QString();
        QTest::newRow("op 4 by a constant of 0 leaves the target")
            << step(1, 1, 0, 4, 0) << 8.0 << 0.0 << year << 8.0 << QString();
        QTest::newRow("op 5 over 12 months")
            << step(1, 1, 0, 5) << 24.0 << 0.0 << year << 2.0 << QString();
        QTest::newRow("op 5 with a divisor of 0 leaves the target")
            << step(1, 1, 0, 5) << 24.0 << 0.0 << MonthRange{6, 5} << 24.0 << QString();
        QTest::newRow("op 5 with a negative divisor leaves the target")
            << step(1, 1, 0, 5) << 24.0 << 0.0 << MonthRange{9, 5} << 24.0 << QString();
        QTest::newRow("rate per 1000")
            << step(1, 1, 2, 4) << 30.0 << 12000.0 << year << 0.0025 << QString();
        QTest::newRow("equal up to rounding sets the value")
            << step(1, 1, 2, 0, 0.1, 2, 7) << 5.0 << 0.30000000000000004 - 0.2 << year << 7.0
            << QString();
        QTest::newRow("equal at 6 places, not at 7")
            << step(1, 1, 2, 0, 1.0000004, 2, 7) << 5.0 << 1.0 << year << 7.0 << QString();
        QTest::newRow("below by less than the rounding is below")
            << step(1, 1, 2, 0, 1.0000004, 1, 7) << 5.0 << 1.0 << year << 7.0 << QString();
        QTest::newRow("above by less than the rounding is above")
            << step(1, 1, 2, 0, 0.9999996, 3, 7) << 5.0 << 1.0 << year << 7.0 << QString();
        QTest::newRow("a text cell for a value above by less than the rounding")
            << step(1, 1, 2, 0, 12.4999996, 13, 1) << 5.0 << 12.5 << year << 5.0 << u"5/12.5"_s;
        QTest::newRow("a test that fails leaves the arithmetic")
            << step(1, 1, 2, 1, 0, 3, 7) << 5.0 << -1.0 << year << 4.0 << QString();
        QTest::newRow("a text cell v/s")
            << step(1, 1, 2, 0, 10, 13, 1) << 5.0 << 12.5 << year << 5.0 << u"5/12.5"_s;
        QTest::newRow("slot v of 0 sets 0 before the arithmetic")
            << step(1, 3, 2, 1, 10, 13, 3) << 0.0 << 12.0 << year << 12.0 << QString();
    }

    void steps()
    {
        QFETCH(Cell, step);
        QFETCH(double, target);
        QFETCH(double, source);
        QFETCH(MonthRange, period);
        QFETCH(double, expected);
        QFETCH(QString, text);
        IndicatorResultRow row;
        row.code = 1;
        row.set(1, target);
        row.set(2, source);
        row.set(3, target);
        IndicatorStep s;
        s.number = step.step;
        s.target = step.slot;
        s.source = step.column;
        s.operation = step.snak;
        s.constant = step.hislo;
        s.condition = step.form;
        s.value = step.row;
        QList<IndicatorResultRow> rows{row};
        QList<IndicatorCellText> texts;
        applySteps(rows, texts, {s}, period);
        QVERIFY(qFuzzyCompare(1 + rows[0].slot(s.target), 1 + expected));
        QCOMPARE(texts.isEmpty() ? QString() : texts[0].text, text);
    }

    // A run over the region works on its own blank title, filter and selection; the caller's
    // stay, and the next indicator run with them still takes the selection.
    void regionRunKeepsTheCallersValues()
    {
        QVERIFY(m_fx->cells({term(62, 1, 0, 1, 1)}));
        const IndicatorRequest r = request(IndicatorLayout::ByDistrict, 300, {11});
        auto region = runWith(definition(20), r);
        QVERIFY(region);
        QCOMPARE(region->layout, IndicatorLayout::ByRows);
        QVERIFY(region->title.isEmpty());
        QCOMPARE(region->districtFilter, 0);
        QVERIFY(region->selection.isEmpty());
        QCOMPARE(slotOf(region->years[0], 1), u"5:1322 6:11"_s);

        QCOMPARE(r.selection, QList<qint32>{11});
        QCOMPARE(r.title, u"Отчеты района"_s);
        auto next = runWith(definition(), r);
        QVERIFY(next);
        QCOMPARE(slotOf(next->years[0], 1), u"1:10 250:10 251:10"_s);
        QCOMPARE(next->title, r.title);
    }

    // The series runs on its own copy of the definition; a plain run after it shows the
    // definition's own columns. The year before fills the second year.
    void seriesAndYearBefore()
    {
        QVERIFY(m_fx->forms(2024, {{62, 0}}));
        QVERIFY(m_fx->reports(2024, 62, {{11, 1, 5, {{1, 3}}}}));
        QVERIFY(m_fx->cells({term(62, 1, 0, 1, 1)}));
        IndicatorDefinition d = definition(0, 0, 3);
        d.firstYear = 2024;
        d.lastYear = 2025;
        const IndicatorDefinition before = d;
        auto r = request(IndicatorLayout::ByDistrict);
        r.series = true;
        r.seriesFrom = 2023;
        r.seriesTo = 2027;
        auto series = runWith(d, r);
        QVERIFY(series);
        QCOMPARE(d, before);
        QCOMPARE(series->years.size(), 2);
        QCOMPARE(series->years[0].year, 2024);
        QCOMPARE(series->years[0].rows.first().slot(1), 3.0);
        QCOMPARE(series->years[1].rows.first().slot(1), 15.0);
        QCOMPARE(IndicatorCells::shownColumns(*series), 2);

        r.series = false;
        r.twoYears = true;
        auto plain = runWith(d, r);
        QVERIFY(plain);
        QCOMPARE(IndicatorCells::shownColumns(*plain), 3);
        QCOMPARE(plain->years.size(), 2);
        QCOMPARE(plain->years[1].year, 2024);
        QCOMPARE(plain->years[1].rows.first().slot(1), 3.0);
    }

    // The successor takes over after the last year; a missing one ends the series.
    void seriesSuccessor()
    {
        QVERIFY(m_fx->forms(2026, {{62, 0}}));
        QVERIFY(m_fx->reports(2026, 62, {{11, 1, 5, {{1, 4}}}}));
        Cell later = term(62, 1, 0, 1, 1);
        later.id = 6;
        QVERIFY(m_fx->cells({term(62, 1, 0, 1, 1), later}));
        QVERIFY(m_fx->write(u"TablP.DAT"_s, data::FileId::tabl, 1, [](auto &f, int) {
            data::TablRecord t(f.record());
            t.setUnicodT(6);
            t.setNameL(u"2026 2030"_s);
            return t.setCodForm(62).has_value() && t.setCodTabl(1).has_value() &&
                   t.setA(3).has_value();
        }));
        IndicatorDefinition d = definition();
        d.firstYear = 2020;
        d.lastYear = 2025;
        d.successor = 6;
        auto r = request(IndicatorLayout::ByDistrict);
        r.series = true;
        r.seriesFrom = 2025;
        r.seriesTo = 2026;
        auto run = runWith(d, r);
        QVERIFY(run);
        QCOMPARE(run->years.size(), 2);
        QCOMPARE(run->definition.id, 6);
        QCOMPARE(run->years[1].rows.first().slot(1), 4.0);

        d.successor = 7;
        run = runWith(d, r);
        QVERIFY(run);
        QCOMPARE(run->years.size(), 1);
        QCOMPARE(run->notices.size(), 1);
        QCOMPARE(run->notices[0].message, u"Ошибка в конструкторе7"_s);
    }

    void populationGroups()
    {
        QVERIFY(m_fx->districts({1, 2, 3, 4, 101, 201}));
        QVERIFY(m_fx->reports(year, 999,
                              {{901, 1, 1, {{1, 9999}}},
                               {902, 2, 1, {{1, 10000}}},
                               {903, 3, 1, {{1, 50000}}},
                               {910, 101, 1, {{1, 20000}}}}));
        QVERIFY(m_fx->cells({term(62, 1, 0, 1, 1), term(62, 1, 0, 1, 40)}));
        auto r = request(IndicatorLayout::ByDistrict);
        r.populationGroups = true;
        const IndicatorDefinition d = definition(1, 0, 3);
        for (int pass = 0; pass < 2; ++pass) {
            auto run = runWith(d, r);
            QVERIFY(run);
            QCOMPARE(IndicatorCells::shownColumns(*run), 4);
            QCOMPARE(IndicatorCells::populationColumn(*run), 4);
        }
        auto run = runWith(d, r);
        QStringList got;
        for (const IndicatorResultRow &row : run->years[0].rows)
            got << u"%1/%2:%3"_s.arg(row.code).arg(row.district).arg(row.slot(40));
        QCOMPARE(got.join(u' '), u"1/1:9999 2/2:10000 3/6:50000 4/1:0 101/8:20000 201/9:0 "
                                 u"250/250:89999 251/7:69999 255/1:9999 255/2:10000 255/3:0 "
                                 u"255/4:0 255/5:0 255/6:50000"_s);
        // Group I: districts 1 and 4 summed.
        QCOMPARE(run->years[0].rows[8].slot(1), 15.0);
    }

    void populationFileMissing()
    {
        QVERIFY(m_fx->cells({term(62, 1, 0, 1, 1)}));
        auto r = request(IndicatorLayout::ByDistrict);
        r.populationGroups = true;
        r.twoYears = true;
        const QStringList files = filesUnder(m_fx->path({}));
        auto run = runWith(definition(1), r);
        QVERIFY(run);
        QCOMPARE(filesUnder(m_fx->path({})), files);
        // Told once for each year's missing file.
        QCOMPARE(run->notices.size(), 2);
        QVERIFY(run->notices[0].message.startsWith(u"Нет файла населения "_s));
        QVERIFY(run->notices[0].message.endsWith(u"2025\\F0999.dat"_s));
        QVERIFY(run->notices[1].message.endsWith(u"2024\\F0999.dat"_s));
        for (const IndicatorResultRow &row : run->years[0].rows)
            QCOMPARE(row.slot(40), 0.0);
    }

    // The region's own figures go into every row; a missing one is told.
    void regionTotals()
    {
        QVERIFY(m_fx->reports(year, 998, {{20000, 0, 7, {{1, 1000}}}, {11, 1, 7, {{1, 5}}}}));
        QVERIFY(m_fx->cells({term(62, 1, 0, 1, 1), term(998, 1, 7, 1, 2), term(998, 1, 8, 1, 3)}));
        auto run = runWith(definition(), request(IndicatorLayout::ByDistrict, 300));
        QVERIFY(run);
        QCOMPARE(slotOf(run->years[0], 2),
                 u"1:1000 2:1000 101:1000 102:1000 201:1000 250:1000 251:1000"_s);
        QCOMPARE(run->notices.size(), 1);
        QCOMPARE(run->notices[0].message, u"Исправте UniCodStr8"_s);
    }

    // Row 201 shows the whole region's population in the slots of the population lines; each
    // district its own, from the chosen row's population column.
    void regionalRowPopulation()
    {
        QVERIFY(m_fx->reports(year, 999, {{901, 1, 1, {{2, 100}}}, {902, 2, 1, {{2, 200}}}}));
        QVERIFY(m_fx->cells({term(62, 1, 0, 1, 1), term(999, 1, 1, 99, 3)}));
        auto run = runWith(definition(), request(IndicatorLayout::ByDistrict));
        QVERIFY(run);
        QCOMPARE(slotOf(run->years[0], 3), u"1:100 2:200 201:300 250:300 251:300"_s);
    }

    // By rows, a series fills one column a year; a later year's rows are matched by code.
    void byRowsSeries()
    {
        QVERIFY(m_fx->forms(2024, {{62, 0}}));
        QVERIFY(m_fx->formRows(2024, {{62, 1, 5, 1, 2, u"Строка 5"_s, u"5"_s, {}}}));
        QVERIFY(m_fx->reports(2024, 62, {{11, 1, 5, {{1, 3}}}}));
        QVERIFY(m_fx->cells({term(62, 1, 0, 1, 1)}));
        auto r = request(IndicatorLayout::ByRows);
        r.series = true;
        r.seriesFrom = 2024;
        r.seriesTo = 2025;
        const auto run = runWith(definition(2), r);
        QVERIFY(run);
        QCOMPARE(run->years.size(), 2);
        QCOMPARE(slotOf(run->years[0], 1), u"5:3"_s);
        QCOMPARE(slotOf(run->years[1], 1), u"5:1322 6:11"_s);
        ColumnPictures pictures;
        pictures.pictures.fill(u"@n_9"_s);
        const auto formRows = readFormRowNames(year, run->formRowsForm);
        QVERIFY(formRows);
        const IndicatorDisplay display = buildIndicatorDisplay(*run, pictures, {}, *formRows);
        QStringList got;
        for (const IndicatorDisplayRow &row : display.rows)
            got << u"%1:%2,%3"_s.arg(row.code).arg(row.cells[0].trimmed(), row.cells[1].trimmed());
        QCOMPARE(got, (QStringList{u"5:3,1322"_s, u"6:,11"_s}));
    }

    // Missing reports give zero rows; no data file is made.
    void missingReports()
    {
        QVERIFY(m_fx->cells({term(63, 1, 0, 1, 1)}));
        const QStringList files = filesUnder(m_fx->path({}));
        auto run = runWith(definition(), request(IndicatorLayout::ByDistrict));
        QVERIFY(run);
        QCOMPARE(slotOf(run->years[0], 1), QString());
        QCOMPARE(filesUnder(m_fx->path({})), files);
        QCOMPARE(run->years[0].rows.size(), 7);

        QVERIFY(m_fx->cells({}));
        run = runWith(definition(), request(IndicatorLayout::ByDistrict));
        QVERIFY(run);
        QVERIFY(run->years.isEmpty());
        QCOMPARE(run->notices.first().message, u"показатель не введен"_s);
    }

    void byRows_data()
    {
        QTest::addColumn<QList<Cell>>("cells");
        QTest::addColumn<int>("filter");
        QTest::addColumn<QList<qint32>>("selection");
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("expected");
        const QList<Cell> generic{term(62, 1, 0, 1, 1)};
        QTest::newRow("(a) rural districts")
            << generic << 300 << QList<qint32>{} << 1 << u"5:22 6:1"_s;
        QTest::newRow("(a) a selection reads every district")
            << generic << 300 << QList<qint32>{1101, 2011} << 1 << u"5:1100 6:10"_s;
        QTest::newRow("(a) 201 takes district 201")
            << generic << 201 << QList<qint32>{} << 1 << u"5:1000 6:10"_s;
        const QList<Cell> population{term(999, 1, 1, 99, 2)};
        QTest::newRow("(b) 201 takes the whole region")
            << population << 201 << QList<qint32>{} << 2 << u"5:300 6:3000"_s;
        QTest::newRow("(b) one district")
            << population << 2 << QList<qint32>{} << 2 << u"5:200 6:2000"_s;
        QTest::newRow("(b) a selection over the region is not read")
            << population << 0 << QList<qint32>{11} << 2 << QString();
        QTest::newRow("(c) two terms on slot 5 add the line sum twice")
            << QList<Cell>{term(62, 1, 6, 1, 5), term(62, 1, 6, 2, 5)} << 0 << QList<qint32>{} << 5
            << u"5:66 6:66"_s;
        QTest::newRow("(d) row 0 of another table is not used")
            << QList<Cell>{term(62, 1, 0, 1, 1), term(63, 2, 0, 1, 3)} << 0 << QList<qint32>{} << 3
            << QString();
    }

    void byRows()
    {
        QFETCH(QList<Cell>, cells);
        QFETCH(int, filter);
        QFETCH(QList<qint32>, selection);
        QFETCH(int, slot);
        QFETCH(QString, expected);
        QVERIFY(m_fx->reports(
            year, 999, {{901, 1, 1, {{2, 100}, {3, 1000}}}, {902, 2, 1, {{2, 200}, {3, 2000}}}}));
        QVERIFY(m_fx->reports(year, 63, {{11, 1, 5, {{1, 4}}}}));
        QVERIFY(m_fx->cells(cells));
        auto run = runWith(definition(2), request(IndicatorLayout::ByRows, filter, selection));
        QVERIFY2(run, qPrintable(run ? QString() : run.error().message));
        QCOMPARE(slotOf(run->years[0], slot), expected);
    }

    // A line sum takes the cells as they are stored: the largest value a cell holds fits; a sum
    // that does not fit its 17 digits is reported with its form, row and slot, not cut.
    void lineSumOverflow()
    {
        const QString largest = u"99999999999999.999"_s;
        QVERIFY(m_fx->reports(year, 62, {{11, 1, 6, {}, 0, {{1, largest}}}}));
        QVERIFY(m_fx->cells({term(62, 1, 6, 1, 5)}));
        auto run = runWith(definition(2), request(IndicatorLayout::ByRows));
        QVERIFY2(run, qPrintable(run ? QString() : run.error().where + run.error().message));
        QCOMPARE(slotOf(run->years[0], 5), u"5:1e+14 6:1e+14"_s);

        QVERIFY(m_fx->reports(
            year, 62, {{11, 1, 6, {}, 0, {{1, largest}}}, {12, 1, 6, {}, 0, {{1, u"0.001"_s}}}}));
        run = runWith(definition(2), request(IndicatorLayout::ByRows));
        QVERIFY(!run);
        QCOMPARE(run.error().code, runtime::ErrorCode::Overflow);
        QCOMPARE(run.error().where, u"форма 62, строка 6, слот 5"_s);
        QVERIFY2(run.error().message.contains(u"100000000000000"_s),
                 qPrintable(run.error().message));
    }

    // Kind 7: the rows come from "<n>.MDS" only; "<n>.MDV" lines fill and add rows.
    void listedRows()
    {
        QVERIFY(m_fx->text(
            u"5.MDS"_s, {"02500 02 A1   014  Листовая строка", "03000    B2        Без порядка"}));
        QVERIFY(m_fx->text(u"5.MDV"_s, {"025000062 00005  1  1", "040000062-00006  2  2"}));
        QVERIFY(m_fx->cells({term(62, 1, 0, 1, 1)}));
        auto run = runWith(definition(2, 7), request(IndicatorLayout::ByRows));
        QVERIFY2(run, qPrintable(run ? QString() : run.error().message));
        QCOMPARE(slotOf(run->years[0], 1), u"2500:1322"_s);
        QCOMPARE(slotOf(run->years[0], 2), u"4000:-22"_s);
    }

    void orderRows_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QList<int>>("codes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("form rows by number, equal numbers keep their order, missing removed")
            << 0 << QList<int>{6, 5, 7, 9} << u"6=Строка 6(м)/2 7=Строка 7/2 5=Строка 5/3"_s;
        QTest::newRow("kind 7: listed orders, the place of form row 14, blank orders last")
            << 7 << QList<int>{3000, 2500, 6}
            << u"6=Строка 6(м)/2 2500=Листовая/9 3000=Без порядка/1003"_s;
    }

    void orderRows()
    {
        QFETCH(int, kind);
        QFETCH(QList<int>, codes);
        QFETCH(QString, expected);
        QHash<int, FormRowName> form{{5, {u"Строка 5"_s, {}, u"5"_s, 3}},
                                     {6, {u"Строка 6     "_s, u"м"_s, u"6"_s, 2}},
                                     {7, {u"Строка 7"_s, {}, u"7"_s, 2}},
                                     {14, {u"Строка 14"_s, {}, u"14"_s, 9}}};
        QList<FormulaRowLine> listed{{2500, 0, u"A1"_s, 14, u"Листовая"_s},
                                     {3000, 0, u"B2"_s, std::nullopt, u"Без порядка"_s}};
        QList<NosologyRow> rows;
        for (int c : codes)
            rows.append({c, {}, {}, 0, 0});
        orderNosologyRows(rows, kind, form, listed);
        QStringList got;
        for (const NosologyRow &r : rows)
            got << u"%1=%2/%3"_s.arg(r.code).arg(r.name).arg(r.order);
        QCOMPARE(got.join(u' '), expected);
    }

    // The ratings' call: codes and slots 1..QST:A, the count in the title.
    void ratingCall()
    {
        QVERIFY(m_fx->definition(5, 62, 2, 0));
        QVERIFY(m_fx->cells({term(62, 1, 5, 1, 1), term(62, 1, 5, 1, 2), step(1, 2, 0, 3, 2)}));
        data::DataContext context;
        QString title = u"Отчеты"_s;
        const auto rows =
            IndicatorComputation(context).computeForRating(5, title, 1, 300, {1, 12}, {}, year);
        QVERIFY(rows);
        QCOMPARE(title, u"2"_s);
        QStringList got;
        for (const RatingResultRow &r : *rows)
            got << u"%1:%2,%3"_s.arg(r.code).arg(r.slots.value(0)).arg(r.slots.value(1));
        QCOMPARE(got.join(u' '), u"1:15,30 2:7,14 101:0,0 102:0,0 201:0,0 250:22,44 251:22,44"_s);
        QCOMPARE(rows->first().slots.size(), 2);

        title = u"Отчеты"_s;
        const auto byInstitution = IndicatorComputation(context).computeForRating(
            5, title, 3, 0, {1, 12}, {11, 2011}, year);
        QVERIFY(byInstitution);
        QCOMPARE(byInstitution->size(), 3);
        QCOMPARE(byInstitution->last().code, 20000);
        QCOMPARE(byInstitution->last().slots.value(0), 1010.0);
    }

    // The display rows: "Всего" is row 1 of the by-institution layout, institutions named by
    // their district; an unknown institution is told and stays unnamed.
    void displayByInstitution()
    {
        QVERIFY(m_fx->cells({term(62, 1, 0, 1, 1)}));
        const auto run = runWith(definition(), request(IndicatorLayout::ByInstitution, 1));
        QVERIFY(run);
        PlaceNames names;
        names.districts = {{1, u"Первый   "_s}};
        names.institutions = {{11, {u"Больница"_s, 1, 2}}};
        ColumnPictures pictures;
        pictures.pictures.fill(u"@n_9"_s);
        const IndicatorDisplay display = buildIndicatorDisplay(*run, pictures, names);
        QStringList got;
        for (const IndicatorDisplayRow &r : display.rows)
            got << u"%1 %2 %3"_s.arg(r.codeText, r.name, r.cells[0].trimmed());
        QCOMPARE(got, (QStringList{u"1 Всего 15"_s, u"2  5"_s, u"3 Первый,Больница 10"_s}));
        QCOMPARE(display.notices.size(), 1);
        QCOMPARE(display.notices[0].message, u"Ошибка код ЛПУ--12"_s);
    }

    // "за 2 года" over 25 columns: the first 20 columns twice, 40 cells.
    void displayTwoYears()
    {
        QVERIFY(m_fx->forms(2024, {{62, 0}}));
        QVERIFY(m_fx->reports(2024, 62, {{11, 1, 5, {{1, 3}}}}));
        QList<Cell> cells;
        for (int k = 1; k <= 25; ++k)
            cells << term(62, 1, 0, 1, k);
        QVERIFY(m_fx->cells(cells));
        auto r = request(IndicatorLayout::ByDistrict);
        r.twoYears = true;
        const auto run = runWith(definition(0, 0, 25), r);
        QVERIFY(run);
        ColumnPictures pictures;
        pictures.pictures.fill(u"@n_9"_s);
        const IndicatorDisplay display = buildIndicatorDisplay(*run, pictures, {});
        const IndicatorDisplayRow &row = display.rows.first();
        QCOMPARE(row.name, u"?reg-1"_s);
        QCOMPARE(int(std::count_if(row.cells.begin(), row.cells.end(),
                                   [](const QString &c) { return !c.isEmpty(); })),
                 40);
        QCOMPARE(row.cells[0].trimmed(), u"3"_s);  // 2024
        QCOMPARE(row.cells[1].trimmed(), u"15"_s); // 2025
    }

    // Population groups show the population in one added column, under "@n_8", and the
    // group rows by their names, each after its districts.
    void displayGroups()
    {
        QVERIFY(m_fx->reports(year, 999, {{901, 1, 1, {{1, 12000}}}}));
        QVERIFY(m_fx->cells({term(62, 1, 0, 1, 1)}));
        auto r = request(IndicatorLayout::ByDistrict);
        r.populationGroups = true;
        const auto run = runWith(definition(1, 0, 2), r);
        QVERIFY(run);
        ColumnPictures pictures;
        pictures.pictures.fill(u"@n_9"_s);
        const IndicatorDisplay display = buildIndicatorDisplay(*run, pictures, {});
        QCOMPARE(display.columns, 3);
        QCOMPARE(display.pictures.pictures[2], u"@n_8"_s);
        QStringList got;
        for (const IndicatorDisplayRow &row : display.rows)
            got << (row.name.trimmed() + u'=' + row.cells[2].trimmed());
        QCOMPARE(got.join(u'|'),
                 u"?reg-2=|в среднем по группе I=|?reg-1=12000|в среднем по группе II=12000|"
                 u"в среднем по группе III=|в среднем по группе IV=|в среднем по группе V=|"
                 u"в среднем по группе VI=|По районам=12000|?reg-101=|?reg-102=|?reg-201=|"
                 u"ВСЕГО=12000"_s);
    }

    // By rows: names and order from the form's rows.
    void displayByRows()
    {
        QVERIFY(m_fx->cells({term(62, 1, 0, 1, 1)}));
        const auto run = runWith(definition(2), request(IndicatorLayout::ByRows));
        QVERIFY(run);
        const auto formRows = readFormRowNames(year, run->formRowsForm);
        QVERIFY(formRows);
        ColumnPictures pictures;
        pictures.pictures.fill(u"@n_9"_s);
        const IndicatorDisplay display = buildIndicatorDisplay(*run, pictures, {}, *formRows);
        QStringList got;
        for (const IndicatorDisplayRow &row : display.rows)
            got << u"%1 %2 %3"_s.arg(row.codeText.trimmed(), row.name.trimmed(),
                                     row.cells[0].trimmed());
        QCOMPARE(got, (QStringList{u"5 Строка 5 1322"_s, u"6 Строка 6(м) 11"_s}));
    }

    // A run asked to stop ends with Cancelled and no result.
    void cancelled()
    {
        struct Stop final : runtime::Progress
        {
            void setTotal(qint64) override {}
            void step(qint64, const QString &) override {}
            bool cancelled() const override { return true; }
        } stop;
        QVERIFY(m_fx->cells({term(62, 1, 0, 1, 1)}));
        data::DataContext context;
        const auto run = IndicatorComputation(context, &stop)
                             .run(definition(), request(IndicatorLayout::ByRows));
        QVERIFY(!run);
        QCOMPARE(run.error().code, runtime::ErrorCode::Cancelled);
    }

    void choices_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("successor");
        QTest::addColumn<QString>("expected"); // layouts offered, preset, options, two years
        QTest::newRow("type 1") << 1 << 0 << 0 << u"1-3 1 opt two"_s;
        QTest::newRow("type 2") << 2 << 0 << 0 << u"-2- 2 - two"_s;
        QTest::newRow("type 20") << 20 << 0 << 0 << u"--- 2 - two"_s;
        QTest::newRow("type 0, kind 8") << 0 << 8 << 0 << u"123 2 - -"_s;
        QTest::newRow("type 5 with a successor") << 5 << 7 << 9 << u"123 2 - -"_s;
    }

    void choices()
    {
        QFETCH(int, type);
        QFETCH(int, kind);
        QFETCH(int, successor);
        QFETCH(QString, expected);
        IndicatorDefinition d = definition(type, kind);
        d.successor = successor;
        const IndicatorChoices c = IndicatorChoices::of(d);
        const QString got = u"%1%2%3 %4 %5 %6"_s.arg(c.byDistrict ? u"1"_s : u"-"_s)
                                .arg(c.byRows ? u"2"_s : u"-"_s)
                                .arg(c.byInstitution ? u"3"_s : u"-"_s)
                                .arg(int(c.preset))
                                .arg(c.districtOptions ? u"opt"_s : u"-"_s)
                                .arg(c.twoYears ? u"two"_s : u"-"_s);
        QCOMPARE(got, expected);
        QCOMPARE(c.districtOptionsFor(IndicatorLayout::ByDistrict, d), type != 20);
        QVERIFY(!c.districtOptionsFor(IndicatorLayout::ByInstitution, d));
    }

    void rankValues()
    {
        QCOMPARE(rankValue(u"  5/12.5"_s), 0.0);
        QCOMPARE(rankValue(u"  12,3456"_s), 12.34);
        QCOMPARE(rankValue(u"1 234"_s), 1234.0);
        QCOMPARE(rankValue(QString()), 0.0);
    }
};

QTEST_GUILESS_MAIN(TestIndicatorComputation)
#include "test_indicatorcomputation.moc"
