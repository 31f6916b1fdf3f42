// The rank table window driven by its controls: what it shows for a small list, values typed
// into its fields going into the table as typed (and the shown text never read back), "Расчет "
// and the assignment of typed bounds, the map button only for districts, the workbook, and the
// rank table opened from the indicator result window's "Ранг".

#include "analysis/common/RankTable.h"
#include "analysis/common/ui/RankTableWindow.h"
#include "analysis/indicators/IndicatorOutput.h"
#include "analysis/indicators/ui/IndicatorResultWindow.h"
#include "runtime/report/PageSink.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/QueueModel.h"
#include "shell/AppState.h"
#include "shell/ExcelLauncher.h"
#include "support/DemoWorkDir.h"
#include "support/ModalScript.h"
#include "support/RecordingOffice.h"
#include "support/ScriptedPrompter.h"
#include "tests/analysis/ui/WindowTestSupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace zemor;
using analysis::RankLine;
using analysis::RankTable;
using analysis::RankTableSource;
using analysis::ui::RankTableWindow;
using runtime::Decimal;
using runtime::ui::findControl;
using test::control;

namespace {

Decimal dec(const char *text)
{
    return *Decimal::fromString(QString::fromLatin1(text));
}

// "name=value@code ..." as district lines.
RankTableSource districts(const QString &lines)
{
    RankTableSource source;
    source.districtCodes = true;
    source.year = 2025;
    source.title = u"Охват осмотрами"_s;
    source.subtitle = u"Графа 3"_s;
    for (const QString &item : lines.split(u' ', Qt::SkipEmptyParts)) {
        const qsizetype eq = item.indexOf(u'=');
        const qsizetype at = item.indexOf(u'@');
        source.lines.append(RankLine{item.left(eq),
                                     *Decimal::fromString(item.mid(eq + 1, at - eq - 1)),
                                     item.mid(at + 1).toInt(),
                                     {},
                                     {}});
    }
    return source;
}

// Typed as the user types: the field's text selected and typed over.
void type(QWidget *window, QStringView equate, const QString &text)
{
    if (auto *spin = findControl<QSpinBox>(window, equate)) {
        spin->selectAll();
        QTest::keyClicks(spin, text);
        return;
    }
    auto *field = control<QLineEdit>(window, equate);
    field->selectAll();
    QTest::keyClicks(field, text);
}

QString shown(QWidget *window, QStringView equate)
{
    if (auto *spin = findControl<QSpinBox>(window, equate))
        return spin->text();
    return control<QLineEdit>(window, equate)->text();
}

// The list as shown: "name value rank range" per line.
QStringList listed(const RankTableWindow &window)
{
    QStringList lines;
    runtime::ui::ListBinding *b = window.binding();
    for (int r = 0; r < b->model()->rowCount(); ++r) {
        QStringList cells;
        for (int c : {int(RankTable::Name), int(RankTable::Data), int(RankTable::Rank),
                      int(RankTable::Range)})
            cells << b->cellText(r, c).trimmed();
        lines << cells.join(u' ');
    }
    return lines;
}

QString bounds(const RankTable &table)
{
    QStringList out;
    for (int i = 1; i <= table.rangeCount(); ++i)
        out << table.lowerBound(i).toString() + u'~' + table.upperBound(i).toString();
    return out.join(u' ');
}

} // namespace

class TestRankTableWindow : public QObject
{
    Q_OBJECT

    test::ScriptedPrompter m_prompter;
    test::RecordingOffice m_office;
    test::NoDesktop m_desktop;
    shell::AppState m_state;

    shell::ui::Services services()
    {
        return {m_state, m_prompter, &m_office, nullptr, nullptr, &m_desktop};
    }

private Q_SLOTS:
    void init() { m_prompter.reset(); }
    void shownForASmallList();
    void typedValuesGoIntoTheTable_data();
    void typedValuesGoIntoTheTable();
    void mapOfferedForDistrictsOnly_data();
    void mapOfferedForDistrictsOnly();
    void workbook();
    void openedFromIndicatorResults_data();
    void openedFromIndicatorResults();
};

