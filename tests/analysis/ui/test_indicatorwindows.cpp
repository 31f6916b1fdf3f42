// The indicator windows, driven by their controls' names with scripted answers, on a small
// working directory.

#include "tests/analysis/IndicatorFixture.h"

#include "analysis/indicators/IndicatorFormulaFiles.h"
#include "analysis/indicators/ui/IndicatorListWindow.h"
#include "analysis/indicators/ui/IndicatorParametersWindow.h"
#include "analysis/indicators/ui/IndicatorProcedure.h"
#include "analysis/indicators/ui/IndicatorResultWindow.h"
#include "analysis/indicators/ui/IndicatorRowWindow.h"
#include "data/DataContext.h"
#include "data/records/GrafaRecord.h"
#include "runtime/office/DesktopOpener.h"
#include "runtime/office/OfficeServer.h"
#include "runtime/office/XlsxReader.h"
#include "runtime/report/PageSink.h"
#include "runtime/text/Cp1251.h"
#include "runtime/ui/DrawingSurface.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/QueueModel.h"
#include "shell/AppState.h"
#include "shell/ExcelLauncher.h"
#include "support/ModalScript.h"
#include "support/PdfText.h"
#include "support/ScriptedPrompter.h"
#include "tools/DemoTemplates.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace zemor;
using namespace zemor::analysis;
using namespace zemor::analysis::ui;
using namespace Qt::StringLiterals;

namespace {

struct Def
{
    qint32 id;
    int form;
    QString name;
    QString years; // TAB:NAMEL
    int table = 0; // TAB:CODTABL (the list's order within a form)
    int kind = 0;
};

bool writeDefinitions(test::IndicatorFixture &fx, const QList<Def> &defs)
{
    return fx.write(u"TablP.DAT"_s, data::FileId::tabl, int(defs.size()),
                    [&](runtime::store::KeyedFile &f, int i) {
                        const Def &d = defs.at(i);
                        data::TablRecord r(f.record());
                        r.setUnicodT(d.id);
                        r.setName(d.name);
                        r.setNameL(d.years);
                        r.setType(0);
                        return r.setCodForm(d.form).has_value() &&
                               r.setCodTabl(d.table).has_value() && r.setSm(d.kind).has_value() &&
                               r.setA(3).has_value();
                    });
}

// Saves a picture of a window for a person to look at, when the run names a folder for it.
void shoot(QWidget &w, const QString &name)
{
    const QString dir = qEnvironmentVariable("ZEMOR_SCREENSHOTS");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    w.grab().save(QDir(dir).filePath(name + u".png"_s));
}

IndicatorListContext context(int year, int form)
{
    IndicatorListContext c;
    c.year = year;
    c.form = form;
    c.period = {3, 5};
    c.districtFilter = 300;
    c.selection = {7101, 7123};
    c.title = u"за март - май 2025 г. Отчеты: 2"_s;
    c.wholeYear = [](int f) { return f == 62 ? MonthRange{1, 4} : MonthRange{1, 12}; };
    return c;
}

QStringList shownNames(QListWidget *list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names.append(list->item(i)->text());
    return names;
}

struct NoDesktop : runtime::office::DesktopOpener
{
    runtime::Status open(const QString &) override { return {}; }
};

// Answers the modal windows by name, in order: each handler waits for its window to be the
// active modal one (the progress window of a run is passed over). A window that comes back
// (the parameters window after its result window) is answered again by the next handler.
struct NamedModals
{
    QList<std::pair<QString, std::function<void(QWidget *)>>> pending;
    QPointer<QWidget> last;
    QTimer timer;
    QStringList seen;

    void start()
    {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (modal != last.data())
                last = nullptr;
            if (!modal || modal == last.data() || pending.isEmpty())
                return;
            if (modal->objectName() != pending.first().first)
                return;
            last = modal;
            auto handler = pending.takeFirst().second;
            seen << modal->objectName();
            handler(modal);
        });
        timer.start();
    }
};

} // namespace

class TestIndicatorWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listOfTheFormAndOfAllForms();
    void openingKeepsTheCallersValues();
    void damagedTablesFileIsNamed();
    void parametersFollowTheDefinition_data();
    void parametersFollowTheDefinition();
    void parametersMakeTheRequest();
    void seriesStartsFromThePredecessor();
    void rowChoicesOfTheFormAndTheRowFile();
    void rowListTakesARow();
    void closingTheRowListEndsTheRun();
    void fromTheListToTheResults();
    void damagedFormulaFileShowsNoResult();
    void valueColumnsShowTheWholeValue_data();
    void valueColumnsShowTheWholeValue();
};

