// Report entry in its windows, headless, on a fresh demo working directory per test: the
// choices in their order, the whole road of a report (row form, on-line check, totals, control,
// save, reopen), the report-in-use marker between two windows, the ways out, the row form's
// last value field and the entry in place down a column.

#include "data/DataContext.h"
#include "data/records/TablRecord.h"
#include "entry/ui/EnterReports.h"
#include "entry/ui/EntryWindow.h"
#include "entry/ui/RowEntryForm.h"
#include "entry/ui/SavingWindow.h"
#include "runtime/report/PageSink.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "shell/AppState.h"
#include "support/ScriptedChoices.h"
#include "support/ScriptedPrompter.h"
#include "tests/entry/EntryFixture.h"
#include "tests/entry/ui/WhenModal.h"
#include "tools/DemoCatalogue.h"
#include "tools/DemoReports.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>

using namespace zemor;
using namespace zemor::entry;
using namespace zemor::entry::ui;
using namespace Qt::StringLiterals;
using runtime::ui::findControl;

namespace {

using test::demoYear;
using test::markerExists;
using test::stored;
using test::whenModal;

// Report entry's choices answered from a script, with the process state they go with.
struct ScriptedChoices : test::ScriptedChoices
{
    shell::AppState state;
};

// What report entry is started with: the process state of `choices`, the scripted answers, no
// office, and pages printed to a PDF file of the temporary folder.
shell::ui::Services entryServices(runtime::Prompter &prompter,
                                  const std::shared_ptr<ScriptedChoices> &choices)
{
    static const auto pages = std::make_shared<runtime::report::PdfSink>(
        QDir(QDir::tempPath()).filePath(u"zemor-entry-pages.pdf"_s));
    return {choices->state, prompter, nullptr, choices, pages};
}

// An institution that sends nothing: its reports are new.
const tools::DemoInstitution &quietInstitution()
{
    for (const tools::DemoInstitution &inst : tools::demoReference().institutions) {
        if (inst.worksIn(demoYear) && !tools::demoReportsFrom(inst.code, demoYear) &&
            inst.district < 100)
            return inst;
    }
    qFatal("the demo has no quiet institution");
}

// The choice of a demo form as the form window makes it; none for code 0.
shell::ui::FormChoice formChoice(int formCode)
{
    if (formCode == 0)
        return shell::ui::FormChoice{};
    const tools::DemoForm *f = tools::demoCatalogue().form(formCode);
    return shell::ui::FormChoice{formCode, f->name, f->designation, f->periodicity};
}

std::shared_ptr<ScriptedChoices> choicesFor(int formCode, const tools::DemoInstitution &inst)
{
    auto c = std::make_shared<ScriptedChoices>();
    c->state.globYear = demoYear;
    c->state.globYearS = tools::demoYears().first();
    c->state.globYearE = tools::demoYears().last();
    c->form = formChoice(formCode);
    c->period = c->form.periodKind == 0 ? 0 : 1;
    c->district = shell::PickedEntry{inst.district, u"Заречный"_s};
    c->institution = shell::PickedEntry{inst.code, inst.name};
    return c;
}

ReportIdentity identityOf(const ScriptedChoices &c)
{
    return ReportIdentity{
        demoYear,          c.form.form, qint32(c.institution.code), int(c.district.code),
        c.form.periodKind, c.period};
}

QString artifactPath(const QString &name)
{
    return QDir(qEnvironmentVariable("ZEMOR_TEST_BINARY_DIR", QDir::tempPath())).filePath(name);
}

void click(QWidget *window, QStringView equate)
{
    auto *button = findControl<QPushButton>(window, equate);
    QVERIFY2(button, qPrintable(equate.toString()));
    QVERIFY2(button->isEnabled(), qPrintable(equate.toString()));
    QTest::mouseClick(button, Qt::LeftButton);
}

// Types a row into the row form: the row code, then every value, each field left with Enter
// (the last one stores the row).
void typeRow(QWidget *form, const QString &code, const QStringList &values)
{
    auto *rowCode = findControl<QLineEdit>(form, u"?QT:CODSTR");
    QVERIFY(rowCode);
    rowCode->setText(code);
    QTest::keyClick(rowCode, Qt::Key_Return);
    for (int n = 1; n <= values.size(); ++n) {
        auto *field = findControl<QLineEdit>(form, u"?QT:DATA%1"_s.arg(n));
        QVERIFY(field);
        field->setText(values[n - 1]);
        QTest::keyClick(field, Qt::Key_Return);
    }
}

EntryWindow *asEntryWindow(QWidget *w)
{
    return qobject_cast<EntryWindow *>(w);
}

// Another writer: holds the first record of one file in a transaction of its own, so that the
// entry window's writes to that file are refused once the (shortened) share wait runs out.
class RecordHolder
{
public:
    explicit RecordHolder(data::FileId file) : m_file(file) {}
    ~RecordHolder()
    {
        if (m_held)
            release();
    }

    data::DataContext &context() { return m_ctx; }

    bool hold()
    {
        if (!m_ctx.open(m_file))
            return false;
        runtime::store::KeyedFile &f = m_ctx.file(m_file);
        if (!f.begin() || !f.setPhysical() || !f.next() || !f.put())
            return false;
        m_wait = runtime::store::KeyedFile::shareWait();
        runtime::store::KeyedFile::setShareWait(std::chrono::milliseconds(100));
        m_held = true;
        return true;
    }

