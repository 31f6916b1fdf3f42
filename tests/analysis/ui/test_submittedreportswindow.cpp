// The window of the list of submitting institutions on the demo, driven by its controls: the
// start (year held, newest period, an empty file), a new range and a new form, printing to PDF,
// the workbook, and a report opened in report entry and deleted there.

#include "analysis/ui/SubmittedReportsWindow.h"
#include "app/ProcedureTable.h"
#include "data/DataContext.h"
#include "runtime/ini/IniFile.h"
#include "runtime/office/OfficeServer.h"
#include "runtime/report/PageSink.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/QueueModel.h"
#include "shell/AppState.h"
#include "shell/ExcelLauncher.h"
#include "shell/ui/MainFrame.h"
#include "support/ModalScript.h"
#include "support/ScriptedChoices.h"
#include "support/ScriptedPrompter.h"
#include "tests/analysis/CrossSectionFixture.h"
#include "tests/analysis/ui/WindowTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace zemor;
using analysis::SubmittedReportLine;
using analysis::SubmittedReports;
using analysis::ui::SubmittedReportsWindow;
using runtime::ui::findControl;

namespace {

int lineOf(const QList<SubmittedReportLine> &lines, qint32 institution, qint32 period)
{
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].institution == institution && lines[i].period == period)
            return i;
    return -1;
}

} // namespace

class TestSubmittedReportsWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    test::NoDesktop m_desktop;

    struct Run : test::WindowRun
    {
        Run(test::NoDesktop *desktop, const QString &pdfPath)
            : WindowRun(desktop, pdfPath, test::demoYear)
        {
        }
    };