void TestIndicatorWindows::listOfTheFormAndOfAllForms()
{
    test::IndicatorFixture fx;
    QVERIFY(writeDefinitions(fx, {{5, 62, u"Заболеваемость на 1000"_s, u"2020 2030"_s, 2},
                                  {6, 62, u"Старый показатель"_s, u"2010 2019"_s, 1},
                                  {7, 62, u"Смертность"_s, u"2025 2025"_s, 3},
                                  {8, 30, u"Койки"_s, u"2024 2026"_s, 1},
                                  {9, 30, u"Без лет"_s, u"abcd efgh"_s, 2}}));
    test::ScriptedPrompter prompter;
    IndicatorListWindow window(context(2025, 62), {}, prompter);
    QCOMPARE(window.objectName(), u"P1$SCRY"_s);
    QCOMPARE(window.windowTitle(), u"Список показателей"_s);
    auto *list = window.findChild<QListWidget *>(u"?LIST1"_s);
    auto *all = window.findChild<QCheckBox *>(u"?CHECK_1"_s);
    QVERIFY(list && all && window.findChild<QPushButton *>(u"?OK_1"_s));
    QCOMPARE(window.findChild<QPushButton *>(u"?HELP_1"_s)->text(), u"Help"_s);
    QCOMPARE(all->text(), u"по всем формам"_s);

    // The year must lie within the years of the definition; table order, the form's own only.
    QCOMPARE(shownNames(list), (QStringList{u"Заболеваемость на 1000"_s, u"Смертность"_s}));
    QCOMPARE(list->currentRow(), 0);
    window.show();
    shoot(window, u"indicator-list"_s);

    all->setChecked(true);
    QCOMPARE(shownNames(list),
             (QStringList{u"Койки"_s, u"Заболеваемость на 1000"_s, u"Смертность"_s}));
    QCOMPARE(list->currentRow(), 0);
    QCOMPARE(window.entries().at(0).id, 8);

    // Closing empties the list.
    window.reject();
    QCOMPARE(list->count(), 0);
    QVERIFY(window.entries().isEmpty());
    QVERIFY(prompter.messages.isEmpty());
}

void TestIndicatorWindows::openingKeepsTheCallersValues()
{
    test::IndicatorFixture fx;
    QVERIFY(writeDefinitions(fx, {{5, 62, u"Заболеваемость"_s, u"2020 2030"_s, 1, 0},
                                  {6, 62, u"За год"_s, u"2020 2030"_s, 2, 1}}));
    test::ScriptedPrompter prompter;
    const IndicatorListContext given = context(2025, 62);
    QList<std::pair<qint32, IndicatorRequest>> opened;
    IndicatorListWindow window(
        given,
        [&](const IndicatorDefinition &d, const IndicatorRequest &r) {
            opened.append({d.id, r});
        },
        prompter);
    auto *list = window.findChild<QListWidget *>(u"?LIST1"_s);
    auto *ok = window.findChild<QPushButton *>(u"?OK_1"_s);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // "OK", then Enter on the second line, then "OK" again on the first: the window stays open
    // and each opening gets the same title, filter and selection.
    ok->click();
    list->setCurrentRow(1);
    QTest::keyClick(list, Qt::Key_Return);
    list->setCurrentRow(0);
    ok->click();
    QCOMPARE(opened.size(), 3);
    QVERIFY(window.isVisible());
    QCOMPARE(opened.at(0).first, 5);
    QCOMPARE(opened.at(1).first, 6);
    for (const auto &[id, r] : opened) {
        QCOMPARE(r.year, 2025);
        QCOMPARE(r.title, given.title);
        QCOMPARE(r.districtFilter, 300);
        QCOMPARE(r.selection, (QList<qint32>{7101, 7123}));
        // A definition of kind 1 takes the whole year of its form.
        QCOMPARE(r.period, id == 6 ? (MonthRange{1, 4}) : (MonthRange{3, 5}));
    }
    window.accept();
}

void TestIndicatorWindows::damagedTablesFileIsNamed()
{
    test::IndicatorFixture fx;
    QFile f(fx.path(u"TablP.DAT"_s));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, '\x5a'));
    f.close();
    test::ScriptedPrompter prompter;
    IndicatorListWindow window(context(2025, 62), {}, prompter);
    QCOMPARE(window.findChild<QListWidget *>(u"?LIST1"_s)->count(), 0);
    QCOMPARE(prompter.messages.size(), 1);
    QVERIFY2(prompter.messages.at(0).text.startsWith(u"TablP.dat: "_s),
             qPrintable(prompter.messages.at(0).text));
}

template <class T> T *control(QWidget &w, const QString &equate)
{
    T *c = w.findChild<T *>(equate);
    if (!c)
        qFatal("no control %s", qPrintable(equate));
    return c;
}

// What the window lets the user choose: the radios enabled, the one set, and whether "за 2
// года", "Группировать по населению" and "+обл.ЛПУ" may be set.
void TestIndicatorWindows::parametersFollowTheDefinition_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("kind");
    QTest::addColumn<qint32>("successor");
    QTest::addColumn<QString>("radios"); // enabled radios 1..3, the set one in brackets
    QTest::addColumn<bool>("two");
    QTest::addColumn<bool>("districtOptions");
    QTest::newRow("type 0") << 0 << 0 << 0 << u"1 [2] 3"_s << true << false;
    QTest::newRow("type 1") << 1 << 0 << 0 << u"[1] 3"_s << true << true;
    QTest::newRow("type 2") << 2 << 0 << 0 << u"[2]"_s << true << false;
    QTest::newRow("type 20") << 20 << 0 << 0 << u"[-]"_s << false << false;
    QTest::newRow("kind 8") << 0 << 8 << 0 << u"1 [2] 3"_s << false << false;
    QTest::newRow("successor") << 1 << 0 << 12 << u"[1] 3"_s << false << true;
}

