// What the indicator result window shows and hands on: the list's cells and format, the chart,
// the rank values, the workbook (read back) and the printed table.

#include "IndicatorFixture.h"

#include "analysis/indicators/IndicatorOutput.h"
#include "runtime/office/DesktopOpener.h"
#include "runtime/office/OfficeServer.h"
#include "runtime/office/XlsxReader.h"
#include "runtime/ui/ListFormat.h"
#include "shell/ExcelLauncher.h"
#include "support/ScriptedPrompter.h"
#include "tools/DemoTemplates.h"

#include <QTest>

using namespace zemor;
using namespace zemor::analysis;
using namespace Qt::StringLiterals;

namespace {

struct NoDesktop : runtime::office::DesktopOpener
{
    runtime::Status open(const QString &) override { return {}; }
};

IndicatorRun makeRun(int columns, IndicatorLayout layout, bool twoYears)
{
    IndicatorRun run;
    run.definition.id = 5;
    run.definition.form = 62;
    run.definition.name = u"Показатель   "_s;
    run.definition.columns = columns;
    run.layout = layout;
    run.twoYears = twoYears;
    run.columns = columns;
    run.title = u"за 2025 год  "_s;
    run.years.append(YearResult{2025});
    return run;
}

QList<IndicatorColumn> makeColumns(int count, int width)
{
    QList<IndicatorColumn> out;
    for (int k = 1; k <= count; ++k)
        out.append({k, u"Графа %1"_s.arg(k), u"г%1"_s.arg(k), width, u"@n9"_s, false});
    return out;
}

QList<IndicatorDisplayRow> makeRows(int count, int cells)
{
    QList<IndicatorDisplayRow> rows;
    for (int i = 1; i <= count; ++i) {
        IndicatorDisplayRow r;
        r.codeText = QString::number(i);
        r.name = u"Строка %1"_s.arg(i);
        for (int c = 0; c < cells; ++c)
            r.cells[size_t(c)] = QString::number(i * 100 + c + 1);
        rows.append(r);
    }
    return rows;
}

IndicatorDisplay displayOf(const IndicatorRun &run, const QList<IndicatorDisplayRow> &rows)
{
    IndicatorDisplay d;
    d.rows = rows;
    d.columns = run.columns;
    return d;
}

QString cellText(const runtime::office::Workbook &book, int row, int column)
{
    const auto *cell = book.cell(row, column);
    return cell ? cell->displayText() : QString();
}

} // namespace

