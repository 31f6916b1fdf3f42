// The result of a cross-section as it is shown, charted, printed and sent to the spreadsheet:
// row order, empty rows, period texts and captions, the chart's items, the pages and the
// workbook read back cell by cell.

#include "analysis/crosssections/CrossSectionOutput.h"
#include "analysis/crosssections/CrossSectionPrint.h"
#include "analysis/crosssections/CrossSectionResultView.h"
#include "runtime/office/DesktopOpener.h"
#include "runtime/office/OfficeServer.h"
#include "runtime/office/XlsxReader.h"
#include "shell/ExcelLauncher.h"
#include "support/ScriptedPrompter.h"
#include "tests/analysis/CrossSectionFixture.h"

#include <QDate>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace zemor;
using analysis::ChartItem;
using analysis::CrossSectionGrouping;
using analysis::CrossSectionHeading;
using analysis::CrossSectionMark;
using analysis::CrossSectionOutput;
using analysis::CrossSectionPage;
using analysis::CrossSectionPrint;
using analysis::CrossSectionResult;
using analysis::CrossSectionResultView;
using analysis::CrossSectionRow;
using analysis::RowOrder;
using analysis::ValueRange;
using runtime::Decimal;

namespace {

Decimal dec(const QString &text)
{
    return *Decimal::fromString(text);
}

// A row "district/kind/settlement" with values given as text.
CrossSectionRow row(int district, int kind, int settlement, const QStringList &values,
                    const QString &name = {})
{
    CrossSectionRow r;
    r.district = district;
    r.kind = kind;
    r.settlement = settlement;
    r.key = district * 100 + kind;
    r.region = u"Район %1"_s.arg(district);
    r.name = name;
    for (const QString &v : values)
        r.values.append(dec(v));
    return r;
}

CrossSectionMark mark(int k, qint32 year = 2025, qint32 from = 1, qint32 to = 1)
{
    CrossSectionMark m;
    m.nn = k;
    m.year = year;
    m.periodFrom = from;
    m.periodTo = to;
    m.form = 7;
    m.table = 1000;
    m.rowName = u"строка %1   "_s.arg(k);
    m.columnName = u"графа %1   "_s.arg(k);
    return m;
}

CrossSectionResult result(int marks, int rows, CrossSectionGrouping grouping)
{
    CrossSectionResult r;
    r.grouping = grouping;
    for (int k = 1; k <= marks; ++k)
        r.marks.append(mark(k));
    for (int i = 1; i <= rows; ++i) {
        QStringList values;
        for (int k = 1; k <= marks; ++k)
            values << u"%1.%2"_s.arg(i * 100 + k).arg(k % 10);
        r.rows.append(row(i, 1, 1, values, u"ЛПУ %1"_s.arg(i)));
    }
    return r;
}

QString itemsText(const QList<ChartItem> &items)
{
    QStringList out;
    for (const ChartItem &item : items) {
        QStringList points;
        for (const QPoint &p : item.points)
            points << u"%1,%2"_s.arg(p.x()).arg(p.y());
        out << (item.kind == ChartItem::Kind::Line ? u"L"_s : u"T"_s) + u'[' + points.join(u' ') +
                   u']' + item.text;
    }
    return out.join(u' ');
}

struct NoDesktop : runtime::office::DesktopOpener
{
    runtime::Status open(const QString &) override { return {}; }
};

} // namespace

