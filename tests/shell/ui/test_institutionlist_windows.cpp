// The window of the list of institutions on the demo directory, started from the frame's menu
// as the program starts it, with its export to a workbook.

#include "tests/shell/ShellFixture.h"

#include "app/ProcedureTable.h"
#include "runtime/ini/IniFile.h"
#include "runtime/office/OfficeServer.h"
#include "runtime/office/XlsxReader.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "shell/AppState.h"
#include "shell/ExcelLauncher.h"
#include "shell/ui/InstitutionListWindow.h"
#include "shell/ui/MainFrame.h"
#include "shell/ui/WaitingWindow.h"
#include "tools/DemoCatalogue.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableView>
#include <QTest>
#include <QTimer>

using namespace zemor;
using namespace Qt::StringLiterals;
using runtime::office::OfficeServer;
using runtime::ui::findControl;
using shell::ExcelLauncher;
using test::ScriptedPrompter;
using test::WorkDir;

namespace {

QString shotsDir()
{
    const QString dir = QDir(qEnvironmentVariable("ZEMOR_TEST_BINARY_DIR", QDir::currentPath()))
                            .filePath(QStringLiteral("screenshots"));
    QDir().mkpath(dir);
    return dir;
}

// The institutions of the demo directory that the list of `year` shows.
QList<tools::DemoInstitution> listedInDemo(int year)
{
    QList<tools::DemoInstitution> listed;
    for (const tools::DemoInstitution &i : tools::demoReference().institutions) {
        if (i.worksIn(year) && i.code != 998 && i.code != 999 && i.settlement != 3)
            listed.append(i);
    }
    return listed;
}

} // namespace

class ServicesBWindowsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void institutionListFromMenu();
    void waitingWindow_data();
    void waitingWindow();
};

void ServicesBWindowsTest::institutionListFromMenu()
{
    WorkDir dir(true);
    runtime::ini::IniFile ini(dir.filePath(QStringLiteral("zemor.INI")));
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    shell::AppState state;
    OfficeServer office;
    shell::ui::MainFrame frame(state, data, prompter, ini,
                               app::procedureTable({state, prompter, &office}));
    frame.initialize(2026);
    frame.show();
    const int year = state.globYear;
    QVERIFY(year > 0);
    const QList<tools::DemoInstitution> expected = listedInDemo(year);
    QVERIFY(!expected.isEmpty());

    QAction *menu = frame.menuAction(QStringLiteral("Список ЛПУ"));
    QVERIFY(menu);
    QVERIFY(menu->isEnabled());

    bool seen = false;
    bool exported = false;
    QTimer::singleShot(0, qApp, [&] {
        QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
        auto *window =
            qobject_cast<shell::ui::InstitutionListWindow *>(QApplication::activeModalWidget());
        QVERIFY(window);
        const auto close = qScopeGuard([window] { window->close(); });
        QCOMPARE(window->objectName(), QStringLiteral("P32$SCRL"));
        QCOMPARE(window->windowTitle(),
                 QStringLiteral("Список ЛПУ. ") + QString::number(year) + QStringLiteral("год."));
        QCOMPARE(findControl<QLineEdit>(window, u"?KOL")->text().trimmed(),
                 QString::number(expected.size()));

        auto *list = findControl<QTableView>(window, u"?LIST1");
        QVERIFY(list);
        QCOMPARE(list->model()->rowCount(), expected.size());
        const QStringList headings{QStringLiteral("N"),     QStringLiteral("код"),
                                   QStringLiteral("район"), QStringLiteral("вид"),
                                   QStringLiteral("село"),  QStringLiteral("учреждение")};
        for (int column = 0; column < headings.size(); ++column)
            QCOMPARE(list->model()->headerData(column, Qt::Horizontal).toString(),
                     headings.at(column));
        for (int column = headings.size(); column < list->model()->columnCount(); ++column)
            QVERIFY(list->isColumnHidden(column));

        // The first line is the first institution of the first district, by kind and name.
        const shell::InstitutionListEntry first = window->entries().first();
        runtime::ui::ListBinding *binding = window->binding();
        QCOMPARE(binding->cellText(0, 0).trimmed(), QStringLiteral("1"));
        QCOMPARE(binding->cellText(0, 1).trimmed(), QString::number(first.cod));
        QCOMPARE(binding->cellText(0, 5).trimmed(), first.name);
        const tools::DemoInstitution *demo = tools::demoReference().institution(first.cod);
        QVERIFY(demo);
        for (const tools::DemoInstitution &i : expected)
            QVERIFY(i.district >= demo->district);

        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCoreApplication::processEvents();
        QVERIFY(window->grab().save(QDir(shotsDir()).filePath(u"institution-list.png"_s)));

        QTest::mouseClick(findControl<QPushButton>(window, u"?EXCEL"), Qt::LeftButton);
        exported = true;
        seen = true;
    });
    menu->trigger();
    QVERIFY(seen);
    QVERIFY(exported);
    QVERIFY(QApplication::activeModalWidget() == nullptr);

    QCOMPARE(prompter.texts(), QStringList{ExcelLauncher::doneText()});
    QCOMPARE(office.shownDocuments().size(), 1);
    const QString shown = office.shownDocuments().first();
    QCOMPARE(QFileInfo(shown).fileName(), QStringLiteral("1.XLS"));
    const auto book = runtime::office::XlsxReader::read(shown);
    QVERIFY(book);
    QCOMPARE(book->cell(9, 6)->displayText(), QStringLiteral("Название"));
    int rows = 0;
    while (book->cell(11 + rows, 1) && !book->cell(11 + rows, 1)->displayText().isEmpty())
        ++rows;
    QCOMPARE(rows, expected.size());

    // Kept beside the screenshots, to be opened in a spreadsheet program by hand.
    const QString copy = QDir(shotsDir()).filePath(u"institution-list.xlsx"_s);
    QFile::remove(copy);
    QVERIFY(QFile::copy(shown, copy));
}

