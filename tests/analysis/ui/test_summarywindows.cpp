// The report list, the summary and the completeness windows on the demo, driven by their
// controls: the list filled, filtered, sorted, searched and marked; the hand-over to the summary;
// the tables paged and chosen, filled rows only, the whole-summary check, the workbook and the
// summary file; a summary called off; the completeness count by district and by institution,
// its workbook and its print to PDF; and both procedures on the frame.

#include "analysis/SummaryOutput.h"
#include "analysis/indicators/ui/IndicatorListWindow.h"
#include "analysis/indicators/ui/IndicatorParametersWindow.h"
#include "analysis/indicators/ui/IndicatorResultWindow.h"
#include "analysis/indicators/ui/IndicatorRowWindow.h"
#include "analysis/ui/CompletenessWindow.h"
#include "analysis/ui/ReportListWindow.h"
#include "analysis/ui/SummaryWindow.h"
#include "app/ProcedureTable.h"
#include "data/DataContext.h"
#include "entry/ui/ControlFailureWindow.h"
#include "entry/ui/ReportTablePrintWindow.h"
#include "runtime/ini/IniFile.h"
#include "runtime/office/OfficeServer.h"
#include "runtime/report/PageSink.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/ListWindow.h"
#include "runtime/ui/ProgressWindow.h"
#include "runtime/ui/QueueModel.h"
#include "shell/AppState.h"
#include "shell/ExcelLauncher.h"
#include "shell/UserSettings.h"
#include "shell/ui/MainFrame.h"
#include "shell/ui/PreviewWindow.h"
#include "support/DemoWorkDir.h"
#include "support/ModalScript.h"
#include "support/ScriptedChoices.h"
#include "support/ScriptedPrompter.h"
#include "tests/analysis/ui/WindowTestSupport.h"
#include "tools/DemoSummaries.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QDate>
#include <QFileInfo>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;
using namespace zemor;
using analysis::ui::CompletenessWindow;
using analysis::ui::ReportListWindow;
using analysis::ui::SummaryWindow;
using runtime::ui::findControl;
using test::pdfText;
using test::WindowWatch;
using tools::DemoSummaries;