    // Restores the share wait and gives the record up; false when the rollback failed.
    bool release()
    {
        runtime::store::KeyedFile::setShareWait(m_wait);
        m_held = false;
        const bool rolledBack = bool(m_ctx.file(m_file).rollback());
        m_ctx.close(m_file);
        return rolledBack;
    }

private:
    data::FileId m_file;
    data::DataContext m_ctx;
    decltype(runtime::store::KeyedFile::shareWait()) m_wait{};
    bool m_held = false;
};

// A third table of form 12 that the catalogue gives no rows.
bool addTableWithoutRows(data::DataContext &ctx)
{
    ctx.names().setYearFileNames(demoYear);
    if (!ctx.open(data::FileId::tabl))
        return false;
    data::TablRecord t(ctx.record(data::FileId::tabl));
    t.clear();
    t.setUnicodT(9012);
    bool ok = t.setCodForm(12) && t.setCodTabl(3000) && t.setSm(0) && t.setA(2);
    t.setName(u"Без строк"_s);
    ok = ok && ctx.file(data::FileId::tabl).add();
    ctx.close(data::FileId::tabl);
    return ok;
}

// Ends the work on the report the way a test names: "save", "table", "empty" (save it empty),
// "clear" (the table), "delete", or anything else to close the window.
void endBy(EntryWindow *entry, const QString &way)
{
    if (way == u"save")
        click(entry, u"?SAVEOTH");
    else if (way == u"table")
        click(entry, u"?PUTTABL");
    else if (way == u"empty")
        click(entry, u"?SAVEOTHNUL");
    else if (way == u"clear")
        click(entry, u"?CLEARTABL");
    else if (way == u"delete")
        click(entry, u"?DEL1");
    else
        entry->close();
}

} // namespace

class TestEntryWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void choicesInTheirOrder_data();
    void choicesInTheirOrder();
    void reportFromChoiceToReopening();
    void secondWindowMeetsTheMarker_data();
    void secondWindowMeetsTheMarker();
    void waysOut_data();
    void waysOut();
    void givenReportDeletedTellsTheCaller();
    void failedWriteKeepsTheWindow_data();
    void failedWriteKeepsTheWindow();
    void markerLeftBehindStillEnds_data();
    void markerLeftBehindStillEnds();
    void changeOfFormOrInstitution_data();
    void changeOfFormOrInstitution();
    void lastValueFieldStoresWhenLeftForward();
    void entryInPlaceGoesDownTheColumn();
    void tableWithoutRowsEndsTheWindow_data();
    void tableWithoutRowsEndsTheWindow();
    void reopeningAfterChangeKeepsControlSwitch_data();
    void reopeningAfterChangeKeepsControlSwitch();
    void rowTextFollowsTheSelectedRow();
    void emptyReportSavedAgainSaysSo();
    void formWithoutTablesToldOnce();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    test::ScriptedPrompter m_prompter;
    std::unique_ptr<data::DataContext> m_ctx;
};

void TestEntryWindows::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    const QString failed = test::buildDemoWorkDir(*m_dir);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    m_prompter.reset();
    m_ctx = std::make_unique<data::DataContext>(&m_prompter);
}

void TestEntryWindows::cleanup()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (asEntryWindow(w))
            delete w;
    }
    m_ctx.reset();
    m_dir.reset();
}

void TestEntryWindows::choicesInTheirOrder_data()
{
    QTest::addColumn<int>("form");
    QTest::addColumn<int>("userType");
    QTest::addColumn<int>("district");
    QTest::addColumn<int>("period");
    QTest::addColumn<QStringList>("asked");
    QTest::addColumn<int>("institution"); // 0: the procedure ended without a window

    const int d = quietInstitution().district;
    const int own = quietInstitution().code;
    QTest::newRow("district picks institution")
        << 12 << 0 << d << 0
        << QStringList{u"form"_s, u"period"_s, u"district 2"_s, u"institution %1"_s.arg(d)} << own;
    QTest::newRow("region summary 250")
        << 12 << 0 << 250 << 0 << QStringList{u"form"_s, u"period"_s, u"district 2"_s} << 20000;
    QTest::newRow("districts summary 251")
        << 12 << 0 << 251 << 0 << QStringList{u"form"_s, u"period"_s, u"district 2"_s} << 20001;
    QTest::newRow("no district chosen")
        << 12 << 0 << 0 << 0 << QStringList{u"form"_s, u"period"_s, u"district 2"_s} << 0;
    QTest::newRow("monthly form, period window closed")
        << 7 << 0 << d << 0 << QStringList{u"form"_s, u"period"_s} << 0;
    QTest::newRow("district installation asks no district")
        << 12 << 1 << d << 0 << QStringList{u"form"_s, u"period"_s, u"institution %1"_s.arg(d)}
        << own;
    QTest::newRow("no form chosen") << 0 << 0 << d << 0 << QStringList{u"form"_s} << 0;
}

void TestEntryWindows::choicesInTheirOrder()
{
    QFETCH(int, form);
    QFETCH(int, userType);
    QFETCH(int, district);
    QFETCH(int, period);
    QFETCH(QStringList, asked);
    QFETCH(int, institution);

    auto choices = choicesFor(12, quietInstitution());
    choices->form = formChoice(form);
    choices->period = period;
    choices->state.globTipUser = userType;
    choices->state.globCodReg = district;
    choices->district.code = district;

    QPointer<QWidget> window =
        EnterReports::interactive(*m_ctx, entryServices(m_prompter, choices), true);
    QCOMPARE(choices->asked, asked);
    QCOMPARE(bool(window), institution != 0);
    if (window) {
        auto *entry = asEntryWindow(window);
        QCOMPARE(entry->report().id.institution, institution);
        QCOMPARE(entry->objectName(), u"P1$SCRL"_s);
        QVERIFY(markerExists(entry->report().id));
        const ReportIdentity id = entry->report().id;
        window->close();
        QTRY_VERIFY(!window);
        QVERIFY(!markerExists(id));
    }
    QVERIFY(m_prompter.messages.isEmpty());
}

