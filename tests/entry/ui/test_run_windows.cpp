// The windows of the control runs, headless, on the demo working directory: the first window's
// defaults and form list, a run over each institution to its results and their printed list, a
// period the run refuses, a district not chosen, and a long run cancelled half-way. Each window
// is grabbed to a picture in the test's build folder.

#include "data/DataContext.h"
#include "entry/ui/BlankFormsWindow.h"
#include "entry/ui/ControlsListWindow.h"
#include "entry/ui/EnterReports.h"
#include "entry/ui/EntryWindow.h"
#include "entry/ui/InterFormWindow.h"
#include "entry/ui/IntraFormRunWindow.h"
#include "runtime/office/Conversation.h"
#include "runtime/office/OfficeServer.h"
#include "runtime/office/XlsxReader.h"
#include "runtime/report/PageSink.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ProgressWindow.h"
#include "runtime/ui/QueueModel.h"
#include "shell/AppState.h"
#include "support/DemoWorkDir.h"
#include "support/PdfText.h"
#include "support/RecordingOffice.h"
#include "support/ScriptedChoices.h"
#include "support/ScriptedPrompter.h"
#include "tests/entry/ui/WhenModal.h"
#include "tools/DemoCatalogue.h"

#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

using namespace zemor;
using namespace zemor::entry;
using namespace zemor::entry::ui;
using namespace Qt::StringLiterals;
using runtime::ui::findControl;
using test::whenShown;

namespace {

void grab(QWidget *window, const QString &name)
{
    const QString dir = qEnvironmentVariable("ZEMOR_TEST_BINARY_DIR", QDir::currentPath());
    window->grab().save(QDir(dir).filePath(name + u".png"_s));
}

class NoDesktop final : public runtime::office::DesktopOpener
{
public:
    runtime::Status open(const QString &) override { return {}; }
};

// A copy of a written file next to the pictures.
void keep(const QString &path, const QString &name)
{
    const QString dir = qEnvironmentVariable("ZEMOR_TEST_BINARY_DIR", QDir::currentPath());
    QFile::remove(QDir(dir).filePath(name));
    QFile::copy(path, QDir(dir).filePath(name));
}

// Hands the next modal window of that objectName to `inspect` once it is up, looking at every
// pass of the event loop (a run lets the events through only now and then).
QStringList column(QTableView *view, int col)
{
    QStringList out;
    for (int r = 0; r < view->model()->rowCount(); ++r)
        out.append(view->model()->index(r, col).data().toString());
    return out;
}

} // namespace

class TestRunWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void firstWindowDefaults();
    void eachInstitutionToResultsAndPrint();
    void refusedPeriodAndNoDistrict();
    void longRunCancelledHalfWay();
    void interFormFormulaToResultsAndPrint();
    void controlsListTabsAndPrint();
    void blankFormsOpenCopies();
    void entryWindowPrintsItsTables();

private:
    std::unique_ptr<IntraFormRunWindow> window(const QDate &today = QDate(2026, 1, 15));
    void setScope(IntraFormRunWindow &w, int scope, int from, int to);

    std::unique_ptr<test::WorkDir> m_work;
    test::ScriptedPrompter m_prompter;
    std::unique_ptr<data::DataContext> m_ctx;
    std::shared_ptr<test::ScriptedChoices> m_choices;
    shell::AppState m_state;
    std::shared_ptr<runtime::report::PdfSink> m_pdf;
};

void TestRunWindows::init()
{
    m_ctx.reset();
    m_work.reset(); // puts the working directory before it back
    m_work = std::make_unique<test::WorkDir>(true);
    m_prompter = test::ScriptedPrompter();
    m_ctx = std::make_unique<data::DataContext>(&m_prompter);
    m_choices = std::make_shared<test::ScriptedChoices>();
    m_state = shell::AppState();
    m_state.globYear = test::demoYear;
    m_state.globYearS = tools::demoYears().first();
    m_state.globYearE = tools::demoYears().last();
    m_pdf = std::make_shared<runtime::report::PdfSink>(m_work->filePath(u"list.pdf"_s));
}