// 10, 8, 8, 5: ranks 1, 2, 2, 3; three even ranges from 5 to 10, the 8s in the second; the
// region's line is ranked but leaves the minimum and maximum alone.
void TestRankTableWindow::shownForASmallList()
{
    RankTableWindow window(services(),
                           districts(u"Северный=8@2 Южный=10@1 Город=40@250 Западный=5@4 "
                                     u"Восточный=8@3"_s));
    window.show();
    QCOMPARE(window.windowTitle(), u"Ранговая таблица"_s);
    QCOMPARE(shown(&window, u"?PYEAR"), u"2025"_s);
    QCOMPARE(shown(&window, u"?PNAME"), u"Охват осмотрами"_s);
    QCOMPARE(shown(&window, u"?PNAMEGR"), u"Графа 3"_s);
    QCOMPARE(listed(window), (QStringList{u"Город 40 1 0"_s, u"Южный 10 2 3"_s, u"Северный 8 3 2"_s,
                                          u"Восточный 8 3 2"_s, u"Западный 5 4 1"_s}));
    QCOMPARE(shown(&window, u"?LOCMIN:2"), u"5.000"_s);
    QCOMPARE(shown(&window, u"?LOCMAX:2"), u"10.000"_s);
    QCOMPARE(shown(&window, u"?KOLDIAP"), u"3"_s);
    QCOMPARE(shown(&window, u"?DI:2"), u"1.667"_s);
    const QStringList fields{u"?D1_1"_s, u"?D2_1"_s, u"?D1_2"_s, u"?D2_2"_s,
                             u"?D1_3"_s, u"?D2_3"_s, u"?D1_4"_s, u"?D2_5"_s};
    QStringList texts;
    for (const QString &f : fields)
        texts << shown(&window, f);
    QCOMPARE(texts, (QStringList{u"5.000"_s, u"6.667"_s, u"6.667"_s, u"8.333"_s, u"8.333"_s,
                                 u"10.000"_s, u"0.000"_s, u"0.000"_s}));
    QVERIFY(!control(&window, u"?PRNT1")->isEnabled());
    QVERIFY(control(&window, u"?KARTA")->isVisibleTo(&window));
    QCOMPARE(window.table().regionValue(), dec("40"));
    test::grabWindow(&window, u"rank-table"_s);
}

// Each case types into the fields in order (equate=text, "!" for a button) and then checks the
// table's bounds and the ranges shown.
void TestRankTableWindow::typedValuesGoIntoTheTable_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("bounds");
    QTest::addColumn<QString>("ranges"); // of 10, 8, 8, 5 as listed
    QTest::addColumn<QString>("maximum");

    // The step 5/3 shows as 1.667; read back it would end the last range at 10.001.
    QTest::newRow("the shown step is not read back")
        << u"!?RASH1"_s << u"5~6.667 6.667~8.333 8.333~10"_s << u"3 2 2 1"_s << u"10.000"_s;
    QTest::newRow("count 7 gives five ranges")
        << u"?KOLDIAP=7 !?RASH1"_s << u"5~6 6~7 7~8 8~9 9~10"_s << u"5 3 3 1"_s << u"10.000"_s;
    QTest::newRow("a typed step moves the maximum")
        << u"?LOCMIN:2=0 ?KOLDIAP=5 ?DI:2=1,5 !?RASH1"_s << u"0~1.5 1.5~3 3~4.5 4.5~6 6~7.5"_s
        << u"3 2 2 4"_s << u"7.500"_s;
    QTest::newRow("typed bounds, assigned; a line outside keeps its range")
        << u"?D2_1=8 ?D1_3=9.5 ?D2_3=12.25 ?D1_2=8.0005 !?RASHDIAP"_s
        << u"5~8 8.001~8.333 9.5~12.25"_s << u"3 1 1 1"_s << u"10.000"_s;
    QTest::newRow("narrowed by hand: the 8s lie in no range and keep 2")
        << u"?D2_2=7 ?D1_1=5.5 !?RASHDIAP"_s << u"5.5~6.667 6.667~7 8.333~10"_s << u"3 2 2 1"_s
        << u"10.000"_s;
    QTest::newRow("typed maximum, then even ranges")
        << u"?LOCMAX:2=11 ?KOLDIAP=2 !?RASH1"_s << u"5~8 8~11"_s << u"2 1 1 1"_s << u"11.000"_s;
}

