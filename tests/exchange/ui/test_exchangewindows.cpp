// The exchange windows on the demo, driven by their controls with scripted answers: the export
// (periods, forms, "Выгрузить", the file at the target), the load of exchange files (path,
// marks, the control and the replace questions, results, the move into "impfile"), a summary
// file, an old-format load through the whole procedure, and the menu items that start them.

#include "data/DataContext.h"
#include "entry/ReportStore.h"
#include "exchange/ui/ExportWindows.h"
#include "exchange/ui/ImportWindows.h"
#include "exchange/ui/OldFormatWindows.h"
#include "runtime/core/Prompter.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ProgressWindow.h"
#include "shell/AppState.h"
#include "support/ModalScript.h"
#include "tests/analysis/ui/WindowTestSupport.h"
#include "tests/entry/ui/WhenModal.h"
#include "tests/exchange/ExchangeFixture.h"
#include "tests/exchange/ExchangeWindowSupport.h"

#include <QHeaderView>
#include <QPlainTextEdit>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;
using namespace zemor;
using namespace zemor::exchange;
using data::OtchetRecord;
using runtime::ui::findControl;
using test::demoYear;
using test::labelText;
using test::modelOf;

namespace {

// Answers each message by the first rule whose text it begins with (1 when none does) and
// keeps every text.
class AnsweringPrompter : public runtime::Prompter
{
public:
    QList<std::pair<QString, QList<int>>> rules; // text begins with -> answers, front first
    QStringList texts;
    std::function<void(const QString &)> onMessage; // called before each answer

    int message(const QString &text, const QString &, const QString &, runtime::MessageIcon,
                int) override
    {
        texts.append(text);
        if (onMessage)
            onMessage(text);
        for (auto &[start, answers] : rules) {
            if (text.startsWith(start) && !answers.isEmpty())
                return answers.size() > 1 ? answers.takeFirst() : answers.first();
        }
        return 1;
    }
    void beep() override {}
    int count(const QString &start) const
    {
        return int(std::count_if(texts.cbegin(), texts.cend(),
                                 [&](const QString &t) { return t.startsWith(start); }));
    }
};

// Counts the control runs a window would show, without a window.
class QuietViewer final : public entry::RunResultsViewer
{
public:
    int shown = 0;
    void show(const entry::RunRequest &, const entry::RunOutcome &) override { ++shown; }
};

struct Run : test::ExchangeRun<AnsweringPrompter>
{
    QuietViewer quiet;
    bool showRuns = false; // the windows' own result window instead of `quiet`

    Run()
    {
        state.globTipUser = 1; // the demo installation: district 3
        state.globKodUser = 3;
        state.globCodReg = 3;
    }
    exchange::ui::ExchangeServices services()
    {
        exchange::ui::ExchangeServices s = ExchangeRun::services();
        if (!showRuns)
            s.runViewer = &quiet;
        return s;
    }
};

QByteArrayList storedOf(data::DataContext &ctx, qint64 form, qint32 institution, qint32 period)
{
    return test::storedReport(ctx, demoYear, int(form), institution, period);
}

// The demo district's forms 12, 7 and 14 exported into `path`.
ExportResult exportDistrict(Run &run, const QString &path)
{
    ExportReports exporter(run.context);
    auto forms = exporter.forms(demoYear, ExportPeriods{3, 1, 0, true});
    for (ExportForm &f : *forms)
        f.marked = f.code == 12 || f.code == 7 || f.code == 14;
    return *exporter.write({demoYear, ExportScope::of(run.state), path, *forms});
}

// A single left click on line `row` of the list named `equate`.
void clickLine(QWidget *window, QStringView equate, int row)
{
    auto *view = findControl<QTableView>(window, equate);
    QVERIFY(view);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(row, 0)).center());
}

// Whether every heading of the list named `equate` shows whole.
bool headingsWhole(QWidget *window, QStringView equate)
{
    auto *view = findControl<QTableView>(window, equate);
    for (int c = 0; c < view->model()->columnCount(); ++c) {
        if (!view->isColumnHidden(c) &&
            view->columnWidth(c) < view->horizontalHeader()->sectionSizeHint(c))
            return false;
    }
    return true;
}

// An institution installation of district 1.
void asInstitution(Run &run, qint32 code)
{
    run.state.globTipUser = 2;
    run.state.globKodUser = code;
    run.state.globCodReg = 1;
}