void TestIndicatorWindows::parametersFollowTheDefinition()
{
    QFETCH(int, type);
    QFETCH(int, kind);
    QFETCH(qint32, successor);
    QFETCH(QString, radios);
    QFETCH(bool, two);
    QFETCH(bool, districtOptions);
    IndicatorDefinition d;
    d.id = 5;
    d.form = 62;
    d.name = u"Заболеваемость"_s;
    d.type = type;
    d.kind = kind;
    d.successor = successor;
    d.columns = 3;
    test::ScriptedPrompter prompter;
    IndicatorParametersWindow window(d, {}, {}, prompter);
    QCOMPARE(window.objectName(), u"P1$SCRY"_s);
    QCOMPARE(window.windowTitle(), u"Параметры  показателя"_s);
    QStringList shown;
    for (int i = 1; i <= 3; ++i) {
        auto *radio = control<QRadioButton>(window, u"?OPTION1:RADIO%1"_s.arg(i));
        if (radio->isEnabled())
            shown << (radio->isChecked() ? u"[%1]"_s.arg(i) : QString::number(i));
        else if (radio->isChecked())
            shown << u"[-]"_s; // preset, though nothing may be chosen
    }
    QCOMPARE(shown.join(u' '), radios);
    QCOMPARE(control<QCheckBox>(window, u"?TWO"_s)->isEnabled(), two);
    QCOMPARE(control<QCheckBox>(window, u"?GRUPNAS"_s)->isEnabled(), districtOptions);
    QCOMPARE(control<QCheckBox>(window, u"?OBLLPU"_s)->isEnabled(), districtOptions);
}

void TestIndicatorWindows::parametersMakeTheRequest()
{
    IndicatorDefinition d;
    d.id = 5;
    d.form = 62;
    d.name = u"Заболеваемость на 1000"_s;
    d.columns = 3;
    IndicatorRequest base;
    base.year = 2025;
    base.period = {3, 5};
    base.title = u"за март - май 2025 г."_s;
    base.selection = {7101};
    base.districtFilter = 300;
    base.seriesFrom = 2021;
    base.seriesTo = 2025;
    QList<IndicatorRequest> runs;
    test::ScriptedPrompter prompter;
    IndicatorParametersWindow window(
        d, base, [&](const IndicatorDefinition &, const IndicatorRequest &r) { runs.append(r); },
        prompter);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(control<QLineEdit>(window, u"?QST:NAME:2"_s)->text(), d.name);
    QCOMPARE(control<QLineEdit>(window, u"?LOCNAME:2"_s)->text(), base.title);
    auto *group = control<QGroupBox>(window, u"?GROUP1"_s);
    auto *series = control<QCheckBox>(window, u"?DINRJD"_s);
    auto *two = control<QCheckBox>(window, u"?TWO"_s);
    auto *groups = control<QCheckBox>(window, u"?GRUPNAS"_s);
    QVERIFY(!group->isVisible());
    QCOMPARE(control<QSpinBox>(window, u"?YEAR1"_s)->value(), 2021);

    // "Динамический ряд" shows its years and clears "за 2 года".
    two->setChecked(true);
    series->setChecked(true);
    QVERIFY(group->isVisible());
    QVERIFY(!two->isChecked());

    // The by-district options follow the layout.
    QVERIFY(!groups->isEnabled());
    control<QRadioButton>(window, u"?OPTION1:RADIO1"_s)->setChecked(true);
    QVERIFY(groups->isEnabled());
    groups->setChecked(true);
    control<QSpinBox>(window, u"?YEAR1"_s)->setValue(2023);
    shoot(window, u"indicator-parameters"_s);
    control<QPushButton>(window, u"?OK"_s)->click();
    QCOMPARE(runs.size(), 1);
    QCOMPARE(runs[0].layout, IndicatorLayout::ByDistrict);
    QVERIFY(runs[0].series);
    QCOMPARE(runs[0].seriesFrom, 2023);
    QCOMPARE(runs[0].seriesTo, 2025);
    QVERIFY(runs[0].populationGroups);
    QCOMPARE(runs[0].title, base.title);
    QCOMPARE(runs[0].selection, base.selection);
    QCOMPARE(runs[0].districtFilter, 300);
    // The series is cleared after each run; the window stays.
    QVERIFY(!series->isChecked());
    QVERIFY(window.isVisible());

    // By institution the groups are off whatever the box showed.
    control<QRadioButton>(window, u"?OPTION1:RADIO3"_s)->setChecked(true);
    QVERIFY(!groups->isEnabled());
    two->setChecked(true);
    control<QPushButton>(window, u"?OK"_s)->click();
    QCOMPARE(runs.size(), 2);
    QCOMPARE(runs[1].layout, IndicatorLayout::ByInstitution);
    QVERIFY(!runs[1].populationGroups);
    QVERIFY(runs[1].twoYears);
    QVERIFY(!runs[1].series);
    window.accept();
}

