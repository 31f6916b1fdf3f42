// Typing values in report entry, headless: in place in the entry list (Tab along the row, Enter
// down the column, text the picture cannot read refused with a beep) and in the row form (only
// the fields the user changed read back, every value shown whole). A value that is not typed
// over keeps every digit it has, whatever its picture shows.

#include "data/DataContext.h"
#include "entry/ReportStore.h"
#include "entry/ui/EntryWindow.h"
#include "entry/ui/RowEntryForm.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "shell/AppState.h"
#include "support/ScriptedPrompter.h"
#include "tests/entry/EntryFixture.h"
#include "tests/entry/ui/WhenModal.h"
#include "tools/DemoCatalogue.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace zemor;
using namespace zemor::entry;
using namespace zemor::entry::ui;
using namespace Qt::StringLiterals;
using runtime::Decimal;
using runtime::ui::findControl;

namespace {

using test::demoYear;
using test::stored;
using test::whenModal;

// Form 7 ("7-мес", one table of four columns: three "@n_9", the fourth with the default
// "@n_12"), January, of the first institution of the demo; row 1.1 is the second row.
constexpr int rowOneOne = 1;
constexpr int rowOneOneId = 2;

ReportIdentity form7Report()
{
    const tools::DemoInstitution &inst = tools::demoReference().institutions.first();
    return ReportIdentity{demoYear, 7, inst.code, inst.district, 1, 1};
}

Decimal dec(const QString &text)
{
    return *Decimal::fromString(text);
}

// Stores the report as row 1.1 with these values, nothing else.
bool storeRowOneOne(const QList<Decimal> &values)
{
    ReportRow row;
    row.rowId = rowOneOneId;
    row.table = 1000;
    for (int n = 0; n < values.size(); ++n)
        row.values[size_t(n)] = values[n];
    data::DataContext ctx;
    ReportStore store(ctx, form7Report());
    return bool(store.replace({row}));
}

QLineEdit *editorOf(QTableView *list)
{
    return qobject_cast<QLineEdit *>(list->indexWidget(list->currentIndex()));
}

} // namespace

class TestEntryTyping : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void inPlaceAlongTheRowReachesRowFormAndFile();
    void inPlaceReadsOnlyWhatWasTyped_data();
    void inPlaceReadsOnlyWhatWasTyped();
    void rowFormReadsOnlyChangedFields_data();
    void rowFormReadsOnlyChangedFields();

private:
    // The entry window on form 7's report, shown.
    std::unique_ptr<EntryWindow> openWindow();

    std::unique_ptr<QTemporaryDir> m_dir;
    test::ScriptedPrompter m_prompter;
    shell::AppState m_state;
    std::unique_ptr<data::DataContext> m_ctx;
};

void TestEntryTyping::init()
{
    // Every edit ends once, in the view that opened it.
    QTest::failOnWarning(QRegularExpression(u"does not belong to this view"_s));
    m_dir = std::make_unique<QTemporaryDir>();
    const QString failed = test::buildDemoWorkDir(*m_dir);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    m_prompter.reset();
    m_ctx = std::make_unique<data::DataContext>(&m_prompter);
    m_state = shell::AppState{};
    m_state.globYear = demoYear;
}

void TestEntryTyping::cleanup()
{
    m_ctx.reset();
    m_dir.reset();
}

std::unique_ptr<EntryWindow> TestEntryTyping::openWindow()
{
    EntryReport report;
    report.id = form7Report();
    report.formCodeText = u"7-мес"_s;
    report.formName = tools::demoCatalogue().form(7)->name;
    report.periodWord = u"месяц"_s;
    report.title = tools::demoReference().institutions.first().name;
    auto window = std::make_unique<EntryWindow>(
        *m_ctx, shell::ui::Services{m_state, m_prompter, nullptr, nullptr}, report);
    if (!window->openReport())
        return nullptr;
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        return nullptr;
    return window;
}