QList<ExportForm> allForms(Run &run, const ExportPeriods &periods)
{
    auto forms = ExportReports(run.context).forms(demoYear, periods);
    for (ExportForm &f : *forms)
        f.marked = true;
    return *forms;
}

} // namespace

class TestExchangeWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void menuItemsHaveTheirProcedures();
    void exportPeriodWindow();
    void exportFormsWindow();
    void exportProcedure();
    void importListWindow();
    void cancelledLoadSaysWhatItWrote();
    void summaryWindow();
    void oldFormatProcedure();
    void exportShowsItsControlsBeforeAsking();
    void exportWithoutOwnCodeRunsNothing();
    void clickMarksAndHeadingsShowWhole();
    void highlightedInstitutionIsTheChosenOne();
    void dailyReportsListedByDate_data();
    void dailyReportsListedByDate();
};

void TestExchangeWindows::menuItemsHaveTheirProcedures()
{
    test::WorkDir work(true);
    test::MenuRun menu(work);
    const auto table = menu.procedures();
    for (const QString &name :
         {u"ExportReports"_qs, u"ImportReports"_qs, u"ImportReportsOldFormat"_qs})
        QVERIFY2(table.contains(name), qPrintable(name));
}

void TestExchangeWindows::exportPeriodWindow()
{
    test::WorkDir work(true);
    Run run;
    const QStringList choices = ExportReports::pathChoices({}, {});
    ui::ExportPeriodWindow window(run.services(), choices, ExportPeriods{0, 2, 0, false});
    QCOMPARE(window.objectName(), u"P1$SCRY"_qs);
    QCOMPARE(window.windowTitle(), u"Выгрузка отчетов "_qs);
    window.show();
    // The annual box is ticked each time the window opens; the quarter keeps its last value.
    QVERIFY(findControl<QCheckBox>(&window, u"?GOD")->isChecked());
    QCOMPARE(window.periods().quarter, 2);
    QCOMPARE(window.path(), u"F:\\"_qs);

    findControl<QRadioButton>(&window, u"?MES:3")->click();
    auto *combo = findControl<QComboBox>(&window, u"?PATH1:2");
    combo->setCurrentIndex(1);
    Q_EMIT combo->activated(1);
    QCOMPARE(window.path(), u"\\export\\"_qs);
    const ExportPeriods chosen = window.periods();
    QCOMPARE(chosen.month, 3);
    QCOMPARE(chosen.halfYear, 0);
    QVERIFY(chosen.annual);

    // The folder dialog: nothing chosen keeps the path, a folder gets its separator.
    test::clickControl(&window, u"?VIBOR_DIR");
    QCOMPARE(run.prompter.texts, QStringList{ui::DirectoryChooser::noneChosenText()});
    QCOMPARE(window.path(), u"\\export\\"_qs);
    run.chooser.answer = u"D:\\1"_qs;
    test::clickControl(&window, u"?VIBOR_DIR");
    QCOMPARE(window.path(), u"D:\\1\\"_qs);
    test::grabWindow(&window, u"export_period"_qs);

    test::clickControl(&window, u"?WMES");
    QCOMPARE(window.result(), int(QDialog::Accepted));
}

