// The load of dBase files through its windows on the demo: the district and institution asked
// first (none of either ends it), the path window, the file window with its marks, the year and
// period or the files' own, the counts and rows not found after "ЗАГРУЗИТЬ", a second load, a
// file of persons, and the menu item that starts it.

#include "data/DataContext.h"
#include "data/records/OtchetRecord.h"
#include "exchange/ui/DbfImportWindows.h"
#include "runtime/ui/Controls.h"
#include "shell/AppState.h"
#include "support/ModalScript.h"
#include "support/ScriptedChoices.h"
#include "support/ScriptedPrompter.h"
#include "tests/analysis/ui/WindowTestSupport.h"
#include "tests/exchange/ExchangeFixture.h"
#include "tests/exchange/ExchangeWindowSupport.h"
#include "tools/DemoImportsDbf.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace zemor;
using namespace zemor::exchange;
using data::OtchetRecord;
using runtime::ui::findControl;
using test::labelText;
using test::modelOf;

namespace {

constexpr qint32 institution = tools::DemoImportsDbf::institution;

struct Run : test::ExchangeRun<>
{
    test::ScriptedChoices choices;

    Run()
    {
        state.globYearE = 2026;
        choices.district = {tools::DemoImportsDbf::district, u"Озёрский                      "_s};
        choices.institution = {institution, u"Озёрская ЦРБ"_s};
    }
};

// Marks exactly the file named `name` in the file list.
void markOnly(QWidget *window, const QString &name)
{
    auto *files = modelOf(window, u"?LIST1");
    for (int row = 0; row < files->rowCount(); ++row) {
        const bool wanted = files->value(row, 5).toString() == name;
        if ((files->value(row, 0).toInt() == 1) != wanted)
            files->toggleMark(row);
    }
}

QList<int> storedRows(data::DataContext &ctx, int year, int form, qint32 period)
{
    QList<int> rows;
    for (QByteArray &bytes : test::storedReport(ctx, year, form, institution, period))
        rows.append(OtchetRecord(bytes).unicodStr());
    std::sort(rows.begin(), rows.end());
    return rows;
}

} // namespace

class TestDbfImportWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void menuItemHasItsProcedure();
    void procedure();
    void noDistrictOrInstitutionEnds_data();
    void noDistrictOrInstitutionEnds();
};

void TestDbfImportWindows::menuItemHasItsProcedure()
{
    test::WorkDir work(true);
    test::MenuRun menu(work);
    QVERIFY(menu.procedures().contains(u"ImportDbfReports"_s));
}

