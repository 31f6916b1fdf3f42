// The demo's indicators and ratings: the GIF writer read back by an independent decoder, the
// map and button pictures, the indicator list, by-district, by-institution and by-rows
// indicators over the demo reports and populations (the figures expected worked out from the
// demo's own report values), and the quality indicators with their sets and norms.

#include "analysis/indicators/IndicatorComputation.h"
#include "analysis/indicators/IndicatorFormulaFiles.h"
#include "analysis/indicators/PopulationGroups.h"
#include "analysis/indicators/ui/IndicatorListWindow.h"
#include "analysis/indicators/ui/IndicatorParametersWindow.h"
#include "analysis/indicators/ui/IndicatorProcedure.h"
#include "analysis/indicators/ui/IndicatorResultWindow.h"
#include "analysis/ratings/RatingData.h"
#include "data/DataContext.h"
#include "runtime/office/DesktopOpener.h"
#include "runtime/office/OfficeServer.h"
#include "runtime/report/PageSink.h"
#include "support/DemoWorkDir.h"
#include "support/ScriptedPrompter.h"
#include "tests/analysis/ui/WindowTestSupport.h"
#include "tools/DemoCatalogue.h"
#include "tools/DemoIndicators.h"
#include "tools/DemoRatings.h"
#include "tools/DemoReports.h"
#include "tools/GifWriter.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QImageReader>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;
using namespace zemor;
using tools::DemoRatings;

namespace {

QImage readGif(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer, "gif");
    return reader.read();
}

QImage readGifFile(const QString &path)
{
    QImageReader reader(path, "gif");
    return reader.read();
}

// Slot `slot` of the row of `code`; -1 when there is no such row.
double slotOf(const QList<analysis::RatingResultRow> &rows, int code, int slot)
{
    for (const analysis::RatingResultRow &row : rows)
        if (row.code == code)
            return slot <= row.slots.size() ? row.slots[slot - 1] : 0.0;
    return -1;
}

// The demo's stored value `n` of `form`'s row `rowId` summed over the reports `take` accepts.
double reported(int form, int rowId, int n,
                const std::function<bool(const tools::DemoReport &)> &take = {})
{
    qint64 units = 0;
    for (const tools::DemoReport &report : tools::demoReports(test::demoYear)) {
        if (report.form != form || (take && !take(report)))
            continue;
        for (const tools::DemoRowValues &row : report.rows) {
            if (row.rowId == rowId)
                units += row.value(n);
        }
    }
    return double(units) / 1000;
}

// The region's population in a column of form 999: every district with a record.
double regionPopulation(int year, int column)
{
    qint64 people = 0;
    for (const tools::DemoDistrict &d : tools::demoReference().districts)
        people += tools::DemoIndicators::population(year, d.code, column);
    return double(people);
}

// The result rows of a by-rows run of the demo definition `id`, by code; the run's notices.
QHash<int, analysis::IndicatorResultRow> byRows(qint32 id, QStringList *notices = nullptr)
{
    QHash<int, analysis::IndicatorResultRow> rows;
    const auto definition = analysis::IndicatorFormulaFiles(test::demoYear).readDefinition(id);
    if (!definition || !*definition)
        return rows;
    data::DataContext context;
    analysis::IndicatorRequest request;
    request.year = test::demoYear;
    const auto run = analysis::IndicatorComputation(context).run(**definition, request);
    if (!run || run->years.size() != 1)
        return rows;
    for (const analysis::IndicatorResultRow &row : run->years[0].rows)
        rows.insert(row.code, row);
    if (notices) {
        for (const analysis::FormulaNotice &n : run->notices)
            notices->append(n.message);
    }
    return rows;
}

// The indicator procedure as the program starts it, printing into the PDF file `pdf`; its boxes
// are answered and kept by `prompter`.
struct ProcedureRun
{
    explicit ProcedureRun(const QString &pdf)
        : pages(std::make_shared<runtime::report::PdfSink>(pdf)),
          procedure(data, {state, prompter, &office, nullptr, pages})
    {
    }
    test::ScriptedPrompter prompter;
    test::NoDesktop desktop;
    runtime::office::OfficeServer office{&desktop};
    shell::AppState state;
    std::shared_ptr<runtime::report::PdfSink> pages;
    data::DataContext data;
    analysis::ui::IndicatorProcedure procedure;
};

} // namespace

