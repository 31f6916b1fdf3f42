// The period fields of the report list, the summary and the completeness windows on the demo:
// "the latest period" kept across forms of another periodicity; a daily form listed, summed and
// counted for a range of days typed as dates; the printed completeness page; and the message
// boxes of these windows, and of the cross-section and indicator windows the report list opens,
// shown over the window that asks, not over the report list or the frame.

#include "analysis/common/ui/RankTableWindow.h"
#include "analysis/crosssections/CrossSectionMarks.h"
#include "analysis/crosssections/ui/CrossSectionWindow.h"
#include "analysis/indicators/IndicatorComputation.h"
#include "analysis/indicators/IndicatorFormulaFiles.h"
#include "analysis/indicators/IndicatorOutput.h"
#include "analysis/indicators/ui/IndicatorListWindow.h"
#include "analysis/indicators/ui/IndicatorParametersWindow.h"
#include "analysis/indicators/ui/IndicatorProcedure.h"
#include "analysis/indicators/ui/IndicatorResultWindow.h"
#include "analysis/indicators/ui/IndicatorRowWindow.h"
#include "analysis/ui/CompletenessWindow.h"
#include "analysis/ui/ReportListWindow.h"
#include "analysis/ui/SummaryWindow.h"
#include "entry/ui/ControlFailureWindow.h"
#include "runtime/fs/Paths.h"
#include "runtime/report/PageList.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/WidgetPrompter.h"
#include "shell/ExcelLauncher.h"
#include "shell/ui/HelpWindow.h"
#include "support/DemoWorkDir.h"
#include "tests/analysis/ui/WindowTestSupport.h"
#include "tools/DemoSummaries.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QSpinBox>
#include <QTest>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;
using namespace zemor;
using analysis::ChosenRow;
using analysis::CompletenessMode;
using analysis::CompletenessTable;
using analysis::IndicatorDefinition;
using analysis::IndicatorFormulaFiles;
using analysis::IndicatorLayout;
using analysis::IndicatorOutput;
using analysis::IndicatorRequest;
using analysis::RankLine;
using analysis::RankTableSource;
using analysis::ui::CompletenessWindow;
using analysis::ui::CrossSectionWindow;
using analysis::ui::IndicatorListWindow;
using analysis::ui::IndicatorParametersWindow;
using analysis::ui::IndicatorProcedure;
using analysis::ui::IndicatorResultWindow;
using analysis::ui::IndicatorRowWindow;
using analysis::ui::RankTableWindow;
using analysis::ui::ReportListWindow;
using analysis::ui::SummaryWindow;
using runtime::ui::findControl;
using test::WindowWatch;
using tools::DemoSummaries;

namespace {

// Types `text` over what the box shows, as a user would.
void typeInto(QSpinBox *box, const QString &text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
}

// The count of `form` in the total row, -1 when the form has no column.
int totalOf(const CompletenessTable &table, qint64 form)
{
    for (int c = 0; c < table.columns.size(); ++c)
        if (table.columns[c].code == form)
            return table.rows.first().counts[size_t(c)];
    return -1;
}

// What a case of the message boxes works with: the program's own boxes over a frame, and the
// report list open over it.
struct Boxes
{
    test::WindowRun &run;
    shell::ui::Services services;
    ReportListWindow *list = nullptr;
};

// The class of a window, by which a box's owner is told (the window may be gone when it is
// checked).
QString classOf(const QWidget *window)
{
    return window ? QString::fromLatin1(window->metaObject()->className()) : QString();
}

// Opens a window, has it ask, and answers the class of the window that asked (empty when none
// came up).
using Asking = std::function<QString(Boxes &)>;

// Runs `open`; the first window of type T shown meanwhile gets `act` and is closed. Answers the
// window's class.
template <class T>
QString whenShown(const std::function<void()> &open, const std::function<void(QWidget *)> &act)
{
    QString shown;
    WindowWatch watch([](QWidget *w) { return qobject_cast<T *>(w) != nullptr; },
                      [&](QWidget *w) {
                          if (!shown.isEmpty())
                              return;
                          shown = classOf(w);
                          act(w);
                          w->close();
                      });
    open();
    return shown;
}

// The file of that name in the working directory unreadable while this lives.
class DamagedFile
{
public:
    explicit DamagedFile(const QString &name)
        : m_path(runtime::fs::resolve(name).value_or(QString())), m_kept(m_path + u".kept"_s)
    {
        QFile::rename(m_path, m_kept);
        QFile damaged(m_path);
        if (damaged.open(QIODevice::WriteOnly))
            damaged.write(QByteArray(4096, '\x5a'));
    }
    ~DamagedFile()
    {
        QFile::remove(m_path);
        QFile::rename(m_kept, m_path);
    }
    DamagedFile(const DamagedFile &) = delete;
    DamagedFile &operator=(const DamagedFile &) = delete;

private:
    QString m_path;
    QString m_kept;
};

} // namespace

