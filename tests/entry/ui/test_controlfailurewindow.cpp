// The failure list of the whole-report check: its lines and the chosen line's text, the printed
// list, the counter of the window mode, and the check run in its window on the demo working
// directory.

#include "data/DataContext.h"
#include "entry/ControlRuleLoader.h"
#include "entry/ui/ControlFailureWindow.h"
#include "entry/ui/FailedControlsReport.h"
#include "entry/ui/WindowControlCheck.h"
#include "runtime/fs/Paths.h"
#include "runtime/report/PageList.h"
#include "runtime/report/PageSink.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "support/DemoWorkDir.h"
#include "support/PdfText.h"
#include "support/ScriptedPrompter.h"
#include "tests/entry/ui/WhenModal.h"
#include "tools/DemoReports.h"

#include <QApplication>
#include <QFile>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace zemor;
using namespace zemor::entry;
using namespace zemor::entry::ui;
using namespace Qt::StringLiterals;
using runtime::ui::findControl;
using test::whenModal;

namespace {

ControlFailure failure(qint64 id, qint64 table, const char *deviation, const QString &text,
                       int column = 0)
{
    ControlFailure f;
    f.kind = column ? RuleKind::Row : RuleKind::Column;
    f.ruleId = id;
    f.table = table;
    f.deviation = *runtime::Decimal::fromString(QString::fromLatin1(deviation));
    f.text = text;
    f.column = column;
    return f;
}

// A 500-character text, the longest a failure carries, that shows where it was cut.
QString longText()
{
    QString text = u"т2с1.1 г3(10)=(20)"_s;
    for (int i = 0; text.size() < ControlFailure::textLength; ++i)
        text += u"+г%1"_s.arg(i % 10);
    text.truncate(ControlFailure::textLength - 3);
    return text + u"END"_s;
}

QList<ControlFailure> sampleFailures()
{
    return {failure(12345678901, 1, "-12345678901234.567", u"т1г3с1    (0)= (5)c2+3"_s, 3),
            failure(12345, 2, "0.5", u"т2с1.1 г4(1)= (0.5)г5"_s), failure(7, 3, "100", longText())};
}

// A page sink whose answer the test sets; it keeps the pages it was given.
class FakeOutput : public runtime::report::PageSink
{
public:
    runtime::Result<bool> answer = true;
    runtime::report::PageList pages;
    int calls = 0;

    runtime::Result<bool> output(const runtime::report::PageList &p, const QString &) override
    {
        ++calls;
        pages = p;
        return answer;
    }
};

int pdfPageCount(const QByteArray &pdf)
{
    // "/Type /Page" names a page object, "/Type /Pages" the page tree.
    int count = 0;
    for (qsizetype at = pdf.indexOf("/Type /Page"); at >= 0;
         at = pdf.indexOf("/Type /Page", at + 1)) {
        if (pdf.mid(at + 11, 1) != "s")
            ++count;
    }
    return count;
}

QString artifactPath(const QString &name)
{
    const QString dir = qEnvironmentVariable("ZEMOR_TEST_BINARY_DIR", QDir::tempPath());
    return QDir(dir).filePath(name);
}

} // namespace

class TestControlFailureWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void listShowsWholeIdsAndChosenText();
    void printsTheListAsPdf();
    void printOutcome_data();
    void printOutcome();
    void printedListRunsOverPages();
    void windowModeCounter();
    void demoReportInWindow();

private:
    QTemporaryDir m_dir;
    QString m_root;
    const int m_year = 2025;
};

void TestControlFailureWindow::initTestCase()
{
    const QString failed = test::buildDemoWorkDir(m_dir);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    m_root = runtime::fs::workDir();
}