// "Динамический ряд" and its first year rebuild the form's list: a series begun before the
// opened definition's years runs from its predecessor, never from another indicator of the
// form listed first; the series cleared, the opened definition is back.
void TestIndicatorWindows::seriesStartsFromThePredecessor()
{
    test::IndicatorFixture fx;
    const QString predecessorYears = u"2020 2024"_s.leftJustified(29, u' ') + u"  101"_s;
    QVERIFY(
        writeDefinitions(fx, {{101, 12, u"Заболеваемость"_s, u"2025 2030"_s, 1},
                              {105, 12, u"Заболеваемость (до 2025 года)"_s, predecessorYears, 2},
                              {108, 12, u"Болезни органов дыхания"_s, u"2020 2030"_s, 3}}));
    const auto opened = IndicatorFormulaFiles(2025).readDefinition(101);
    QVERIFY(opened && *opened);
    IndicatorRequest base;
    base.year = 2025;
    base.seriesFrom = 2025;
    base.seriesTo = 2025;
    QList<std::pair<qint32, IndicatorRequest>> runs;
    test::ScriptedPrompter prompter;
    IndicatorParametersWindow window(
        **opened, base,
        [&](const IndicatorDefinition &d, const IndicatorRequest &r) {
            runs.append({d.id, r});
        },
        prompter);
    auto *name = control<QLineEdit>(window, u"?QST:NAME:2"_s);
    auto *first = control<QSpinBox>(window, u"?YEAR1"_s);
    control<QCheckBox>(window, u"?DINRJD"_s)->setChecked(true);
    QCOMPARE(window.definition().id, 101);
    first->setValue(2023);
    Q_EMIT first->editingFinished();
    QCOMPARE(window.definition().id, 105);
    QCOMPARE(name->text(), u"Заболеваемость (до 2025 года)"_s);
    control<QSpinBox>(window, u"?YEAR2"_s)->setValue(2026);
    control<QPushButton>(window, u"?OK"_s)->click();
    QCOMPARE(runs.size(), 1);
    QCOMPARE(runs[0].first, 105);
    QVERIFY(runs[0].second.series);
    QCOMPARE(runs[0].second.seriesFrom, 2023);
    QCOMPARE(runs[0].second.seriesTo, 2026);
    QCOMPARE(window.definition().id, 101);
    QCOMPARE(name->text(), u"Заболеваемость"_s);
    QVERIFY(prompter.messages.isEmpty());
}

// The rows of the form's table in number order, then the listed rows of a kind-8 definition.
void TestIndicatorWindows::rowChoicesOfTheFormAndTheRowFile()
{
    test::IndicatorFixture fx;
    QVERIFY(fx.forms(2025, {{62, 0}}));
    QVERIFY(fx.formRows(2025, {{62, 1, 6, 2, 3, u"Строка 6"_s, u"2.0"_s, u"М"_s},
                               {62, 1, 5, 1, 2, u"Строка 5"_s, u"1.0"_s, {}},
                               {62, 2, 9, 1, 2, u"Другая таблица"_s, u"1.0"_s, {}}}));
    QVERIFY(fx.text(u"5.MDS"_s, {runtime::text::toCp1251(u"02500 02 A1   014  Листовая строка")}));
    IndicatorDefinition d;
    d.id = 5;
    d.form = 62;
    d.kind = 8;
    const auto rows = readIndicatorRowChoices(d, 1, 2025);
    QVERIFY(rows);
    QStringList got;
    for (const ChosenRow &r : *rows)
        got << u"%1|%2|%3|%4|%5"_s.arg(r.id)
                   .arg(r.codeText.trimmed(), r.name.trimmed(), r.pol.trimmed())
                   .arg(r.populationColumn);
    QCOMPARE(got, (QStringList{u"5|1.0|Строка 5||2"_s, u"6|2.0|Строка 6|М|3"_s,
                               u"2500|A1|Листовая строка||2"_s}));
    d.kind = 7;
    const auto listedOnly = readIndicatorRowChoices(d, 1, 2025);
    QVERIFY(listedOnly);
    QCOMPARE(listedOnly->size(), 1);
}