void TestEntryWindows::reportFromChoiceToReopening()
{
    const tools::DemoInstitution &inst = quietInstitution();
    auto choices = choicesFor(12, inst);
    // A year before the available ones is held within them, with the message.
    choices->state.globYear = tools::demoYears().first() - 5;
    QPointer<QWidget> window =
        EnterReports::interactive(*m_ctx, entryServices(m_prompter, choices), true);
    QVERIFY(window);
    const int first = tools::demoYears().first();
    QCOMPARE(m_prompter.texts(), QStringList{u"Возможный период с %1г. по %2г."_s.arg(first).arg(
                                     tools::demoYears().last())});
    QCOMPARE(choices->state.globYear, first);
    QCOMPARE(asEntryWindow(window)->report().id.year, first);
    m_prompter.reset();
    window->close();
    QTRY_VERIFY(!window);

    choices->state.globYear = demoYear;
    choices->asked.clear();
    window = EnterReports::interactive(*m_ctx, entryServices(m_prompter, choices), true);
    QVERIFY(window);
    EntryWindow *entry = asEntryWindow(window);
    const ReportIdentity id = identityOf(*choices);
    QVERIFY(QTest::qWaitForWindowExposed(entry));
    QCOMPARE(entry->windowTitle(), inst.district < 100 ? u"Заречный р-н, "_s + inst.name.trimmed()
                                                       : u"Заречный, "_s + inst.name.trimmed());
    QCOMPARE(findControl<QLabel>(entry, u"?STRING1")->text(), u"1000 Взрослые и дети"_s);
    QCOMPARE(findControl<QLabel>(entry, u"?LOCGLOBYEAR")->text(), u"2025"_s);
    QVERIFY(findControl<QPushButton>(entry, u"?RT")->isEnabled());
    QVERIFY(findControl<QPushButton>(entry, u"?PRNT1")->isEnabled());
    QVERIFY(!findControl<QPushButton>(entry, u"?EXCEL")->isEnabled());
    QVERIFY(findControl<QPushButton>(entry, u"?F342_OCT")->isHidden());
    QVERIFY(!findControl<QPushButton>(entry, u"?UPTABL")->isEnabled());
    QVERIFY(findControl<QPushButton>(entry, u"?DNTABL")->isEnabled());

    // A new report of a table with calculations starts with the on-line check off.
    auto *controlOff = findControl<QCheckBox>(entry, u"?LOCCONTR");
    QVERIFY(controlOff->isChecked());
    controlOff->click();
    QVERIFY(!entry->session().controlOff());

    // Row by row in the row form; row 1.2 has more first-time diagnoses than cases.
    auto *list = findControl<QTableView>(entry, u"?BROWSE:1");
    entry->binding()->selectRow(1);
    bool formSeen = false;
    whenModal([&](QWidget *form) {
        formSeen = form->objectName() == u"P1$SCRADD"_s;
        QCOMPARE(findControl<QLineEdit>(form, u"?QT:CODSTR")->text(), u"1.1"_s);
        QCOMPARE(findControl<QLabel>(form, u"?GR_2")->text(), u"из них у мужчин"_s);
        QVERIFY(!findControl<QLineEdit>(form, u"?QT:DATA5"));
        typeRow(form, u"1.1"_s, {u"3"_s, u"1"_s, u"2"_s, u"0"_s});
        typeRow(form, u"1.2"_s, {u"6"_s, u"2"_s, u"4"_s, u"7"_s});
        // The failed rule's fields are flagged: its left column with the relation and the
        // terms' sum, its terms with "?"; the next row shown clears them.
        QStringList flags;
        for (int n = 1; n <= 4; ++n)
            flags << findControl<QLabel>(form, u"?FLAG_%1"_s.arg(n))->text();
        QVERIFY2(flags.contains(u"?"_s), qPrintable(flags.join(u',')));
        QVERIFY2(std::any_of(flags.cbegin(), flags.cend(),
                             [](const QString &f) { return f.size() > 1 && f.startsWith(u'?'); }),
                 qPrintable(flags.join(u',')));
        typeRow(form, u"1.3"_s, {u"9"_s, u"3"_s, u"6"_s, u"0"_s});
        for (int n = 1; n <= 4; ++n)
            QVERIFY(findControl<QLabel>(form, u"?FLAG_%1"_s.arg(n))->text().isEmpty());
        QVERIFY(form->grab().save(artifactPath(u"entry_row_form.png"_s)));
    });
    QTest::keyClick(list, Qt::Key_Return);
    QVERIFY(formSeen);
    QCOMPARE(m_prompter.messages.size(), 1);
    QVERIFY(m_prompter.lastText().startsWith(u"Не выполнено условие|"_s));
    m_prompter.reset();
    QCOMPARE(entry->binding()->cellText(2, 1).trimmed(), u"?"_s);
    QCOMPARE(entry->binding()->cellText(1, 1).trimmed(), QString());
    QCOMPARE(entry->binding()->cellText(2, 7).trimmed(), u"7"_s);
    QVERIFY(entry->session().modified());

    // A width the user gave a column stays while the table is shown.
    const int formatWidth = list->columnWidth(5);
    list->setColumnWidth(5, formatWidth + 60);
    click(entry, u"?RT");
    QCOMPARE(list->columnWidth(5), formatWidth + 60);
    QCOMPARE(entry->binding()->cellText(0, 4).trimmed(), u"18"_s);
    QCOMPARE(entry->binding()->cellText(0, 5).trimmed(), u"6"_s);
    QCOMPARE(entry->binding()->cellText(0, 6).trimmed(), u"12"_s);
    // The fixed columns stand level with the values: row 1.2 lies at the same height in both.
    QTableView *fixed = entry->binding()->fixedView();
    QVERIFY(fixed);
    QTRY_COMPARE(
        fixed->viewport()->mapTo(list, fixed->visualRect(list->model()->index(2, 0)).topLeft()).y(),
        list->viewport()->mapTo(list, list->visualRect(list->model()->index(2, 4)).topLeft()).y());
    QVERIFY(entry->grab().save(artifactPath(u"entry_window.png"_s)));

    // The whole-report check lists the failed rule.
    QStringList failureTexts;
    whenModal([&](QWidget *w) {
        QCOMPARE(w->windowTitle(), u"Список"_s);
        auto *failures = findControl<QTableView>(w, u"?BROWSE:1");
        QVERIFY(failures);
        for (int r = 0; r < failures->model()->rowCount(); ++r)
            failureTexts.append(failures->model()->index(r, 3).data().toString());
    });
    click(entry, u"?CONTRS");
    // Only row 1.2 fails, and the totals made every other rule hold.
    QCOMPARE(failureTexts, QStringList{u"т1000с1.2 г4(7)<=(6)г1"_s});

    click(entry, u"?SAVEOTH");
    QCOMPARE(m_prompter.texts(), (QStringList{u"Сохранено 4 записей из 4"_s, u"ЗАПИСАНО ."_s}));
    QCOMPARE(stored(id).size(), 4);
    m_prompter.reset();
    {
        // The saving window as it stands while a record is written: nothing cut off.
        SavingWindow saving(entry);
        saving.show();
        QVERIFY(QTest::qWaitForWindowExposed(&saving));
        saving.showRow(12345);
        QCOMPARE(saving.windowTitle(), u"ВНИМАНИЕ!"_s);
        for (QLabel *label : saving.findChildren<QLabel *>())
            QVERIFY(label->sizeHint().width() <= label->width());
        QCOMPARE(saving.rowText(), u"12345"_s);
        QVERIFY(saving.grab().save(artifactPath(u"entry_saving_window.png"_s)));
    }
    window->close();
    QTRY_VERIFY(!window);
    QVERIFY(m_prompter.messages.isEmpty()); // saved: closing does not ask
    QVERIFY(!markerExists(id));

    window = EnterReports::interactive(*m_ctx, entryServices(m_prompter, choices), true);
    QVERIFY(window);
    entry = asEntryWindow(window);
    const QStringList expected[] = {{u"18"_s, u"6"_s, u"12"_s, u"7"_s},
                                    {u"3"_s, u"1"_s, u"2"_s, QString()},
                                    {u"6"_s, u"2"_s, u"4"_s, u"7"_s},
                                    {u"9"_s, u"3"_s, u"6"_s, QString()}};
    for (int r = 0; r < 4; ++r) {
        for (int n = 0; n < 4; ++n) {
            const QString shown = entry->binding()->cellText(r, 4 + n).trimmed();
            QVERIFY2(shown == expected[r][n] || (expected[r][n].isEmpty() && shown == u"0"_s),
                     qPrintable(u"row %1 value %2: %3"_s.arg(r).arg(n + 1).arg(shown)));
        }
    }
    // The failing row is marked again when the report is read back.
    QCOMPARE(entry->binding()->cellText(2, 1).trimmed(), u"?"_s);
    window->close();
    QTRY_VERIFY(!window);
}

