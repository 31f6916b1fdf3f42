// The window of the CSV load of form 62 on the demo, driven through its controls with scripted
// answers: the frame's menu item opening it, the file list of the demo's import folder, a load
// of every listed file with its counts and errors, a second load counting the rows present, the
// summary file chosen with "Загрузка свода", and a blank path.

#include "data/DataContext.h"
#include "exchange/ui/Form62CsvWindow.h"
#include "runtime/ui/Controls.h"
#include "shell/AppState.h"
#include "shell/ui/MainFrame.h"
#include "support/ModalScript.h"
#include "tests/analysis/ui/WindowTestSupport.h"
#include "tests/exchange/ExchangeFixture.h"
#include "tests/exchange/ExchangeWindowSupport.h"
#include "tools/DemoCatalogue.h"
#include "tools/DemoForm62.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace zemor;
using namespace zemor::exchange;
using data::OtchetRecord;
using runtime::ui::findControl;
using test::labelText;
using test::modelOf;

namespace {

constexpr int year = 2026;

} // namespace

class TestForm62CsvWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theMenuItemOpensTheWindow();
    void loadsTheListedFilesAndTheSummary();
};

void TestForm62CsvWindow::theMenuItemOpensTheWindow()
{
    test::WorkDir work(true);
    test::MenuRun menu(work);
    data::DataContext data(&menu.prompter);
    shell::ui::MainFrame frame(menu.state, data, menu.prompter, menu.ini, menu.procedures());
    frame.initialize(year);
    frame.show();
    QAction *item = frame.menuAction(u"Загрузка 62 формы из xls выгруженных с сайта 2016"_s);
    QVERIFY(item && item->isEnabled());
    bool opened = false;
    test::answerModals({[&](QWidget *w) {
        opened = w->objectName() == u"P23$WINDOW"_s;
        test::clickControl(w, u"?EXIT_B");
    }});
    item->trigger();
    QVERIFY(opened);
}

void TestForm62CsvWindow::loadsTheListedFilesAndTheSummary()
{
    test::WorkDir work(true);
    test::ExchangeRun<> run(year);
    auto stored = [&](qint32 institution) {
        return test::storedRecords(run.context, year, 62, [&](const OtchetRecord &r) {
            return r.codUch() == institution;
        });
    };

    bool ran = false;
    test::answerModals({test::closingAfter([&](QWidget *w) {
        QCOMPARE(w->objectName(), u"P23$WINDOW"_s);
        QCOMPARE(w->windowTitle(), ui::Form62CsvWindow::title());
        auto *path = findControl<QLineEdit>(w, u"?PATH2");
        QCOMPARE(path->text(), u"IMPORT\\"_s);
        QCOMPARE(modelOf(w, u"?LIST1:2")->rowCount(),
                 tools::demoCatalogue().form(62)->tables.size());

        // A blank path lists nothing.
        path->setText(u"  "_s);
        test::clickControl(w, u"?OK_FILE");
        QCOMPARE(run.prompter.messages.takeLast().text, u"Путь и имя файла"_s);

        path->setText(u"IMPORT\\"_s);
        test::clickControl(w, u"?OK_FILE");
        QCOMPARE(run.prompter.messages.takeLast().text, u"Alles"_s);
        auto *files = modelOf(w, u"?LIST1");
        QCOMPARE(files->rowCount(), 6);
        QCOMPARE(files->value(0, 0).toString(), u"502_9000.csv"_s);
        QCOMPARE(files->value(0, 1).toInt(), 502);
        QCOMPARE(files->value(0, 2).toInt(), 9000);
        QCOMPARE(labelText(w, u"?QPRECORD#"), u"6"_s);

        test::clickControl(w, u"?OK");
        QCOMPARE(run.prompter.messages.takeLast().text, u"Alles"_s);
        QVERIFY(run.prompter.messages.isEmpty());
        QCOMPARE(labelText(w, u"?QP#"), u"6"_s);
        QCOMPARE(files->value(0, 3).toInt(), 0);
        test::grabWindow(w, u"form62csv_loaded"_s);

        // Loading again adds nothing; each file counts its rows as present.
        test::clickControl(w, u"?OK");
        QCOMPARE(run.prompter.messages.takeLast().text, u"Alles"_s);
        QCOMPARE(files->value(0, 3).toInt(), 3);
        QCOMPARE(files->value(5, 0).toString(), u"501_1000.csv"_s);
        QCOMPARE(files->value(5, 3).toInt(), 10);

        // The summary file: chosen in the list with "Загрузка свода" checked.
        path->setText(u"import\\svod"_s);
        test::clickControl(w, u"?OK_FILE");
        QCOMPARE(files->rowCount(), 1);
        findControl<QCheckBox>(w, u"?LOC_SWOD")->setChecked(true);
        auto *window = qobject_cast<ui::Form62CsvWindow *>(w);
        QVERIFY(window);
        window->chooseFile(0);
        run.prompter.messages.clear();
        test::clickControl(w, u"?OK");
        QCOMPARE(run.prompter.texts(), QStringList{u"Alles"_s});
        QCOMPARE(files->value(0, 3).toInt(), 0);
        test::grabWindow(w, u"form62csv_summary"_s);
        ran = true;
        test::clickControl(w, u"?EXIT_B");
    })});
    ui::importForm62Csv(run.context, run.services());
    QVERIFY(ran);
    QVERIFY(!stored(501).isEmpty());
    QVERIFY(!stored(502).isEmpty());
    for (int inst : tools::DemoForm62::summarySampleInstitutions())
        QCOMPARE(stored(inst).size(), 10 + 3);
}

QTEST_MAIN(TestForm62CsvWindow)
#include "test_form62csvwindow.moc"
