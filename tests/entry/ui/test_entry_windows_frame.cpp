// Report entry started from the program's frame with the shell's own pick windows: the menu
// item and the toolbar button are there, the toolbar opens a modeless entry window of its own,
// and closing the frame runs that window's closing sequence before the program ends.

#include "app/ProcedureTable.h"
#include "data/DataContext.h"
#include "entry/ReportMarker.h"
#include "entry/ReportReader.h"
#include "entry/ui/EntryWindow.h"
#include "runtime/fs/Paths.h"
#include "runtime/ini/IniFile.h"
#include "runtime/office/OfficeServer.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/QueueModel.h"
#include "shell/AppState.h"
#include "shell/ui/InstitutionPickWindow.h"
#include "shell/ui/MainFrame.h"
#include "shell/ui/PickListWindow.h"
#include "support/DemoWorkDir.h"
#include "support/ModalScript.h"
#include "support/ScriptedPrompter.h"
#include "tools/DemoCatalogue.h"
#include "tools/DemoReports.h"

#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace zemor;
using namespace Qt::StringLiterals;
using runtime::ui::findControl;

namespace {

constexpr int demoYear = 2025;

using test::answerModals;
const auto pick = test::pickCode;

const tools::DemoInstitution &quietInstitution()
{
    for (const tools::DemoInstitution &inst : tools::demoReference().institutions) {
        if (inst.worksIn(demoYear) && !tools::demoReportsFrom(inst.code, demoYear) &&
            inst.district < 100)
            return inst;
    }
    qFatal("the demo has no quiet institution");
}

} // namespace

class TestEntryWindowsFrame : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void closingTheFrameClosesEntryWindows();
};

void TestEntryWindowsFrame::closingTheFrameClosesEntryWindows()
{
    test::WorkDir work(true);
    const QString root = work.path();

    runtime::ini::IniFile ini(QDir(root).filePath(u"zemor.INI"_s));
    test::ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    shell::AppState state;
    runtime::office::OfficeServer office;
    auto *frame = new shell::ui::MainFrame(state, data, prompter, ini,
                                           app::procedureTable({state, prompter, &office}));
    QPointer<QWidget> frameAlive = frame;
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->initialize(demoYear);
    frame->show();
    state.globYear = demoYear;
    state.globTipUser = 0;

    QAction *menu = frame->menuAction(u"Ввод отчетов"_s);
    QVERIFY(menu && menu->isEnabled());
    auto *toolbar = findControl<QPushButton>(frame, u"?BUTTON3");
    QVERIFY(toolbar && toolbar->isEnabled());

    // The toolbar: form, district and institution from the shell's pick windows.
    const tools::DemoInstitution &inst = quietInstitution();
    answerModals({pick(12), pick(inst.district), pick(inst.code)});
    QTest::mouseClick(toolbar, Qt::LeftButton);
    QTRY_COMPARE(frame->procedureWindows().size(), 1);
    auto *entry = qobject_cast<entry::ui::EntryWindow *>(frame->procedureWindows().first());
    QVERIFY(entry);
    QVERIFY(!entry->isModal());
    const entry::ReportIdentity id = entry->report().id;
    QCOMPARE(id.institution, inst.code);
    QCOMPARE(id.form, 12);
    entry->session().storeValue(1, 2, runtime::Decimal::fromUnits(4, 0));
    QVERIFY(prompter.messages.isEmpty());

    // Closing the frame asks to save the modified report, saves it and releases the marker.
    prompter.answers = {1};
    frame->close();
    QTRY_VERIFY(!frameAlive);
    QCOMPARE(prompter.texts().first(), u"СОХРАНИТЬ  ОТЧЕТ ?"_s);
    data::DataContext check;
    const auto rows =
        entry::ReportReader(check).report(id.year, id.form, id.period, id.institution);
    QVERIFY(rows && rows->size() == 1);
    QCOMPARE(rows->first().value(2), runtime::Decimal::fromUnits(4, 0));
    entry::ReportMarker marker(check, id.year, id.institution, id.form);
    QCOMPARE(marker.exists().value_or(true), false);
}

QTEST_MAIN(TestEntryWindowsFrame)
#include "test_entry_windows_frame.moc"
