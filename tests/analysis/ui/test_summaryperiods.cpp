// The period fields of the report list, the summary and the completeness windows on the demo:
// "the latest period" kept across forms of another periodicity; a daily form listed, summed and
// counted for a range of days typed as dates; the printed completeness page; and the message
// boxes of these windows shown over the window that asks, not over the frame.

#include "analysis/ui/CompletenessWindow.h"
#include "analysis/ui/ReportListWindow.h"
#include "analysis/ui/SummaryWindow.h"
#include "entry/ui/ControlFailureWindow.h"
#include "runtime/report/PageList.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/WidgetPrompter.h"
#include "shell/ExcelLauncher.h"
#include "support/DemoWorkDir.h"
#include "tests/analysis/ui/WindowTestSupport.h"
#include "tools/DemoSummaries.h"

#include <QCheckBox>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QSpinBox>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace zemor;
using analysis::CompletenessMode;
using analysis::CompletenessTable;
using analysis::ui::CompletenessWindow;
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

} // namespace

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

    // With the program's message boxes, every box of the report list, the summary and the
    // completeness window is owned by that window: the summary's "В данной таблице в графах
    // ошибки " after its "Контроль" comes up over the summary, not behind it over the frame.
    void messageBoxesBelongToTheirWindow()
    {
        Run run(&m_desktop, m_dir.filePath(u"boxes.pdf"_s));
        QWidget frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        runtime::ui::WidgetPrompter boxes(&frame);
        shell::ui::Services services{run.state, boxes, &run.office, run.choices,
                                     std::make_shared<shell::ui::PreviewSink>(boxes, *run.printer)};
        // The text of every box, and the window it is shown over.
        QStringList texts;
        QList<QWidget *> owners;
        WindowWatch answer([](QWidget *w) { return qobject_cast<QMessageBox *>(w) != nullptr; },
                           [&](QWidget *w) {
                               auto *box = qobject_cast<QMessageBox *>(w);
                               texts.append(box->text());
                               owners.append(box->parentWidget());
                               box->buttons().first()->click();
                           });

        // The report list: "Выбрать в списке" without a level.
        std::unique_ptr<ReportListWindow> list(
            qobject_cast<ReportListWindow *>(ReportListWindow::run(run.context, services, true)));
        QVERIFY(list);
        list->selectByLevel();
        QTRY_COMPARE(texts, QStringList{analysis::ReportList::noLevelText()});
        QCOMPARE(owners.last(), list.get());

        // The summary of district 5 to month 6 fails its column rule, on opening and again after
        // "Контроль" and its failure list.
        analysis::SummaryRequest request;
        request.year = DemoSummaries::year;
        request.form = {DemoSummaries::monthlyForm, u"51"_s, u"Свод по видам граф"_s, u"месяц"_s,
                        1};
        request.title = u"Район 5"_s;
        request.district = 5;
        request.from = 1;
        request.to = 6;
        texts.clear();
        owners.clear();
        QWidget *summaryWindow = nullptr;
        WindowWatch failures(
            [](QWidget *w) {
                return qobject_cast<entry::ui::ControlFailureWindow *>(w) != nullptr;
            },
            [](QWidget *w) { w->close(); });
        WindowWatch summary([](QWidget *w) { return qobject_cast<SummaryWindow *>(w) != nullptr; },
                            [&](QWidget *w) {
                                summaryWindow = w;
                                test::clickControl(w, u"?CONTRS");
                                w->close();
                            });
        QVERIFY(SummaryWindow::run(run.context, services, request, list.get()));
        QVERIFY(summaryWindow);
        QCOMPARE(texts.count(analysis::SummaryTable::controlsFailedText()), 2);
        // The first box comes up while the summary window is being built, before it is shown.
        for (QWidget *owner : owners)
            QCOMPARE(owner, summaryWindow);

        // Completeness: the workbook's "Выгрузка в Excel завершена".
        std::unique_ptr<CompletenessWindow> completeness(qobject_cast<CompletenessWindow *>(
            CompletenessWindow::run(run.context, services, true)));
        QVERIFY(completeness);
        test::clickControl(completeness.get(), u"?OK1");
        texts.clear();
        owners.clear();
        QVERIFY(completeness->exportToExcel());
        QCOMPARE(texts, QStringList{shell::ExcelLauncher::doneText()});
        QCOMPARE(owners.last(), completeness.get());
    }
};

QTEST_MAIN(TestSummaryPeriods)
#include "test_summaryperiods.moc"