void TestEntryTyping::inPlaceAlongTheRowReachesRowFormAndFile()
{
    // Row 1.1: 30, 10, 20 and 5 typed in place with Tab between them, then Enter. The 5 is
    // stored by the Enter, shown by the row form and kept by its "F2-сохранить".
    const ReportIdentity id = form7Report();
    QVERIFY(storeRowOneOne({}));
    std::unique_ptr<EntryWindow> window = openWindow();
    QVERIFY(window);
    auto *list = findControl<QTableView>(window.get(), u"?BROWSE:1");

    QStringList formShowed;
    bool formOpened = false;
    auto inspectForm = [&](QWidget *form) {
        formOpened = true;
        for (int n = 1; n <= 4; ++n)
            formShowed << findControl<QLineEdit>(form, u"?QT:DATA%1"_s.arg(n))->text();
        QTest::mouseClick(findControl<QPushButton>(form, u"?BUTTONOK"), Qt::LeftButton);
    };
    whenModal(inspectForm);

    window->editInPlace(rowOneOne, 1);
    const QStringList typed{u"30"_s, u"10"_s, u"20"_s, u"5"_s};
    for (int n = 1; n <= 4; ++n) {
        QTRY_COMPARE(list->currentIndex().column(), 3 + n);
        QTRY_VERIFY(editorOf(list));
        QCOMPARE(list->currentIndex().row(), rowOneOne);
        QLineEdit *editor = editorOf(list);
        QTest::keyClicks(editor, typed[n - 1]);
        QTest::keyClick(editor, n < 4 ? Qt::Key_Tab : Qt::Key_Return);
        // The Enter ends the edit where it is: no row form over a value still being typed.
        QVERIFY2(!formOpened, qPrintable(formShowed.join(u',')));
    }
    QTRY_COMPARE(window->session().entryRows()[rowOneOne].value(4), dec(u"5"_s));
    for (int n = 1; n <= 4; ++n)
        QCOMPARE(window->session().entryRows()[rowOneOne].value(n), dec(typed[n - 1]));
    // Enter went on down the same column; Escape leaves the edit, Enter opens the row form.
    QTRY_VERIFY(editorOf(list));
    QCOMPARE(list->currentIndex().row(), rowOneOne + 1);
    QCOMPARE(list->currentIndex().column(), 7);
    QTest::keyClick(editorOf(list), Qt::Key_Escape);
    QTRY_VERIFY(!editorOf(list));
    window->binding()->selectRow(rowOneOne);
    QTest::keyClick(list, Qt::Key_Return);
    QTRY_VERIFY(formOpened);
    QCOMPARE(formShowed, typed);
    QCOMPARE(window->session().entryRows()[rowOneOne].value(4), dec(u"5"_s));

    QTest::mouseClick(findControl<QPushButton>(window.get(), u"?SAVEOTH"), Qt::LeftButton);
    const ReportRows saved = stored(id);
    QCOMPARE(saved.size(), 1);
    for (int n = 1; n <= 4; ++n)
        QCOMPARE(saved.first().value(n), dec(typed[n - 1]));
    QCOMPARE(m_prompter.beeps, 0);
    m_prompter.fallback = 2;
    window->close();
}

void TestEntryTyping::inPlaceReadsOnlyWhatWasTyped_data()
{
    QTest::addColumn<int>("value");      // the value number edited, in row 1.1
    QTest::addColumn<QString>("typed");  // empty: the text shown is left as it is
    QTest::addColumn<QString>("key");    // "enter", "down" or "tab"
    QTest::addColumn<bool>("refused");   // a beep, the edit stays on the cell
    QTest::addColumn<QString>("stored"); // the value afterwards

    // Row 1.1 holds 12, 7, -7.25 (more places than "@n_9" shows) and 1234567890123.5 (wider
    // than "@n_12").
    QTest::newRow("not a number, enter") << 1 << u"12x"_s << u"enter"_s << true << u"12"_s;
    QTest::newRow("not a number, tab") << 2 << u"1-2"_s << u"tab"_s << true << u"7"_s;
    QTest::newRow("not a number, down") << 1 << u"x"_s << u"down"_s << true << u"12"_s;
    QTest::newRow("too wide for the picture")
        << 4 << u"1234567890123"_s << u"enter"_s << true << u"1234567890123.5"_s;
    QTest::newRow("unchanged, rounded by its picture")
        << 3 << QString() << u"enter"_s << false << u"-7.25"_s;
    QTest::newRow("unchanged, wider than its picture")
        << 4 << QString() << u"tab"_s << false << u"1234567890123.5"_s;
    QTest::newRow("typed with grouping blanks")
        << 1 << u"1 234"_s << u"down"_s << false << u"1234"_s;
}

