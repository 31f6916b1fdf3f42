// The progress window over a run on the GUI thread: it shows the run, "Отмена" (and Escape, and
// the close box) stop it between steps, and a question asked in the middle of the run goes
// through the prompter while the window stays.

#include "runtime/core/Error.h"
#include "runtime/ui/ProgressWindow.h"
#include "runtime/ui/WidgetPrompter.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

using zemor::runtime::ErrorCode;
using zemor::runtime::Progress;
using zemor::runtime::ui::ProgressWindow;
using zemor::runtime::ui::WidgetPrompter;
using namespace Qt::StringLiterals;

namespace {

struct RunEnd
{
    ErrorCode code = ErrorCode::None;
    qint64 finished = 0; // steps done before it stopped
};

// A run of `steps` steps as every long loop of the program goes: the total first, then before
// each step what it is at and whether to go on.
RunEnd run(Progress &progress, qint64 steps, const std::function<void(qint64)> &each = {})
{
    progress.setTotal(steps);
    for (qint64 i = 0; i < steps; ++i) {
        progress.step(i, u"Шаг %1"_s.arg(i + 1));
        if (progress.cancelled())
            return {ErrorCode::Cancelled, i};
        if (each)
            each(i);
    }
    progress.step(steps);
    return {ErrorCode::None, steps};
}

ProgressWindow *shownProgressWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *p = qobject_cast<ProgressWindow *>(w); p && p->isVisible())
            return p;
    }
    return nullptr;
}

} // namespace

class ProgressWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void runsToItsEnd();
    void stoppedHalfWay_data();
    void stoppedHalfWay();
    void questionDuringTheRun();
};

void ProgressWindowTest::runsToItsEnd()
{
    ProgressWindow window(u"Восстановление ключей"_s);
    QVERIFY(!window.isVisible());
    qint64 seen = -1;
    const RunEnd end = run(window, 20, [&](qint64 i) {
        if (i == 10) {
            // The window shows itself and what the run is at.
            QVERIFY(window.isVisible());
            QVERIFY(window.isModal());
            QCOMPARE(window.findChild<QLabel *>(u"text"_s)->text(), u"Шаг 11"_s);
            QCOMPARE(window.findChild<QProgressBar *>(u"bar"_s)->value(), 10);
            QCOMPARE(window.findChild<QProgressBar *>(u"bar"_s)->maximum(), 20);
            QCOMPARE(window.findChild<QPushButton *>(u"cancel"_s)->text(), u"Отмена"_s);
            seen = i;
        }
    });
    QCOMPARE(seen, 10);
    QCOMPARE(end.code, ErrorCode::None);
    QCOMPARE(end.finished, 20);
    QVERIFY(!window.cancelled());
    window.finish();
    QVERIFY(!window.isVisible());
}

void ProgressWindowTest::stoppedHalfWay_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Отмена") << u"button"_s;
    QTest::newRow("Escape") << u"escape"_s;
    QTest::newRow("close box") << u"close"_s;
}

void ProgressWindowTest::stoppedHalfWay()
{
    QFETCH(QString, how);
    ProgressWindow window(u"Сводка"_s);
    // The user acts through the event loop, which the window lets run between steps.
    QTimer user;
    user.setInterval(0);
    connect(&user, &QTimer::timeout, this, [&] {
        if (!window.isVisible() || window.done() < 50 || window.cancelled())
            return;
        if (how == u"button")
            QTest::mouseClick(window.findChild<QPushButton *>(u"cancel"_s), Qt::LeftButton);
        else if (how == u"escape")
            QTest::keyClick(&window, Qt::Key_Escape);
        else {
            QCloseEvent close; // what the close box sends
            QApplication::sendEvent(&window, &close);
        }
    });
    user.start();
    const RunEnd end = run(window, 100);
    user.stop();

    QCOMPARE(end.code, ErrorCode::Cancelled);
    QCOMPARE(end.finished, 50);
    QVERIFY(window.cancelled());
    QVERIFY(!window.findChild<QPushButton *>(u"cancel"_s)->isEnabled());
    // The window waits for the run to stop and its caller to close it.
    QVERIFY(window.isVisible());
    window.finish();
    QVERIFY(!window.isVisible());
}

void ProgressWindowTest::questionDuringTheRun()
{
    ProgressWindow window(u"Импорт"_s);
    WidgetPrompter prompter;
    int answer = 0;
    bool progressShownUnderBox = false;
    const RunEnd end = run(window, 10, [&](qint64 i) {
        if (i != 4)
            return;
        // Asked from inside the loop, through the prompter: the box comes over the window and
        // is answered there.
        QTimer::singleShot(0, this, [&] {
            QTRY_VERIFY(qobject_cast<QMessageBox *>(QApplication::activeModalWidget()));
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            progressShownUnderBox = shownProgressWindow() == &window;
            box->buttons().at(1)->click();
        });
        answer = prompter.message(u"Заменить отчет?"_s, {}, u"&Да|&Нет"_s);
    });
    QCOMPARE(answer, 2);
    QVERIFY(progressShownUnderBox);
    QCOMPARE(end.code, ErrorCode::None);
    QCOMPARE(end.finished, 10);
    window.finish();
}

QTEST_MAIN(ProgressWindowTest)
#include "test_progresswindow.moc"