std::unique_ptr<IntraFormRunWindow> TestRunWindows::window(const QDate &today)
{
    return std::make_unique<IntraFormRunWindow>(*m_ctx, m_state, m_prompter, m_choices, *m_pdf,
                                                today);
}

void TestRunWindows::setScope(IntraFormRunWindow &w, int scope, int from, int to)
{
    findControl<QRadioButton>(&w, u"?OPTION1:RADIO%1"_s.arg(scope))->setChecked(true);
    findControl<QSpinBox>(&w, u"?MES1")->setValue(from);
    findControl<QSpinBox>(&w, u"?MES2")->setValue(to);
}

void TestRunWindows::firstWindowDefaults()
{
    auto w = window();
    w->show();
    QCOMPARE(w->objectName(), u"P1$SCRL"_s);
    QCOMPARE(w->windowTitle(), u"Список внутриформенные контроли"_s);
    // January: December to December; the district as a whole.
    QCOMPARE(findControl<QSpinBox>(w.get(), u"?MES1")->value(), 12);
    QCOMPARE(findControl<QSpinBox>(w.get(), u"?MES2")->value(), 12);
    QVERIFY(findControl<QRadioButton>(w.get(), u"?OPTION1:RADIO3")->isChecked());
    QCOMPARE(findControl<QLineEdit>(w.get(), u"?GLOBYEAR")->text(), u"2025"_s);
    for (const char *equate : {"?SBROS", "?ALLES", "?OK", "?CANCEL"})
        QVERIFY2(findControl<QPushButton>(w.get(), QString::fromLatin1(equate)), equate);

    auto *list = findControl<QTableView>(w.get(), u"?LIST1");
    QVERIFY(list->model()->rowCount() > 0);
    for (const QString &code : column(list, 0))
        QVERIFY2(code.toInt() <= 800, qPrintable(code));
    QVERIFY(column(list, 1).join(QString()).trimmed().isEmpty());
    findControl<QPushButton>(w.get(), u"?ALLES")->click();
    QVERIFY(!column(list, 1).contains(QString()));
    grab(w.get(), u"intraform_run"_s);
    findControl<QPushButton>(w.get(), u"?SBROS")->click();
    QVERIFY(column(list, 1).join(QString()).trimmed().isEmpty());

    // The run keeps the year it was opened with.
    m_state.globYear = 2026;
    QCOMPARE(w->year(), 2025);
}

void TestRunWindows::eachInstitutionToResultsAndPrint()
{
    auto w = window();
    w->show();
    setScope(*w, 2, 0, 12);
    findControl<QPushButton>(w.get(), u"?ALLES")->click();
    QStringList rules;
    QString shownText;
    bool printed = false;
    whenShown(u"P1$SCRL1"_s, [&](QWidget *results) {
        QCOMPARE(results->objectName(), u"P1$SCRL1"_s);
        QCOMPARE(results->windowTitle(), u"Внутриформенные контроли"_s);
        auto *list = findControl<QTableView>(results, u"?LIST2");
        rules = column(list, 0);
        shownText = findControl<QLineEdit>(results, u"?QS1:S")->text();
        grab(results, u"intraform_results"_s);
        findControl<QPushButton>(results, u"?PRNT")->click();
        printed = QFileInfo(m_pdf->path()).size() > 0;
        findControl<QPushButton>(results, u"?EXIT1")->click();
    });
    findControl<QPushButton>(w.get(), u"?OK")->click();
    // Each spoilt report of the year once, with its whole rule id.
    rules.sort();
    QCOMPARE(rules, (QStringList{u"1"_s, u"2"_s, u"20"_s, u"30"_s}));
    QVERIFY(!shownText.isEmpty());
    QVERIFY(printed);
    QCOMPARE(m_prompter.texts(), QStringList());
    QVERIFY(w->isVisible());
}