void TestControlFailureWindow::listShowsWholeIdsAndChosenText()
{
    test::ScriptedPrompter prompter;
    FakeOutput output;
    ControlFailureWindow window(sampleFailures(), m_year, prompter, output);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(window.objectName(), u"P1$SCRL"_s);
    QCOMPARE(window.windowTitle(), u"Список"_s);
    auto *year = findControl<QLineEdit>(&window, u"?GLOBYEAR");
    auto *list = findControl<QTableView>(&window, u"?BROWSE:1");
    auto *text = findControl<QPlainTextEdit>(&window, u"?TEXT1");
    QVERIFY(year && list && text && findControl<QPushButton>(&window, u"?PRNT1"));
    QCOMPARE(year->text().trimmed(), u"2025"_s);

    // The table and deviation columns are laid out as the list has them everywhere, narrow
    // and widened to what they show.
    QVERIFY(ControlFailureWindow::listFormat().contains(
        u"21L|M~Таблица~@s5@E(,0BDFFDEH,,)21L(1)|M~Откл~L(0)@s"_s));
    // Every column shows its value whole: the 11-digit id, the widest deviation.
    const QStringList first = {u"12345678901"_s, u"1"_s, u"-12345678901234.567"_s,
                               u"т1г3с1    (0)= (5)c2+3"_s};
    for (int c = 0; c < first.size(); ++c)
        QCOMPARE(window.binding()->cellText(0, c), first[c]);
    QCOMPARE(window.binding()->cellText(1, 0), u"12345"_s);
    const QFontMetrics metrics(list->font());
    QVERIFY(list->columnWidth(0) > metrics.horizontalAdvance(first[0]));
    QVERIFY(list->columnWidth(1) > metrics.horizontalAdvance(u"Таблица"_s));
    QVERIFY(list->columnWidth(2) > metrics.horizontalAdvance(first[2]));

    // The list opens on its first line; choosing a line shows its whole text.
    QCOMPARE(window.binding()->currentRow(), 0);
    QCOMPARE(text->toPlainText(), first[3]);
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(window.binding()->currentRow(), 1);
    QCOMPARE(text->toPlainText(), sampleFailures()[1].text);
    window.binding()->selectRow(2);
    QCOMPARE(text->toPlainText().size(), ControlFailure::textLength);
    QVERIFY(text->toPlainText().endsWith(u"END"));

    list->setFocus();
    window.binding()->selectRow(0);
    QVERIFY(window.grab().save(artifactPath(u"control_failures.png"_s)));
    QCOMPARE(output.calls, 0);
    QVERIFY(prompter.messages.isEmpty());
}

void TestControlFailureWindow::printsTheListAsPdf()
{
    const QString pdf = m_dir.filePath(u"failures.pdf"_s);
    test::ScriptedPrompter prompter;
    runtime::report::PdfSink output(pdf);
    const QList<ControlFailure> failures = sampleFailures();
    ControlFailureWindow window(failures, m_year, prompter, output);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QTest::mouseClick(findControl<QPushButton>(&window, u"?PRNT1"), Qt::LeftButton);
    QVERIFY2(prompter.messages.isEmpty(), qPrintable(prompter.lastText()));
    QVERIFY(window.printed());
    QTRY_VERIFY(!window.isVisible());
    QCOMPARE(window.result(), int(QDialog::Accepted));

    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith("%PDF"));
    QCOMPARE(pdfPageCount(bytes), 1);
    QFile::remove(artifactPath(u"control_failures.pdf"_s));
    QFile::copy(pdf, artifactPath(u"control_failures.pdf"_s));

    // The same pages as laid out: the heading line, then the failures in list order, each with
    // its whole rule id and its text cut to 200 characters, going on over further lines where
    // it is wider than the sheet, and no line wider than its cell.
    const auto pages = FailedControlsReport::pages(failures, m_year);
    QCOMPARE(pages.count(), 1);
    const QStringList texts = pages.pages[0].texts();
    QVERIFY(texts.contains(u"2025"_s));
    const qsizetype heading = texts.indexOf(u"НЕ ВЫПОЛНЕН КОНТРОЛЬ "_s);
    QVERIFY(heading >= 0);
    // After the heading every detail line is a code cell and a text cell.
    QStringList printed;
    for (qsizetype i = heading + 1; i + 1 < texts.size(); i += 2) {
        if (!texts[i].isEmpty())
            printed.append(texts[i] + u' ');
        QVERIFY(!printed.isEmpty());
        printed.last() += texts[i + 1];
    }
    QStringList expected;
    for (const ControlFailure &f : failures)
        expected.append(QString::number(f.ruleId) + u' ' + f.text.left(200));
    QCOMPARE(printed, expected);

    QImage device(1, 1, QImage::Format_RGB32);
    device.setDotsPerMeterX(qRound(300 / 0.0254));
    for (const runtime::report::ReportItem &item : pages.pages[0].items) {
        if (item.kind != runtime::report::ReportItem::Kind::Text || item.text.isEmpty())
            continue;
        const double mm =
            QFontMetricsF(item.font, &device).horizontalAdvance(item.text) / 300 * 25.4;
        QVERIFY2(mm <= item.rect.width(), qPrintable(item.text));
    }

    if (auto text = test::pdfText(pdf)) {
        QVERIFY2(text->contains(u"НЕ ВЫПОЛНЕН КОНТРОЛЬ"), qPrintable(*text));
        QVERIFY(text->contains(u"12345678901"));
        // The last term of the long text's first 200 characters is on the sheet.
        const QString tail = failures[2].text.left(200).right(6);
        QVERIFY2(text->remove(u'\n').contains(tail), qPrintable(tail));
    }
}