void TestExchangeWindows::exportFormsWindow()
{
    test::WorkDir work(true);
    Run run;
    ExportReports exporter(run.context);
    const auto forms = exporter.forms(demoYear, ExportPeriods{3, 1, 0, true});
    QVERIFY(forms && !forms->isEmpty());
    ui::ExportFormsWindow window(run.context, run.services(), u"\\export"_qs, *forms,
                                 u"mail@district"_qs);
    QCOMPARE(window.objectName(), u"P1$SCRL"_qs);
    QCOMPARE(window.windowTitle(), u"Выгрузка отчетов на дискету"_qs);
    window.show();
    QCOMPARE(labelText(&window, u"?PP"), u"\\export\\"_qs);
    QCOMPARE(labelText(&window, u"?LN").isEmpty(), false);

    // Nothing marked: told, nothing written.
    test::clickControl(&window, u"?OKBUTTON");
    QCOMPARE(run.prompter.texts.last(), ExportReports::noFormsText());

    auto *list = modelOf(&window, u"?LIST1");
    QCOMPARE(list->rowCount(), forms->size());
    for (int row = 0; row < list->rowCount(); ++row) {
        const qint64 code = list->value(row, 0).toLongLong();
        if (code == 12 || code == 7 || code == 14)
            list->toggleMark(row);
    }
    run.prompter.texts.clear();
    run.prompter.rules = {{ExportReports::controlsQuestion(), {1}}};
    test::clickControl(&window, u"?OKBUTTON");
    QCOMPARE(run.prompter.texts.last(), ExportReports::doneText());
    const QString target = work.filePath(u"export/r3_2025F12m3F7k1F14.dat"_qs);
    QVERIFY(QFile::exists(target));
    const auto file = data::ExchangeFile::read(target);
    QVERIFY(file);
    QCOMPARE(labelText(&window, u"?SUMZAP"), QString::number(file->count()));
    QCOMPARE(window.total(), file->count());
    QCOMPARE(labelText(&window, u"?TEXT1"),
             ExportReports::resultText(u"r3_2025F12m3F7k1F14.dat"_qs, u"mail@district"_qs));
    auto *results = modelOf(&window, u"?LIST2");
    QCOMPARE(results->rowCount(), 3);
    qint64 rows = 0;
    for (int row = 0; row < results->rowCount(); ++row)
        rows += results->value(row, 3).toLongLong();
    QCOMPARE(rows, file->count());
    test::grabWindow(&window, u"export_forms"_qs);

    // "НЕТ" to failed controls writes nothing; a second export adds its lines below the first.
    if (run.prompter.count(ExportReports::controlsQuestion()) > 0) {
        QFile::remove(target);
        run.prompter.rules = {{ExportReports::controlsQuestion(), {2}}};
        test::clickControl(&window, u"?OKBUTTON");
        QVERIFY(!QFile::exists(target));
        QCOMPARE(results->rowCount(), 3);
        run.prompter.rules = {{ExportReports::controlsQuestion(), {1}}};
    }
    test::clickControl(&window, u"?OKBUTTON");
    QCOMPARE(results->rowCount(), 6);
    QVERIFY(QFile::exists(target));
}

void TestExchangeWindows::exportProcedure()
{
    test::WorkDir work(true);
    Run run;
    run.prompter.rules = {{ExportReports::controlsQuestion(), {1}}};
    bool exported = false;
    test::answerModals({[&](QWidget *w) {
                            // No period chosen: asked for one, and the period window opens again.
                            findControl<QCheckBox>(w, u"?GOD")->setChecked(false);
                            test::clickControl(w, u"?WMES");
                        },
                        [&](QWidget *w) {
                            QCOMPARE(w->objectName(), u"P1$SCRY"_qs);
                            QVERIFY(findControl<QCheckBox>(w, u"?GOD")->isChecked());
                            findControl<QCheckBox>(w, u"?GOD")->setChecked(false);
                            findControl<QRadioButton>(w, u"?MES:3")->click();
                            auto *combo = findControl<QComboBox>(w, u"?PATH1:2");
                            const int at = combo->findText(u"\\export\\"_qs);
                            combo->setCurrentIndex(at);
                            Q_EMIT combo->activated(at);
                            test::clickControl(w, u"?WMES");
                        },
                        [&](QWidget *w) {
                            QCOMPARE(w->objectName(), u"P1$SCRL"_qs);
                            auto *list = modelOf(w, u"?LIST1");
                            for (int row = 0; row < list->rowCount(); ++row) {
                                QCOMPARE(list->value(row, 3).toInt(),
                                         3); // monthly forms only, month 3
                                if (list->value(row, 0).toLongLong() == 7)
                                    list->toggleMark(row);
                            }
                            test::clickControl(w, u"?OKBUTTON");
                            exported = true;
                            qobject_cast<QDialog *>(w)->reject();
                        }});
    ui::exportReports(run.context, run.services());
    QVERIFY(exported);
    QCOMPARE(run.prompter.texts.first(), ExportReports::noPeriodText());
    QCOMPARE(run.prompter.texts.last(), ExportReports::doneText());
    QVERIFY(QFile::exists(work.filePath(u"export/r3m3F7.dat"_qs)));
    QCOMPARE(run.state.exchangePath, u"\\export\\"_qs);
}