Q_DECLARE_METATYPE(Asking)

class TestSummaryPeriods : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    test::NoDesktop m_desktop;

    struct Run : test::WindowRun
    {
        Run(test::NoDesktop *desktop, const QString &pdfPath)
            : WindowRun(desktop, pdfPath, DemoSummaries::year)
        {
            choices->form = {DemoSummaries::monthlyForm, u"Свод по видам граф"_s, u"51"_s, 1};
        }
    };

private Q_SLOTS:
    void initTestCase()
    {
        const QString failed = test::buildDemoWorkDir(m_dir);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
    }

    // Months 4..6 of form 51, an annual form, then form 51 again: the boxes show the latest
    // period stored (December: 101 and 102) as soon as the form is chosen, and "OK" lists it; a
    // "from" typed then keeps December as "to" (101, 102 and 21006 in May and June, 101 and
    // 102 in July to December). A range the user types is kept across a form of the same
    // periodicity.
    void latestPeriodAfterAnAnnualForm_data()
    {
        QTest::addColumn<int>("typedFrom"); // 0: nothing typed
        QTest::addColumn<int>("listedFrom");
        QTest::addColumn<int>("entries");
        QTest::newRow("as shown") << 0 << 12 << 2;
        QTest::newRow("from typed") << 5 << 5 << 18;
    }
    void latestPeriodAfterAnAnnualForm()
    {
        QFETCH(int, typedFrom);
        QFETCH(int, listedFrom);
        QFETCH(int, entries);
        Run run(&m_desktop, m_dir.filePath(u"latest.pdf"_s));
        std::unique_ptr<ReportListWindow> list(qobject_cast<ReportListWindow *>(
            ReportListWindow::run(run.context, run.services(), true)));
        QVERIFY(list);
        auto *from = findControl<QSpinBox>(list.get(), u"?MES1");
        auto *to = findControl<QSpinBox>(list.get(), u"?MES2");
        from->setValue(4);
        to->setValue(6);
        test::clickControl(list.get(), u"?OK");
        // 101 and 102 for three months, 21006 for three.
        QCOMPARE(list->list().entries().size(), 9);

        run.choices->form = {12, u"Годовая"_s, u"12"_s, 0};
        QVERIFY(list->chooseForm());
        test::clickControl(list.get(), u"?OK");
        QVERIFY(from->isHidden());

        run.choices->form = {DemoSummaries::monthlyForm, u"Свод по видам граф"_s, u"51"_s, 1};
        QVERIFY(list->chooseForm());
        QCOMPARE(from->value(), 12);
        QCOMPARE(to->value(), 12);
        QVERIFY(list->list().entries().isEmpty());
        if (typedFrom > 0)
            typeInto(from, QString::number(typedFrom));
        run.prompter.messages.clear();
        test::clickControl(list.get(), u"?OK");
        QCOMPARE(run.prompter.texts(), QStringList{});
        QCOMPARE(from->value(), listedFrom);
        QCOMPARE(to->value(), 12);
        QCOMPARE(list->list().entries().size(), entries);
        QCOMPARE(findControl<QLabel>(list.get(), u"?KOLLPU")->text(),
                 u"Всего отчетов: %1"_s.arg(entries));
        test::grabWindow(list.get(), u"report-list-latest"_s);

        // Typed, then another monthly form: the typed months stay.
        from->setValue(2);
        to->setValue(3);
        run.choices->form = {7, u"Сведения о деятельности"_s, u"7"_s, 1};
        QVERIFY(list->chooseForm());
        QCOMPARE(list->list().from(), 2);
        QCOMPARE(list->list().to(), 3);
        QCOMPARE(from->value(), 2);
        QCOMPARE(to->value(), 3);
    }

    // The daily form 52: its reports listed for a range of days typed as dates, the summary over
    // them with its range shown as dates, and the completeness count for the same days.
    void dailyFormByDays()
    {
        Run run(&m_desktop, m_dir.filePath(u"daily.pdf"_s));
        run.choices->form = {DemoSummaries::dailyForm, u"Ежедневная сводка"_s, u"52-д"_s, 5};
        std::unique_ptr<ReportListWindow> list(qobject_cast<ReportListWindow *>(
            ReportListWindow::run(run.context, run.services(), true)));
        QVERIFY(list);
        auto *from = findControl<QSpinBox>(list.get(), u"?MES1");
        auto *to = findControl<QSpinBox>(list.get(), u"?MES2");
        // The latest day of the week of reports, 9 March 2025.
        QCOMPARE(from->text(), u"09.03.25"_s);
        QCOMPARE(to->text(), u"09.03.25"_s);
        QCOMPARE(list->list().entries().size(), 2);

        typeInto(from, u"03.03.25"_s);
        typeInto(to, u"05.03.25"_s);
        QCOMPARE(from->value(), DemoSummaries::firstDay());
        QCOMPARE(to->value(), DemoSummaries::firstDay() + 2);
        test::clickControl(list.get(), u"?OK");
        QCOMPARE(list->list().entries().size(), 6);
        QCOMPARE(from->text(), u"03.03.25"_s);
        QCOMPARE(to->text(), u"05.03.25"_s);
        QCOMPARE(list->binding()->cellText(0, 2).trimmed(), u"03.03.25"_s);
        test::grabWindow(list.get(), u"report-list-daily"_s);

        test::clickControl(list.get(), u"?ALLES");
        bool shown = false;
        WindowWatch watch([](QWidget *w) { return qobject_cast<SummaryWindow *>(w) != nullptr; },
                          [&](QWidget *w) {
                              auto *summary = qobject_cast<SummaryWindow *>(w);
                              shown = true;
                              QCOMPARE(findControl<QSpinBox>(w, u"?MES1")->text(), u"03.03.25"_s);
                              QCOMPARE(findControl<QSpinBox>(w, u"?MES2")->text(), u"05.03.25"_s);
                              // Column 1 of row 1: 4, 5, 6 from 101 and 5, 6, 7 from 102.
                              const analysis::SummaryRow *row = summary->summary().row(1);
                              QVERIFY(row);
                              QCOMPARE(row->value(1), runtime::Decimal(33));
                              test::grabWindow(w, u"summary-daily"_s);
                              w->close();
                          });
        QVERIFY(list->summarize());
        QVERIFY(shown);

        // Completeness with "ежедневные отчеты": months 1..3 become 1 January to 31 March, and
        // the days typed count both institutions three times each.
        QPointer<QWidget> opened = CompletenessWindow::run(run.context, run.services(), true);
        std::unique_ptr<CompletenessWindow> window(
            qobject_cast<CompletenessWindow *>(opened.data()));
        QVERIFY(window);
        auto *first = findControl<QSpinBox>(window.get(), u"?MES");
        auto *last = findControl<QSpinBox>(window.get(), u"?MES_");
        last->setValue(3);
        findControl<QCheckBox>(window.get(), u"?TIP1_5")->setChecked(true);
        QCOMPARE(first->text(), u"01.01.25"_s);
        QCOMPARE(last->text(), u"31.03.25"_s);
        typeInto(first, u"03.03.25"_s);
        typeInto(last, u"05.03.25"_s);
        test::clickControl(window.get(), u"?OK1");
        QCOMPARE(totalOf(window->table(), DemoSummaries::dailyForm), 6);
        // No monthly form has a report numbered by a day.
        QCOMPARE(totalOf(window->table(), DemoSummaries::monthlyForm), -1);
        window->resize(1100, 500);
        test::grabWindow(window.get(), u"completeness-daily"_s);
        // Back to months: the days' months.
        findControl<QCheckBox>(window.get(), u"?TIP1_5")->setChecked(false);
        QCOMPARE(first->value(), 3);
        QCOMPARE(last->value(), 3);
    }

    // The printed completeness page: the heading with the time of the count, the form codes over
    // their designations, a blank for no reports, and a taller line for a long name.
    void completenessPage()
    {
        CompletenessTable table;
        table.columns = {{51, u"51-к"_s, 1}, {52, u"52-д"_s, 5}};
        const QString longName = u"Центральная районная больница имени Пирогова"_s;
        QVERIFY(longName.size() >= 30);
        table.rows = {{0, CompletenessTable::totalName(), {5, 2}, 0},
                      {1, u"Центральный"_s, {5, 0}, 1},
                      {101, longName, {0, 2}, 1}};
        const auto pages = CompletenessWindow::layOut(table, CompletenessMode::ByInstitution,
                                                      u"Заголовок"_s, u"11.12.26  07:30"_s);
        QCOMPARE(pages.pages.size(), 1);
        QStringList texts;
        double shortHeight = 0;
        double longHeight = 0;
        double codeTop = -1;
        double designationTop = -1;
        for (const auto &item : pages.pages.first().items) {
            texts.append(item.text);
            if (item.text == u"Центральный"_s)
                shortHeight = item.rect.height();
            if (item.text == longName)
                longHeight = item.rect.height();
            if (item.text == u"51"_s)
                codeTop = item.rect.top();
            if (item.text == u"51-к"_s)
                designationTop = item.rect.top();
        }
        for (const QString &t :
             {u"Заголовок"_s, u"11.12.26  07:30"_s, u"ЛПУ"_s, u"52"_s, u"52-д"_s, u"5"_s, u"2"_s})
            QVERIFY2(texts.contains(t), qPrintable(t));
        QVERIFY2(!texts.contains(u"0"_s), qPrintable(texts.join(u'|')));
        QVERIFY(codeTop >= 0 && designationTop > codeTop);
        QVERIFY(shortHeight > 0);
        QVERIFY2(longHeight > shortHeight, qPrintable(QString::number(longHeight)));
        QCOMPARE(CompletenessWindow::countedAtText(QDateTime(QDate(2026, 12, 11), QTime(7, 5, 59))),
                 u"11.12.26  07:05"_s);
        QCOMPARE(CompletenessWindow::printTitle(2025, 3, false),
                 u"Информация о количестве сданных отчетов за 3 месяц 2025 г."_s);
    }

    // With the program's message boxes, every box of the report list and of the windows it
    // opens is owned by the window that asks: the summary's "В данной таблице в графах ошибки "
    // after its "Контроль" comes up over the summary, the cross-section's and the indicator
    // windows' boxes over themselves, not behind them over the report list or the frame.
    void messageBoxesBelongToTheirWindow_data()
    {
        QTest::addColumn<Asking>("ask");
        QTest::addColumn<QStringList>("texts"); // how each box's text begins

        QTest::newRow("report list") << Asking([](Boxes &b) {
            b.list->selectByLevel(); // without a level
            return classOf(b.list);
        }) << QStringList{analysis::ReportList::noLevelText()};

        // The summary of district 5 to month 6 fails its column rule, on opening and again
        // after "Контроль" and its failure list. The first box comes up while the summary
        // window is being built, before it is shown.
        QTest::newRow("summary") << Asking([](Boxes &b) {
            analysis::SummaryRequest request;
            request.year = DemoSummaries::year;
            request.form = {DemoSummaries::monthlyForm, u"51"_s, u"Свод по видам граф"_s,
                            u"месяц"_s, 1};
            request.title = u"Район 5"_s;
            request.district = 5;
            request.from = 1;
            request.to = 6;
            WindowWatch failures(
                [](QWidget *w) {
                    return qobject_cast<entry::ui::ControlFailureWindow *>(w) != nullptr;
                },
                [](QWidget *w) { w->close(); });
            return whenShown<SummaryWindow>(
                [&] { QVERIFY(SummaryWindow::run(b.run.context, b.services, request, b.list)); },
                [](QWidget *w) { test::clickControl(w, u"?CONTRS"); });
        }) << QStringList(2, analysis::SummaryTable::controlsFailedText());

        QTest::newRow("completeness") << Asking([](Boxes &b) {
            std::unique_ptr<QWidget> window(
                CompletenessWindow::run(b.run.context, b.services, true));
            auto *completeness = qobject_cast<CompletenessWindow *>(window.get());
            if (!completeness)
                return QString();
            test::clickControl(completeness, u"?OK1");
            completeness->exportToExcel();
            return classOf(completeness);
        }) << QStringList{shell::ExcelLauncher::doneText()};

        // "Готово" without a mark.
        QTest::newRow("cross-section") << Asking([](Boxes &b) {
            return whenShown<CrossSectionWindow>([&] { QVERIFY(b.list->crossSection()); },
                                                 [](QWidget *w) { test::clickControl(w, u"?OK"); });
        }) << QStringList{analysis::CrossSectionMarks::noMarksText()};

        // A damaged tables file of the indicators, told while the list is being filled.
        QTest::newRow("indicator list") << Asking([](Boxes &b) {
            const DamagedFile damaged(u"TablP.dat"_s);
            return whenShown<IndicatorListWindow>([&] { QVERIFY(b.list->indicatorList()); },
                                                  [](QWidget *) {});
        }) << QStringList{u"TablP.dat: "_s};

        // "OK" runs an indicator that has no formula lines.
        QTest::newRow("indicator parameters") << Asking([](Boxes &b) {
            IndicatorDefinition definition;
            definition.id = 999;
            definition.form = DemoSummaries::monthlyForm;
            definition.columns = 1;
            IndicatorRequest request;
            request.year = DemoSummaries::year;
            request.period = {1, 12};
            IndicatorProcedure procedure(b.run.context, b.services, b.list);
            return whenShown<IndicatorParametersWindow>(
                [&] { procedure.open(definition, request); },
                [](QWidget *w) { test::clickControl(w, u"?OK"); });
        }) << QStringList{analysis::IndicatorComputation::notEnteredMessage()};

        // "Ok" without a row.
        QTest::newRow("indicator rows") << Asking([](Boxes &b) {
            const QList<ChosenRow> rows{{5, u"1.0"_s, u"Строка 5"_s, {}, 2}};
            return whenShown<IndicatorRowWindow>(
                [&] { IndicatorRowWindow::chooseIndicatorRow(rows, b.services.prompter, b.list); },
                [](QWidget *w) { test::clickControl(w, u"?OK2"); });
        }) << QStringList{IndicatorRowWindow::askRowText()};

        // "Ранг" before a column is chosen, on the result of the doctors per 10 000 inhabitants.
        QTest::newRow("indicator result") << Asking([](Boxes &b) {
            const auto listed = IndicatorFormulaFiles(DemoSummaries::year).readIndicatorList(62);
            if (!listed || listed->isEmpty())
                return QString();
            IndicatorRequest request;
            request.year = DemoSummaries::year;
            request.period = {0, 0};
            request.layout = IndicatorLayout::ByDistrict;
            IndicatorProcedure procedure(b.run.context, b.services, b.list);
            return whenShown<IndicatorResultWindow>(
                [&] { procedure.run(listed->first(), request, b.list); },
                [](QWidget *w) { test::clickControl(w, u"?RANG1"); });
        }) << QStringList{IndicatorOutput::chooseColumnText()};

        // The rank table's workbook, and the help window's click beside its sections.
        QTest::newRow("rank table") << Asking([](Boxes &b) {
            RankTableSource source;
            source.districtCodes = true;
            source.year = DemoSummaries::year;
            source.title = u"Охват осмотрами"_s;
            source.lines = {RankLine{u"a"_s, runtime::Decimal(10), 1, {}, {}},
                            RankLine{u"b"_s, runtime::Decimal(8), 2, {}, {}}};
            RankTableWindow window(b.services, source, b.list);
            window.show();
            test::clickControl(&window, u"?EXCEL");
            return classOf(&window);
        }) << QStringList{shell::ExcelLauncher::doneText()};
        QTest::newRow("help") << Asking([](Boxes &b) {
            shell::ui::HelpWindow window(b.services.prompter, 0, false, b.list);
            window.show();
            auto *list = findControl<QListWidget>(&window, u"?LIST1");
            if (!list || !QTest::qWaitForWindowExposed(&window))
                return QString();
            const QPoint below(4, list->viewport()->height() - 2);
            if (list->indexAt(below).isValid())
                return QString();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, below);
            return classOf(&window);
        }) << QStringList{shell::ui::HelpWindow::noSectionText()};
    }
    void messageBoxesBelongToTheirWindow()
    {
        QFETCH(Asking, ask);
        QFETCH(QStringList, texts);
        Run run(&m_desktop, m_dir.filePath(u"boxes.pdf"_s));
        QWidget frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        runtime::ui::WidgetPrompter boxes(&frame);
        Boxes b{run,
                {run.state, boxes, &run.office, run.choices,
                 std::make_shared<shell::ui::PreviewSink>(boxes, *run.printer)}};
        // The text of every box, and the window it is shown over.
        QStringList shown;
        QStringList owners;
        WindowWatch answer([](QWidget *w) { return qobject_cast<QMessageBox *>(w) != nullptr; },
                           [&](QWidget *w) {
                               auto *box = qobject_cast<QMessageBox *>(w);
                               shown.append(box->text());
                               owners.append(classOf(box->parentWidget()));
                               box->buttons().first()->click();
                           });
        std::unique_ptr<ReportListWindow> list(
            qobject_cast<ReportListWindow *>(ReportListWindow::run(run.context, b.services, true)));
        QVERIFY(list);
        b.list = list.get();
        QCOMPARE(shown, QStringList{});

        const QString asker = ask(b);
        QVERIFY(!asker.isEmpty());
        QCOMPARE(shown.size(), texts.size());
        for (qsizetype i = 0; i < texts.size(); ++i)
            QVERIFY2(shown[i].startsWith(runtime::ui::WidgetPrompter::boxText(texts[i])),
                     qPrintable(shown[i]));
        for (const QString &owner : std::as_const(owners))
            QCOMPARE(owner, asker);
    }
};

QTEST_MAIN(TestSummaryPeriods)
#include "test_summaryperiods.moc"