void ServicesBWindowsTest::waitingWindow_data()
{
    QTest::addColumn<bool>("excelRunning");
    QTest::addColumn<QString>("lastMessage");

    // Once the template has been opened; or once, before the user is asked to start Excel.
    QTest::newRow("Excel running") << true << ExcelLauncher::doneText();
    QTest::newRow("Excel not reachable") << false << ExcelLauncher::notDoneText();
}

// An export shows "ЖДЕМ..." for a moment while the spreadsheet program is waited for, and the
// window goes by itself.
void ServicesBWindowsTest::waitingWindow()
{
    QFETCH(bool, excelRunning);
    QFETCH(QString, lastMessage);

    WorkDir dir(true);
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    OfficeServer office;
    office.setServiceAvailable(ExcelLauncher::serviceName(), excelRunning);
    auto entries = shell::InstitutionList(data, 2026).fill();
    QVERIFY(entries);
    shell::ui::InstitutionListWindow window(std::move(*entries), 2026, office, prompter);
    window.show();

    int shown = 0;
    QPointer<QWidget> last;
    QTimer watch;
    watch.setInterval(5);
    connect(&watch, &QTimer::timeout, this, [&] {
        QWidget *waiting = QApplication::activeModalWidget();
        if (!waiting || waiting == last || waiting->objectName() != u"P1$WIN1"_s)
            return;
        last = waiting;
        ++shown;
        QVERIFY(qobject_cast<shell::ui::WaitingWindow *>(waiting));
        QCOMPARE(waiting->findChild<QLabel *>()->text(), u"ЖДЕМ..."_s);
        QTest::keyClick(waiting, Qt::Key_Escape); // does not end the wait
        QVERIFY(waiting->isVisible());
    });
    watch.start();
    QTest::mouseClick(findControl<QPushButton>(&window, u"?EXCEL"), Qt::LeftButton);
    watch.stop();

    QCOMPARE(shown, 1);
    QVERIFY(!last); // it closed itself and is gone
    QVERIFY(prompter.lastText().endsWith(lastMessage));
}

QTEST_MAIN(ServicesBWindowsTest)
#include "test_institutionlist_windows.moc"