void TestExchangeWindows::importListWindow()
{
    test::WorkDir work(true);
    Run run;
    const ExportResult exported = exportDistrict(run, u"\\import\\"_qs);
    QVERIFY(!exported.target.isEmpty());

    ui::ImportPathWindow pathWindow(run.services(), ImportReports::pathChoices({}, {}),
                                    u"\\import"_qs);
    QCOMPARE(pathWindow.windowTitle(), u"Загрузка отчетов "_qs);
    QCOMPARE(pathWindow.path(), u"\\import\\"_qs);
    QVERIFY(!pathWindow.summaryMode());
    test::grabWindow(&pathWindow, u"import_path"_qs);

    auto scan = ImportReports::scan(*ImportReports::folder(pathWindow.path()), false);
    QVERIFY(scan && scan->refused.isEmpty());
    ImportReports importer(run.context, run.prompter, demoYear);
    QVERIFY(importer.name(*scan));
    ui::ImportListWindow window(run.context, run.services(), pathWindow.path(), *scan);
    QCOMPARE(window.objectName(), u"P1$SCRL"_qs);
    window.show();
    QCOMPARE(labelText(&window, u"?KOL_QU"), QString::number(scan->institutions.size()));
    QCOMPARE(modelOf(&window, u"?LIST4")->rowCount(), 1);
    QCOMPARE(modelOf(&window, u"?LIST3")->rowCount(), scan->institutions.size());
    QVERIFY(scan->institutions.size() > 1);

    // One institution from the list: none chosen is told; a chosen one marks exactly its entries.
    findControl<QRadioButton>(&window, u"?OPTION1:1")->click();
    test::clickControl(&window, u"?OKBUTTON");
    QCOMPARE(run.prompter.texts.last(), ImportReports::noInstitutionText());
    window.chooseInstitution(0);
    const qint32 chosen = scan->institutions[0].code;
    QList<int> marked;
    for (int i = 0; i < window.entries().size(); ++i) {
        QCOMPARE(window.entries()[i].mark == ImportEntry::Marked,
                 window.entries()[i].institution == chosen);
        if (window.entries()[i].institution == chosen)
            marked.append(i);
    }
    QVERIFY(!marked.isEmpty());
    QCOMPARE(modelOf(&window, u"?LIST1")->markedCount(), marked.size());
    QHash<int, QByteArrayList> before;
    for (int i : marked) {
        const ImportEntry &e = window.entries()[i];
        before[i] = storedOf(run.context, e.form, e.institution, e.period);
    }

    // The stored reports exist: "НЕТ" to the first keeps it and its entry stays marked,
    // "ДА" to the others replaces them by the file's rows, byte for byte the same.
    const QString replace = u"ОТЧЕТ ЛПУ "_qs;
    run.prompter.rules = {{ImportReports::controlsQuestion(), {1}}, {replace, {2, 1}}};
    run.prompter.texts.clear();
    test::clickControl(&window, u"?OKBUTTON");
    QCOMPARE(run.quiet.shown, 1); // the chosen institution's controls
    QCOMPARE(run.prompter.count(replace), marked.size());
    QCOMPARE(run.prompter.texts.last(), ImportReports::doneText());
    QCOMPARE(window.entries()[marked[0]].mark, int(ImportEntry::Marked));
    for (int i : marked.mid(1))
        QCOMPARE(window.entries()[i].mark, int(ImportEntry::Loaded));
    auto *results = modelOf(&window, u"?LIST2");
    QCOMPARE(results->rowCount(), marked.size());
    QCOMPARE(results->value(0, 5).toString(), ImportReports::keepOldText());
    for (int row = 1; row < results->rowCount(); ++row)
        QCOMPARE(results->value(row, 5).toString(), QString::number(before[marked[row]].size()));
    for (int i : marked) {
        const ImportEntry &e = window.entries()[i];
        QCOMPARE(storedOf(run.context, e.form, e.institution, e.period), before[i]);
    }
    test::grabWindow(&window, u"import_list"_qs);

    // The files go into "impfile"; the lists empty.
    test::clickControl(&window, u"?BUTTON4");
    QVERIFY(QFile::exists(work.filePath(u"impfile/"_qs + QFileInfo(exported.target).fileName())));
    QVERIFY(!QFile::exists(exported.target));
    QCOMPARE(modelOf(&window, u"?LIST4")->rowCount(), 0);
    QCOMPARE(modelOf(&window, u"?LIST1")->rowCount(), 0);
}