void TestIndicatorWindows::rowListTakesARow()
{
    const QList<ChosenRow> rows{{5, u"1.0"_s, u"Строка 5"_s, {}, 2},
                                {6, u"2.0"_s, u"Строка 6"_s, u"М"_s, 3}};
    test::ScriptedPrompter prompter;

    // An empty list beeps and gives no row; the run goes on.
    const IndicatorRowAnswer none = IndicatorRowWindow::chooseIndicatorRow({}, prompter);
    QVERIFY(!none.row && !none.closed);
    QCOMPARE(prompter.beeps, 1);

    // Enter on the second row takes it.
    test::answerModals({[](QWidget *w) {
        QCOMPARE(w->objectName(), u"P1$SCRV"_s);
        auto *window = qobject_cast<IndicatorRowWindow *>(w);
        QVERIFY(window && window->findChild<QTableView *>(u"?LIST2"_s));
        window->binding()->selectRow(1);
        shoot(*window, u"indicator-rows"_s);
        QTest::keyClick(window->view(), Qt::Key_Return);
    }});
    const auto chosen = IndicatorRowWindow::chooseIndicatorRow(rows, prompter).row;
    QVERIFY(chosen);
    QCOMPARE(chosen->id, 6);
    QCOMPARE(chosen->populationColumn, 3);

    // The marks: "Отметить все" only while the box is set; clearing it unmarks; "Ok" without a
    // row closes with the box set, and asks for a row without it.
    IndicatorRowWindow window(rows, prompter);
    auto *marks = control<QCheckBox>(window, u"?MARKSTR"_s);
    auto *all = control<QPushButton>(window, u"?MARKSTRALL"_s);
    QVERIFY(!all->isEnabled());
    marks->setChecked(true);
    all->click();
    QVERIFY(window.marked(0) && window.marked(1));
    marks->setChecked(false);
    QVERIFY(!window.marked(0) && !window.marked(1));
    // "Ok" does not take the highlighted row.
    QCOMPARE(window.binding()->currentRow(), 0);
    prompter.reset();
    control<QPushButton>(window, u"?OK2"_s)->click();
    QCOMPARE(prompter.texts(), QStringList{u"Укажите строку"_s});
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QCOMPARE(window.chosenRow(), -1);
    marks->setChecked(true);
    control<QPushButton>(window, u"?OK2"_s)->click();
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QCOMPARE(window.chosenRow(), -1);
}

// Closing the row list ends the run: nothing is computed and no result opens.
void TestIndicatorWindows::closingTheRowListEndsTheRun()
{
    test::IndicatorFixture fx;
    QVERIFY(fx.districts({1}));
    QVERIFY(fx.forms(2025, {{62, 0}}));
    QVERIFY(fx.formRows(2025, {{62, 1, 5, 1, 2, u"Строка 5"_s, u"1.0"_s, {}}}));
    QVERIFY(fx.reports(2025, 62, {{11, 1, 5, {{1, 10}}}}));
    QVERIFY(fx.cells({{62, 1, 0, 1, 1}}));
    test::ScriptedPrompter prompter;
    const auto pages = std::make_shared<runtime::report::PdfSink>(fx.path(u"print.pdf"_s));
    NoDesktop desktop;
    runtime::office::OfficeServer office(&desktop);
    shell::AppState state;
    data::DataContext data;
    IndicatorProcedure procedure(data, {state, prompter, &office, nullptr, pages});
    IndicatorDefinition d;
    d.id = 5;
    d.form = 62;
    d.columns = 1;
    IndicatorRequest r;
    r.year = 2025;
    r.period = {1, 12};
    r.layout = IndicatorLayout::ByDistrict;
    QStringList opened;
    const test::ModalHandler closeIt = [&](QWidget *w) {
        opened << w->objectName();
        QMetaObject::invokeMethod(w, "reject", Qt::QueuedConnection);
    };
    // Whatever opens after the row list is closed too, so that a wrong run ends.
    const auto watch = test::answerModals({closeIt, closeIt, closeIt});
    procedure.run(d, r, nullptr);
    test::disarm(watch);
    QCOMPARE(opened, QStringList{u"P1$SCRV"_s});
    QVERIFY(prompter.messages.isEmpty());
}