private Q_SLOTS:
    void initTestCase()
    {
        const QString failed = test::buildCrossSectionDemo(m_dir);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
    }

    void startHoldsTheYearAndOpensOnTheNewestPeriod()
    {
        Run run(&m_desktop, m_dir.filePath(u"start.pdf"_s));
        run.state.globYear = test::demoYear + 5;
        run.choices->form = {7, u"Оперативные сведения"_s, u"7-мес"_s, 1};
        QPointer<QWidget> window = SubmittedReportsWindow::run(run.context, run.services(), true);
        QVERIFY(window);
        auto *list = qobject_cast<SubmittedReportsWindow *>(window.data());
        QCOMPARE(run.state.globYear, test::demoYear);
        QCOMPARE(run.prompter.texts(),
                 QStringList{SubmittedReports::yearBoundsText(test::demoYear, test::demoYear)});
        QVERIFY(!window->isModal());
        QCOMPARE(findControl<QSpinBox>(window, u"?MES1")->value(), 12);
        QCOMPARE(findControl<QSpinBox>(window, u"?MES2")->value(), 12);
        QVERIFY(!list->lines().isEmpty());
        for (const SubmittedReportLine &line : list->lines())
            QCOMPARE(line.period, 12);
        QCOMPARE(findControl<QLabel>(window, u"?STRING3")->text(),
                 SubmittedReports::countText(list->lines().size()));
        QCOMPARE(list->binding()->model()->rowCount(), list->lines().size());
        QCOMPARE(list->binding()->currentRow(), 0);
        window->close();
        QTRY_VERIFY(!window);
    }

    void emptyFileStillOpens()
    {
        Run run(&m_desktop, m_dir.filePath(u"empty.pdf"_s));
        run.choices->form = {8, u"Без отчетов"_s, u"8"_s, 1};
        QPointer<QWidget> window = SubmittedReportsWindow::run(run.context, run.services(), true);
        QVERIFY(window);
        QCOMPARE(run.prompter.texts(), QStringList{SubmittedReports::noReportsText()});
        QCOMPARE(findControl<QSpinBox>(window, u"?MES1")->value(), 1);
        QCOMPARE(findControl<QLabel>(window, u"?STRING3")->text(), u"Всего отчетов: 0"_s);
        // Nothing to print.
        test::clickControl(window, u"?PRNT1");
        QCOMPARE(run.prompter.texts().last(), SubmittedReports::nothingToPrintText());
        QVERIFY(!QFile::exists(run.pdf));
        delete window;
    }

    // On the frame: the menu item is there, and the toolbar opens the list as a window of its
    // own, with the shell's form pick list.
    void toolbarOpensAWindowOfItsOwn()
    {
        runtime::ini::IniFile ini(QDir(runtime::fs::workDir()).filePath(u"zemor.INI"_s));
        test::ScriptedPrompter prompter;
        data::DataContext data(&prompter);
        shell::AppState state;
        runtime::office::OfficeServer office(&m_desktop);
        auto *frame = new shell::ui::MainFrame(state, data, prompter, ini,
                                               app::procedureTable({state, prompter, &office}));
        QPointer<QWidget> frameAlive = frame;
        frame->setAttribute(Qt::WA_DeleteOnClose);
        frame->initialize(test::demoYear);
        frame->show();
        state.globYear = test::demoYear;
        QAction *menu = frame->menuAction(u"Список Отчетов"_s);
        QVERIFY(menu && menu->isEnabled());
        auto *toolbar = findControl<QPushButton>(frame, u"?BUTTON4");
        QVERIFY(toolbar && toolbar->isEnabled());

        test::answerModals({test::pickCode(7)});
        QTest::mouseClick(toolbar, Qt::LeftButton);
        QTRY_COMPARE(frame->procedureWindows().size(), 1);
        auto *list = qobject_cast<SubmittedReportsWindow *>(frame->procedureWindows().first());
        QVERIFY(list);
        QVERIFY(!list->isModal());
        QCOMPARE(list->form(), 7);
        QVERIFY(!list->lines().isEmpty());
        QPointer<QWidget> listAlive = list;
        frame->close();
        QTRY_VERIFY(!frameAlive);
        QVERIFY(!listAlive);
    }

    void noFormChosenEndsTheProcedure()
    {
        Run run(&m_desktop, m_dir.filePath(u"none.pdf"_s));
        QVERIFY(!SubmittedReportsWindow::run(run.context, run.services(), true));
        QCOMPARE(run.choices->asked, QStringList{u"form"_s});
    }

    void rangeFormPrintExcelAndEntry()
    {
        Run run(&m_desktop, m_dir.filePath(u"list.pdf"_s));
        run.choices->form = {7, u"Оперативные сведения"_s, u"7-мес"_s, 1};
        QPointer<QWidget> window = SubmittedReportsWindow::run(run.context, run.services(), true);
        QVERIFY(window);
        auto *list = qobject_cast<SubmittedReportsWindow *>(window.data());
        window->resize(1100, 600);

        // March: the pseudo-institutions added to the demo, with their names.
        findControl<QSpinBox>(window, u"?MES1")->setValue(3);
        findControl<QSpinBox>(window, u"?MES2")->setValue(3);
        test::clickControl(window, u"?OK");
        const int city = lineOf(list->lines(), 21101, 3);
        QVERIFY(city >= 0);
        QCOMPARE(list->lines()[city].kindName, u"город"_s);
        QCOMPARE(list->lines()[city].name, QString());
        const int region = lineOf(list->lines(), 20000, 3);
        QVERIFY(region >= 0);
        QCOMPARE(list->lines()[region].regionName, u"Таргинская"_s);
        QCOMPARE(list->lines()[region].kindName, u"область"_s);
        QCOMPARE(list->binding()->cellText(region, 1).trimmed(), u"Таргинская"_s);
        QCOMPARE(findControl<QLabel>(window, u"?STRING3")->text(),
                 SubmittedReports::countText(list->lines().size()));
        test::grabWindow(window, u"submitted-list"_s);

        // Printing goes to the sink; the workbook gets every line.
        test::clickControl(window, u"?PRNT1");
        QVERIFY(QFileInfo(run.pdf).size() > 0);
        test::keepFile(run.pdf, u"submitted-print.pdf"_s);
        run.prompter.reset();
        test::clickControl(window, u"?EXCEL");
        QCOMPARE(run.prompter.texts(), QStringList{shell::ExcelLauncher::doneText()});

        // Months 6..7 of one institution give two lines in order.
        findControl<QSpinBox>(window, u"?MES1")->setValue(6);
        findControl<QSpinBox>(window, u"?MES2")->setValue(7);
        test::clickControl(window, u"?OK");
        const SubmittedReportLine first = list->lines().first();
        QCOMPARE(first.period, 6);
        QCOMPARE(lineOf(list->lines(), first.institution, 7), 1);

        // A report opened in entry and deleted there: its line goes, the others stay.
        const int before = list->lines().size();
        const int row = 1;
        const SubmittedReportLine opened = list->lines()[row];
        bool entryOpened = false;
        test::answerModals({[&](QWidget *entry) {
            entryOpened = entry != window.data();
            run.prompter.answers = {2};
            test::clickControl(entry, u"?DEL1");
        }});
        list->binding()->activateRow(row);
        QVERIFY2(entryOpened, qPrintable(run.prompter.texts().join(u"|")));
        QCOMPARE(list->lines().size(), before - 1);
        QCOMPARE(lineOf(list->lines(), opened.institution, opened.period), -1);
        QCOMPARE(findControl<QLabel>(window, u"?STRING3")->text(),
                 SubmittedReports::countText(before - 1));

        // An annual form hides the range and lists period 0 after "OK".
        run.choices->form = {12, u"Годовой"_s, u"12"_s, 0};
        test::clickControl(window, u"?NEWFORM");
        QVERIFY(findControl<QSpinBox>(window, u"?MES1")->isHidden());
        QCOMPARE(list->form(), 12);
        test::clickControl(window, u"?OK");
        QVERIFY(!list->lines().isEmpty());
        for (const SubmittedReportLine &line : list->lines())
            QCOMPARE(line.period, 0);

        // No form chosen closes the window.
        run.choices->form = {};
        test::clickControl(window, u"?NEWFORM");
        QTRY_VERIFY(!window);
    }
};

QTEST_MAIN(TestSubmittedReportsWindow)
#include "test_submittedreportswindow.moc"