void TestRankTableWindow::typedValuesGoIntoTheTable()
{
    QFETCH(QString, steps);
    QFETCH(QString, bounds);
    QFETCH(QString, ranges);
    QFETCH(QString, maximum);
    RankTableWindow window(services(), districts(u"a=10@1 b=8@2 c=8@3 d=5@4"_s));
    window.show();
    for (const QString &step : steps.split(u' ', Qt::SkipEmptyParts)) {
        if (step.startsWith(u'!')) {
            test::clickControl(&window, step.mid(1));
            continue;
        }
        const qsizetype eq = step.indexOf(u'=');
        type(&window, step.left(eq), step.mid(eq + 1));
    }
    QCOMPARE(::bounds(window.table()), bounds);
    QStringList got;
    for (const auto &row : window.table().rows())
        got << QString::number(row.range);
    QCOMPARE(got.join(u' '), ranges);
    QCOMPARE(shown(&window, u"?LOCMAX:2"), maximum);
    QCOMPARE(shown(&window, u"?KOLDIAP"), QString::number(window.table().rangeCount()));
    // The list shows the table's ranges.
    QStringList listedRanges;
    for (const QString &line : listed(window))
        listedRanges << line.section(u' ', 3, 3);
    QCOMPARE(listedRanges.join(u' '), ranges);
    QVERIFY(m_prompter.messages.isEmpty());
}

void TestRankTableWindow::mapOfferedForDistrictsOnly_data()
{
    QTest::addColumn<bool>("districtCodes");
    QTest::addColumn<bool>("lineCodes");
    QTest::addColumn<bool>("map");
    QTest::newRow("districts") << true << false << true;
    QTest::newRow("institutions: no codes") << false << false << false;
    QTest::newRow("districts with line codes") << true << true << false;
}

void TestRankTableWindow::mapOfferedForDistrictsOnly()
{
    QFETCH(bool, districtCodes);
    QFETCH(bool, lineCodes);
    QFETCH(bool, map);
    // Institution codes 101..103 would count as districts if they were passed as codes.
    RankTableSource source = districts(u"a=10@101 b=8@102 c=400@2000"_s);
    source.districtCodes = districtCodes;
    source.lineCodes = lineCodes;
    RankTableWindow window(services(), source);
    window.show();
    QCOMPARE(control(&window, u"?KARTA")->isVisibleTo(&window), map);
    QCOMPARE(shown(&window, u"?LOCMAX:2"), districtCodes ? u"10.000"_s : u"400.000"_s);
}

// The workbook "rang.xls" through the spreadsheet conversation, and the message at its end.
void TestRankTableWindow::workbook()
{
    test::WorkDir work;
    RankTableWindow window(services(), districts(u"a=10@1 b=8@2"_s));
    window.show();
    test::clickControl(&window, u"?EXCEL");
    QCOMPARE(m_office.opened.value(0), u"Excel SYSTEM"_s);
    QVERIFY2(m_office.commands.value(0).contains(u"XLS/rang.xls"_s),
             qPrintable(m_office.commands.join(u'\n')));
    QCOMPARE(m_prompter.texts(), QStringList{shell::ExcelLauncher::doneText()});

    // No spreadsheet: the launcher says so, and nothing claims the export was done.
    m_prompter.reset();
    m_office.reachable = false;
    test::clickControl(&window, u"?EXCEL");
    m_office.reachable = true;
    QVERIFY(!m_prompter.texts().contains(shell::ExcelLauncher::doneText()));
    QVERIFY(!m_prompter.messages.isEmpty());
}