void TestExchangeWindows::cancelledLoadSaysWhatItWrote()
{
    test::WorkDir work(true);
    Run run;
    QVERIFY(!exportDistrict(run, u"\\import\\"_qs).target.isEmpty());
    auto scan = ImportReports::scan(work.filePath(u"import"_qs), false);
    QVERIFY(scan);
    ImportReports importer(run.context, run.prompter, demoYear);
    QVERIFY(importer.name(*scan));
    ui::ImportListWindow window(run.context, run.services(), u"\\import\\"_qs, *scan);
    window.show();
    findControl<QCheckBox>(&window, u"?CHECK1")->setChecked(true);

    // "Отмена" pressed while the second stored report is asked about: that report is still
    // replaced, nothing after it is loaded, and the window says how much was.
    int asked = 0;
    run.prompter.onMessage = [&](const QString &text) {
        if (!text.startsWith(u"ОТЧЕТ ЛПУ "_qs) || ++asked != 2)
            return;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *progress = qobject_cast<runtime::ui::ProgressWindow *>(w))
                progress->cancel();
    };
    test::clickControl(&window, u"?OKBUTTON");
    const ImportOutcome &outcome = window.lastOutcome();
    QVERIFY(outcome.cancelled);
    QCOMPARE(outcome.reportsLoaded, 2);
    QCOMPARE(run.prompter.texts.last(), ImportReports::cancelledText(outcome));
    QVERIFY(run.prompter.texts.last().startsWith(u"Загрузка прервана"_qs));
    int loaded = 0, waiting = 0;
    for (const ImportEntry &e : window.entries()) {
        loaded += e.mark == ImportEntry::Loaded;
        waiting += e.mark == ImportEntry::Marked;
    }
    QCOMPARE(loaded, 2);
    QCOMPARE(waiting, window.entries().size() - 2);
}

void TestExchangeWindows::summaryWindow()
{
    test::WorkDir work(true);
    Run run;
    const ExportResult exported = exportDistrict(run, u"\\export\\"_qs);
    work.makeDir(u"in"_qs);
    QVERIFY(QFile::copy(exported.target, work.filePath(u"in/ssw3m3F7.dat"_qs)));
    auto scan = ImportReports::scan(work.filePath(u"in"_qs), true);
    QVERIFY(scan && !scan->entries.isEmpty());
    ImportReports importer(run.context, run.prompter, demoYear);
    QVERIFY(importer.name(*scan));
    ImportReports::nameSummaryEntries(*scan);
    ui::SummaryLoadWindow window(run.context, run.services(), *scan);
    QCOMPARE(window.objectName(), u"P1$SCRSW"_qs);
    QCOMPARE(window.windowTitle(), u"Загрузка сводного отчета"_qs);
    window.show();
    QCOMPARE(labelText(&window, u"?GY1"), QString::number(demoYear));
    auto *entries = modelOf(&window, u"?LISTSW");
    QCOMPARE(entries->rowCount(), scan->entries.size());
    QCOMPARE(entries->value(0, 6).toString(), scan->entries[0].institutionText);

    const ImportEntry first = window.entries()[0];
    const QByteArrayList before =
        storedOf(run.context, first.form, first.institution, first.period);
    run.prompter.rules = {{ImportReports::controlsQuestion(), {1}}, {u"ОТЧЕТ ЛПУ "_qs, {1}}};
    test::clickControl(&window, u"?OKSW");
    QCOMPARE(run.prompter.texts.last(), ImportReports::doneText());
    QCOMPARE(window.entries()[0].mark, int(ImportEntry::Loaded));
    QCOMPARE(modelOf(&window, u"?LISTSW2")->rowCount(), 1);
    QCOMPARE(modelOf(&window, u"?LISTSW2")->value(0, 5).toString(), QString::number(before.size()));
    QCOMPARE(storedOf(run.context, first.form, first.institution, first.period), before);
    test::grabWindow(&window, u"import_summary"_qs);
}