// The whole way on a small working directory: the list, the parameters, the row, the result
// with its chart, "только заполненные строки", Excel and print; then "за 2 года" by rows and a
// series; the report list's values are the same afterwards.
void TestIndicatorWindows::fromTheListToTheResults()
{
    test::IndicatorFixture fx;
    const int year = 2025;
    QVERIFY(fx.districts({1, 2, 101, 102, 201}));
    QVERIFY(fx.forms(year, {{62, 0}}));
    QVERIFY(fx.formRows(year, {{62, 1, 5, 1, 2, u"Строка 5"_s, u"1.0"_s, {}},
                               {62, 1, 6, 2, 3, u"Строка 6"_s, u"2.0"_s, u"м"_s}}));
    QVERIFY(fx.reports(year, 62,
                       {{11, 1, 5, {{1, 10}, {2, 4}}, 3},
                        {12, 2, 5, {{1, 6}, {2, 3}}, 4},
                        {7101, 101, 5, {{1, 8}, {2, 0}}, 3},
                        {11, 1, 6, {{1, 2}, {2, 1}}, 3}}));
    QVERIFY(writeDefinitions(fx, {{5, 62, u"Частота на 1000"_s, u"2020 2030"_s, 1}}));
    QVERIFY(fx.cells({{62, 1, 0, 1, 1},
                      {62, 1, 0, 2, 2},
                      // slot 3 := slot 1 / slot 2 (0 where slot 2 is 0)
                      {62, 1, 0, 1, 3, 1, 0},
                      {62, 1, 0, 2, 3, 2, 4}}));
    QVERIFY(
        fx.write(u"GrafaP.DAT"_s, data::FileId::grafa, 3, [](runtime::store::KeyedFile &f, int i) {
            data::GrafaRecord r(f.record());
            r.setCod(std::uint8_t(i + 1));
            r.setName(QStringList{u"Случаи"_s, u"Население"_s, u"Частота"_s}[i]);
            r.setNameL(QStringList{u"Сл."_s, u"Нас."_s, u"Част."_s}[i]);
            r.setFormat(i == 2 ? u"@n9.2"_s : u"@n9"_s);
            r.setL(10);
            return r.setCodForm(62).has_value() && r.setCodTabl(5).has_value();
        }));
    QVERIFY(tools::DemoTemplates::write(fx.path(u"XLS"_s)));
    QVERIFY(fx.reports(
        year, 999,
        {{901, 1, 1, {{1, 9999}}}, {902, 2, 1, {{1, 50000}}}, {903, 101, 1, {{1, 200000}}}}));

    test::ScriptedPrompter prompter;
    const auto pages = std::make_shared<runtime::report::PdfSink>(fx.path(u"print.pdf"_s));
    runtime::report::PdfSink &pdf = *pages;
    NoDesktop desktop;
    runtime::office::OfficeServer office(&desktop);
    shell::AppState state;
    shell::ui::Services services{state, prompter, &office, nullptr, pages, nullptr, [] {
                                     return QDateTime({2025, 6, 2}, {9, 30, 15});
                                 }};
    data::DataContext data;
    IndicatorProcedure procedure(data, services);

    IndicatorListContext given = context(year, 62);
    given.selection = {11, 12, 7101};
    given.districtFilter = 0;
    const IndicatorListContext before = given;

    NamedModals modals;
    QString workbook;
    QStringList rowsShown;
    const auto radio = [](QWidget *w, int i) {
        control<QRadioButton>(*w, u"?OPTION1:RADIO%1"_s.arg(i))->setChecked(true);
    };
    const auto press = [](QWidget *w, const QString &equate) {
        QMetaObject::invokeMethod(control<QPushButton>(*w, equate), &QPushButton::click,
                                  Qt::QueuedConnection);
    };
    // The row list: Enter on the first row.
    const auto firstRow = [](QWidget *w) {
        auto *rows = qobject_cast<IndicatorRowWindow *>(w);
        QVERIFY(rows);
        rows->binding()->selectRow(0);
        QTest::keyClick(rows->view(), Qt::Key_Return);
    };
    const auto close = [](QWidget *w) {
        QMetaObject::invokeMethod(w, "reject", Qt::QueuedConnection);
    };
    modals.pending = {
        {u"P1$SCRY"_s, // the list
         [&](QWidget *w) {
             QCOMPARE(w->windowTitle(), u"Список показателей"_s);
             press(w, u"?OK_1"_s);
         }},
        {u"P1$SCRY"_s, // the parameters: by district
         [&](QWidget *w) {
             QCOMPARE(w->windowTitle(), u"Параметры  показателя"_s);
             radio(w, 1);
             press(w, u"?OK"_s);
         }},
        {u"P1$SCRV"_s, firstRow},
        {u"P1$SCRL"_s,
         [&](QWidget *w) {
             close(w); // queued: runs after the checks, whatever they find
             auto *result = qobject_cast<IndicatorResultWindow *>(w);
             QVERIFY(result);
             QCOMPARE(w->windowTitle(), u"Частота на 1000:Строка 5"_s);
             QCOMPARE(control<QLineEdit>(*w, u"?LOCNAME"_s)->text(), given.title);
             QCOMPARE(control<QLineEdit>(*w, u"?GLOBYEAR"_s)->text(), u"2025"_s);
             QVERIFY(control<QPushButton>(*w, u"?RANG1"_s)->isEnabled());
             for (const IndicatorDisplayRow &r : result->rows())
                 rowsShown << u"%1|%2|%3|%4|%5"_s.arg(r.codeText, r.name.trimmed(),
                                                      r.cells[0].trimmed(), r.cells[1].trimmed(),
                                                      r.cells[2].trimmed());
             // The chart of the first row.
             control<QCheckBox>(*w, u"?GRAFIK"_s)->setChecked(true);
             result->clickCell(0, 4);
             QCOMPARE(result->chosenColumn(), 4);
             QVERIFY(!result->chart()->items().isEmpty());
             QVERIFY(result->chart()->isVisible());
             shoot(*w, u"indicator-result-chart"_s);
             // Excel, then print.
             control<QPushButton>(*w, u"?EXCEL"_s)->click();
             control<QPushButton>(*w, u"?PRNT1"_s)->click();
             // Only the filled rows.
             const qsizetype all = result->rows().size();
             auto *filled = control<QCheckBox>(*w, u"?CHECK2"_s);
             filled->setChecked(true);
             QVERIFY(!filled->isEnabled());
             QVERIFY(result->rows().size() < all);
         }},
        {u"P1$SCRY"_s, // by district with population groups
         [&](QWidget *w) {
             radio(w, 1);
             control<QCheckBox>(*w, u"?GRUPNAS"_s)->setChecked(true);
             press(w, u"?OK"_s);
         }},
        {u"P1$SCRV"_s, firstRow},
        {u"P1$SCRL"_s,
         [&](QWidget *w) {
             close(w); // queued: runs after the checks, whatever they find
             auto *result = qobject_cast<IndicatorResultWindow *>(w);
             // One column more for the population.
             QCOMPARE(result->cells(), 4);
             QStringList names;
             for (const IndicatorDisplayRow &r : result->rows())
                 names << r.name.trimmed() + u'|' + r.cells[3].trimmed();
             QVERIFY2(names.contains(u"район 2|50000"_s), qPrintable(names.join(u", "_s)));
             shoot(*w, u"indicator-result-groups"_s);
         }},
        {u"P1$SCRY"_s, // the parameters again: by rows, "за 2 года"
         [&](QWidget *w) {
             radio(w, 2);
             control<QCheckBox>(*w, u"?TWO"_s)->setChecked(true);
             press(w, u"?OK"_s);
         }},
        {u"P1$SCRL"_s,
         [&](QWidget *w) {
             close(w); // queued: runs after the checks, whatever they find
             auto *result = qobject_cast<IndicatorResultWindow *>(w);
             QCOMPARE(result->cells(), 6);
             QStringList got;
             for (const IndicatorDisplayRow &r : result->rows())
                 got << r.name.trimmed() + u'|' + r.cells[0].trimmed() + u'|' +
                            r.cells[1].trimmed();
             // The year before has no reports: its cells are blank.
             QCOMPARE(got, (QStringList{u"Строка 5||24"_s, u"Строка 6(м)||2"_s}));
             shoot(*w, u"indicator-result-two-years"_s);
         }},
        {u"P1$SCRY"_s, // a series by rows
         [&](QWidget *w) {
             control<QCheckBox>(*w, u"?DINRJD"_s)->setChecked(true);
             control<QSpinBox>(*w, u"?YEAR1"_s)->setValue(2024);
             control<QSpinBox>(*w, u"?YEAR2"_s)->setValue(2025);
             press(w, u"?OK"_s);
         }},
        {u"P1$SCRL"_s,
         [&](QWidget *w) {
             close(w); // queued: runs after the checks, whatever they find
             auto *result = qobject_cast<IndicatorResultWindow *>(w);
             QCOMPARE(result->cells(), 2);
             QCOMPARE(result->rows().value(0).cells[1].trimmed(), u"24"_s);
         }},
        {u"P1$SCRY"_s, [&](QWidget *w) { close(w); }}, // the parameters
        {u"P1$SCRY"_s, [&](QWidget *w) { close(w); }}, // the list
    };
    modals.start();
    IndicatorListWindow::chooseIndicator(
        given,
        [&](const IndicatorDefinition &d, const IndicatorRequest &r) { procedure.open(d, r); },
        prompter);
    QVERIFY2(modals.pending.isEmpty(), qPrintable(modals.seen.join(u", "_s)));

    // By district: the districts, "ВСЕГО " and "По районам"; slot 3 = slot 1 / slot 2.
    QCOMPARE(rowsShown, (QStringList{u"1|район 1|10|4|2,50"_s, u"2|район 2|6|3|2,00"_s,
                                     u"3|район 101|8||"_s, u"4|район 102|||"_s, u"5|район 201|||"_s,
                                     u"|ВСЕГО|24|7|3,43"_s, u"|По районам|16|7|2,29"_s}));

    // The report list's values are the same as before.
    QCOMPARE(given.title, before.title);
    QCOMPARE(given.selection, before.selection);
    QCOMPARE(given.districtFilter, before.districtFilter);

    // The workbook, read back.
    QCOMPARE(prompter.texts().count(shell::ExcelLauncher::doneText()), 1);

    // The print.
    if (const QString dir = qEnvironmentVariable("ZEMOR_SCREENSHOTS"); !dir.isEmpty())
        QFile::copy(pdf.path(), QDir(dir).filePath(u"indicator-print.pdf"_s));
    if (const auto text = test::pdfText(pdf.path(), {u"-layout"_s})) {
        QVERIFY2(text->contains(u"N стр"_s) && text->contains(u"Районы"_s), qPrintable(*text));
        QVERIFY(text->contains(u"Частота на 1000. Строка 5"_s));
        QVERIFY2(text->contains(QRegularExpression(u"02\\.06\\.25 +09:30:15"_s)),
                 qPrintable(*text));
        // Blank cells print as a hyphen; layout 1 has no line of column numbers.
        QVERIFY(text->contains(QRegularExpression(u"район 201 +- +- +-"_s)));
    }
}