class TestDemoIndicators : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::WorkDir> m_work;

    // The rows the result window shows for a run of the demo definition `id` (name and the first
    // three cells, joined by "|"), the window kept as `screenshot`; no message on the way.
    QStringList shownRows(qint32 id, analysis::IndicatorLayout layout, const QString &screenshot)
    {
        ProcedureRun run(m_work->filePath(u"indicator.pdf"_s));
        test::ScriptedPrompter &prompter = run.prompter;
        analysis::ui::IndicatorProcedure &procedure = run.procedure;
        const auto definition = analysis::IndicatorFormulaFiles(test::demoYear).readDefinition(id);
        if (!definition || !*definition)
            return {u"no definition %1"_s.arg(id)};
        analysis::IndicatorRequest request;
        request.year = test::demoYear;
        request.layout = layout;
        QStringList shown;
        QTimer answer;
        answer.setInterval(10);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto *result = qobject_cast<analysis::ui::IndicatorResultWindow *>(
                QApplication::activeModalWidget());
            if (!result)
                return;
            answer.stop();
            for (const analysis::IndicatorDisplayRow &r : result->rows())
                shown << u"%1|%2|%3|%4"_s.arg(r.name.trimmed(), r.cells[0].trimmed(),
                                              r.cells[1].trimmed(), r.cells[2].trimmed());
            test::grabWindow(result, screenshot);
            result->reject();
        });
        answer.start();
        procedure.run(**definition, request, nullptr);
        if (!prompter.texts().isEmpty())
            shown.prepend(prompter.texts().join(u'\n'));
        return shown;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(QImageReader::supportedImageFormats().contains("gif"));
        m_work = std::make_unique<test::WorkDir>(true);
    }

    // Pictures of every kind of content read back index for index: plain areas (long runs),
    // noise over 256 colours (the code table fills and starts again many times), odd sizes,
    // and a palette of two colours.
    void gifRoundTrip_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("colours");
        QTest::addColumn<bool>("noise");
        QTest::newRow("plain") << QSize(300, 200) << 3 << false;
        QTest::newRow("noise 256") << QSize(257, 131) << 256 << true;
        QTest::newRow("noise 2") << QSize(33, 7) << 2 << true;
        QTest::newRow("one pixel") << QSize(1, 1) << 2 << false;
    }
    void gifRoundTrip()
    {
        QFETCH(QSize, size);
        QFETCH(int, colours);
        QFETCH(bool, noise);
        QList<QRgb> palette;
        for (int i = 0; i < colours; ++i)
            palette.append(qRgb(i, 255 - i, (i * 37) % 256));
        QImage indexed(size, QImage::Format_Indexed8);
        indexed.setColorTable(QVector<QRgb>(palette.cbegin(), palette.cend()));
        QRandomGenerator random(7);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                indexed.setPixel(x, y,
                                 noise ? random.bounded(colours)
                                       : (x < size.width() / 2 ? 1 % colours : 0));
        const QByteArray bytes = tools::gifFile(tools::gifImageData(indexed), palette, 0);
        const QImage back = readGif(bytes).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(back.size(), size);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) {
                const int index = indexed.pixelIndex(x, y);
                const QRgb got = back.pixel(x, y);
                if (index == 0)
                    QCOMPARE(qAlpha(got), 0);
                else
                    QCOMPARE(got, palette[index] | 0xff000000u);
            }
    }

    // Every picture the map page names exists; a district's picture shows its district only,
    // in the range's colour, the rest transparent.
    void mapPictures()
    {
        const QDir images(m_work->filePath(u"Images"_s));
        for (int set = 1; set <= DemoRatings::pictureSets; ++set)
            for (int range = 1; range <= DemoRatings::ranges; ++range) {
                QVERIFY(images.exists(u"%1/%2/legend.gif"_s.arg(set).arg(range)));
                for (int d = 1; d <= DemoRatings::mapDistricts; ++d)
                    QVERIFY(images.exists(u"%1/%2/%3.gif"_s.arg(set).arg(range).arg(d)));
            }
        const QImage low = readGifFile(images.filePath(u"1/1/5.gif"_s));
        const QImage high = readGifFile(images.filePath(u"1/5/5.gif"_s));
        QVERIFY(low.hasAlphaChannel());
        const QPoint inside = DemoRatings::districtArea(5).center();
        const QPoint elsewhere = DemoRatings::districtArea(20).center();
        QCOMPARE(qAlpha(low.pixel(inside)), 255);
        QCOMPARE(qAlpha(low.pixel(elsewhere)), 0);
        QVERIFY(low.pixel(inside) != high.pixel(inside));
        const QImage region = readGifFile(images.filePath(u"name_r.gif"_s));
        QCOMPARE(region.size(), low.size());
        QCOMPARE(qAlpha(region.pixel(inside)), 0);
        for (const QString &button : {u"Delete.gif"_s, u"Edit.gif"_s}) {
            const QImage picture = readGifFile(m_work->filePath(button));
            QCOMPARE(picture.size(), QSize(16, 16));
            QCOMPARE(qAlpha(picture.pixel(0, 0)), 0);
        }
    }

    // The list of the year holds the definitions valid in it; the one that ended in 2024
    // hands over to its successor.
    void indicatorList()
    {
        const analysis::IndicatorFormulaFiles files(test::demoYear);
        const auto list = files.readIndicatorList(std::nullopt);
        QVERIFY(list);
        QList<qint32> ids;
        for (const analysis::IndicatorDefinition &d : *list)
            ids.append(d.id);
        std::sort(ids.begin(), ids.end());
        QCOMPARE(ids, (QList<qint32>{101, 102, 103, 104, 106, 107, 108, 109, 110, 111}));
        // Every kind of result rows and every choice of layouts is shown by one of them.
        QSet<int> kinds;
        QSet<int> types;
        for (const analysis::IndicatorDefinition &d : *list) {
            kinds.insert(d.kind);
            types.insert(d.type);
        }
        QCOMPARE(kinds, (QSet<int>{0, 1, 7, 8, 9}));
        QCOMPARE(types, (QSet<int>{0, 1, 2, 20}));
        const auto older = files.readDefinition(105);
        QVERIFY(older && *older);
        QCOMPARE((*older)->successor, 101);
        const auto rate = files.readDefinition(101);
        QVERIFY(rate && *rate);
        QCOMPARE((*rate)->workbook, u"i1.XLS"_s);
        const auto columns = files.readColumns(**rate);
        QVERIFY(columns);
        QCOMPARE(columns->size(), 4);
    }

    // Diseases per 1000 inhabitants by district: the rate is the count over the population, a
    // text where the population is small.
    void indicatorByDistrict()
    {
        data::DataContext context;
        QString count;
        const auto rows = analysis::IndicatorComputation(context).computeForRating(
            101, count, 1, 0, {0, 0}, {}, test::demoYear);
        QVERIFY(rows);
        QCOMPARE(count.trimmed(), u"4"_s);
        for (int district : {1, 2, 3, 4, 101}) {
            const double cases = slotOf(*rows, district, 1);
            const double population = slotOf(*rows, district, 2);
            QVERIFY2(cases > 0, qPrintable(QString::number(district)));
            QCOMPARE(population,
                     double(tools::DemoIndicators::population(test::demoYear, district)));
            QCOMPARE(slotOf(*rows, district, 3), cases / population * 1000);
        }
        // Fewer than 10 000 inhabitants: the rate's cell shows the cases over the population.
        const auto definition = analysis::IndicatorFormulaFiles(test::demoYear).readDefinition(101);
        QVERIFY(definition && *definition);
        analysis::IndicatorRequest request;
        request.year = test::demoYear;
        request.layout = analysis::IndicatorLayout::ByDistrict;
        const auto run = analysis::IndicatorComputation(context).run(**definition, request);
        QVERIFY(run && run->years.size() == 1);
        QStringList texts;
        for (const analysis::IndicatorCellText &t : run->years[0].texts)
            texts << u"%1:%2:%3"_s.arg(t.code).arg(t.slot).arg(t.text);
        QCOMPARE(texts, QStringList{u"1:4:%1/9999"_s.arg(slotOf(*rows, 1, 1))});
        QCOMPARE(slotOf(*rows, 2, 4), 0.0);
        // Districts that sent no reports: a population, no cases, a rate of 0.
        for (int district : {5, 6}) {
            QCOMPARE(slotOf(*rows, district, 1), 0.0);
            QVERIFY(slotOf(*rows, district, 2) > 0);
            QCOMPARE(slotOf(*rows, district, 3), 0.0);
        }
    }

    // Month terms by district: the first and the last month of a period are those months'
    // own figures; the region's own figures (form 998) go into every district.
    void monthTermsAndRegionFigures()
    {
        data::DataContext context;
        QString count;
        analysis::IndicatorComputation computation(context);
        const auto months = [&](int first, int last) {
            return computation.computeForRating(107, count, 1, 0, {first, last}, {},
                                                test::demoYear);
        };
        const auto spring = months(3, 5);
        const auto march = months(3, 3);
        const auto may = months(5, 5);
        QVERIFY(spring && march && may);
        QCOMPARE(count.trimmed(), u"5"_s);
        for (int district : {1, 2, 101}) {
            QVERIFY(slotOf(*march, district, 1) > 0);
            QCOMPARE(slotOf(*spring, district, 3), slotOf(*march, district, 1));
            QCOMPARE(slotOf(*spring, district, 4), slotOf(*may, district, 1));
            QCOMPARE(slotOf(*spring, district, 5),
                     slotOf(*may, district, 1) - slotOf(*march, district, 1));
        }
        const auto doctors =
            computation.computeForRating(102, count, 1, 0, {0, 0}, {}, test::demoYear);
        QVERIFY(doctors);
        for (int district : {1, 5, 101})
            QCOMPARE(slotOf(*doctors, district, 4), tools::DemoIndicators::doctorsTarget());
    }

    // By rows: every row of the form's table, then the listed row summing rows 1.1 and 1.2;
    // the share divides by the row's own total; the terms of each territory.
    void indicatorByRows()
    {
        data::DataContext context;
        const auto definition = analysis::IndicatorFormulaFiles(test::demoYear).readDefinition(106);
        QVERIFY(definition && *definition);
        analysis::IndicatorRequest request;
        request.year = test::demoYear;
        const auto run = analysis::IndicatorComputation(context).run(**definition, request);
        QVERIFY(run);
        QCOMPARE(run->years.size(), 1);
        QHash<int, analysis::IndicatorResultRow> rows;
        for (const analysis::IndicatorResultRow &row : run->years[0].rows)
            rows.insert(row.code, row);
        QStringList codes;
        for (int code : rows.keys())
            codes.append(QString::number(code));
        for (const analysis::FormulaNotice &n : run->notices)
            codes.append(n.message + u":"_s + n.detail);
        QVERIFY2(rows.contains(1) && rows.contains(2) && rows.contains(3) && rows.contains(2500),
                 qPrintable(codes.join(u' ')));
        QVERIFY(rows[1].slot(1) > 0);
        QCOMPARE(rows[2500].slot(1), rows[2].slot(1) + rows[3].slot(1));
        QCOMPARE(rows[2500].slot(2), rows[2].slot(2) + rows[3].slot(2));
        for (int code : {1, 2500})
            QCOMPARE(rows[code].slot(3), rows[code].slot(2) / rows[code].slot(1) * 100);
        // The territories of a row add up to the row; each of them has diseases.
        for (int code : {1, 2, 3}) {
            QVERIFY(rows[code].slot(4) > 0 && rows[code].slot(5) > 0 && rows[code].slot(6) > 0);
            QCOMPARE(rows[code].slot(4) + rows[code].slot(5) + rows[code].slot(6),
                     rows[code].slot(1));
        }
    }

    // Listed rows only (108, over the region): exactly the rows of its row file, from its
    // formula text; the form's rows by a definition of the whole year (109).
    void listedRowsAndWholeYear()
    {
        data::DataContext context;
        const analysis::IndicatorFormulaFiles files(test::demoYear);
        const auto byRowsOf = [&](qint32 id) {
            QHash<int, analysis::IndicatorResultRow> rows;
            const auto definition = files.readDefinition(id);
            if (!definition || !*definition)
                return rows;
            analysis::IndicatorRequest request;
            request.year = test::demoYear;
            const auto run = analysis::IndicatorComputation(context).run(**definition, request);
            if (run && run->years.size() == 1)
                for (const analysis::IndicatorResultRow &row : run->years[0].rows)
                    rows.insert(row.code, row);
            return rows;
        };
        const auto listed = byRowsOf(108);
        const auto form = byRowsOf(106);
        QCOMPARE(QSet<int>(listed.keyBegin(), listed.keyEnd()), (QSet<int>{2500, 2600}));
        QCOMPARE(listed[2500].slot(1), form[2500].slot(1));
        QCOMPARE(listed[2600].slot(1), form[1].slot(1));
        QCOMPARE(listed[2600].slot(2), form[1].slot(2));

        const auto staff = byRowsOf(109);
        QCOMPARE(QSet<int>(staff.keyBegin(), staff.keyEnd()),
                 (QSet<int>{1, 2, 3, 4, 9, 10, 11, 12, 13, 14}));
        QVERIFY(staff[1].slot(3) > 0);
        QVERIFY(staff[1].slot(1) >= staff[1].slot(2));
    }

    // By rows, each row over the population of its own age group (a population term of column
    // 99 takes the form-999 column the row names): the form's rows of all ages (column 1), the
    // children's rows (column 2), the listed adults (column 3) and children (column 2). Kind 9
    // (110) has the rows of its form's table, and its formula text adds the diseases of every
    // age into them; kind 8 (111) adds its listed rows, whose formula text subtracts the
    // children from all ages for the adults.
    void ratesOverRowPopulations_data()
    {
        QTest::addColumn<qint32>("id");
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("populationColumn");
        QTest::addColumn<QList<int>>("counted"); // form-12 rows of column 1, negative subtracted
        QTest::addColumn<int>("everyAge");       // the row of all ages in slot 4, 0 none

        const QList<int> children{5, 6};
        const QList<int> ages{1, 2, 3, 4, 2700, 2800};
        QTest::newRow("kind 9, children")
            << 110 << children << 5 << int(tools::PopulationChildren) << QList<int>{5} << 1;
        QTest::newRow("kind 9, children's breathing")
            << 110 << children << 6 << int(tools::PopulationChildren) << QList<int>{6} << 2;
        QTest::newRow("kind 8, every age")
            << 111 << ages << 1 << int(tools::PopulationAll) << QList<int>{1} << 0;
        QTest::newRow("kind 8, injuries")
            << 111 << ages << 4 << int(tools::PopulationAll) << QList<int>{4} << 0;
        QTest::newRow("kind 8, listed adults")
            << 111 << ages << 2700 << int(tools::PopulationAdults) << QList<int>{1, -5} << 0;
        QTest::newRow("kind 8, listed children")
            << 111 << ages << 2800 << int(tools::PopulationChildren) << QList<int>{5} << 0;
    }
    void ratesOverRowPopulations()
    {
        QFETCH(qint32, id);
        QFETCH(QList<int>, rows);
        QFETCH(int, code);
        QFETCH(int, populationColumn);
        QFETCH(QList<int>, counted);
        QFETCH(int, everyAge);

        QStringList notices;
        const auto result = byRows(id, &notices);
        QVERIFY2(notices.isEmpty(), qPrintable(notices.join(u'\n')));
        QList<int> codes = result.keys();
        std::sort(codes.begin(), codes.end());
        QCOMPARE(codes, rows);

        const analysis::IndicatorResultRow &row = result[code];
        double cases = 0;
        for (int rowId : counted)
            cases += (rowId < 0 ? -1 : 1) * reported(12, std::abs(rowId), 1);
        QVERIFY(cases > 0);
        const double population = regionPopulation(test::demoYear, populationColumn);
        QVERIFY(population > 0);
        QCOMPARE(row.slot(1), cases);
        QCOMPARE(row.slot(2), population);
        QCOMPARE(row.slot(3), cases / population * 1000);
        if (everyAge != 0) {
            const double all = reported(12, everyAge, 1);
            QCOMPARE(row.slot(4), all);
            QCOMPARE(row.slot(5), cases / all * 100);
        }
    }

    // The polyclinic 7101, a unit of the central hospital 101, reports forms 12 and 7 of its
    // own: by institution its records go into row 101 beside the hospital's, and no row of its
    // own code appears; by district they count for district 1.
    void attachedUnitByInstitution_data()
    {
        QTest::addColumn<qint32>("id");
        QTest::addColumn<int>("form");
        QTest::addColumn<int>("layout"); // 1 by district, 2 by institution
        QTest::addColumn<int>("row");
        QTest::addColumn<QList<int>>("institutions");

        QTest::newRow("form 12 by institution") << 101 << 12 << 2 << 101 << QList<int>{101, 7101};
        QTest::newRow("form 7 by institution") << 107 << 7 << 2 << 101 << QList<int>{101, 7101};
        QTest::newRow("form 12 by district") << 101 << 12 << 1 << 1 << QList<int>{};
    }
    void attachedUnitByInstitution()
    {
        QFETCH(qint32, id);
        QFETCH(int, form);
        QFETCH(int, layout);
        QFETCH(int, row);
        QFETCH(QList<int>, institutions);

        QVERIFY(tools::demoReportsFrom(tools::demoReportingUnit, test::demoYear));
        const auto sent = [](const tools::DemoReport &r) {
            return r.institution == tools::demoReportingUnit;
        };
        QVERIFY(reported(form, 1, 1, sent) > 0);

        data::DataContext context;
        QString count;
        const auto rows = analysis::IndicatorComputation(context).computeForRating(
            id, count, layout, 0, {1, 12}, {}, test::demoYear);
        QVERIFY(rows);
        const auto takes = [&](const tools::DemoReport &r) {
            if (!institutions.isEmpty())
                return institutions.contains(r.institution);
            return r.district == row;
        };
        QCOMPARE(slotOf(*rows, row, 1), reported(form, 1, 1, takes));
        QCOMPARE(slotOf(*rows, tools::demoReportingUnit, 1), -1.0);
    }

    // Every demo year has its population file: each district but Sarvensk (102) and the
    // regional institutions (201) has a record, and the rural districts fill the groups I..VI.
    void populationsOfEveryYear()
    {
        data::DataContext context;
        for (int year : tools::demoYears()) {
            const auto populations = analysis::readPopulations(context, year);
            QVERIFY(populations);
            QVERIFY2(!populations->missing, qPrintable(QString::number(year)));
            QSet<int> groups;
            for (const tools::DemoDistrict &d : tools::demoReference().districts) {
                const qint64 expected = tools::DemoIndicators::population(year, d.code);
                QCOMPARE(populations->byDistrict.contains(d.code), d.code != 102 && d.code != 201);
                QCOMPARE(populations->byDistrict.value(d.code), expected);
                if (d.code < 100)
                    groups.insert(analysis::PopulationGroups::groupOf(d.code, expected));
            }
            QCOMPARE(groups, (QSet<int>{1, 2, 3, 4, 5, 6}));
        }
    }

    // As the user sees it: the list of the year's indicators of form 12, and the rate by
    // district in the result window.
    void indicatorWindows()
    {
        test::ScriptedPrompter prompter;
        analysis::ui::IndicatorListContext given;
        given.year = test::demoYear;
        given.form = 12;
        given.period = {0, 0};
        given.wholeYear = [](int) { return analysis::MonthRange{1, 12}; };
        analysis::ui::IndicatorListWindow list(given, {}, prompter);
        auto *names = list.findChild<QListWidget *>(u"?LIST1"_s);
        QVERIFY(names);
        QCOMPARE(names->count(), 5);
        QCOMPARE(names->item(0)->text(), u"Заболеваемость населения на 1000 жителей"_s);
        QCOMPARE(names->item(1)->text(), u"Доля заболеваний у мужчин по строкам формы"_s);
        list.show();
        test::grabWindow(&list, u"demo_indicator_list"_s);
        list.reject();

        const QStringList shown =
            shownRows(101, analysis::IndicatorLayout::ByDistrict, u"demo_indicator_by_district"_s);
        const QString first = shown.value(0);
        QVERIFY2(first.startsWith(u"Берёзовский|"_s), qPrintable(shown.join(u", "_s)));
        QVERIFY2(!first.section(u'|', 3).isEmpty(), qPrintable(first));
        QCOMPARE(first.section(u'|', 2, 2).remove(u' '), u"9999"_s);
    }

    // The rate by district over the months 1 to 12 with "Группировать по населению": each
    // group's row shows its own sums and rate (one rural district a group), and only group I,
    // under 10 000 inhabitants, shows its cases over its population as text. The figures are
    // worked out by hand from the stored records of form 12, row 1, and the population file.
    void populationGroupsByDistrict()
    {
        ProcedureRun run(m_work->filePath(u"groups.pdf"_s));
        test::ScriptedPrompter &prompter = run.prompter;
        analysis::ui::IndicatorProcedure &procedure = run.procedure;
        const auto definition = analysis::IndicatorFormulaFiles(test::demoYear).readDefinition(101);
        QVERIFY(definition && *definition);
        analysis::IndicatorRequest base;
        base.year = test::demoYear;
        base.period = {1, 12};

        // The parameters: by district, grouped, "OK"; the result; the parameters again: closed.
        bool asked = false;
        int cells = 0;
        QStringList groups;
        QTimer answer;
        answer.setInterval(10);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *parameters = qobject_cast<analysis::ui::IndicatorParametersWindow *>(modal)) {
                if (asked) {
                    parameters->reject();
                    return;
                }
                asked = true;
                test::control<QRadioButton>(parameters, u"?OPTION1:RADIO1")->setChecked(true);
                test::control<QCheckBox>(parameters, u"?GRUPNAS")->setChecked(true);
                QMetaObject::invokeMethod(test::control(parameters, u"?OK"), &QPushButton::click,
                                          Qt::QueuedConnection);
            } else if (auto *result = qobject_cast<analysis::ui::IndicatorResultWindow *>(modal)) {
                cells = result->cells();
                for (const analysis::IndicatorDisplayRow &r : result->rows()) {
                    if (!r.name.trimmed().startsWith(u"в среднем по группе"_s))
                        continue;
                    QStringList shown{r.name.trimmed()};
                    for (int c = 0; c < cells; ++c)
                        shown << r.cells[size_t(c)].trimmed();
                    groups << shown.join(u'|');
                }
                test::grabWindow(result, u"demo_indicator_population_groups"_s);
                result->reject();
            }
        });
        answer.start();
        procedure.open(**definition, base);
        QVERIFY2(prompter.texts().isEmpty(), qPrintable(prompter.texts().join(u'\n')));

        // Cases, population, rate per 1000, the small district's note, the population column.
        QCOMPARE(cells, 5);
        const QStringList expected{u"в среднем по группе I|17523|9999|1752,48|17523/9999|9999"_s,
                                   u"в среднем по группе II|14914|12500|1193,12||12500"_s,
                                   u"в среднем по группе III|14471|20000|723,55||20000"_s,
                                   u"в среднем по группе IV|15328|30000|510,93||30000"_s,
                                   u"в среднем по группе V||45000|||45000"_s,
                                   u"в среднем по группе VI||52000|||52000"_s};
        QCOMPARE(groups, expected);
    }

    // By rows as the user sees them: the rows of the form, then the listed ones named from the
    // row file, each with its population and rate; the children's rows of the kind-9 definition;
    // and by institution the central hospital's row, its polyclinic's cases included.
    void resultWindowRows_data()
    {
        QTest::addColumn<qint32>("id");
        QTest::addColumn<int>("layout");
        QTest::addColumn<QStringList>("names"); // the first rows shown, in order
        QTest::addColumn<QString>("screenshot");

        const auto byRows = int(analysis::IndicatorLayout::ByRows);
        QTest::newRow("kind 8, ages")
            << 111 << byRows
            << QStringList{u"Зарегистрировано заболеваний - всего"_s,
                           u"болезни органов дыхания"_s,
                           u"болезни системы кровообращения"_s,
                           u"травмы, отравления и другие последствия воздействия внешних причин"_s,
                           u"Заболевания взрослых (18 лет и старше)"_s,
                           u"Заболевания детей (0-17 лет)"_s}
            << u"demo_indicator_ages"_s;
        QTest::newRow("kind 9, children")
            << 110 << byRows
            << QStringList{u"Зарегистрировано заболеваний у детей - всего"_s,
                           u"из них болезни органов дыхания"_s}
            << u"demo_indicator_children"_s;
        QTest::newRow("by institution") << 101 << int(analysis::IndicatorLayout::ByInstitution)
                                        << QStringList{u"Всего"_s, u"Берёзовский,Берёзовская ЦРБ"_s}
                                        << u"demo_indicator_by_institution"_s;
    }
    void resultWindowRows()
    {
        QFETCH(qint32, id);
        QFETCH(int, layout);
        QFETCH(QStringList, names);
        QFETCH(QString, screenshot);

        const QStringList shown = shownRows(id, analysis::IndicatorLayout(layout), screenshot);
        QStringList shownNames;
        for (const QString &row : shown.mid(0, names.size()))
            shownNames << row.section(u'|', 0, 0);
        QCOMPARE(shownNames, names);
        for (const QString &row : shown.mid(0, names.size()))
            QVERIFY2(!row.section(u'|', 1, 3).remove(u'|').trimmed().isEmpty(), qPrintable(row));
    }

    // The quality indicators: the draft is not offered; a run by district and one by
    // institution over the year's months rate every member of their sets, with the norms of
    // the region's report.
    void ratings()
    {
        data::DataContext context;
        analysis::RatingData data(context);
        const auto indicators = data.indicators();
        QVERIFY(indicators);
        QCOMPARE(indicators->size(), 2);
        for (const analysis::RatingIndicator &indicator : *indicators) {
            analysis::RatingRequest request;
            request.indicator = indicator;
            request.year = test::demoYear;
            request.firstMonth = 1;
            request.lastMonth = 12;
            const auto outcome = data.rate(request);
            QVERIFY(outcome);
            QVERIFY2(outcome->messages.isEmpty(), qPrintable(outcome->messages.join(u'\n')));
            const auto &run = outcome->run;
            QCOMPARE(run.ratings.size(), run.members.size());
            // Every member is rated from values of its own: per district the set's hospitals
            // stand in their districts' columns.
            for (const analysis::RatingRow &rating : run.ratings) {
                if (indicator.perDistrict())
                    QVERIFY(rating.column >= 1 && rating.column <= 6);
                QVERIFY2(rating.structure != 0, qPrintable(rating.name));
            }
            QVERIFY(!run.members.isEmpty());
            // Every rated row of the indicator's tables has values, the rows with a norm of their
            // own carry it.
            for (const analysis::ValueRow &row : run.values) {
                if (!row.isData() ||
                    std::ranges::find(indicator.tables, row.table) == indicator.tables.end())
                    continue;
                QVERIFY2(std::any_of(row.data.cbegin(), row.data.cend(),
                                     [](double v) { return v != 0; }),
                         qPrintable(row.name));
                if (row.rowId == 23)
                    QCOMPARE(row.norm, 20.0);
            }
        }
        QCOMPARE(data.members(1)->size(), 6);
    }
};

QTEST_MAIN(TestDemoIndicators)
#include "test_demoindicators.moc"
