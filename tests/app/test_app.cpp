// The program's own wiring: its INI file found whatever the case of its name, report entry
// from the frame's menu reading the forms of the year the frame shows at that moment, and the
// printed pages of a procedure shown in the page preview before anything reaches the printer.

#include "app/IniPath.h"
#include "app/ProcedureTable.h"
#include "data/DataContext.h"
#include "data/records/FormaRecord.h"
#include "entry/ui/EntryWindow.h"
#include "runtime/fs/Paths.h"
#include "runtime/ini/IniFile.h"
#include "runtime/office/OfficeServer.h"
#include "runtime/report/PageList.h"
#include "runtime/report/PageSink.h"
#include "runtime/ui/Controls.h"
#include "shell/AppState.h"
#include "shell/ShellFixture.h"
#include "shell/ui/MainFrame.h"
#include "shell/ui/PreviewWindow.h"
#include "support/ModalScript.h"
#include "support/ScriptedPrompter.h"
#include "tools/DemoCatalogue.h"
#include "tools/DemoReports.h"

#include <QAction>
#include <QCheckBox>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

using namespace zemor;
using namespace Qt::StringLiterals;

namespace {

// A printer that keeps what reaches it: the title and the page count of each print.
class RecordingPrinter : public runtime::report::PageSink
{
public:
    explicit RecordingPrinter(QStringList &printed) : m_printed(printed) {}
    runtime::Result<bool> output(const runtime::report::PageList &pages,
                                 const QString &title) override
    {
        m_printed << u"%1: %2"_s.arg(title).arg(pages.count());
        return true;
    }

private:
    QStringList &m_printed;
};

} // namespace

class AppTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void iniFileWhateverItsCase_data();
    void iniFileWhateverItsCase();
    void entryFromMenuListsTheFrameYearsForms();
    void printingGoesThroughThePreview();
};

void AppTest::iniFileWhateverItsCase_data()
{
    QTest::addColumn<QString>("onDisk"); // empty: no INI file yet
    QTest::addColumn<QString>("found");
    QTest::newRow("as the program writes it") << u"zemor.INI"_s << u"zemor.INI"_s;
    QTest::newRow("upper case") << u"ZEMOR.INI"_s << u"ZEMOR.INI"_s;
    QTest::newRow("lower case") << u"zemor.ini"_s << u"zemor.ini"_s;
    QTest::newRow("none yet") << QString() << u"zemor.INI"_s;
}

void AppTest::iniFileWhateverItsCase()
{
    QFETCH(QString, onDisk);
    QFETCH(QString, found);
    test::WorkDir dir;
    if (!onDisk.isEmpty())
        dir.writeFile(onDisk, "[Main]\nX=1\n");
    QCOMPARE(app::iniFilePath(), dir.filePath(found));
    if (!onDisk.isEmpty())
        QCOMPARE(runtime::ini::IniFile(app::iniFilePath()).value(u"Main"_s, u"X"_s), u"1"_s);
}