// A damaged cell file is named with its reason; no window opens and nothing is written.
void TestIndicatorWindows::damagedFormulaFileShowsNoResult()
{
    test::IndicatorFixture fx;
    QFile f(fx.path(u"POKAS.DAT"_s));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, '\x33'));
    f.close();
    const QDateTime written = QFileInfo(fx.path(u"POKAS.DAT"_s)).lastModified();
    test::ScriptedPrompter prompter;
    const auto pages = std::make_shared<runtime::report::PdfSink>(fx.path(u"print.pdf"_s));
    runtime::report::PdfSink &pdf = *pages;
    NoDesktop desktop;
    runtime::office::OfficeServer office(&desktop);
    shell::AppState state;
    data::DataContext data;
    IndicatorProcedure procedure(data, {state, prompter, &office, nullptr, pages});
    IndicatorDefinition d;
    d.id = 5;
    d.form = 62;
    d.columns = 3;
    IndicatorRequest r;
    r.year = 2025;
    r.period = {1, 12};
    procedure.run(d, r, nullptr);
    QCOMPARE(prompter.messages.size(), 1);
    QVERIFY2(prompter.messages[0].text.startsWith(u"POKAS: "_s),
             qPrintable(prompter.messages[0].text));
    QCOMPARE(QFileInfo(fx.path(u"POKAS.DAT"_s)).lastModified(), written);
    QVERIFY(!QFile::exists(pdf.path()));
}