void TestControlFailureWindow::printOutcome_data()
{
    QTest::addColumn<int>("outcome"); // 0 printed, 1 called off, 2 refused
    QTest::addColumn<bool>("closes");
    QTest::addColumn<int>("messages");
    QTest::newRow("printed") << 0 << true << 0;
    QTest::newRow("printer dialog closed") << 1 << false << 0;
    QTest::newRow("printer refused") << 2 << false << 1;
}

void TestControlFailureWindow::printOutcome()
{
    QFETCH(int, outcome);
    QFETCH(bool, closes);
    QFETCH(int, messages);
    test::ScriptedPrompter prompter;
    FakeOutput output;
    if (outcome == 1)
        output.answer = false;
    else if (outcome == 2)
        output.answer = runtime::fail(runtime::ErrorCode::IoError, u"lp0"_s,
                                      u"The printer cannot be started"_s);
    ControlFailureWindow window(sampleFailures(), m_year, prompter, output);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(findControl<QPushButton>(&window, u"?PRNT1"), Qt::LeftButton);

    QCOMPARE(output.calls, 1);
    QVERIFY(output.pages.count() > 0);
    QCOMPARE(window.printed(), closes);
    QCOMPARE(window.isVisible(), !closes);
    QCOMPARE(int(prompter.messages.size()), messages);
    if (messages)
        QVERIFY(prompter.lastText().contains(u"The printer cannot be started"));
}

void TestControlFailureWindow::printedListRunsOverPages()
{
    QList<ControlFailure> failures;
    for (int i = 1; i <= 150; ++i)
        failures.append(failure(i, 1, "1", u"т1с%1 г3(1)= (0)г4"_s.arg(i)));
    const auto pages = FailedControlsReport::pages(failures, m_year);
    QVERIFY(pages.count() > 1);
    QStringList all;
    for (const auto &page : pages.pages)
        all += page.texts();
    QCOMPARE(all.count(u"НЕ ВЫПОЛНЕН КОНТРОЛЬ "_s), 1);
    QVERIFY(all.contains(u"Лист 2"_s));
    for (int i = 1; i <= 150; ++i)
        QVERIFY2(all.contains(u"т1с%1 г3(1)= (0)г4"_s.arg(i)), qPrintable(QString::number(i)));
}