void TestRankTableWindow::openedFromIndicatorResults_data()
{
    QTest::addColumn<int>("layout");
    QTest::addColumn<bool>("map");
    QTest::addColumn<QStringList>("lines");
    // By district the total (250) is left out of the minimum and maximum, and so of the ranges.
    QTest::newRow("by district") << int(analysis::IndicatorLayout::ByDistrict) << true
                                 << QStringList{u"ВСЕГО 20 1 0"_s, u"Первый 12.34 2 3"_s,
                                                u"Третий 8.5 3 3"_s, u"Второй 0 4 1"_s};
    QTest::newRow("by institution") << int(analysis::IndicatorLayout::ByInstitution) << false
                                    << QStringList{u"ВСЕГО 20 1 3"_s, u"Первый 12.34 2 2"_s,
                                                   u"Третий 8.5 3 2"_s, u"Второй 0 4 1"_s};
}

// "Ранг" wants a value column first; then the rank table shows that column of every row, with
// the run's year, the result title and the column's heading.
void TestRankTableWindow::openedFromIndicatorResults()
{
    QFETCH(int, layout);
    QFETCH(bool, map);
    QFETCH(QStringList, lines);
    analysis::IndicatorRun run;
    run.definition.name = u"Охват"_s;
    run.definition.columns = 2;
    run.layout = analysis::IndicatorLayout(layout);
    run.columns = 2;
    run.years.append(analysis::YearResult{2024});
    analysis::IndicatorOutputInput input{&run,
                                         {{1, u"Всего"_s, u"в"_s, 9, u"@n9.2"_s, false},
                                          {2, u"На 1000"_s, u"н"_s, 9, u"@n9.2"_s, false}},
                                         {},
                                         2024,
                                         {}};
    input.chosen.name = u"Строка 1"_s;
    analysis::IndicatorDisplay display;
    display.columns = 2;
    const QList<std::tuple<int, QString, QString>> rows{{1, u"Первый"_s, u"12,345"_s},
                                                        {2, u"Второй"_s, u"  3/4"_s},
                                                        {3, u"Третий"_s, u"8,5"_s},
                                                        {250, u"ВСЕГО "_s, u"20"_s}};
    for (const auto &[code, name, cell] : rows) {
        analysis::IndicatorDisplayRow row;
        row.name = name;
        row.code = code;
        row.number = code;
        row.cells[0] = u"1"_s;
        row.cells[1] = cell;
        display.rows.append(row);
    }
    QTemporaryDir dir;
    const auto pages = std::make_shared<runtime::report::PdfSink>(dir.filePath(u"p.pdf"_s));
    analysis::ui::IndicatorResultWindow result(input, display, std::nullopt,
                                               {m_state, m_prompter, &m_office, nullptr, pages});
    result.show();
    QVERIFY(control(&result, u"?RANG1")->isEnabled());
    test::clickControl(&result, u"?RANG1");
    QCOMPARE(m_prompter.texts(), QStringList{analysis::IndicatorOutput::chooseColumnText()});

    result.clickCell(0, 3);
    QStringList seen;
    bool mapShown = !map;
    test::answerModals({[&](QWidget *w) {
        auto *rank = qobject_cast<RankTableWindow *>(w);
        QVERIFY(rank);
        seen = listed(*rank);
        seen << shown(w, u"?PYEAR") << shown(w, u"?PNAME") << shown(w, u"?PNAMEGR");
        mapShown = control(w, u"?KARTA")->isVisibleTo(w);
        w->close();
    }});
    test::clickControl(&result, u"?RANG1");
    QTRY_VERIFY(!seen.isEmpty());
    QCOMPARE(mapShown, map);
    // Two places are kept of a cell; a text cell ranks 0.
    QCOMPARE(seen, (lines + QStringList{u"2024"_s, u"Охват:Строка 1"_s, u"На 1000"_s}));
    result.close();
}

QTEST_MAIN(TestRankTableWindow)
#include "test_ranktablewindow.moc"