void TestRunWindows::refusedPeriodAndNoDistrict()
{
    auto w = window();
    w->show();
    setScope(*w, 3, 5, 3);
    findControl<QPushButton>(w.get(), u"?OK")->click();
    QCOMPARE(m_prompter.texts(), QStringList{ControlRun::badPeriodText()});
    QVERIFY(m_choices->asked.isEmpty());

    // No district chosen: a beep and nothing checked.
    setScope(*w, 3, 1, 3);
    findControl<QPushButton>(w.get(), u"?OK")->click();
    QCOMPARE(m_prompter.beeps, 1);
    QCOMPARE(m_prompter.messages.size(), 1);

    // Annual forms under a month range: nothing to check.
    setScope(*w, 5, 1, 3);
    auto *list = findControl<QTableView>(w.get(), u"?LIST1");
    auto *model = qobject_cast<runtime::ui::QueueModel *>(list->model());
    for (int r = 0; r < model->rowCount(); ++r) {
        if (model->value(r, 0).toInt() == 12 || model->value(r, 0).toInt() == 62)
            model->setMarked(r, true);
    }
    findControl<QPushButton>(w.get(), u"?OK")->click();
    QCOMPARE(m_prompter.lastText(), ControlRun::noReportsText());
}

void TestRunWindows::longRunCancelledHalfWay()
{
    auto w = window();
    w->show();
    setScope(*w, 2, 0, 12);
    findControl<QPushButton>(w.get(), u"?ALLES")->click();
    qint64 doneAtCancel = -1;
    qint64 total = 0;
    // "Отмена" once half of the reports are built.
    QTimer watch;
    watch.setInterval(0);
    connect(&watch, &QTimer::timeout, [&] {
        auto *progress =
            qobject_cast<runtime::ui::ProgressWindow *>(QApplication::activeModalWidget());
        if (!progress || progress->total() == 0 || progress->done() * 2 < progress->total())
            return;
        watch.stop();
        QCOMPARE(progress->windowTitle(), IntraFormRunWindow::title());
        grab(progress, u"intraform_progress"_s);
        doneAtCancel = progress->done();
        total = progress->total();
        progress->cancel();
    });
    watch.start();
    findControl<QPushButton>(w.get(), u"?OK")->click();
    QVERIFY(doneAtCancel > 0);
    QVERIFY(doneAtCancel < total);
    // Said so, never as if every report passed; no results window.
    QCOMPARE(m_prompter.texts(), QStringList{ControlRun::cancelledText()});
    QVERIFY(!QApplication::activeModalWidget() || QApplication::activeModalWidget() == w.get());
}

void TestRunWindows::interFormFormulaToResultsAndPrint()
{
    InterFormWindow w(*m_ctx, test::demoYear, m_prompter, m_choices, *m_pdf);
    w.show();
    QCOMPARE(w.objectName(), u"P1$SCRL"_s);
    QCOMPARE(w.windowTitle(), u"Список межформенных контролей"_s);
    QVERIFY(findControl<QRadioButton>(&w, u"?OPTION1:RADIO2")->isChecked());
    auto *list = findControl<QTableView>(&w, u"?LIST1");
    QVERIFY(list->model()->rowCount() >= 2);
    QCOMPARE(list->currentIndex().row(), 0);
    QVERIFY(findControl<QLineEdit>(&w, u"?G1")->text().startsWith(u"Ф12 т1000"_s));
    grab(&w, u"interform_list"_s);

    // Each institution: the spoilt report is the only line.
    QStringList codes;
    QString terms;
    bool printed = false;
    whenShown(u"P1$SCRL1"_s, [&](QWidget *results) {
        QCOMPARE(results->windowTitle(), u"Межформенные контроли"_s);
        QVERIFY(findControl<QLineEdit>(results, u"?QSP:FORMA")->text().startsWith(u"Ф12"_s));
        QVERIFY(!findControl<QLineEdit>(results, u"?T:S")->text().isEmpty());
        codes = column(findControl<QTableView>(results, u"?LIST2"), 0);
        terms = findControl<QLineEdit>(results, u"?QS1:S")->text();
        grab(results, u"interform_results"_s);
        findControl<QPushButton>(results, u"?PRNT")->click();
        printed = QFileInfo(m_pdf->path()).size() > 0;
        results->close();
    });
    findControl<QPushButton>(&w, u"?OK")->click();
    QCOMPARE(codes, QStringList{u"301"_s});
    QVERIFY(terms.contains(u"(Ф"_s));
    QVERIFY(printed);
    QCOMPARE(m_prompter.texts(), QStringList());

    // One district: none chosen gives a beep and nothing evaluated.
    findControl<QRadioButton>(&w, u"?OPTION1:RADIO3")->setChecked(true);
    findControl<QPushButton>(&w, u"?OK")->click();
    QCOMPARE(m_prompter.beeps, 1);
    QCOMPARE(QApplication::activeModalWidget(), &w);
}