class TestSummaryWindows : public QObject
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

    static ReportListWindow *openList(Run &run)
    {
        QWidget *window = ReportListWindow::run(run.context, run.services(), true);
        return qobject_cast<ReportListWindow *>(window);
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QString failed = test::buildDemoWorkDir(m_dir);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
    }

    // The list opens on the newest period; a range, a district filter, a sort, both searches
    // and the marks, and a district that does not hold the marked reports.
    void listFiltersMarksAndSearches()
    {
        Run run(&m_desktop, m_dir.filePath(u"list.pdf"_s));
        std::unique_ptr<ReportListWindow> list(openList(run));
        QVERIFY(list);
        QCOMPARE(list->objectName(), u"P1$SCRL"_s);
        QVERIFY(list->windowTitle().startsWith(ReportListWindow::title()));
        QVERIFY(!list->isModal());
        QCOMPARE(findControl<QSpinBox>(list.get(), u"?MES1")->value(), 12);
        QCOMPARE(findControl<QSpinBox>(list.get(), u"?MES2")->value(), 12);
        QVERIFY(findControl<QPushButton>(list.get(), u"?POKAS")->isEnabled());
        QVERIFY(findControl<QPushButton>(list.get(), u"?RASRES1")->isEnabled());

        findControl<QSpinBox>(list.get(), u"?MES1")->setValue(1);
        findControl<QSpinBox>(list.get(), u"?MES2")->setValue(3);
        test::clickControl(list.get(), u"?OK");
        // 101 and 102 for three months, 501 for three, 21006 for three.
        QCOMPARE(list->list().entries().size(), 12);
        QCOMPARE(list->binding()->model()->rowCount(), 12);
        QCOMPARE(findControl<QLabel>(list.get(), u"?KOLLPU")->text(), u"Всего отчетов: 12"_s);

        // District 5 marks its three reports.
        auto *districts = findControl<QComboBox>(list.get(), u"?QSR:NAME");
        int five = -1;
        for (int i = 0; i < list->list().districtChoices().size(); ++i)
            if (list->list().districtChoices()[i].code == 5)
                five = i;
        QVERIFY(five >= 0);
        districts->setCurrentIndex(five);
        Q_EMIT districts->activated(five);
        QCOMPARE(list->list().markedCount(), 3);
        QCOMPARE(findControl<QLabel>(list.get(), u"?KOLOTM")->text(), u"Отмечено  : 3"_s);

        // "Показатели" on the marked reports: the indicator list of the list's year.
        QString shown;
        test::answerModals({[&](QWidget *w) {
            shown = w->windowTitle();
            w->close();
        }});
        QVERIFY(list->indicatorList());
        QCOMPARE(shown, zemor::analysis::ui::IndicatorListWindow::title());

        // A report of another district marked by hand: nothing is handed over.
        const int other = list->list().findByCode(101);
        QVERIFY(other >= 0);
        list->binding()->activateRow(other);
        QVERIFY(list->list().entries()[other].marked);
        QCOMPARE(list->binding()->cellText(other, 3).trimmed(), u"o"_s);
        QVERIFY(!list->summarize());
        QVERIFY2(run.prompter.lastText().startsWith(u"Отмечены ЛПУ невходящие в"_s),
                 qPrintable(run.prompter.lastText()));

        // Reset, then the searches.
        test::clickControl(list.get(), u"?SBROS");
        QCOMPARE(list->list().markedCount(), 0);
        findControl<QSpinBox>(list.get(), u"?POISKKODLPU")->setValue(501);
        test::clickControl(list.get(), u"?POISKKOD_LPU");
        QCOMPARE(list->list().entries()[list->binding()->currentRow()].institution, 501);
        // A sort by the code column, twice: descending the second time.
        list->sortByColumn(2);
        list->sortByColumn(2);
        QCOMPARE(list->list().entries().first().institution, 21006);
        QCOMPARE(list->binding()->model()->value(0, 1).toInt(), 21006);

        test::grabWindow(list.get(), u"report-list"_s);
    }

    // "С В О Д     F3" on the marked reports: the summary window with its tables, the table
    // choice, filled rows only, the check, the workbook and the summary file.
    void summaryFromTheList()
    {
        Run run(&m_desktop, m_dir.filePath(u"summary.pdf"_s));
        run.state.globTipUser = 1;
        run.state.globCodReg = 7;
        run.state.globKodUser = 7;
        const QString exchange = m_dir.filePath(u"exchange/"_s);
        QVERIFY(QDir().mkpath(exchange));
        std::unique_ptr<ReportListWindow> list(openList(run));
        QVERIFY(list);
        findControl<QSpinBox>(list.get(), u"?MES1")->setValue(4);
        findControl<QSpinBox>(list.get(), u"?MES2")->setValue(6);
        test::clickControl(list.get(), u"?OK");
        test::clickControl(list.get(), u"?ALLES");
        QCOMPARE(list->list().markedCount(), list->list().entries().size());
        test::grabWindow(list.get(), u"report-list-marked"_s);

        bool shown = false;
        WindowWatch watchSummary(
            [](QWidget *w) { return qobject_cast<SummaryWindow *>(w) != nullptr; },
            [&](QWidget *w) {
                auto *summary = qobject_cast<SummaryWindow *>(w);
                QVERIFY2(summary, qPrintable(w->windowTitle()));
                shown = true;
                QCOMPARE(summary->objectName(), u"P1$SCRL"_s);
                QCOMPARE(findControl<QSpinBox>(w, u"?MES1")->value(), 4);
                QCOMPARE(findControl<QSpinBox>(w, u"?MES2")->value(), 6);
                QVERIFY(!summary->summary().rows.isEmpty());
                QVERIFY(summary->binding()->model()->rowCount() > 0);
                QVERIFY(findControl<QPushButton>(w, u"?PRNT1")->isEnabled());
                QVERIFY(!findControl<QPushButton>(w, u"?UPTABL")->isEnabled());
                QVERIFY(findControl<QLineEdit>(w, u"?TEXT1")
                            ->text()
                            .startsWith(QString::number(DemoSummaries::table)));
                // The sum of column 4 (a plain sum) over the three months.
                const analysis::SummaryRow *row = summary->summary().row(1);
                QVERIFY(row);
                qint64 expected = 0;
                for (qint32 institution : {101, 102, 21006})
                    for (int month = 4; month <= 6; ++month)
                        expected += DemoSummaries::value(institution, month, 1, 4);
                QCOMPARE(row->value(4), runtime::Decimal::fromUnits(expected, 3));
                // The legend of the column kinds, each in the colour of its columns.
                const struct
                {
                    QStringView equate;
                    QString text;
                    QColor colour;
                } legend[] = {{u"?KIND1", u"на начало года"_s, QColor(0xD7, 0xFF, 0xFF)},
                              {u"?KIND2", u"на начало периода"_s, QColor(0xDB, 0xFF, 0xDB)},
                              {u"?KIND3", u"на конец периода"_s, QColor(0xF3, 0xD6, 0xEE)}};
                const runtime::ui::ListFormat &format = summary->binding()->format();
                for (const auto &[equate, text, colour] : legend) {
                    auto *label = findControl<QLabel>(w, equate);
                    QVERIFY2(label, qPrintable(equate.toString()));
                    QCOMPARE(label->text().trimmed(), text);
                    QCOMPARE(label->palette().color(QPalette::Window), colour);
                    // Form 51 has a column of every kind.
                    QVERIFY2(std::ranges::any_of(format.columns(),
                                                 [&](const runtime::ui::ListColumn &c) {
                                                     return c.colors.background == colour;
                                                 }),
                             qPrintable(text));
                }
                w->resize(1100, 500);
                test::grabWindow(w, u"summary"_s);

                // The table choice.
                {
                    WindowWatch watch(
                        [](QWidget *c) { return c->objectName() == u"P1$SCRL1"_s; },
                        [](QWidget *c) {
                            QCOMPARE(c->windowTitle(), SummaryWindow::tableChoiceTitle());
                            test::grabWindow(c, u"summary-tables"_s);
                            qobject_cast<runtime::ui::ListWindow *>(c)->binding()->activateRow(0);
                        });
                    QVERIFY(summary->chooseTable());
                    QCOMPARE(watch.count(), 1);
                }
                QCOMPARE(summary->tableIndex(), 0);

                // Filled rows only: no all-zero row, and no check meanwhile.
                findControl<QCheckBox>(w, u"?CHECK2")->setChecked(true);
                QVERIFY(!findControl<QPushButton>(w, u"?CONTRS")->isEnabled());
                for (const analysis::SummaryTableRow &r : summary->table().rows)
                    QVERIFY(!r.allZero());
                findControl<QCheckBox>(w, u"?CHECK2")->setChecked(false);
                QVERIFY(findControl<QPushButton>(w, u"?CONTRS")->isEnabled());

                // "Контроль": the failure list, or "Ошибок нет".
                {
                    WindowWatch watch(
                        [](QWidget *c) {
                            return qobject_cast<entry::ui::ControlFailureWindow *>(c) != nullptr;
                        },
                        [](QWidget *c) {
                            test::grabWindow(c, u"summary-control"_s);
                            c->close();
                        });
                    const int before = int(run.prompter.messages.size());
                    test::clickControl(w, u"?CONTRS");
                    QVERIFY(watch.count() == 1 ||
                            run.prompter.texts().mid(before).contains(
                                entry::ui::ControlFailureWindow::noFailuresText()));
                }

                // The workbook of the table.
                QVERIFY(summary->exportToExcel());
                QCOMPARE(run.prompter.lastText(), shell::ExcelLauncher::doneText());
                test::keepFile(run.office.shownDocuments().last(), u"summary-table.xlsx"_s);

                // "Печать": the print parameters, the preview, then the pages to the printer
                // (a PDF file here): every table of the summary with its values.
                {
                    WindowWatch parameters(
                        [](QWidget *c) {
                            return qobject_cast<entry::ui::PrintParametersWindow *>(c) != nullptr;
                        },
                        [](QWidget *c) { test::clickControl(c, u"?OK"); });
                    WindowWatch preview([](QWidget *c) { return c->objectName() == u"P1$VIEW1"_s; },
                                        [](QWidget *c) {
                                            test::grabWindow(c, u"summary-preview"_s);
                                            test::clickControl(c, u"?PRINTREPORT");
                                        });
                    QVERIFY(summary->print());
                    QCOMPARE(parameters.count(), 1);
                    QCOMPARE(preview.count(), 1);
                    QVERIFY(QFileInfo(run.pdf).size() > 0);
                    test::keepFile(run.pdf, u"summary-print.pdf"_s);
                    if (const auto text = test::pdfText(run.pdf, {u"-layout"_s})) {
                        QVERIFY2(text->contains(u"Свод по видам граф"_s), qPrintable(*text));
                        QVERIFY2(text->contains(u"Поступило"_s), qPrintable(*text));
                        QVERIFY2(text->contains(QString::number(expected / 1000)),
                                 qPrintable(*text));
                    }
                }

                // The summary file, through "Выгрузка отчетов ": the user's own folders, then
                // the fixed ones; the first is taken at once.
                {
                    const auto [s1, s2] = shell::userFolders(run.context);
                    const QStringList choices = SummaryWindow::pathChoices(s1, s2);
                    WindowWatch watch([](QWidget *c) { return c->objectName() == u"P1$SCRY"_s; },
                                      [&](QWidget *c) {
                                          QCOMPARE(c->windowTitle(), SummaryWindow::exportTitle());
                                          auto *path = findControl<QComboBox>(c, u"?PATH1:2");
                                          QStringList offered;
                                          for (int i = 0; i < path->count(); ++i)
                                              offered.append(path->itemText(i));
                                          QCOMPARE(offered, choices);
                                          QCOMPARE(path->currentText(), choices.first());
                                          path->setCurrentText(exchange);
                                          test::grabWindow(c, u"summary-export"_s);
                                          test::clickControl(c, u"?WMES");
                                      });
                    QVERIFY(summary->exportSummaryFile());
                    QCOMPARE(watch.count(), 1);
                }
                const QString file = analysis::SummaryOutput::summaryFilePath(
                    exchange, 7, DemoSummaries::monthlyForm);
                QVERIFY2(QFile::exists(file), qPrintable(file));
                QVERIFY2(run.prompter.lastText().startsWith(u"Число записей:"_s),
                         qPrintable(run.prompter.lastText()));
                w->close();
            });
        QVERIFY(list->summarize());
        QVERIFY(shown);
    }

    // The demo's form 51 has a column rule: beds at the end of the period when there were
    // admissions. District 5 reported months 1 to 3 only, so summed to month 6 its rows carry
    // admissions but no beds at the end, and the window marks them "?"; to month 3 they pass, and
    // so does district 1, which reported every month.
    void failedColumnCheckMarksRows_data()
    {
        QTest::addColumn<int>("district");
        QTest::addColumn<int>("to");
        QTest::addColumn<bool>("marked");
        QTest::newRow("district 5 to month 6") << 5 << 6 << true;
        QTest::newRow("district 5 to month 3") << 5 << 3 << false;
        QTest::newRow("district 1 to month 6") << 1 << 6 << false;
    }
    void failedColumnCheckMarksRows()
    {
        QFETCH(int, district);
        QFETCH(int, to);
        QFETCH(bool, marked);
        Run run(&m_desktop, m_dir.filePath(u"failed.pdf"_s));
        analysis::SummaryRequest request;
        request.year = DemoSummaries::year;
        request.form = {DemoSummaries::monthlyForm, u"51"_s, u"Свод по видам граф"_s, u"месяц"_s,
                        1};
        request.title = u"Район "_s + QString::number(district);
        request.district = district;
        request.from = 1;
        request.to = to;
        int rows = 0;
        QStringList marks;
        WindowWatch watch([](QWidget *w) { return qobject_cast<SummaryWindow *>(w) != nullptr; },
                          [&](QWidget *w) {
                              auto *summary = qobject_cast<SummaryWindow *>(w);
                              rows = int(summary->table().rows.size());
                              auto *model = summary->binding()->model();
                              for (int r = 0; r < model->rowCount(); ++r)
                                  marks.append(model->data(model->index(r, 1)).toString());
                              if (marked) {
                                  w->resize(1100, 400);
                                  test::grabWindow(w, u"summary-failed-rows"_s);
                              }
                              w->close();
                          });
        QVERIFY(SummaryWindow::run(run.context, run.services(), request));
        QCOMPARE(watch.count(), 1);
        QCOMPARE(rows, 2);
        QCOMPARE(marks, QStringList(rows, marked ? u"?"_s : QString()));
        QCOMPARE(run.prompter.texts().contains(analysis::SummaryTable::controlsFailedText()),
                 marked);
    }

    // A summary called off while it runs shows no summary and says that it was called off.
    void summaryCancelled()
    {
        Run run(&m_desktop, m_dir.filePath(u"cancel.pdf"_s));
        std::unique_ptr<ReportListWindow> list(openList(run));
        QVERIFY(list);
        findControl<QSpinBox>(list.get(), u"?MES1")->setValue(1);
        findControl<QSpinBox>(list.get(), u"?MES2")->setValue(12);
        test::clickControl(list.get(), u"?OK");
        test::clickControl(list.get(), u"?ALLES");
        run.prompter.messages.clear();
        WindowWatch cancel(
            [](QWidget *w) { return qobject_cast<runtime::ui::ProgressWindow *>(w) != nullptr; },
            [](QWidget *w) { qobject_cast<runtime::ui::ProgressWindow *>(w)->cancel(); });
        WindowWatch summary([](QWidget *w) { return qobject_cast<SummaryWindow *>(w) != nullptr; },
                            [](QWidget *w) { w->close(); });
        QVERIFY(!list->summarize());
        QCOMPARE(cancel.count(), 1);
        QCOMPARE(summary.count(), 0);
        QCOMPARE(run.prompter.texts(), QStringList{u"Свод прерван"_s});
    }

    // The completeness count by district and by institution, its workbook and its print. The
    // window counts the year it was opened in, also after the frame's year has moved on.
    void completeness()
    {
        Run run(&m_desktop, m_dir.filePath(u"completeness.pdf"_s));
        QPointer<QWidget> opened = CompletenessWindow::run(run.context, run.services(), true);
        auto *window = qobject_cast<CompletenessWindow *>(opened.data());
        QVERIFY(window);
        QCOMPARE(window->objectName(), u"P1$SCRL"_s);
        QCOMPARE(window->windowTitle(), u"Полнота отчета "_s);
        run.state.globYear = DemoSummaries::year + 1;
        findControl<QSpinBox>(window, u"?MES")->setValue(1);
        findControl<QSpinBox>(window, u"?MES_")->setValue(3);
        test::clickControl(window, u"?OK1");
        QCOMPARE(findControl<QLineEdit>(window, u"?GLOBYEAR")->text(),
                 QString::number(DemoSummaries::year));
        QVERIFY(!window->table().rows.isEmpty());
        QCOMPARE(window->table().rows.first().name, analysis::CompletenessTable::totalName());
        // Form 51 of the demo year, months 1 to 3: 101, 102, 501 and 21006 each three times.
        int column51 = -1;
        for (int c = 0; c < window->table().columns.size(); ++c)
            if (window->table().columns[c].code == DemoSummaries::monthlyForm)
                column51 = c;
        QVERIFY(column51 >= 0);
        QCOMPARE(window->table().rows.first().counts[size_t(column51)], 12);
        QCOMPARE(window->binding()->model()->rowCount(), window->table().rows.size());
        window->resize(1100, 500);
        test::grabWindow(window, u"completeness-districts"_s);

        findControl<QRadioButton>(window, u"?OPTION1:RADIO2")->setChecked(true);
        QVERIFY(window->binding()->model()->rowCount() > 1);
        test::grabWindow(window, u"completeness-institutions"_s);

        run.prompter.messages.clear();
        QVERIFY(window->exportToExcel());
        QCOMPARE(run.prompter.lastText(), shell::ExcelLauncher::doneText());
        test::keepFile(run.office.shownDocuments().last(), u"completeness.xlsx"_s);

        // "Печать": the window's preview, then the pages to the printer (a PDF file here).
        WindowWatch preview([](QWidget *c) { return c->objectName() == u"P1$VIEW1"_s; },
                            [](QWidget *c) {
                                test::grabWindow(c, u"completeness-preview"_s);
                                test::clickControl(c, u"?PRINTREPORT");
                            });
        QVERIFY(window->print());
        QCOMPARE(preview.count(), 1);
        QVERIFY(QFileInfo(run.pdf).size() > 0);
        test::keepFile(run.pdf, u"completeness-print.pdf"_s);
        if (const auto text = pdfText(run.pdf, {u"-layout"_s})) {
            QVERIFY2(text->contains(analysis::CompletenessTable::totalName()), qPrintable(*text));
            QVERIFY2(
                text->contains(u"Информация о количестве сданных отчетов за 1 месяц 2025 г."_s),
                qPrintable(*text));
            const QString today = QDate::currentDate().toString(u"dd.MM.yy"_s);
            QVERIFY2(text->contains(today), qPrintable(*text));
            // The heading first; the codes line, then the designations line close under it.
            const QStringList lines = text->split(u'\n');
            const auto lineOf = [&](const QRegularExpression &pattern) {
                for (qsizetype i = 0; i < lines.size(); ++i)
                    if (pattern.match(lines[i]).hasMatch())
                        return i;
                return qsizetype(-1);
            };
            const qsizetype heading = lineOf(QRegularExpression(u"Информация о количестве"_s));
            const qsizetype codes = lineOf(QRegularExpression(u"^\\s*7\\s+12\\s+.*\\b51\\b"_s));
            const qsizetype designations = lineOf(QRegularExpression(u"7-мес.*51-к"_s));
            QVERIFY2(heading >= 0 && heading < codes && codes < designations &&
                         designations - codes <= 3,
                     qPrintable(*text));
        }
        delete window;
    }

    // "Показатели" on the list, a run and "Печать" in its result: the indicator table shows in
    // the preview first, and nothing reaches the printer until "Печать" is pressed there.
    void indicatorTablePrintsFromThePreview()
    {
        Run run(&m_desktop, m_dir.filePath(u"indicator.pdf"_s));
        run.choices->form = {12, u"Годовой отчет"_s, u"12"_s, 0};
        std::unique_ptr<ReportListWindow> list(openList(run));
        QVERIFY(list);
        QVERIFY(!list->list().entries().isEmpty());

        using namespace analysis::ui;
        const auto press = [](QWidget *w, QStringView equate) {
            QMetaObject::invokeMethod(findControl<QPushButton>(w, equate), &QPushButton::click,
                                      Qt::QueuedConnection);
        };
        const auto close = [](QWidget *w) {
            QMetaObject::invokeMethod(w, "reject", Qt::QueuedConnection);
        };
        // Each window as it comes up: the first time it is used, the list and the parameters
        // are closed the next time.
        QHash<QString, int> shown;
        bool printedBeforePreview = true;
        QPointer<QWidget> last;
        QTimer answer;
        answer.setInterval(10);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            QWidget *w = QApplication::activeModalWidget();
            if (!w || w == last)
                return;
            last = w;
            if (auto *indicators = qobject_cast<IndicatorListWindow *>(w)) {
                if (shown[u"list"_s]++ > 0)
                    return close(w);
                auto *entries = findControl<QListWidget>(w, u"?LIST1");
                for (int i = 0; i < indicators->entries().size(); ++i)
                    if (indicators->entries()[i].id == 101)
                        entries->setCurrentRow(i);
                press(w, u"?OK_1");
            } else if (qobject_cast<IndicatorParametersWindow *>(w)) {
                if (shown[u"parameters"_s]++ > 0)
                    return close(w);
                findControl<QRadioButton>(w, u"?OPTION1:RADIO1")->setChecked(true);
                press(w, u"?OK");
            } else if (auto *rows = qobject_cast<IndicatorRowWindow *>(w)) {
                rows->binding()->selectRow(0);
                QTest::keyClick(rows->view(), Qt::Key_Return);
            } else if (qobject_cast<IndicatorResultWindow *>(w)) {
                if (shown[u"result"_s]++ > 0)
                    return;
                // "Печать", then the result closed once the print has returned.
                QTimer::singleShot(0, w, [w, close] {
                    findControl<QPushButton>(w, u"?PRNT1")->click();
                    close(w);
                });
            } else if (qobject_cast<shell::ui::PreviewWindow *>(w)) {
                ++shown[u"preview"_s];
                printedBeforePreview = QFile::exists(run.pdf);
                test::grabWindow(w, u"indicator-print-preview"_s);
                press(w, u"?PRINTREPORT");
            }
        });
        answer.start();
        QVERIFY(list->indicatorList());
        answer.stop();
        QVERIFY(shown.value(u"result"_s) > 0);
        QCOMPARE(shown.value(u"preview"_s), 1);
        QVERIFY(!printedBeforePreview);
        QVERIFY(QFileInfo(run.pdf).size() > 0);
        test::keepFile(run.pdf, u"indicator-print.pdf"_s);
        if (const auto text = test::pdfText(run.pdf, {u"-layout"_s}))
            QVERIFY2(text->contains(u"Заболеваемость населения на 1000 жителей"_s),
                     qPrintable(*text));
    }

    // On the frame: both menu items are there, and the toolbar opens each procedure as a
    // window of its own, the report list with the shell's form pick list.
    void frameOpensWindowsOfTheirOwn()
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
        frame->initialize(DemoSummaries::year);
        frame->show();
        state.globYear = DemoSummaries::year;
        for (const QString &item : {u"Своды,показатели"_s, u"Полнота Отчетов"_s}) {
            QAction *menu = frame->menuAction(item);
            QVERIFY2(menu && menu->isEnabled(), qPrintable(item));
        }
        test::answerModals({test::pickCode(DemoSummaries::monthlyForm)});
        QTest::mouseClick(findControl<QPushButton>(frame, u"?BUTTON1"), Qt::LeftButton);
        QTRY_COMPARE(frame->procedureWindows().size(), 1);
        auto *list = qobject_cast<ReportListWindow *>(frame->procedureWindows().first());
        QVERIFY(list);
        QVERIFY(!list->isModal());
        QCOMPARE(list->list().form().code, DemoSummaries::monthlyForm);
        QVERIFY(!list->list().entries().isEmpty());
        QTest::mouseClick(findControl<QPushButton>(frame, u"?BUTTON6"), Qt::LeftButton);
        QTRY_COMPARE(frame->procedureWindows().size(), 2);
        QVERIFY(qobject_cast<CompletenessWindow *>(frame->procedureWindows().last()));
        QPointer<QWidget> listAlive = list;
        frame->close();
        QTRY_VERIFY(!frameAlive);
        QVERIFY(!listAlive);
    }
};

QTEST_MAIN(TestSummaryWindows)
#include "test_summarywindows.moc"