class TestIndicatorOutput : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // "за 2 года" over 25 columns: 40 cells in the list, each column twice, the format parses
    // with the number, the name and 40 value columns.
    void listOfTwoYears()
    {
        const IndicatorRun run = makeRun(25, IndicatorLayout::ByDistrict, true);
        IndicatorOutputInput input{&run, makeColumns(25, 9), {}, 2025, {}};
        const IndicatorDisplay display = displayOf(run, {});
        QCOMPARE(IndicatorOutput::listCells(input, display), 40);
        const QString format = IndicatorOutput::listFormat(input, display, u"stored"_s);
        QVERIFY(format.startsWith(u"9L|_FM~N~L@s10@45L|_FM~РЕГИОН~"_s));
        QVERIFY(format.contains(u"36L|_M~2024г1~@S15@36L|_M~г1~@S15@"_s));
        const auto parsed = runtime::ui::ListFormat::parse(format);
        QVERIFY(parsed);
        QCOMPARE(parsed->columnCount(), 42);

        // A plain run takes the stored format; a blank one is built, the last column 40 wide.
        const IndicatorRun plain = makeRun(3, IndicatorLayout::ByInstitution, false);
        input.run = &plain;
        QCOMPARE(IndicatorOutput::listFormat(input, displayOf(plain, {}), u"stored"_s),
                 u"stored"_s);
        QCOMPARE(IndicatorOutput::listFormat(input, displayOf(plain, {}), u"   "_s),
                 u"9L|_FM~N~L@s10@55L|_FM~ЛПУ~L@S150@E(,0DFFFFFH,,)36L|_M~г1~@S15@"
                 u"36L|_M~г2~@S15@40L|_M~г3~@S15@"_s);
    }

    // The chart: a red line with its values and the column numbers; a zero line below a
    // negative minimum; nothing for an empty range.
    void chart()
    {
        IndicatorDisplayRow row;
        row.cells[0] = u"  10"_s;
        row.cells[1] = u"-5"_s;
        row.cells[2] = u"  3/4"_s;
        const QList<ChartItem> items = IndicatorOutput::chart(row, 3, {-5, 10});
        QStringList texts;
        int zeroLines = 0;
        for (const ChartItem &item : items) {
            if (item.kind == ChartItem::Kind::Text)
                texts << item.text;
            else if (item.penWidth == 1)
                ++zeroLines;
        }
        QCOMPARE(texts, (QStringList{u"10"_s, u"гр1"_s, u"-5"_s, u"2"_s, u"3/4"_s, u"3"_s}));
        QCOMPARE(zeroLines, 2); // the axis and the zero line
        QVERIFY(IndicatorOutput::chart(row, 3, {0, 0}).isEmpty());
    }

    // "Ранг": a text cell ranks 0, two places are kept; the number and name columns are not
    // value columns.
    void rankValues()
    {
        QList<IndicatorDisplayRow> rows(3);
        rows[0].cells[1] = u"   12,345"_s;
        rows[1].cells[1] = u"  3/4"_s;
        rows[2].cells[1] = QString();
        QCOMPARE(IndicatorOutput::rankValues(rows, 3), (QList<double>{12.34, 0, 0}));
        QVERIFY(!IndicatorOutput::rankValues(rows, 1));
        QVERIFY(!IndicatorOutput::rankValues(rows, -1));
    }

    // What "Ранг" opens the rank table with: names and values of the chosen column, the run's
    // year, codes by district only, the result title, the heading and the picture of the column
    // the cell belongs to (with "за 2 года" each column shows twice).
    void rankSource()
    {
        ColumnPictures pictures;
        for (int k = 1; k <= 40; ++k)
            pictures.pictures[size_t(k - 1)] = u"@n_1%1.2"_s.arg(k % 10);
        for (const bool twoYears : {false, true}) {
            const IndicatorRun run = makeRun(3, IndicatorLayout::ByDistrict, twoYears);
            IndicatorOutputInput input{&run, makeColumns(3, 9), {}, 2024, {}};
            input.chosen.name = u"Строка 1"_s;
            QList<IndicatorDisplayRow> rows = makeRows(2, 6);
            rows[0].number = 3;
            rows[1].number = 250;
            const int column = twoYears ? 5 : 4; // the list's column: number, name, cells
            rows[1].cells[size_t(column - 2)] = u"  12,345"_s;
            const auto source = IndicatorOutput::rankSource(input, rows, column, pictures);
            QVERIFY(source);
            QCOMPARE(source->year, 2024);
            QVERIFY(source->districtCodes);
            QVERIFY(!source->mean);
            QCOMPARE(source->title, u"Показатель:Строка 1"_s);
            QCOMPARE(source->subtitle, twoYears ? u"Графа 2"_s : u"Графа 3"_s);
            QCOMPARE(source->picture, twoYears ? u"@n_12.2"_s : u"@n_13.2"_s);
            QCOMPARE(source->lines.size(), 2);
            QCOMPARE(source->lines[0].name, u"Строка 1"_s);
            QCOMPARE(source->lines[0].value, runtime::Decimal(100 + column - 1));
            QCOMPARE(source->lines[0].codReg, 3);
            QCOMPARE(source->lines[1].value, *runtime::Decimal::fromString(u"12.34"));
            QCOMPARE(source->lines[1].codReg, 250);
            QVERIFY(!IndicatorOutput::rankSource(input, rows, 1, pictures));
        }
        const IndicatorRun byInstitution = makeRun(3, IndicatorLayout::ByInstitution, false);
        const IndicatorOutputInput input{&byInstitution, makeColumns(3, 9), {}, 2025, {}};
        QList<IndicatorDisplayRow> rows = makeRows(1, 3);
        rows[0].number = 7;
        const auto source = IndicatorOutput::rankSource(input, rows, 2, pictures);
        QVERIFY(source);
        QVERIFY(!source->districtCodes);
        QCOMPARE(source->lines[0].codReg, 0);
        QCOMPARE(source->subtitle, u"Графа 1"_s);
        QCOMPARE(source->picture, u"@n_11.2"_s);
    }

    // The workbook of "за 2 года" over 25 columns: 15 columns, each twice, in 30 cells.
    void workbookOfTwoYears()
    {
        test::IndicatorFixture fx;
        QVERIFY(tools::DemoTemplates::write(fx.path(u"XLS"_s)));
        const IndicatorRun run = makeRun(25, IndicatorLayout::ByDistrict, true);
        IndicatorOutputInput input{&run, makeColumns(25, 9), {}, 2025, {}};
        input.chosen.name = u"Строка 5  "_s;
        QList<IndicatorDisplayRow> rows = makeRows(2, 40);
        rows[0].codeText = u"2.1"_s;
        rows[1].codeText = u"2.10"_s;
        NoDesktop desktop;
        runtime::office::OfficeServer office(&desktop);
        test::ScriptedPrompter prompter;
        shell::ExcelLauncher excel(office, prompter);
        QVERIFY(IndicatorOutput::exportToExcel(input, rows, excel));
        QCOMPARE(prompter.texts(), QStringList{shell::ExcelLauncher::doneText()});
        if (const QString dir = qEnvironmentVariable("ZEMOR_SCREENSHOTS"); !dir.isEmpty())
            QFile::copy(excel.workbookPath(), QDir(dir).filePath(u"indicator-two-years.xlsx"_s));
        const auto book = runtime::office::XlsxReader::read(excel.workbookPath());
        QVERIFY(book);
        const auto text = [&](int r, int c) { return cellText(*book, r, c); };
        QCOMPARE(text(1, 3), u"Показатель"_s);
        QCOMPARE(text(2, 1), u"2025 год.за 2025 год"_s);
        QCOMPARE(text(4, 1), u"Строка 5"_s);
        QCOMPARE(text(9, 1), u"Районы"_s);
        QCOMPARE(text(9, 3), u"Графа 1"_s);
        QCOMPARE(text(10, 3), u"2024г."_s);
        QCOMPARE(text(10, 4), u"2025г."_s);
        QCOMPARE(text(9, 32), u"Графа 15"_s);
        QCOMPARE(text(9, 33), QString());
        QCOMPARE(text(11, 1), u"Строка 1"_s);
        QCOMPARE(text(12, 32), u"230"_s);
        QCOMPARE(text(12, 33), QString());
        // Row codes, names and headings are texts, whatever they look like; values are numbers.
        using Kind = runtime::office::Cell::Kind;
        const auto kind = [&](int r, int c) {
            const auto *cell = book->cell(r, c);
            return cell ? cell->kind : Kind::Empty;
        };
        QCOMPARE(text(11, 2), u"2.1"_s);
        QCOMPARE(text(12, 2), u"2.10"_s);
        for (const auto &[r, c] : {std::pair(11, 2), std::pair(12, 2), std::pair(11, 1),
                                   std::pair(9, 3), std::pair(10, 3), std::pair(2, 1)})
            QCOMPARE(kind(r, c), Kind::Text);
        QCOMPARE(kind(11, 3), Kind::Number);
        QCOMPARE(kind(12, 32), Kind::Number);

        // The definition's own template is taken only for a plain run.
        IndicatorRun own = makeRun(3, IndicatorLayout::ByDistrict, false);
        own.definition.workbook = u"i1.XLS    "_s;
        input.run = &own;
        QCOMPARE(IndicatorOutput::workbookTemplate(input), u"i1.XLS"_s);
        own.twoYears = true;
        QCOMPARE(IndicatorOutput::workbookTemplate(input), u"RAS.XLS"_s);
    }

    // The printed cells: "за 2 года" doubles the columns up to the one at which the widths
    // first exceed 55; at most 25 cells.
    void printedCells_data()
    {
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("twoYears");
        QTest::addColumn<int>("cells");
        QTest::addColumn<QString>("first");
        QTest::newRow("two years, widths 10") << 8 << 10 << true << 12 << u"2024г. Графа 1"_s;
        QTest::newRow("two years, all fit") << 3 << 10 << true << 6 << u"2024г. Графа 1"_s;
        QTest::newRow("30 columns") << 30 << 4 << false << 25 << u"Графа 1"_s;
        QTest::newRow("two years, 30 narrow") << 30 << 1 << true << 25 << u"2024г. Графа 1"_s;
    }
    void printedCells()
    {
        QFETCH(int, columns);
        QFETCH(int, width);
        QFETCH(bool, twoYears);
        QFETCH(int, cells);
        QFETCH(QString, first);
        const IndicatorRun run = makeRun(columns, IndicatorLayout::ByRows, twoYears);
        const IndicatorOutputInput input{&run, makeColumns(columns, width), {}, 2025, {}};
        const auto printed = IndicatorOutput::printedCells(input);
        QCOMPARE(printed.size(), cells);
        QCOMPARE(printed.first().heading, first);
        QCOMPARE(printed.first().number, u"3"_s);
        if (twoYears)
            QCOMPARE(printed.value(1).cell, 2);
    }

    // By district no page is broken by the line count, and no row is lost; by rows a page is
    // closed after 65 lines and the column numbers start the next one.
    void printedPages()
    {
        const QList<IndicatorDisplayRow> rows = makeRows(150, 3);
        const IndicatorRun byDistrict = makeRun(3, IndicatorLayout::ByDistrict, false);
        const IndicatorOutputInput districts{&byDistrict, makeColumns(3, 10), {}, 2025, {}};
        const auto now = QDateTime({2025, 6, 2}, {9, 30, 15});
        const auto pages = IndicatorOutput::printPages(districts, rows, now);
        QStringList all;
        for (const auto &page : pages.pages)
            all += page.texts();
        for (const IndicatorDisplayRow &r : rows)
            QVERIFY2(all.contains(r.name), qPrintable(r.name));
        // No line of column numbers (3, 4, 5 side by side).
        for (qsizetype i = 0; i + 2 < all.size(); ++i)
            QVERIFY(!(all[i] == u"3"_s && all[i + 1] == u"4"_s && all[i + 2] == u"5"_s));

        const IndicatorRun byRows = makeRun(3, IndicatorLayout::ByRows, false);
        const IndicatorOutputInput named{&byRows, makeColumns(3, 10), {}, 2025, {}};
        const auto rowPages = IndicatorOutput::printPages(named, rows, now);
        QVERIFY(rowPages.count() >= 3);
        for (const auto &page : rowPages.pages) {
            const QStringList texts = page.texts();
            // Each page starts its rows with the line of column numbers 3, 4, 5.
            const qsizetype at = texts.indexOf(u"3"_s);
            QVERIFY2(at >= 0 && texts.value(at + 1) == u"4"_s && texts.value(at + 2) == u"5"_s,
                     qPrintable(texts.mid(0, 12).join(u'|')));
        }
        QStringList rowTexts;
        for (const auto &page : rowPages.pages)
            rowTexts += page.texts();
        for (const IndicatorDisplayRow &r : rows)
            QVERIFY(rowTexts.contains(r.name));

        // A blank cell prints as "    -".
        QList<IndicatorDisplayRow> blank = makeRows(1, 0);
        const auto blankPages = IndicatorOutput::printPages(named, blank, now);
        QVERIFY(blankPages.pages.first().texts().contains(u"    -"_s));
    }
};

QTEST_MAIN(TestIndicatorOutput)
#include "test_indicatoroutput.moc"