void AppTest::entryFromMenuListsTheFrameYearsForms()
{
    test::WorkDir dir(true);
    const QList<int> years = tools::demoYears();
    const int first = years.first();
    const int second = years.last();
    QVERIFY(first != second);
    // The second year has a form the first has not.
    constexpr qint64 newForm = 777;
    {
        data::DataContext data;
        data.names().setYearFileNames(second);
        test::addRecord(data, data::FileId::forma, [](QByteArray &bytes) {
            data::FormaRecord form(bytes);
            QVERIFY(form.setUnicod(newForm));
            form.setName(u"Форма нового года"_s);
            form.setCod(u"777"_s);
        });
    }

    runtime::ini::IniFile ini(app::iniFilePath());
    test::ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    shell::AppState state;
    runtime::office::OfficeServer office;
    shell::ui::MainFrame frame(state, data, prompter, ini,
                               app::procedureTable({state, prompter, &office}));
    frame.initialize(first);
    frame.show();
    state.globTipUser = 0;
    QCOMPARE(int(state.globYear), first);
    QAction *menu = frame.menuAction(u"Ввод отчетов"_s);
    QVERIFY(menu && menu->isEnabled());

    // A report of the first year, entered from the menu and closed again.
    const tools::DemoInstitution *inst = nullptr;
    for (const tools::DemoInstitution &i : tools::demoReference().institutions) {
        if (i.worksIn(first) && !tools::demoReportsFrom(i.code, first) && i.district < 100) {
            inst = &i;
            break;
        }
    }
    QVERIFY(inst);
    QList<qint64> firstForms;
    bool entered = false;
    test::answerModals({[&](QWidget *w) {
                            firstForms = test::listedCodes(w);
                            test::pickCode(12)(w);
                        },
                        test::pickCode(inst->district), test::pickCode(inst->code),
                        [&](QWidget *w) {
                            entered = qobject_cast<entry::ui::EntryWindow *>(w) != nullptr;
                            w->close();
                        }});
    menu->trigger();
    QVERIFY(entered);
    QVERIFY(firstForms.contains(12));
    QVERIFY(!firstForms.contains(newForm));

    // The second year set on the frame: the form list is that year's.
    runtime::ui::findControl<QSpinBox>(&frame, u"?GLOBYEAR")->setValue(second);
    QCOMPARE(int(state.globYear), second);
    QList<qint64> secondForms;
    test::answerModals({[&](QWidget *w) {
        secondForms = test::listedCodes(w);
        qobject_cast<QDialog *>(w)->reject();
    }});
    menu->trigger();
    QVERIFY(secondForms.contains(newForm));
    QVERIFY(secondForms.contains(12));
    QVERIFY2(prompter.messages.isEmpty(), qPrintable(prompter.lastText()));
}

void AppTest::printingGoesThroughThePreview()
{
    test::WorkDir dir(true);
    test::ScriptedPrompter prompter;
    shell::AppState state;
    state.globYear = tools::demoYears().first();
    runtime::office::OfficeServer office;
    QStringList printed;
    shell::ui::Services process{state, prompter, &office};
    process.printer = [&printed](QWidget *) { return std::make_unique<RecordingPrinter>(printed); };
    const shell::ui::Procedures table = app::procedureTable(process);

    // The list of the control rules of form 12, as the frame opens it.
    data::DataContext data(&prompter);
    test::answerModals({test::pickCode(12)});
    const QPointer<QWidget> list = table.value(u"ControlsList"_s)(data, nullptr, false);
    QVERIFY(list);

    const auto rowRules = [](QWidget *options) {
        runtime::ui::findControl<QCheckBox>(options, u"?CHECK2")->setChecked(true);
        runtime::ui::findControl<QPushButton>(options, u"?OK")->click();
    };
    // Each print shows the preview first, with nothing printed yet.
    int previewPages = 0;
    const auto preview = [&](bool print) {
        return test::closingAfter([&, print](QWidget *w) {
            auto *shown = qobject_cast<shell::ui::PreviewWindow *>(w);
            QVERIFY2(shown, qPrintable(w->windowTitle()));
            QCOMPARE(shown->windowTitle(), u"Просмотр"_s);
            QVERIFY2(printed.isEmpty(), qPrintable(printed.join(u", "_s)));
            previewPages = shown->paging().pageCount();
            if (print)
                runtime::ui::findControl<QPushButton>(w, u"?PRINTREPORT")->click();
        });
    };
    auto *printButton = runtime::ui::findControl<QPushButton>(list, u"?PRN");

    // The preview closed: nothing reaches the printer.
    auto watch = test::answerModals({rowRules, preview(false)});
    printButton->click();
    test::disarm(watch);
    QVERIFY(previewPages > 0);
    QVERIFY2(printed.isEmpty(), qPrintable(printed.join(u", "_s)));

    // "Печать" in the preview: the pages shown reach the printer once.
    previewPages = 0;
    watch = test::answerModals({rowRules, preview(true)});
    printButton->click();
    test::disarm(watch);
    QVERIFY(previewPages > 0);
    QCOMPARE(printed, QStringList{u"Список  контролей: %1"_s.arg(previewPages)});
    QVERIFY2(prompter.messages.isEmpty(), qPrintable(prompter.lastText()));
    list->close();
}

QTEST_MAIN(AppTest)
#include "test_app.moc"