void TestEntryWindows::secondWindowMeetsTheMarker_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("opened");
    QTest::newRow("exit") << 1 << false;
    QTest::newRow("continue") << 2 << true;
}

void TestEntryWindows::secondWindowMeetsTheMarker()
{
    QFETCH(int, answer);
    QFETCH(bool, opened);
    auto choices = choicesFor(12, quietInstitution());
    const ReportIdentity id = identityOf(*choices);
    QPointer<QWidget> first =
        EnterReports::interactive(*m_ctx, entryServices(m_prompter, choices), true);
    QVERIFY(first);

    // A second window of its own, with its own data context, side by side with the first.
    data::DataContext otherCtx;
    test::ScriptedPrompter other;
    other.answers = {answer};
    QPointer<QWidget> second =
        EnterReports::interactive(otherCtx, entryServices(other, choices), true);
    QCOMPARE(other.messages.size(), 1);
    QCOMPARE(other.messages[0].buttons, u"&Выход|&Продолжить"_s);
    QVERIFY(other.messages[0].text.startsWith(u"Если был сбой"_s));
    QCOMPARE(bool(second), opened);
    QVERIFY(markerExists(id)); // a refused window leaves the owner's marker
    if (second) {
        second->close();
        QTRY_VERIFY(!second);
        QVERIFY(!markerExists(id)); // going on made the marker the second window's
    }
    first->close();
    QTRY_VERIFY(!first);
    QVERIFY(!markerExists(id));
}

void TestEntryWindows::waysOut_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<int>("records"); // stored afterwards
    QTest::addColumn<bool>("ended");

    const QString save = u"СОХРАНИТЬ  ОТЧЕТ ?"_s;
    QTest::newRow("close, do not save")
        << u"close"_s << QList<int>{2} << QStringList{save} << 0 << true;
    QTest::newRow("close, save") << u"close"_s << QList<int>{1}
                                 << QStringList{save, u"Сохранено 1 записей из 1"_s} << 1 << true;
    QTest::newRow("empty report over data, cancelled")
        << u"empty"_s << QList<int>{2}
        << QStringList{u"В отчете есть данные.|Сохранить пустой отчет ?"_s} << 0 << false;
    QTest::newRow("empty report over data")
        << u"empty"_s << QList<int>{1}
        << QStringList{u"В отчете есть данные.|Сохранить пустой отчет ?"_s, u"ЗАПИСАНО ."_s} << 1
        << true;
    QTest::newRow("clear table, no")
        << u"clear"_s << QList<int>{1} << QStringList{u"Очистить таблицу 1000?"_s} << 0 << false;
    QTest::newRow("table saved") << u"table"_s << QList<int>{}
                                 << QStringList{u"Данная таблица записана в базу"_s} << 1 << false;
    QTest::newRow("delete, no") << u"delete"_s << QList<int>{1} << QStringList{u"УДАЛИТЬ ОТЧЕТ ?"_s}
                                << 0 << false;
    QTest::newRow("delete") << u"delete"_s << QList<int>{2} << QStringList{u"УДАЛИТЬ ОТЧЕТ ?"_s}
                            << 0 << true;
}

