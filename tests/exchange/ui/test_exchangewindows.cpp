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
#include "tests/exchange/ExchangeFixture.h"
#include "tests/exchange/ExchangeWindowSupport.h"

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

struct Run : test::ExchangeRun<AnsweringPrompter>
{
    Run()
    {
        state.globTipUser = 1; // the demo installation: district 3
        state.globKodUser = 3;
        state.globCodReg = 3;
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

QTEST_MAIN(TestExchangeWindows)
#include "test_exchangewindows.moc"