void TestDbfImportWindows::procedure()
{
    test::WorkDir work(true);
    Run run;
    run.chooser.answer = work.filePath(u"import"_s);

    bool listed = false;
    test::answerModals({[&](QWidget *w) {
                            QCOMPARE(w->objectName(), u"P1$SCRY"_s);
                            QCOMPARE(w->windowTitle(), u"Загрузка отчетов из программы ОМС "_s);
                            auto *path = findControl<QComboBox>(w, u"?PATH_1:2");
                            QVERIFY(path);
                            QCOMPARE(path->currentText(), u"\\import\\"_s);
                            QCOMPARE(path->count(), 4);
                            QCOMPARE(path->itemText(3), u"D:\\1\\"_s);
                            QCOMPARE(labelText(w, u"?GLOBYEAR"), u"2025"_s);
                            // The folder dialog: the chosen folder with its separator.
                            test::clickControl(w, u"?VIBOR_DIR");
                            QCOMPARE(path->currentText(), work.filePath(u"import"_s) + u'\\');
                            test::grabWindow(w, u"dbf_path"_s);
                            test::clickControl(w, u"?WMES");
                        },
                        [&](QWidget *w) {
                            QCOMPARE(w->objectName(), u"P1$SCRL"_s);
                            QCOMPARE(w->windowTitle(),
                                     u"Загрузка отчетов из новой прогр. счета ЛПУ"_s);
                            QCOMPARE(labelText(w, u"?LOCCODUCH"), u"501"_s);
                            QCOMPARE(labelText(w, u"?LOCNAMEREG"), u"Озёрский"_s);
                            QCOMPARE(labelText(w, u"?LOCNAZVUCH"), u"501 Озёрский Озёрская ЦРБ"_s);
                            auto *year = findControl<QLineEdit>(w, u"?PYEAR");
                            auto *period = findControl<QLineEdit>(w, u"?PMES");
                            auto *typed = findControl<QCheckBox>(w, u"?PLOC");
                            QCOMPARE(year->text(), u"2025"_s);
                            QCOMPARE(period->text(), u"0"_s);
                            QVERIFY(typed->isChecked());

                            // Sorted by name, each with its month, year, form, layout and rows.
                            auto *files = modelOf(w, u"?LIST1");
                            QCOMPARE(files->rowCount(), 3);
                            QCOMPARE(files->value(0, 5).toString(), u"fio501_032026.dBF"_s);
                            QCOMPARE(files->value(0, 1).toInt(), 2026);
                            QCOMPARE(files->value(0, 2).toInt(), 3);
                            QCOMPARE(files->value(0, 3).toInt(), 7);
                            QCOMPARE(files->value(0, 4).toInt(), 2);
                            QCOMPARE(files->value(0, 6).toInt(), 2);
                            QCOMPARE(files->value(1, 1).toInt(), 2025);
                            QCOMPARE(files->value(1, 2).toInt(), 0);
                            QCOMPARE(files->value(1, 3).toInt(), 12);
                            QCOMPARE(files->value(1, 6).toInt(), 14);
                            QCOMPARE(files->value(2, 2).toInt(), 3);
                            QCOMPARE(files->value(2, 4).toInt(), 1);

                            // Nothing marked: nothing loaded.
                            test::clickControl(w, u"?OKBUTTON");
                            QCOMPARE(run.prompter.texts().last(), DbfImport::doneText(0, 0));

                            // The annual file into the typed year and period 0.
                            markOnly(w, u"lpu501_002025.dBF"_s);
                            test::clickControl(w, u"?OKBUTTON");
                            QCOMPARE(run.prompter.texts().last(), DbfImport::doneText(8, 0));
                            QCOMPARE(labelText(w, u"?LOCZAP"), u"8"_s);

                            // The March file by its own name: one row the form does not have.
                            markOnly(w, u"lpu501_032026.dBF"_s);
                            typed->setChecked(false);
                            test::clickControl(w, u"?OKBUTTON");
                            QCOMPARE(labelText(w, u"?LOCZAP"), u"4"_s);
                            QCOMPARE(labelText(w, u"?ERR"), u"0"_s);
                            QCOMPARE(labelText(w, u"?ERR_STR"), u"форма 7:,99"_s);
                            test::grabWindow(w, u"dbf_files"_s);

                            // Again: every row is there already.
                            test::clickControl(w, u"?OKBUTTON");
                            QCOMPARE(labelText(w, u"?LOCZAP"), u"0"_s);
                            QCOMPARE(labelText(w, u"?ERR"), u"4"_s);
                            QCOMPARE(run.prompter.texts().at(run.prompter.texts().size() - 2),
                                     DbfImport::duplicateText(7, 2026, 3, u"1"_s));
                            QCOMPARE(run.prompter.texts().last(), u"ГОТОВО 0(ошибок 4)"_s);

                            // The file of persons is named as not loaded.
                            markOnly(w, u"fio501_032026.dBF"_s);
                            test::clickControl(w, u"?OKBUTTON");
                            QCOMPARE(run.prompter.texts().at(run.prompter.texts().size() - 2),
                                     DbfImport::personsText(u"fio501_032026.dBF"_s));
                            listed = true;
                            test::clickControl(w, u"?CANCELBUTTON");
                        }});
    ui::importDbfReports(run.context, run.services(run.choices));
    QVERIFY(listed);
    QCOMPARE(run.choices.asked, QStringList({u"district 2"_s, u"institution 5"_s}));
    QCOMPARE(storedRows(run.context, 2025, 12, 0), QList<int>({1, 2, 3, 4, 5, 6}));
    QCOMPARE(storedRows(run.context, 2025, 62, 0), QList<int>({1, 2, 3, 4, 5, 6, 7, 8}));
    QCOMPARE(storedRows(run.context, 2026, 7, 3), QList<int>({1, 2, 3, 4}));
    QVERIFY(storedRows(run.context, 2025, 7, 0).isEmpty());
}

void TestDbfImportWindows::noDistrictOrInstitutionEnds_data()
{
    QTest::addColumn<bool>("district");
    QTest::addColumn<QStringList>("asked");
    QTest::newRow("no district") << false << QStringList{u"district 2"_s};
    QTest::newRow("no institution") << true << QStringList{u"district 2"_s, u"institution 5"_s};
}

void TestDbfImportWindows::noDistrictOrInstitutionEnds()
{
    QFETCH(bool, district);
    QFETCH(QStringList, asked);
    test::WorkDir work(true);
    Run run;
    if (!district)
        run.choices.district = {};
    run.choices.institution = {};
    bool opened = false;
    QTimer guard;
    guard.setInterval(20);
    connect(&guard, &QTimer::timeout, [&] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            opened = true;
            modal->close();
        }
    });
    guard.start();
    ui::importDbfReports(run.context, run.services(run.choices));
    QVERIFY(!opened);
    QCOMPARE(run.choices.asked, asked);
    QVERIFY(run.prompter.messages.isEmpty());
}

QTEST_MAIN(TestDbfImportWindows)
#include "test_dbfimportwindows.moc"