void TestEntryWindows::waysOut()
{
    QFETCH(QString, way);
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, texts);
    QFETCH(int, records);
    QFETCH(bool, ended);

    auto choices = choicesFor(12, quietInstitution());
    const ReportIdentity id = identityOf(*choices);
    QPointer<QWidget> window =
        EnterReports::interactive(*m_ctx, entryServices(m_prompter, choices), true);
    QVERIFY(window);
    EntryWindow *entry = asEntryWindow(window);
    // One row with a value: the report holds data and is modified.
    entry->session().storeValue(1, 2, runtime::Decimal::fromUnits(5, 0));
    entry->session().syncReportQueue();

    m_prompter.answers = answers;
    endBy(entry, way);
    QCOMPARE(m_prompter.texts(), texts);
    QCOMPARE(stored(id).size(), records);
    if (way == u"empty" && records == 1)
        QVERIFY(stored(id).first().values == ReportRow().values);
    if (ended) {
        QTRY_VERIFY(!window);
        QVERIFY(!markerExists(id));
    } else {
        QVERIFY(window && window->isVisible());
        QVERIFY(markerExists(id));
        m_prompter.fallback = 2;
        window->close();
        QTRY_VERIFY(!window);
    }
}

void TestEntryWindows::givenReportDeletedTellsTheCaller()
{
    // A stored report opened by its caller; deleting it sets the caller's district to 0.
    tools::DemoReport sample;
    for (const tools::DemoReport &r : tools::demoReports(demoYear)) {
        if (r.form == 62) {
            sample = r;
            break;
        }
    }
    QVERIFY(sample.form == 62);
    const ReportIdentity id{sample.year,     sample.form,        sample.institution,
                            sample.district, sample.periodicity, sample.period};
    QVERIFY(!stored(id).isEmpty());
    GivenReport given;
    given.institution = sample.institution;
    given.district = sample.district;
    given.form = sample.form;
    given.period = sample.period;
    given.periodKind = sample.periodicity;
    given.formCodeText = u"62"_s;
    given.formName = u"Медицинские кадры"_s;
    given.districtName = u"Заречный"_s;
    given.title = u"ЦРБ"_s;
    auto choices = choicesFor(62, quietInstitution());

    bool changesOff = false;
    whenModal(
        [&](QWidget *w) {
            changesOff = !findControl<QPushButton>(w, u"?NEWFORM")->isEnabled() &&
                         !findControl<QPushButton>(w, u"?LPU")->isEnabled();
            m_prompter.answers = {2};
            click(w, u"?DEL1");
        },
        false);
    EnterReports::givenReport(*m_ctx, entryServices(m_prompter, choices), given);
    QVERIFY(changesOff);
    QCOMPARE(given.district, 0);
    QVERIFY(stored(id).isEmpty());
    QVERIFY(!markerExists(id));
}

void TestEntryWindows::failedWriteKeepsTheWindow_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<QList<int>>("answers");
    QTest::newRow("save report") << u"save"_s << QList<int>{};
    QTest::newRow("save table") << u"table"_s << QList<int>{};
    QTest::newRow("empty report") << u"empty"_s << QList<int>{1};
    QTest::newRow("delete") << u"delete"_s << QList<int>{2};
    QTest::newRow("close, save") << u"close"_s << QList<int>{1};
}

void TestEntryWindows::failedWriteKeepsTheWindow()
{
    // Another writer holds the report file: no success message, the window stays open with
    // the report and its marker, and the file keeps what it had.
    QFETCH(QString, way);
    QFETCH(QList<int>, answers);
    tools::DemoReport sample;
    for (const tools::DemoReport &r : tools::demoReports(demoYear)) {
        if (r.form == 62) {
            sample = r;
            break;
        }
    }
    auto choices = choicesFor(62, quietInstitution());
    choices->institution.code = sample.institution;
    choices->district.code = sample.district;
    choices->period = sample.period;
    const ReportIdentity id = identityOf(*choices);
    const ReportRows before = stored(id);
    QVERIFY(!before.isEmpty());
    QPointer<QWidget> window =
        EnterReports::interactive(*m_ctx, entryServices(m_prompter, choices), true);
    QVERIFY(window);
    EntryWindow *entry = asEntryWindow(window);
    entry->session().storeValue(0, 1, runtime::Decimal::fromUnits(777, 0));

    RecordHolder holder(data::FileId::otchet);
    holder.context().names().setOtchetFileName(id.year, int(id.form));
    QVERIFY(holder.hold());

    m_prompter.reset();
    m_prompter.answers = answers;
    endBy(entry, way);
    QVERIFY(holder.release());

    QVERIFY(!m_prompter.texts().contains(u"ЗАПИСАНО ."_s));
    QVERIFY(!m_prompter.texts().contains(u"Данная таблица записана в базу"_s));
    QVERIFY(m_prompter.messages.last().icon == runtime::MessageIcon::Error);
    QVERIFY(window && window->isVisible());
    QVERIFY(markerExists(id));
    QVERIFY(entry->session().modified());
    QCOMPARE(entry->session().entryRows()[0].value(1), runtime::Decimal::fromUnits(777, 0));
    const ReportRows after = stored(id);
    QCOMPARE(after.size(), before.size());
    for (int i = 0; i < after.size(); ++i)
        QVERIFY(after[i].values == before[i].values);

    m_prompter.reset();
    m_prompter.fallback = 2;
    window->close();
    QTRY_VERIFY(!window);
    QVERIFY(!markerExists(id));
}