void TestExchangeWindows::oldFormatProcedure()
{
    test::WorkDir work(true);
    Run run;
    work.makeDir(u"old"_qs);
    // Two rows of a new institution 9001 of district 3 for form 7, period 3.
    QByteArrayList rows;
    for (int id : {1, 2}) {
        QByteArray bytes = storedOf(run.context, 7, 301, 3).value(0);
        QVERIFY(!bytes.isEmpty());
        OtchetRecord r(bytes);
        r.setCodUch(9001);
        (void)r.setCodReg(3);
        r.setUnicodStr(qint16(id));
        rows.append(bytes);
    }
    {
        auto w = data::ExchangeFileWriter::create(work.filePath(u"old/W0007x03.dat"_qs),
                                                  data::ExchangeFormat::Old);
        QVERIFY(w);
        for (const QByteArray &r : rows)
            QVERIFY(w->append(r));
        QVERIFY(w->commit());
    }
    run.state.exchangePath = u"\\old"_qs;
    run.prompter.rules = {{ImportReports::controlsQuestion(), {1}}};

    bool listed = false;
    test::answerModals({[&](QWidget *w) {
                            QCOMPARE(w->objectName(), u"P1$SCRY"_qs);
                            QCOMPARE(w->windowTitle(), u"Загрузка отчетов из программы  "_qs);
                            QCOMPARE(findControl<QLineEdit>(w, u"?PATH1")->text(), u"\\old"_qs);
                            test::grabWindow(w, u"old_path"_qs);
                            test::clickControl(w, u"?WMES");
                        },
                        [&](QWidget *w) {
                            QCOMPARE(w->objectName(), u"P1$SCRL"_qs);
                            QCOMPARE(w->windowTitle(), u"Загрузка отчетов "_qs);
                            auto *files = modelOf(w, u"?LIST1");
                            QCOMPARE(files->rowCount(), 1);
                            QCOMPARE(files->value(0, 0).toLongLong(), 7);
                            QCOMPARE(files->value(0, 1).toInt(), 3);
                            QCOMPARE(labelText(w, u"?KOL_QU"), u"1"_qs);
                            findControl<QCheckBox>(w, u"?CHECK1")->setChecked(true);
                            QCOMPARE(files->markedCount(), 1);
                            test::clickControl(w, u"?OKBUTTON");
                            QCOMPARE(run.quiet.shown, 1); // the controls' results
                            QCOMPARE(labelText(w, u"?LOCZAP"), u"2"_qs);
                            QCOMPARE(modelOf(w, u"?LIST2")->rowCount(), 1);
                            test::grabWindow(w, u"old_list"_qs);
                            listed = true;
                            test::clickControl(w, u"?CANCELBUTTON");
                        }});
    ui::importReportsOldFormat(run.context, run.services());
    QVERIFY(listed);
    QCOMPARE(run.prompter.texts.last(), ImportReports::doneText());
    QByteArrayList sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(storedOf(run.context, 7, 9001, 3), sorted);
}

void TestExchangeWindows::exportShowsItsControlsBeforeAsking()
{
    test::WorkDir work(true);
    Run run;
    // 102's annual form 12 fails a column rule; several forms of January have no report of it.
    asInstitution(run, 102);
    run.showRuns = true;
    run.prompter.rules = {{ExportReports::controlsQuestion(), {2}}};
    ui::ExportFormsWindow window(run.context, run.services(), u"\\export"_qs,
                                 allForms(run, {1, 0, 0, true}), u"mail"_qs);
    window.show();
    QStringList rules;
    QString notes;
    int askedBefore = -1;
    test::whenShown(u"P1$SCRL1"_qs, [&](QWidget *results) {
        askedBefore = run.prompter.count(ExportReports::controlsQuestion());
        auto *list = findControl<QTableView>(results, u"?LIST2");
        for (int r = 0; r < list->model()->rowCount(); ++r)
            rules.append(list->model()->index(r, 0).data().toString());
        auto *text = findControl<QPlainTextEdit>(results, u"?NOTES");
        notes = text ? text->toPlainText() : QString();
        test::grabWindow(results, u"export_controls"_qs);
        results->close();
    });
    test::clickControl(&window, u"?OKBUTTON");
    QCOMPARE(askedBefore, 0);
    QCOMPARE(rules, QStringList{u"2"_qs});
    QVERIFY2(notes.startsWith(entry::ControlRun::notCheckedText()), qPrintable(notes));
    QCOMPARE(run.prompter.count(ExportReports::controlsQuestion()), 1);
    QVERIFY(modelOf(&window, u"?LIST2")->rowCount() == 0); // "НЕТ": nothing written

    // 101 fails nothing: the forms it has no report of are named, then asked about.
    Run sound;
    asInstitution(sound, 101);
    sound.showRuns = true;
    sound.prompter.rules = {{ExportReports::controlsQuestion(), {2}}};
    ui::ExportFormsWindow second(sound.context, sound.services(), u"\\export"_qs,
                                 allForms(sound, {1, 0, 0, true}), u"mail"_qs);
    second.show();
    sound.prompter.texts.clear();
    test::clickControl(&second, u"?OKBUTTON");
    QCOMPARE(sound.prompter.texts.size(), 2);
    QVERIFY2(sound.prompter.texts[0].startsWith(entry::ControlRun::notCheckedText() + u"Ф"_qs),
             qPrintable(sound.prompter.texts[0]));
    QCOMPARE(sound.prompter.texts[1], ExportReports::controlsQuestion());
}