void TestRunWindows::controlsListTabsAndPrint()
{
    // No form chosen: no window.
    auto pdf = std::make_shared<runtime::report::PdfSink>(m_work->filePath(u"controls.pdf"_s));
    const shell::ui::Services services{m_state, m_prompter, nullptr, m_choices, pdf};
    QVERIFY(!controlsList(*m_ctx, services));

    m_choices->form = {12, u"Форма 12"_s, u"12"_s, 3};
    QPointer<QWidget> w = controlsList(*m_ctx, services);
    QVERIFY(w);
    QCOMPARE(w->objectName(), u"P1$SCRL"_s);
    QCOMPARE(w->windowTitle(), u"Список  контролей"_s);
    QVERIFY(w->isVisible() && !w->isModal());
    QCOMPARE(findControl<QLineEdit>(w, u"?LOCCODFORM")->text(), u"12"_s);
    QCOMPARE(findControl<QLineEdit>(w, u"?LOCNAMEFORM")->text(), u"Форма 12"_s);
    QCOMPARE(findControl<QTableView>(w, u"?BROWSE:1")->model()->rowCount(), 4);
    QCOMPARE(findControl<QTableView>(w, u"?BROWSE:2")->model()->rowCount(), 2);
    QCOMPARE(findControl<QTableView>(w, u"?BROWSE:3")->model()->rowCount(), 1);
    auto *tabs = w->findChild<QTabWidget *>();
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->tabToolTip(0), u"0 - по всем строкам таблицы"_s);
    QCOMPARE(tabs->tabToolTip(1), u"0 - по всем графам таблицы"_s);
    tabs->setCurrentIndex(1);
    grab(w, u"controls_list"_s);

    // "Параметры печати" closed: nothing printed; "Продолжить" with the rows ticked: printed.
    whenShown(u"P1$SCRY"_s, [](QWidget *options) { options->close(); });
    findControl<QPushButton>(w, u"?PRN")->click();
    QVERIFY(!QFileInfo::exists(pdf->path()));
    whenShown(u"P1$SCRY"_s, [](QWidget *options) {
        QCOMPARE(options->windowTitle(), u"Параметры печати"_s);
        findControl<QCheckBox>(options, u"?CHECK2")->setChecked(true);
        QVERIFY(findControl<QCheckBox>(options, u"?CHECK1"));
        QVERIFY(findControl<QCheckBox>(options, u"?CHECK3"));
        grab(options, u"controls_print_options"_s);
        findControl<QPushButton>(options, u"?OK")->click();
    });
    findControl<QPushButton>(w, u"?PRN")->click();
    QVERIFY(QFileInfo(pdf->path()).size() > 0);

    // Another form through "Форма".
    m_choices->form = {62, u"Форма 62"_s, u"62"_s, 3};
    findControl<QPushButton>(w, u"?FORM")->click();
    QCOMPARE(findControl<QLineEdit>(w, u"?LOCCODFORM")->text(), u"62"_s);
    w->close();
    QTest::qWait(0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!w);
}