void TestEntryWindows::markerLeftBehindStillEnds_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<int>("records"); // stored afterwards
    QTest::newRow("close, save") << u"close"_s << QList<int>{1} << 1;
    QTest::newRow("empty report") << u"empty"_s << QList<int>{1} << 1;
    QTest::newRow("delete") << u"delete"_s << QList<int>{2} << 0;
}

void TestEntryWindows::markerLeftBehindStillEnds()
{
    // Another writer holds the marker file, so the marker cannot be removed: the report is
    // still saved or deleted, the window ends (it is not left open over a closed report, nor
    // refuses to close) and the user is told that the marker stayed.
    QFETCH(QString, way);
    QFETCH(QList<int>, answers);
    QFETCH(int, records);
    auto choices = choicesFor(12, quietInstitution());
    const ReportIdentity id = identityOf(*choices);
    QPointer<QWidget> window =
        EnterReports::interactive(*m_ctx, entryServices(m_prompter, choices), true);
    QVERIFY(window);
    EntryWindow *entry = asEntryWindow(window);
    entry->session().storeValue(1, 2, runtime::Decimal::fromUnits(5, 0));
    entry->session().syncReportQueue();

    RecordHolder holder(data::FileId::WWOD);
    QVERIFY(holder.hold());

    m_prompter.reset();
    m_prompter.answers = answers;
    endBy(entry, way);
    QVERIFY(holder.release());

    QTRY_VERIFY(!window);
    QVERIFY(m_prompter.messages.last().icon == runtime::MessageIcon::Error);
    QVERIFY(m_prompter.lastText().startsWith(u"Отметка о занятости отчета не снята|"_s));
    QCOMPARE(stored(id).size(), records);
    // The session kept the marker as its own, so once the file was free again the window's
    // end removed it after all.
    QVERIFY(!markerExists(id));
}

void TestEntryWindows::changeOfFormOrInstitution_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("newForm"); // 0: nothing chosen
    QTest::addColumn<int>("newDistrict");
    QTest::addColumn<bool>("open");      // the window goes on
    QTest::addColumn<int>("openedForm"); // the form then open

    const int d = quietInstitution().district;
    QTest::newRow("form cancelled") << u"form"_s << 0 << d << true << 12;
    QTest::newRow("form changed") << u"form"_s << 14 << d << true << 14;
    QTest::newRow("institution, no district") << u"institution"_s << 12 << 0 << false << 0;
    QTest::newRow("institution changed") << u"institution"_s << 12 << d << true << 12;
}

void TestEntryWindows::changeOfFormOrInstitution()
{
    QFETCH(QString, change);
    QFETCH(int, newForm);
    QFETCH(int, newDistrict);
    QFETCH(bool, open);
    QFETCH(int, openedForm);

    auto choices = choicesFor(12, quietInstitution());
    const ReportIdentity first = identityOf(*choices);
    QPointer<QWidget> window =
        EnterReports::interactive(*m_ctx, entryServices(m_prompter, choices), true);
    QVERIFY(window);
    EntryWindow *entry = asEntryWindow(window);
    entry->session().storeValue(0, 1, runtime::Decimal::fromUnits(5, 0));

    choices->form = formChoice(newForm);
    choices->period = 1;
    choices->district.code = newDistrict;
    choices->asked.clear();
    m_prompter.reset();
    m_prompter.answers = {2}; // "Сохранить отчет ?": "&Нет"
    click(entry, change == u"form" ? u"?NEWFORM" : u"?LPU");
    QCOMPARE(m_prompter.texts().first(), u"Сохранить отчет ?"_s);
    QCOMPARE(choices->asked.first(), change == u"form" ? u"form"_s : u"district 2"_s);
    if (!open) {
        QTRY_VERIFY(!window);
        QVERIFY(!markerExists(first));
        return;
    }
    QVERIFY(window && window->isVisible());
    QCOMPARE(entry->report().id.form, openedForm);
    QVERIFY(markerExists(entry->report().id));
    if (openedForm != 12)
        QVERIFY(!markerExists(first));
    // Cancelled, the same report goes on with what was typed; otherwise the new one is fresh.
    const bool same = newForm == 0;
    QCOMPARE(entry->session().entryRows()[0].value(1).isZero(), !same);
    QCOMPARE(findControl<QLabel>(entry, u"?STRING2")->text().section(u' ', 0, 0),
             QString::number(openedForm));
    m_prompter.fallback = 2;
    window->close();
    QTRY_VERIFY(!window);
}