// Every value column is wide enough for its whole cell as it is drawn: the cells are
// right-justified to their picture and drawn from the left, leading blanks included, so a
// column sized to the digits alone cut 17523 to 1752.
void TestIndicatorWindows::valueColumnsShowTheWholeValue_data()
{
    QTest::addColumn<bool>("series");
    QTest::addColumn<bool>("twoYears");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QStringList>("cells");
    QTest::newRow("series over two years")
        << true << false << 2 << QStringList{u"     17523"_s, u"    175230"_s};
    QTest::newRow("one year, narrow columns")
        << false << false << 3 << QStringList{u"       17523"_s, u"     17523,45"_s, u"   1"_s};
    QTest::newRow("for two years")
        << false << true << 1 << QStringList{u"     17523"_s, u"  99999999"_s};
}

void TestIndicatorWindows::valueColumnsShowTheWholeValue()
{
    QFETCH(bool, series);
    QFETCH(bool, twoYears);
    QFETCH(int, columns);
    QFETCH(QStringList, cells);
    test::IndicatorFixture fx;
    IndicatorRun run;
    run.layout = IndicatorLayout::ByDistrict;
    run.series = series;
    run.twoYears = twoYears;
    run.columns = columns;
    run.definition.columns = columns;
    IndicatorOutputInput input;
    input.run = &run;
    input.year = 2026;
    if (series)
        input.seriesYears = {2025, 2026};
    for (int k = 1; k <= columns; ++k) {
        IndicatorColumn c;
        c.number = k;
        c.heading = u"Графа %1"_s.arg(k);
        c.shortHeading = u"гр%1"_s.arg(k);
        c.width = 2;
        c.picture = u"@n_10"_s;
        input.columns.append(c);
    }
    IndicatorDisplay display;
    display.columns = columns;
    IndicatorDisplayRow row;
    row.codeText = u"1"_s;
    row.name = u"Берёзовский"_s;
    for (int i = 0; i < cells.size(); ++i)
        row.cells[size_t(i)] = cells[i];
    display.rows = {row};

    test::ScriptedPrompter prompter;
    const auto pages = std::make_shared<runtime::report::PdfSink>(fx.path(u"print.pdf"_s));
    NoDesktop desktop;
    runtime::office::OfficeServer office(&desktop);
    shell::AppState state;
    const shell::ui::Services services{state, prompter, &office, nullptr, pages, &desktop};
    IndicatorResultWindow window(input, display, std::nullopt, services);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    shoot(window, u"indicator-whole-values-"_s +
                      QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-'));
    auto *view = control<QTableView>(window, u"?BROWSE:1"_s);
    const QFontMetrics metrics(view->font());
    QCOMPARE(window.cells(), int(cells.size()));
    for (int i = 0; i < cells.size(); ++i) {
        QString drawn = cells[i];
        while (drawn.endsWith(u' '))
            drawn.chop(1);
        // The cell's own margins of two pixels each side.
        const int needed = metrics.horizontalAdvance(drawn) + 4;
        QVERIFY2(view->columnWidth(2 + i) >= needed,
                 qPrintable(u"column %1: %2 < %3 for \"%4\""_s.arg(i + 1)
                                .arg(view->columnWidth(2 + i))
                                .arg(needed)
                                .arg(cells[i])));
    }
}

QTEST_MAIN(TestIndicatorWindows)
#include "test_indicatorwindows.moc"