void TestExchangeWindows::exportWithoutOwnCodeRunsNothing()
{
    test::WorkDir work(true);
    Run run;
    asInstitution(run, 0);
    ui::ExportFormsWindow window(run.context, run.services(), u"\\export"_qs,
                                 allForms(run, {1, 0, 0, true}), u"mail"_qs);
    window.show();
    run.prompter.texts.clear();
    test::clickControl(&window, u"?OKBUTTON");
    // Told at once; no control run, no question, nothing written; the window closes.
    QCOMPARE(run.prompter.texts, QStringList{ExportReports::noInstitutionText()});
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QCOMPARE(QDir(work.filePath(u"export"_qs)).entryList(QDir::Files), QStringList());
}

void TestExchangeWindows::clickMarksAndHeadingsShowWhole()
{
    test::WorkDir work(true);
    Run run;
    ExportReports exporter(run.context);
    const auto forms = exporter.forms(demoYear, ExportPeriods{3, 0, 0, false});
    ui::ExportFormsWindow window(run.context, run.services(), u"\\export"_qs, *forms, u"mail"_qs);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    int row7 = -1;
    for (int r = 0; r < modelOf(&window, u"?LIST1")->rowCount(); ++r)
        row7 = modelOf(&window, u"?LIST1")->value(r, 0).toLongLong() == 7 ? r : row7;
    clickLine(&window, u"?LIST1", row7);
    QVERIFY(window.forms()[row7].marked);
    run.prompter.rules = {{ExportReports::controlsQuestion(), {1}}};
    test::clickControl(&window, u"?OKBUTTON");
    QVERIFY(!run.prompter.texts.contains(ExportReports::noFormsText()));
    QVERIFY(QFile::exists(work.filePath(u"export/r3m3F7.dat"_qs)));
    QVERIFY(headingsWhole(&window, u"?LIST1"));
    QVERIFY(headingsWhole(&window, u"?LIST2"));
    test::grabWindow(&window, u"export_click"_qs);

    // The load's entry list: a click marks, another unmarks; every list's headings whole.
    const auto scan = ImportReports::scan(work.filePath(u"export"_qs), false);
    QVERIFY(scan && !scan->entries.isEmpty());
    auto named = *scan;
    ImportReports importer(run.context, run.prompter, demoYear);
    QVERIFY(importer.name(named));
    ui::ImportListWindow load(run.context, run.services(), u"\\export\\"_qs, named);
    load.show();
    QVERIFY(QTest::qWaitForWindowExposed(&load));
    clickLine(&load, u"?LIST1", 1);
    QCOMPARE(load.entries()[1].mark, int(ImportEntry::Marked));
    clickLine(&load, u"?LIST1", 1);
    QCOMPARE(load.entries()[1].mark, int(ImportEntry::NotMarked));
    for (const QString &equate : {u"?LIST1"_qs, u"?LIST2"_qs, u"?LIST3"_qs})
        QVERIFY2(headingsWhole(&load, equate), qPrintable(equate));
    test::grabWindow(&load, u"import_click"_qs);
}