void TestEntryWindows::lastValueFieldStoresWhenLeftForward()
{
    // Table 2000 of form 12 has two value columns: the last one is typed like any other, and
    // the row is stored only when the focus leaves it forward.
    auto choices = choicesFor(12, quietInstitution());
    ReportSession session(*m_ctx, &m_prompter);
    QVERIFY(session.open(identityOf(*choices)));
    QVERIFY(session.chooseTable(2000));
    session.setControlOff(true);
    RowEntryForm form(session, 0, u"12 форма"_s, m_prompter);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(findControl<QLineEdit>(&form, u"?QT:DATA2"));
    QVERIFY(!findControl<QLineEdit>(&form, u"?QT:DATA3"));

    auto *first = findControl<QLineEdit>(&form, u"?QT:DATA1");
    auto *last = findControl<QLineEdit>(&form, u"?QT:DATA2");
    first->setText(u"8"_s);
    QTest::keyClick(first, Qt::Key_Down);
    // Reaching the last field stores nothing yet.
    QCOMPARE(session.rowsWrittenBack(), 0);
    QVERIFY(session.entryRows()[0].value(1).isZero());
    last->setText(u"3"_s);
    QTest::keyClick(last, Qt::Key_Tab);
    QCOMPARE(session.rowsWrittenBack(), 1);
    QCOMPARE(session.entryRows()[0].value(1), runtime::Decimal::fromUnits(8, 0));
    QCOMPARE(session.entryRows()[0].value(2), runtime::Decimal::fromUnits(3, 0));

    // A value the picture does not read is not stored: a beep, the row stays as it was.
    last->setText(u"abc"_s);
    QTest::keyClick(last, Qt::Key_Return);
    QCOMPARE(m_prompter.beeps, 1);
    QCOMPARE(session.rowsWrittenBack(), 1);
    QCOMPARE(session.entryRows()[0].value(2), runtime::Decimal::fromUnits(3, 0));

    // F2 stores from any field; moving to another row without storing loses what was typed.
    last->setText(u"3"_s);
    first->setText(u"9"_s);
    QTest::keyClick(first, Qt::Key_F2);
    QCOMPARE(session.entryRows()[0].value(1), runtime::Decimal::fromUnits(9, 0));
    first->setText(u"1"_s);
    auto *code = findControl<QLineEdit>(&form, u"?QT:CODSTR");
    code->setText(u"1.1"_s);
    QTest::keyClick(code, Qt::Key_Return);
    QCOMPARE(form.currentRow(), 1);
    QCOMPARE(session.entryRows()[0].value(1), runtime::Decimal::fromUnits(9, 0));
    form.close();
    QVERIFY(session.close());
}

void TestEntryWindows::entryInPlaceGoesDownTheColumn()
{
    auto choices = choicesFor(12, quietInstitution());
    QPointer<QWidget> window =
        EnterReports::interactive(*m_ctx, entryServices(m_prompter, choices), true);
    QVERIFY(window);
    EntryWindow *entry = asEntryWindow(window);
    QVERIFY(QTest::qWaitForWindowExposed(entry));
    auto *list = findControl<QTableView>(entry, u"?BROWSE:1");
    findControl<QCheckBox>(entry, u"?WWODCOL")->click();
    QCOMPARE(list->currentIndex().column(), 4);

    entry->editInPlace(0, 3);
    for (int row = 0; row < 4; ++row) {
        QTRY_VERIFY(qobject_cast<QLineEdit *>(list->indexWidget(list->currentIndex())));
        QCOMPARE(list->currentIndex().row(), row);
        auto *editor = qobject_cast<QLineEdit *>(list->indexWidget(list->currentIndex()));
        editor->setText(QString::number(row + 10));
        // Down and Enter both store the value and go on down.
        QTest::keyClick(editor, row % 2 ? Qt::Key_Down : Qt::Key_Return);
        QTRY_COMPARE(entry->session().entryRows()[row].value(3),
                     runtime::Decimal::fromUnits(row + 10, 0));
    }
    // Past the last row the list has the focus again, without an edit field.
    QTRY_VERIFY(!list->indexWidget(list->currentIndex()));
    QVERIFY(entry->session().modified());
    QCOMPARE(entry->binding()->cellText(3, 6).trimmed(), u"13"_s);

    // A window closed while a value is edited only ends the edit.
    entry->editInPlace(1, 1);
    QTRY_VERIFY(list->indexWidget(list->currentIndex()));
    window->close();
    QVERIFY(window && window->isVisible());
    m_prompter.answers = {2};
    window->close();
    QTRY_VERIFY(!window);
    QCOMPARE(m_prompter.texts(), QStringList{u"СОХРАНИТЬ  ОТЧЕТ ?"_s});
}

void TestEntryWindows::tableWithoutRowsEndsTheWindow_data()
{
    QTest::addColumn<bool>("saveFails"); // the closing sequence's save is refused
    QTest::newRow("closing sequence") << false;
    QTest::newRow("save refused, empty report asked for") << true;
}

void TestEntryWindows::tableWithoutRowsEndsTheWindow()
{
    // Stepping onto a table without rows shows why, then runs the closing sequence, which
    // ends the window. When its save is refused the window stays on the empty table, and
    // "Сохранить пустой отчет и выйти" says why it cannot store anything there.
    QFETCH(bool, saveFails);
    QVERIFY(addTableWithoutRows(*m_ctx));
    auto choices = choicesFor(12, quietInstitution());
    const ReportIdentity id = identityOf(*choices);
    QPointer<QWidget> window =
        EnterReports::interactive(*m_ctx, entryServices(m_prompter, choices), true);
    QVERIFY(window);
    EntryWindow *entry = asEntryWindow(window);
    entry->session().storeValue(1, 2, runtime::Decimal::fromUnits(5, 0));
    click(entry, u"?DNTABL");
    QCOMPARE(entry->session().currentTable().code, 2000);

    RecordHolder holder(data::FileId::otchet);
    holder.context().names().setOtchetFileName(id.year, int(id.form));
    if (saveFails)
        QVERIFY(holder.hold());
    m_prompter.reset();
    m_prompter.answers = {1, saveFails ? 1 : 2}; // the message; "СОХРАНИТЬ  ОТЧЕТ ?"
    click(entry, u"?DNTABL");
    QCOMPARE(
        m_prompter.texts().mid(0, 2),
        (QStringList{u"В таблице нет строк обратитесь к разработчику"_s, u"СОХРАНИТЬ  ОТЧЕТ ?"_s}));
    if (!saveFails) {
        QTRY_VERIFY(!window);
        QVERIFY(!markerExists(id));
        QVERIFY(stored(id).isEmpty());
        return;
    }
    QVERIFY(m_prompter.messages.last().icon == runtime::MessageIcon::Error);
    QVERIFY(window && window->isVisible());
    m_prompter.reset();
    click(entry, u"?SAVEOTHNUL");
    QCOMPARE(
        m_prompter.texts(),
        QStringList{u"Пустой отчет не сохранен|В таблице нет строк обратитесь к разработчику"_s});
    QVERIFY(window && window->isVisible());
    QVERIFY(holder.release());
    m_prompter.reset();
    m_prompter.answers = {1};
    window->close();
    QTRY_VERIFY(!window);
    QCOMPARE(stored(id).size(), 1); // the value typed in the first table
    QVERIFY(!markerExists(id));
}