void TestControlFailureWindow::windowModeCounter()
{
    test::ScriptedPrompter prompter;
    FakeOutput output;

    // Nothing failed: the message instead of the window, and the counter cleared.
    int counter = 7;
    ControlFailureWindow::showFailures({}, m_year, counter, prompter, output);
    QCOMPARE(counter, 0);
    QCOMPARE(prompter.texts(), QStringList{u"Ошибок нет"_s});

    // Failures: the counter is their number once the window closes, not added to.
    prompter.reset();
    counter = 7;
    bool shown = false;
    whenModal([&](QWidget *w) {
        shown = w->objectName() == u"P1$SCRL"_s;
        QCOMPARE(counter, 7);
    });
    ControlFailureWindow::showFailures(sampleFailures(), m_year, counter, prompter, output);
    QVERIFY(shown);
    QCOMPARE(counter, 3);
    QVERIFY(prompter.messages.isEmpty());
}

void TestControlFailureWindow::demoReportInWindow()
{
    // One report spoilt on purpose and one that passes, of the same form.
    const QList<tools::DemoReport> reports = tools::demoReports(m_year);
    const QList<tools::DemoFailure> demoFailures = tools::demoFailures();
    const tools::DemoFailure *spoilt = nullptr;
    for (const tools::DemoFailure &f : demoFailures) {
        if (f.year == m_year && !f.rule.startsWith(u"ContrMF")) {
            spoilt = &f;
            break;
        }
    }
    QVERIFY(spoilt);
    const tools::DemoReport *bad = nullptr;
    const tools::DemoReport *good = nullptr;
    for (const tools::DemoReport &r : reports) {
        if (r.form != spoilt->form)
            continue;
        if (r.institution == spoilt->institution && r.period == spoilt->period)
            bad = &r;
        else if (!good) {
            bool anyFailure = false;
            for (const tools::DemoFailure &f : demoFailures)
                anyFailure = anyFailure || (f.year == m_year && f.form == r.form &&
                                            f.institution == r.institution && f.period == r.period);
            if (!anyFailure)
                good = &r;
        }
    }
    QVERIFY(bad && good);

    const auto rowsOf = [](const tools::DemoReport &report) {
        ReportRows rows;
        for (const tools::DemoRowValues &v : report.rows) {
            ReportRow r;
            r.rowId = v.rowId;
            r.table = v.table;
            for (int n = 1; n <= valueCount; ++n)
                r.values[size_t(n - 1)] = runtime::Decimal::fromUnits(v.value(n), 3);
            rows.append(r);
        }
        return rows;
    };

    data::DataContext ctx;
    const auto tables = ControlRuleLoader(ctx, m_year).tables(spoilt->form);
    QVERIFY(tables && !tables->isEmpty());
    test::ScriptedPrompter prompter;
    FakeOutput output;
    WindowControlCheck check(ctx, prompter, output);

    int counter = 9;
    QVERIFY(check.run(m_year, good->form, rowsOf(*good), *tables, counter));
    QCOMPARE(counter, 0);
    QCOMPARE(prompter.texts(), QStringList{u"Ошибок нет"_s});

    prompter.reset();
    const QString rule = spoilt->rule.section(u' ', 1);
    QString code, chosen;
    whenModal([&](QWidget *w) {
        auto *window = qobject_cast<ControlFailureWindow *>(w);
        QVERIFY(window);
        code = window->binding()->cellText(0, 0);
        chosen = findControl<QPlainTextEdit>(w, u"?TEXT1")->toPlainText();
        QVERIFY(window->grab().save(artifactPath(u"control_failures_demo.png"_s)));
    });
    QVERIFY(check.run(m_year, bad->form, rowsOf(*bad), *tables, counter));
    QCOMPARE(counter, 1);
    QCOMPARE(code, rule);
    QVERIFY(!chosen.isEmpty());
    QVERIFY2(prompter.messages.isEmpty(), qPrintable(prompter.texts().join(u'\n')));
}

QTEST_MAIN(TestControlFailureWindow)
#include "test_controlfailurewindow.moc"