class TestCrossSectionOutput : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rowOrders_data()
    {
        QTest::addColumn<int>("order");
        QTest::addColumn<QString>("keys");
        QTest::newRow("districts") << 1 << u"1 2 3 250"_s;
        QTest::newRow("places") << 2 << u"1 2 3 250"_s;
        QTest::newRow("kinds") << 3 << u"3 2 1 250"_s;
        QTest::newRow("settlements") << 4 << u"2 3 1 250"_s;
    }
    void rowOrders()
    {
        QFETCH(int, order);
        QFETCH(QString, keys);
        QList<CrossSectionRow> rows{row(250, 250, 250, {u"1"_s}), row(2, 5, 1, {u"1"_s}),
                                    row(3, 4, 2, {u"1"_s}), row(1, 6, 3, {u"1"_s})};
        CrossSectionOutput::sortRows(rows, RowOrder(order));
        QStringList districts;
        for (const CrossSectionRow &r : rows)
            districts << QString::number(r.district);
        QCOMPARE(districts.join(u' '), keys);
    }

    // The result list shows the first 35 marks; by rows only those of the current form and
    // table, headed by their periods.
    void resultList()
    {
        const CrossSectionResult three = result(3, 1, CrossSectionGrouping::Districts);
        QCOMPARE(CrossSectionOutput::resultFormat(three, 7, 1000),
                 u"70L|_FM~Регион~L@S20@E(,0FFFFE1H,,)1L|_M~ ~L@S40@E(,0F0FFF0H,,)40C"
                 "|_M~1~@S12@40C|_M~2~@S12@40C|_M~3~@S12@"_s);
        const CrossSectionResult many = result(40, 1, CrossSectionGrouping::Institutions);
        const auto columns = CrossSectionOutput::resultColumns(many, 7, 1000);
        QCOMPARE(columns.size(), 35);
        QVERIFY(CrossSectionOutput::resultFormat(many, 7, 1000).endsWith(u"|_M~35~@S12@"_s));

        CrossSectionResult rows = result(4, 1, CrossSectionGrouping::Districts);
        rows.byRows = true;
        rows.marks[0].table = 2000;
        rows.marks[1].form = 12;
        rows.marks[2].periodFrom = 3;
        rows.marks[2].periodTo = 5;
        rows.marks[3].periodFrom = 7;
        rows.marks[3].periodTo = 7;
        const auto shown = CrossSectionOutput::resultColumns(rows, 7, 1000);
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0].slot, 3);
        QCOMPARE(shown[0].heading, u"3-5"_s);
        QCOMPARE(shown[1].slot, 4);
        QCOMPARE(shown[1].heading, u"7"_s);
        QCOMPARE(CrossSectionOutput::resultFormat(rows, 7, 1000),
                 u"10L|_FM~Регион~L@S20@E(,0FFFFE1H,,)60L|_M~ЛПУ~L@S150@E(,0F0FFF0H,,)40C"
                 "|_M~3-5~@S12@40C|_M~7~@S12@"_s);
    }

    // Only rows whose values are all 0 go; +5 and -5 stay, and so does a non-zero total.
    void onlyFilledRows()
    {
        QList<CrossSectionRow> rows{row(1, 0, 0, {u"5"_s, u"-5"_s}), row(2, 0, 0, {u"0"_s, u"0"_s}),
                                    row(3, 0, 0, {u"0"_s, u"0.001"_s}),
                                    row(250, 250, 250, {u"5"_s, u"-4.999"_s})};
        CrossSectionOutput::removeEmptyRows(rows);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0].district, 1);
        QCOMPARE(CrossSectionOutput::rowCountText(rows), u"ВСЕГО : 2"_s);
        QList<CrossSectionRow> zeros{row(1, 0, 0, {u"0"_s}), row(250, 250, 250, {u"0"_s})};
        CrossSectionOutput::removeEmptyRows(zeros);
        QVERIFY(zeros.isEmpty());
    }

    void periodTexts_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("shownYear");
        QTest::addColumn<QString>("period");
        QTest::addColumn<QString>("caption");
        QTest::newRow("year") << 0 << 2025 << 0 << 0 << 2025 << u"2025г."_s
                              << u"2025г.строка 1 / графа 1"_s;
        QTest::newRow("month") << 1 << 2025 << 3 << 3 << 2025 << u"март"_s
                               << u"2025г.3месяцстрока 1 / графа 1"_s;
        QTest::newRow("months") << 1 << 2025 << 1 << 3 << 2025 << u"январь- март"_s
                                << u"2025г.1-3месяцы строка 1 / графа 1"_s;
        QTest::newRow("month of another year")
            << 1 << 2011 << 3 << 3 << 2012 << u"2011март"_s << u"2011г.3месяцстрока 1 / графа 1"_s;
        QTest::newRow("month 13") << 1 << 2025 << 13 << 13 << 2025 << u"13"_s
                                  << u"2025г.13месяцстрока 1 / графа 1"_s;
        QTest::newRow("months 12..13") << 1 << 2025 << 12 << 13 << 2025 << u"декабрь- 13"_s
                                       << u"2025г.12-13месяцы строка 1 / графа 1"_s;
        QTest::newRow("quarter") << 2 << 2025 << 2 << 2 << 2025 << u"2025г.2квартал"_s
                                 << u"2025г.2кварталстрока 1 / графа 1"_s;
        QTest::newRow("quarters") << 2 << 2025 << 1 << 2 << 2025 << u"2025г.1-2квартал"_s
                                  << u"2025г.1-2кварталстрока 1 / графа 1"_s;
        QTest::newRow("half-year") << 3 << 2025 << 1 << 1 << 2025 << u"2025г.1полугодие "_s
                                   << u"2025г.1полугодие строка 1 / графа 1"_s;
        QTest::newRow("half-years") << 3 << 2025 << 1 << 2 << 2025 << u"2025г.1-2полугодия "_s
                                    << u"2025г.1-2полугодия строка 1 / графа 1"_s;
        QTest::newRow("week") << 4 << 2025 << 7 << 7 << 2025 << u"2025г.7неделя "_s
                              << u"2025г.7неделя строка 1 / графа 1"_s;
        QTest::newRow("weeks") << 4 << 2025 << 7 << 9 << 2025 << u"2025г.7-9недели "_s
                               << u"2025г.7-9недели строка 1 / графа 1"_s;
        const int day = int(QDate(2025, 3, 14).toJulianDay());
        QTest::newRow("date") << 5 << 2025 << day << day << 2025 << u"14.03.25"_s
                              << u"14.03.25 графа 1. строка 1"_s;
        QTest::newRow("dates") << 5 << 2025 << day << day + 1 << 2025 << u"c 14.03.25по 15.03.25"_s
                               << u"c 14.03.25по 15.03.25 графа 1. строка 1"_s;
    }
    void periodTexts()
    {
        QFETCH(int, kind);
        QFETCH(int, year);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, shownYear);
        QFETCH(QString, period);
        QFETCH(QString, caption);
        const CrossSectionMark m = mark(1, year, from, to);
        QCOMPARE(CrossSectionOutput::periodText(m, kind, shownYear, year), period);
        QCOMPARE(CrossSectionOutput::caption(m, kind), caption);
    }

    // A monthly mark of the shown year is prefixed with the year when the build read another.
    void monthAfterAnotherYearsBuild()
    {
        QCOMPARE(CrossSectionOutput::periodText(mark(1, 2012, 3, 3), 1, 2012, 2011), u"2012март"_s);
    }

    void excelValues_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("integral") << u"7"_s << u"7"_s;
        QTest::newRow("one place") << u"12.5"_s << u"12,5"_s;
        QTest::newRow("three places") << u"-0.125"_s << u"-0,125"_s;
        QTest::newRow("largest") << u"1199999999999999.988"_s << u"1199999999999999,988"_s;
    }
    void excelValues()
    {
        QFETCH(QString, value);
        QFETCH(QString, text);
        QCOMPARE(CrossSectionOutput::excelValueText(dec(value)), text);
    }

    // The chart's points on the window's units: 0, 50 and 100 of a range 0..100 over three
    // marks; with "График общий" the other rows in grey first.
    void chartPoints()
    {
        const QList<CrossSectionRow> rows{row(1, 0, 0, {u"0"_s, u"50"_s, u"100"_s}),
                                          row(2, 0, 0, {u"20"_s, u"0"_s, u"10"_s})};
        const ValueRange range = CrossSectionOutput::valueRange(rows, 3);
        QCOMPARE(range.maximum, Decimal(100));
        QCOMPARE(range.minimum, Decimal(0));
        const QList<ChartItem> items = CrossSectionOutput::chart(rows, 0, 3, range, false, false);
        QCOMPARE(itemsText(items), u"L[10,125 510,125] T[10,125]гр1 T[10,125]0 "
                                   "L[10,125 176,75] T[176,75]50 T[176,125]2 "
                                   "L[176,75 342,25] T[342,25]100 T[342,125]3"_s);
        QCOMPARE(items[2].color, CrossSectionOutput::clickedColor());
        QCOMPARE(items[3].penWidth, 3);

        const QList<ChartItem> general = CrossSectionOutput::chart(rows, 0, 3, range, true, false);
        QCOMPARE(general.size(), items.size() + 1);
        QCOMPARE(itemsText({general[1]}), u"L[10,105 176,125 342,115]"_s);
        QCOMPARE(general[1].color, CrossSectionOutput::otherColor());
        QCOMPARE(general[1].penWidth, 1);
    }

    // "по 1строке" alone scales by the row; a row of zeros then draws nothing, and a later
    // chart with "общий" ticked uses the whole table's range again.
    void oneRowThenGeneral()
    {
        const QList<CrossSectionRow> rows{row(1, 0, 0, {u"0"_s, u"0"_s}),
                                          row(2, 0, 0, {u"10"_s, u"5"_s}),
                                          row(3, 0, 0, {u"40"_s, u"0"_s})};
        const ValueRange table = CrossSectionOutput::valueRange(rows, 2);
        QVERIFY(CrossSectionOutput::chart(rows, 0, 2, table, false, true).isEmpty());
        const QList<ChartItem> own = CrossSectionOutput::chart(rows, 1, 2, table, false, true);
        QCOMPARE(own[2].points.first(), QPoint(10, 25)); // 10 of 0..10
        const QList<ChartItem> whole = CrossSectionOutput::chart(rows, 1, 2, table, true, true);
        QCOMPARE(whole.last().points.first().x(), 260);
        bool found = false;
        for (const ChartItem &item : whole)
            if (item.kind == ChartItem::Kind::Text && item.text == u"10"_s) {
                QCOMPARE(item.points.first(), QPoint(10, 100)); // 10 of 0..40
                found = true;
            }
        QVERIFY(found);
    }

    // The result mode: rows sorted with the total last, a click on a text column keeps the
    // mark clicked before, removed rows stay removed through a later sort.
    void resultMode()
    {
        CrossSectionResult r;
        r.grouping = CrossSectionGrouping::Institutions;
        r.marks = {mark(1), mark(2)};
        r.rows = {row(250, 250, 250, {u"45"_s, u"5"_s}), row(3, 1, 1, {u"0"_s, u"0"_s}, u"Б"_s),
                  row(1, 2, 2, {u"40"_s, u"0"_s}, u"А"_s), row(2, 1, 1, {u"5"_s, u"-5"_s}, u"В"_s)};
        CrossSectionResultView view(r, {u"Форма 7"_s, u"Свод"_s, 2025, 1}, 7, 1000);
        QCOMPARE(view.rows().first().district, 1);
        QVERIFY(view.rows().last().isTotal());
        QCOMPARE(view.rowCountText(), u"ВСЕГО : 3"_s);
        QCOMPARE(view.tableRange().minimum, Decimal(-5));

        auto shown = view.click(0, 0, false, false);
        QCOMPARE(view.currentSlot(), 0);
        QCOMPARE(shown.caption, QString());
        QCOMPARE(shown.rowLine, u"Район 1 А"_s);
        shown = view.click(0, 3, false, true);
        QCOMPARE(view.currentSlot(), 2);
        QCOMPARE(shown.caption, u"2025г.1месяцстрока 2 / графа 2"_s);
        shown = view.click(1, 1, false, true);
        QCOMPARE(view.currentSlot(), 2);
        QVERIFY(!shown.chart.isEmpty());

        view.sort(RowOrder::Kinds);
        QCOMPARE(view.rows().first().kind, 1);
        view.removeEmptyRows();
        QCOMPARE(view.rows().size(), 3);
        QCOMPARE(view.rowCountText(), u"ВСЕГО : 2"_s);
        view.sort(RowOrder::Districts);
        QCOMPARE(view.rows().size(), 3);
        QCOMPARE(view.pages().first().lines.size(), 3);

        QCOMPARE(view.previewPage(), 1);
        view.setPreviewPage(2);
        QCOMPARE(view.previewPage(), 2);
    }

    void allZeroDrawsNothing()
    {
        const QList<CrossSectionRow> rows{row(1, 0, 0, {u"0"_s, u"0"_s}),
                                          row(250, 250, 250, {u"0"_s, u"0"_s})};
        const ValueRange range = CrossSectionOutput::valueRange(rows, 2);
        QVERIFY(CrossSectionOutput::chart(rows, 0, 2, range, true, false).isEmpty());
    }

    // A negative value: a zero line, the clicked row in red with width 2, every point labelled.
    void negativeValues()
    {
        const QList<CrossSectionRow> rows{row(1, 0, 0, {u"-50"_s, u"50"_s}),
                                          row(2, 0, 0, {u"10"_s, u"10"_s})};
        const ValueRange range = CrossSectionOutput::valueRange(rows, 2);
        QCOMPARE(range.minimum, Decimal(-50));
        const QList<ChartItem> items = CrossSectionOutput::chart(rows, 0, 2, range, true, false);
        QCOMPARE(itemsText(items),
                 u"L[10,125 510,125] L[10,175 260,75] T[10,175]-50 T[260,75]50"_s);
        QCOMPARE(items[1].color, CrossSectionOutput::clickedColor());
        QCOMPARE(items[1].penWidth, 2);
    }

    // Nine marks a page, at most three pages; the chart and the workbook take every mark.
    void pages_data()
    {
        QTest::addColumn<int>("marks");
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("filledOnLast");
        QTest::newRow("5") << 5 << 1 << 5;
        QTest::newRow("12") << 12 << 2 << 3;
        QTest::newRow("18") << 18 << 2 << 9;
        QTest::newRow("30") << 30 << 3 << 9;
    }
    void pages()
    {
        QFETCH(int, marks);
        QFETCH(int, pages);
        QFETCH(int, filledOnLast);
        const CrossSectionResult r = result(marks, 2, CrossSectionGrouping::Institutions);
        const CrossSectionHeading heading{u"Форма 7   "_s, u"Свод"_s, 2025, 1};
        const QList<CrossSectionPage> printed = CrossSectionOutput::pages(r, r.rows, heading);
        QCOMPARE(printed.size(), pages);
        const CrossSectionPage &last = printed.last();
        QCOMPARE(last.heading, u"Форма 7 Свод"_s);
        QCOMPARE(last.columnHeadings.size(), 9);
        QCOMPARE(last.columnHeadings.count(QString()), 9 - filledOnLast);
        QCOMPARE(last.lines.size(), 2);
        QCOMPARE(last.lines[0].values.count(QString()), 9 - filledOnLast);
        QCOMPARE(last.lines[0].name, u"ЛПУ 1"_s);
        const int firstOnLast = (pages - 1) * 9 + 1;
        QCOMPARE(last.columnHeadings[0], u"2025г.1месяцстрока %1 / графа %1"_s.arg(firstOnLast));
        QCOMPARE(last.lines[1].values[0],
                 CrossSectionOutput::valueText(
                     dec(u"%1.%2"_s.arg(200 + firstOnLast).arg(firstOnLast % 10))));
        // Laid out on sheets: one sheet per page, every heading and value on it.
        const auto sheets = CrossSectionPrint::layOut(printed, r.grouping);
        QCOMPARE(sheets.count(), pages);
        const QStringList texts = sheets.pages.last().texts();
        QVERIFY(texts.contains(last.columnHeadings[0]));
        QVERIFY(texts.contains(last.lines[1].values[0]));
        QVERIFY(texts.contains(u"ЛПУ 2"_s));
        QVERIFY(texts.contains(u"Форма 7 Свод"_s));
        if (pages > 1)
            QVERIFY(!texts.contains(printed.first().columnHeadings[0]));
        const QList<ChartItem> chart = CrossSectionOutput::chart(
            r.rows, 0, marks, CrossSectionOutput::valueRange(r.rows, marks), false, false);
        QCOMPARE(chart.last().text, QString::number(marks));
    }

    // The workbook of 30 marks by institutions, read back cell by cell.
    void excelWorkbook()
    {
        QTemporaryDir dir;
        const QString failed = test::buildDemoWorkDir(dir);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        CrossSectionResult r = result(30, 3, CrossSectionGrouping::Institutions);
        r.marks[0].year = 2024;
        // Texts that look like numbers stay the texts they are.
        r.marks[1].rowName = u"2.10  "_s;
        r.marks[2].rowName = u"2.1"_s;
        r.rows[0].name = u"007"_s;
        r.rows[1].region = u"3.20"_s;
        NoDesktop desktop;
        runtime::office::OfficeServer office(&desktop);
        test::ScriptedPrompter prompter;
        shell::ExcelLauncher excel(office, prompter);
        const CrossSectionHeading heading{u"Форма 7   "_s, u"Свод за март  "_s, 2025, 1};
        QVERIFY(CrossSectionOutput::exportToExcel(r, r.rows, heading, excel));
        QCOMPARE(prompter.texts(), QStringList{shell::ExcelLauncher::doneText()});
        const auto book = runtime::office::XlsxReader::read(excel.workbookPath());
        QVERIFY2(book, qPrintable(book ? QString() : book.error().message));
        const auto text = [&](int row, int column) { return test::cellText(*book, row, column); };
        QCOMPARE(text(1, 1), u"Форма 7"_s);
        QCOMPARE(text(2, 1), u"Свод за март"_s);
        QCOMPARE(text(3, 1), u"2025 год"_s);
        QCOMPARE(text(9, 1), u"Регион"_s);
        QCOMPARE(text(9, 2), u"ЛПУ"_s);
        QCOMPARE(text(7, 3), u"2024январь"_s);
        QCOMPARE(text(7, 4), u"январь"_s);
        QCOMPARE(text(8, 32), u"графа 30"_s);
        QCOMPARE(text(9, 32), u"строка 30"_s);
        QCOMPARE(text(10, 1), u"Район 1"_s);
        QCOMPARE(text(12, 2), u"ЛПУ 3"_s);
        QCOMPARE(text(12, 32), u"330"_s);
        QCOMPARE(text(10, 3).replace(u'.', u','), u"101,1"_s);
        QCOMPARE(text(13, 3), QString());

        // Headings, names and periods are texts; the values are numbers.
        using Kind = runtime::office::Cell::Kind;
        const auto kind = [&](int row, int column) {
            const auto *cell = book->cell(row, column);
            return cell ? cell->kind : Kind::Empty;
        };
        const struct
        {
            int row, column;
            Kind kind;
            QString text;
        } cells[] = {
            {9, 4, Kind::Text, u"2.10"_s},      {9, 5, Kind::Text, u"2.1"_s},
            {10, 2, Kind::Text, u"007"_s},      {11, 1, Kind::Text, u"3.20"_s},
            {3, 1, Kind::Text, u"2025 год"_s},  {7, 4, Kind::Text, u"январь"_s},
            {8, 32, Kind::Text, u"графа 30"_s}, {12, 32, Kind::Number, u"330"_s},
        };
        for (const auto &c : cells) {
            QCOMPARE(kind(c.row, c.column), c.kind);
            QCOMPARE(text(c.row, c.column), c.text);
        }
        QCOMPARE(kind(10, 3), Kind::Number);
    }

    // A workbook that cannot be made stops the export without a success message.
    void excelUnreachable()
    {
        QTemporaryDir dir;
        const QString failed = test::buildDemoWorkDir(dir);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        const CrossSectionResult r = result(2, 2, CrossSectionGrouping::Districts);
        NoDesktop desktop;
        runtime::office::OfficeServer office(&desktop);
        office.setServiceAvailable(shell::ExcelLauncher::serviceName(), false);
        test::ScriptedPrompter prompter;
        shell::ExcelLauncher excel(office, prompter);
        QVERIFY(!CrossSectionOutput::exportToExcel(r, r.rows, {}, excel));
        QVERIFY(!prompter.texts().contains(shell::ExcelLauncher::doneText()));
    }
};

QTEST_MAIN(TestCrossSectionOutput)
#include "test_crosssectionoutput.moc"
