// Indicator runs by district with "Группировать по населению" over a small working directory:
// what each group row shows of the steps' text cells, and the population column of a kind-1
// definition in the list, the print and the workbook (read back).

#include "IndicatorFixture.h"

#include "analysis/indicators/IndicatorComputation.h"
#include "analysis/indicators/IndicatorDisplay.h"
#include "analysis/indicators/IndicatorOutput.h"
#include "data/DataContext.h"
#include "runtime/office/DesktopOpener.h"
#include "runtime/office/OfficeServer.h"
#include "runtime/office/XlsxReader.h"
#include "shell/ExcelLauncher.h"
#include "support/ScriptedPrompter.h"
#include "tools/DemoTemplates.h"

#include <QTest>

using namespace zemor;
using namespace zemor::analysis;
using namespace zemor::test;
using namespace Qt::StringLiterals;

namespace {

constexpr int year = 2025;

struct NoDesktop : runtime::office::DesktopOpener
{
    runtime::Status open(const QString &) override { return {}; }
};

Cell term(int column, int slot)
{
    return Cell{62, 1, 0, column, slot};
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

IndicatorDefinition definition(int kind, int columns)
{
    IndicatorDefinition d;
    d.id = 5;
    d.form = 62;
    d.name = u"Показатель"_s;
    d.firstYear = 2020;
    d.lastYear = 2030;
    d.type = 1;
    d.kind = kind;
    d.columns = columns;
    return d;
}

IndicatorRequest groupedByDistrict()
{
    IndicatorRequest r;
    r.year = year;
    r.period = {1, 12};
    r.layout = IndicatorLayout::ByDistrict;
    r.populationGroups = true;
    r.chosenRow = ChosenRow{5, u"5"_s, u"Строка 5"_s, {}, 1};
    return r;
}

ColumnPictures plainPictures()
{
    ColumnPictures pictures;
    pictures.pictures.fill(u"@n_9"_s);
    return pictures;
}

// "name=cell" of display cell `cell` (1-based) of every row whose name holds `part`.
QStringList cellsOf(const IndicatorDisplay &display, int cell, const QString &part)
{
    QStringList out;
    for (const IndicatorDisplayRow &row : display.rows) {
        if (row.name.contains(part))
            out << row.name.trimmed() + u'=' + row.cells[size_t(cell - 1)].trimmed();
    }
    return out;
}

} // namespace

class TestIndicatorPopulation : public QObject
{
    Q_OBJECT

    std::unique_ptr<IndicatorFixture> m_fx;

    runtime::Result<IndicatorRun> runWith(const IndicatorDefinition &d, const IndicatorRequest &r)
    {
        data::DataContext context;
        return IndicatorComputation(context).run(d, r);
    }

private Q_SLOTS:
    // Districts 1 (9 999 inhabitants, group I) and 2 (12 000, group II), with 15 and 7 cases.
    void init()
    {
        m_fx = std::make_unique<IndicatorFixture>();
        QVERIFY(m_fx->isValid());
        QVERIFY(m_fx->districts({1, 2, 101}));
        QVERIFY(m_fx->forms(year, {{62, 0}}));
        QVERIFY(m_fx->reports(year, 62,
                              {{11, 1, 5, {{1, 10}}},
                               {12, 1, 5, {{1, 5}}},
                               {21, 2, 5, {{1, 7}}},
                               {1101, 101, 5, {{1, 100}}}}));
        QVERIFY(m_fx->reports(year, 999, {{901, 1, 1, {{1, 9999}}}, {902, 2, 1, {{1, 12000}}}}));
    }

    // Slot 4 shows "cases/population" where fewer than 10 000 live, otherwise the population:
    // each group row by its own sums; a group without data shows nothing.
    void groupRowsKeepTheirOwnTexts()
    {
        QVERIFY(m_fx->cells({term(1, 1), step(1, 2, 40, 0), step(2, 4, 2, 0, 10000, 11, 1)}));
        const auto run = runWith(definition(0, 4), groupedByDistrict());
        QVERIFY2(run, qPrintable(run ? QString() : run.error().message));
        const IndicatorDisplay display = buildIndicatorDisplay(*run, plainPictures(), {});
        QCOMPARE(cellsOf(display, 4, u"группе"_s),
                 (QStringList{u"в среднем по группе I=15/9999"_s, u"в среднем по группе II=12000"_s,
                              u"в среднем по группе III="_s, u"в среднем по группе IV="_s,
                              u"в среднем по группе V="_s, u"в среднем по группе VI="_s}));
        QCOMPARE(cellsOf(display, 4, u"?reg-"_s).mid(0, 2),
                 (QStringList{u"?reg-1=15/9999"_s, u"?reg-2=12000"_s}));
    }

    // Kind 1 shows the columns up to the last one holding a value: the population column counts
    // by the population, so the list, the print and the workbook all show it.
    void kindOnePopulationColumn()
    {
        QVERIFY(m_fx->cells({term(1, 1)}));
        const auto run = runWith(definition(1, 3), groupedByDistrict());
        QVERIFY(run);
        const IndicatorDisplay display = buildIndicatorDisplay(*run, plainPictures(), {});
        QCOMPARE(display.columns, 4);
        QCOMPARE(cellsOf(display, 4, u"?reg-"_s),
                 (QStringList{u"?reg-1=9999"_s, u"?reg-2=12000"_s, u"?reg-101="_s}));
        QCOMPARE(cellsOf(display, 4, u"ВСЕГО"_s), QStringList{u"ВСЕГО=21999"_s});

        IndicatorOutputInput input;
        input.run = &*run;
        input.year = year;
        input.chosen = *groupedByDistrict().chosenRow;
        QCOMPARE(IndicatorOutput::listCells(input, display), 4);
        QVERIFY(
            IndicatorOutput::listFormat(input, display, std::nullopt).contains(u"~Население~"_s));

        const QList<IndicatorOutput::PrintedCell> printed = IndicatorOutput::printedCells(input);
        QCOMPARE(printed.size(), 4);
        QCOMPARE(printed.last().heading, u"Население"_s);
        const auto pages = IndicatorOutput::printPages(input, display.rows, QDateTime());
        QStringList texts;
        for (const auto &page : pages.pages) {
            for (const QString &text : page.texts())
                texts << text.trimmed();
        }
        for (const QString &population : {u"9999"_s, u"12000"_s, u"21999"_s})
            QVERIFY2(texts.contains(population), qPrintable(texts.join(u'|')));

        QVERIFY(tools::DemoTemplates::write(m_fx->path(u"XLS"_s)));
        NoDesktop desktop;
        runtime::office::OfficeServer office(&desktop);
        ScriptedPrompter prompter;
        shell::ExcelLauncher excel(office, prompter);
        QVERIFY(IndicatorOutput::exportToExcel(input, display.rows, excel));
        const auto book = runtime::office::XlsxReader::read(excel.workbookPath());
        QVERIFY(book);
        QStringList column;
        for (int r = 11; r < 11 + display.rows.size(); ++r) {
            const auto *name = book->cell(r, 1);
            const auto *cell = book->cell(r, 6);
            if (name && name->displayText().startsWith(u"?reg-"_s))
                column << (cell ? cell->displayText() : QString());
        }
        QCOMPARE(column, (QStringList{u"9999"_s, u"12000"_s, QString()}));
    }
};

QTEST_MAIN(TestIndicatorPopulation)
#include "test_indicatorpopulation.moc"