void TestRunWindows::blankFormsOpenCopies()
{
    test::RecordingOffice office;
    BlankFormsWindow w(office, m_prompter);
    w.show();
    QCOMPARE(w.objectName(), u"P1$SCRL"_s);
    QCOMPARE(w.windowTitle(), u"Список"_s);
    auto *list = findControl<QTableView>(&w, u"?BROWSE:1");
    QVERIFY(list->model()->rowCount() >= 2);
    QCOMPARE(column(list, 0).first(), u"f12\\f12.doc"_s);
    grab(&w, u"blank_forms"_s);

    // Enter on the Word blank, twice: one copy in temp1, opened each time; the window stays.
    const QString copy = m_work->filePath(u"temp1/f12.doc"_s);
    for (int i = 0; i < 2; ++i) {
        list->setFocus();
        list->setCurrentIndex(list->model()->index(0, 0));
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(QFileInfo::exists(copy));
    }
    QCOMPARE(office.commands,
             QStringList(2, u"WinWord: [FileOpen (\"%1\")]"_s.arg(QDir::toNativeSeparators(copy))));
    QVERIFY(w.isVisible());
}

void TestRunWindows::entryWindowPrintsItsTables()
{
    const tools::DemoForm *form = tools::demoCatalogue().form(7);
    m_choices->form = {7, form->name, form->designation, form->periodicity};
    m_choices->period = 3;
    m_choices->district = {3, u"Зареченский"_s};
    m_choices->institution = {301, u"Каменский"_s};
    NoDesktop desktop;
    runtime::office::OfficeServer office(&desktop);
    QPointer<QWidget> window =
        EnterReports::interactive(*m_ctx, {m_state, m_prompter, &office, m_choices, m_pdf}, true);
    auto *entry = qobject_cast<EntryWindow *>(window.data());
    QVERIFY2(entry,
             qPrintable(m_choices->asked.join(u',') + u" / "_s + m_prompter.texts().join(u',')));
    auto *print = findControl<QPushButton>(entry, u"?PRNT1");
    QVERIFY(print->isEnabled());

    // Closed without "Продолжить": nothing printed.
    whenShown(u"P1$SCRL"_s, [](QWidget *parameters) {
        QCOMPARE(parameters->windowTitle(), u"Параметры печати"_s);
        parameters->close();
    });
    print->click();
    QVERIFY(!QFileInfo::exists(m_pdf->path()));

    QString heading;
    whenShown(u"P1$SCRL"_s, [&](QWidget *parameters) {
        heading = findControl<QLineEdit>(parameters, u"?LOCNAME")->text();
        QVERIFY(findControl<QRadioButton>(parameters, u"?PRNTAB:RADIO1")->isChecked());
        QVERIFY(findControl<QRadioButton>(parameters, u"?PRNTAB:RADIO2"));
        QVERIFY(!findControl<QCheckBox>(parameters, u"?TIP1")->isChecked());
        grab(parameters, u"print_parameters"_s);
        findControl<QPushButton>(parameters, u"?OK")->click();
    });
    print->click();
    QVERIFY2(heading.endsWith(u"  2025г.март"_s), qPrintable(heading));
    QVERIFY(QFileInfo(m_pdf->path()).size() > 0);
    keep(m_pdf->path(), u"entry_tables.pdf"_s);
    if (const auto text = test::pdfText(m_pdf->path(), {u"-layout"_s})) {
        QVERIFY2(text->contains(u"Лист"_s), qPrintable(text->left(400)));
        QVERIFY(text->contains(u"2025г.март"_s));
    }
    // "Выгрузка таблицы в Excel": the current table in a numbered workbook of the program's own
    // folder under the temporary directory.
    const QByteArray tmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", m_work->path().toLocal8Bit());
    m_prompter.messages.clear();
    findControl<QPushButton>(entry, u"?EXCEL")->click();
    qputenv("TMPDIR", tmp);
    QCOMPARE(m_prompter.texts(), QStringList{u"Выгрузка в Excel завершена"_s});
    const auto book = runtime::office::XlsxReader::read(m_work->filePath(u"zemor-xl/1.XL"_s));
    QVERIFY(book);
    QVERIFY(book->cell(2, 1)->displayText().startsWith(u"Ф7 Т1000"_s));
    delete window.data();
}

QTEST_MAIN(TestRunWindows)
#include "test_run_windows.moc"