void TestEntryWindows::reopeningAfterChangeKeepsControlSwitch_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("form") << u"form"_s;
    QTest::newRow("institution") << u"institution"_s;
}

void TestEntryWindows::reopeningAfterChangeKeepsControlSwitch()
{
    // After "Форма" or "ЛПУ" the report opens again in row-wise entry, and the on-line control
    // stays as the user set it (form 62's first table has no calculations to switch it).
    QFETCH(QString, change);
    auto choices = choicesFor(62, quietInstitution());
    QPointer<QWidget> window =
        EnterReports::interactive(*m_ctx, entryServices(m_prompter, choices), true);
    QVERIFY(window);
    EntryWindow *entry = asEntryWindow(window);
    auto *columnWise = findControl<QCheckBox>(entry, u"?WWODCOL");
    auto *controlOff = findControl<QCheckBox>(entry, u"?LOCCONTR");
    QVERIFY(!controlOff->isChecked());
    controlOff->click();
    columnWise->click();
    QVERIFY(entry->session().controlOff());
    QVERIFY(columnWise->isChecked());

    m_prompter.reset();
    m_prompter.answers = {2}; // "Сохранить отчет ?": "&Нет"
    click(entry, change == u"form" ? u"?NEWFORM" : u"?LPU");
    QVERIFY(window && window->isVisible());
    QVERIFY(!columnWise->isChecked());
    auto *list = findControl<QTableView>(entry, u"?BROWSE:1");
    QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
    QVERIFY(controlOff->isChecked());
    QVERIFY(entry->session().controlOff());
    QCOMPARE(findControl<QPushButton>(entry, u"?RT")->toolTip(), u"Расчет итоговых строк и граф"_s);
    m_prompter.fallback = 2;
    window->close();
    QTRY_VERIFY(!window);
}

void TestEntryWindows::rowTextFollowsTheSelectedRow()
{
    auto choices = choicesFor(12, quietInstitution());
    QPointer<QWidget> window =
        EnterReports::interactive(*m_ctx, entryServices(m_prompter, choices), true);
    QVERIFY(window);
    EntryWindow *entry = asEntryWindow(window);
    QVERIFY(QTest::qWaitForWindowExposed(entry));
    auto *name = findControl<QLabel>(entry, u"?QT:S");
    auto *sexCodes = findControl<QLabel>(entry, u"?QT:POL");
    auto *list = findControl<QTableView>(entry, u"?BROWSE:1");
    QCOMPARE(name->text(), entry->session().rowText(0).name.trimmed());
    entry->binding()->selectRow(2);
    QCOMPARE(name->text(), entry->session().rowText(2).name.trimmed());
    QCOMPARE(sexCodes->text(), entry->session().rowText(2).sexCodes.trimmed());
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(entry->binding()->currentRow(), 3);
    QCOMPARE(name->text(), entry->session().rowText(3).name.trimmed());
    window->close();
    QTRY_VERIFY(!window);
}

void TestEntryWindows::emptyReportSavedAgainSaysSo()
{
    // A report stored empty, opened and saved again without data, stays stored empty, and the
    // message says so instead of "Сохранено 0 записей из 0".
    auto choices = choicesFor(12, quietInstitution());
    const ReportIdentity id = identityOf(*choices);
    QPointer<QWidget> window =
        EnterReports::interactive(*m_ctx, entryServices(m_prompter, choices), true);
    QVERIFY(window);
    click(window, u"?SAVEOTHNUL");
    QTRY_VERIFY(!window);
    QCOMPARE(m_prompter.texts(), QStringList{u"ЗАПИСАНО ."_s});
    QCOMPARE(stored(id).size(), 1);

    window = EnterReports::interactive(*m_ctx, entryServices(m_prompter, choices), true);
    QVERIFY(window);
    m_prompter.reset();
    click(window, u"?SAVEOTH");
    QCOMPARE(m_prompter.texts(), (QStringList{u"Сохранен пустой отчет"_s, u"ЗАПИСАНО ."_s}));
    const ReportRows after = stored(id);
    QCOMPARE(after.size(), 1);
    QVERIFY(after.first().values == ReportRow().values);
    window->close();
    QTRY_VERIFY(!window);
}

void TestEntryWindows::formWithoutTablesToldOnce()
{
    auto choices = choicesFor(12, quietInstitution());
    choices->form = shell::ui::FormChoice{99, u"Форма без таблиц"_s, u"99"_s, 0};
    QPointer<QWidget> window =
        EnterReports::interactive(*m_ctx, entryServices(m_prompter, choices), true);
    QVERIFY(!window);
    QCOMPARE(m_prompter.messages.size(), 1);
    QVERIFY2(m_prompter.lastText().contains(u"Нет таблиц формы 99"_s),
             qPrintable(m_prompter.lastText()));
    QVERIFY(!markerExists(identityOf(*choices)));
}

QTEST_MAIN(TestEntryWindows)
#include "test_entry_windows.moc"