void TestEntryTyping::inPlaceReadsOnlyWhatWasTyped()
{
    QFETCH(int, value);
    QFETCH(QString, typed);
    QFETCH(QString, key);
    QFETCH(bool, refused);
    QFETCH(QString, stored);

    QVERIFY(
        storeRowOneOne({dec(u"12"_s), dec(u"7"_s), dec(u"-7.25"_s), dec(u"1234567890123.5"_s)}));
    std::unique_ptr<EntryWindow> window = openWindow();
    QVERIFY(window);
    auto *list = findControl<QTableView>(window.get(), u"?BROWSE:1");
    window->editInPlace(rowOneOne, value);
    QTRY_VERIFY(editorOf(list));
    QLineEdit *editor = editorOf(list);
    // The field is given the value whole, never as a row of '#'.
    QVERIFY2(!editor->text().contains(u'#'), qPrintable(editor->text()));
    if (!typed.isEmpty()) {
        editor->selectAll();
        QTest::keyClicks(editor, typed);
    }
    QTest::keyClick(editor, key == u"tab"    ? Qt::Key_Tab
                            : key == u"down" ? Qt::Key_Down
                                             : Qt::Key_Return);
    if (refused) {
        QCOMPARE(m_prompter.beeps, 1);
        QTest::qWait(50);
        QCOMPARE(editorOf(list), editor);
        QCOMPARE(list->currentIndex().row(), rowOneOne);
        QCOMPARE(list->currentIndex().column(), 3 + value);
        QCOMPARE(editor->text(), typed);
        QVERIFY(!window->session().modified());
    } else {
        QCOMPARE(m_prompter.beeps, 0);
        // The edit went on to another cell.
        QTRY_VERIFY(list->currentIndex().row() != rowOneOne ||
                    list->currentIndex().column() != 3 + value);
        QCOMPARE(window->session().modified(), !typed.isEmpty());
    }
    QCOMPARE(window->session().entryRows()[rowOneOne].value(value), dec(stored));
    m_prompter.fallback = 2;
    if (editorOf(list))
        QTest::keyClick(editorOf(list), Qt::Key_Escape);
    window->close();
}

void TestEntryTyping::rowFormReadsOnlyChangedFields_data()
{
    QTest::addColumn<QString>("way"); // "f2", "button" or "last" (the last field left forward)
    QTest::newRow("F2") << u"f2"_s;
    QTest::newRow("F2-сохранить") << u"button"_s;
    QTest::newRow("last field left") << u"last"_s;
}

void TestEntryTyping::rowFormReadsOnlyChangedFields()
{
    // Row 1.1 holds 123456789012.5 (wider than "@n_9"), 7, 0 and -7.25 (more places than
    // "@n_12" shows). The user types 4 over the third value and stores the row: the third is
    // read back, the others keep their values exactly, and no field shows '#'.
    QFETCH(QString, way);
    QVERIFY(storeRowOneOne({dec(u"123456789012.5"_s), dec(u"7"_s), Decimal(), dec(u"-7.25"_s)}));
    ReportSession session(*m_ctx, &m_prompter);
    QVERIFY(session.open(form7Report()));
    session.setControlOff(true);
    RowEntryForm form(session, rowOneOne, u"7 форма"_s, m_prompter);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QStringList shown;
    for (int n = 1; n <= 4; ++n)
        shown << findControl<QLineEdit>(&form, u"?QT:DATA%1"_s.arg(n))->text();
    QCOMPARE(shown, (QStringList{u"123456789012.5"_s, u"7"_s, u"0"_s, u"-7"_s}));

    auto *third = findControl<QLineEdit>(&form, u"?QT:DATA3"_s);
    third->setFocus();
    third->selectAll();
    QTest::keyClicks(third, u"4"_s);
    if (way == u"f2") {
        QTest::keyClick(third, Qt::Key_F2);
    } else if (way == u"button") {
        QTest::mouseClick(findControl<QPushButton>(&form, u"?BUTTONOK"), Qt::LeftButton);
    } else {
        QTest::keyClick(third, Qt::Key_Tab);
        QTest::keyClick(findControl<QLineEdit>(&form, u"?QT:DATA4"_s), Qt::Key_Tab);
    }
    QCOMPARE(m_prompter.beeps, 0);
    QCOMPARE(session.rowsWrittenBack(), 1);
    const EntryRow &row = session.entryRows()[rowOneOne];
    QCOMPARE(row.value(1), dec(u"123456789012.5"_s));
    QCOMPARE(row.value(2), dec(u"7"_s));
    QCOMPARE(row.value(3), dec(u"4"_s));
    QCOMPARE(row.value(4), dec(u"-7.25"_s));
    form.close();

    session.rowFormClosed();
    QVERIFY(session.saveReport());
    const ReportRows saved = stored(form7Report());
    QCOMPARE(saved.size(), 1);
    QCOMPARE(saved.first().value(1), dec(u"123456789012.5"_s));
    QCOMPARE(saved.first().value(4), dec(u"-7.25"_s));
    QVERIFY(session.close());
}

QTEST_MAIN(TestEntryTyping)
#include "test_entry_typing.moc"