void TestExchangeWindows::highlightedInstitutionIsTheChosenOne()
{
    test::WorkDir work(true);
    Run run;
    QVERIFY(!exportDistrict(run, u"\\import\\"_qs).target.isEmpty());
    auto scan = ImportReports::scan(work.filePath(u"import"_qs), false);
    QVERIFY(scan);
    ImportReports importer(run.context, run.prompter, demoYear);
    QVERIFY(importer.name(*scan));
    ui::ImportListWindow window(run.context, run.services(), u"\\import\\"_qs, *scan);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Highlighted under "все ЛПУ", then "Выбрать из списка ЛПУ": that line is the chosen one.
    QVERIFY(findControl<QRadioButton>(&window, u"?OPTION1:2")->isChecked());
    clickLine(&window, u"?LIST3", 1);
    findControl<QRadioButton>(&window, u"?OPTION1:1")->click();
    const qint32 chosen = scan->institutions[1].code;
    for (const ImportEntry &e : window.entries())
        QCOMPARE(e.mark == ImportEntry::Marked, e.institution == chosen);
    run.prompter.rules = {{ImportReports::controlsQuestion(), {1}}, {u"ОТЧЕТ ЛПУ "_qs, {1}}};
    test::clickControl(&window, u"?OKBUTTON");
    QVERIFY(!run.prompter.texts.contains(ImportReports::noInstitutionText()));
    QVERIFY(!window.lastOutcome().lines.isEmpty());
    for (const ImportLine &l : window.lastOutcome().lines)
        QCOMPARE(l.institution, chosen);

    // The old-format window the same way.
    work.makeDir(u"old"_qs);
    {
        auto w = data::ExchangeFileWriter::create(work.filePath(u"old/W0007x03.dat"_qs),
                                                  data::ExchangeFormat::Old);
        QVERIFY(w);
        for (const qint32 code : {9001, 9002}) {
            QByteArray bytes = storedOf(run.context, 7, 301, 3).value(0);
            OtchetRecord(bytes).setCodUch(code);
            QVERIFY(w->append(bytes));
        }
        QVERIFY(w->commit());
    }
    OldFormatImport old(run.context, run.prompter, demoYear);
    auto files = *old.files(work.filePath(u"old"_qs));
    files[0].marked = true;
    auto found = *old.institutions(files);
    QCOMPARE(found.institutions.size(), 2);
    ui::OldFilesWindow oldWindow(run.context, run.services(), u"\\old\\"_qs, files, found);
    oldWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&oldWindow));
    findControl<QRadioButton>(&oldWindow, u"?OPTION1:2")->click();
    clickLine(&oldWindow, u"?LIST3", 1);
    findControl<QRadioButton>(&oldWindow, u"?OPTION1:1")->click();
    run.prompter.texts.clear();
    test::clickControl(&oldWindow, u"?OKBUTTON");
    QVERIFY(!run.prompter.texts.contains(ImportReports::noInstitutionText()));
    QCOMPARE(oldWindow.lastOutcome().lines.value(0).institution, found.institutions[1].code);
    QCOMPARE(storedOf(run.context, 7, found.institutions[1].code, 3).size(), 1);
    QVERIFY(storedOf(run.context, 7, found.institutions[0].code, 3).isEmpty());
    // A click marks an old-format file too.
    clickLine(&oldWindow, u"?LIST1", 0);
    QVERIFY(!oldWindow.files()[0].marked);
    QVERIFY(headingsWhole(&oldWindow, u"?LIST2"));
    test::grabWindow(&oldWindow, u"old_click"_qs);
}

// The entries of a daily form, and the results of their load, show each day as its date.
void TestExchangeWindows::dailyReportsListedByDate_data()
{
    QTest::addColumn<QString>("list");
    QTest::newRow("entries") << u"?LIST1"_qs;
    QTest::newRow("results") << u"?LIST2"_qs;
}

void TestExchangeWindows::dailyReportsListedByDate()
{
    QFETCH(QString, list);
    test::WorkDir work(true);
    Run run;
    asInstitution(run, 101);
    ExportReports exporter(run.context);
    auto forms = *exporter.forms(demoYear, ExportPeriods{3, 0, 0, false});
    for (ExportForm &f : forms)
        f.marked = f.code == 52;
    QVERIFY(exporter.write({demoYear, ExportScope::of(run.state), u"\\import\\"_qs, forms}));
    auto scan = ImportReports::scan(work.filePath(u"import"_qs), false);
    QVERIFY(scan && scan->entries.size() == 7);
    ImportReports importer(run.context, run.prompter, demoYear);
    QVERIFY(importer.name(*scan));
    ui::ImportListWindow window(run.context, run.services(), u"\\import\\"_qs, *scan);
    if (list == u"?LIST2"_qs) { // every entry loaded, the stored reports replaced
        window.show();
        findControl<QCheckBox>(&window, u"?CHECK1")->setChecked(true);
        test::clickControl(&window, u"?OKBUTTON");
        QCOMPARE(window.lastOutcome().lines.size(), 7);
    }
    auto *lines = modelOf(&window, list);
    QStringList days;
    for (int r = 0; r < lines->rowCount(); ++r)
        days.append(lines->value(r, 0).toString());
    QCOMPARE(days, (QStringList{u"03.03.25"_qs, u"04.03.25"_qs, u"05.03.25"_qs, u"06.03.25"_qs,
                                u"07.03.25"_qs, u"08.03.25"_qs, u"09.03.25"_qs}));
}

QTEST_MAIN(TestExchangeWindows)
#include "test_exchangewindows.moc"
