// The modal list window: a line is taken by Enter or a double click and answered; any other way
// out answers nothing; what a window adds stands above the list.

#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/ListWindow.h"
#include "runtime/ui/QueueModel.h"

#include <QApplication>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QTimer>

using zemor::runtime::ui::findControl;
using zemor::runtime::ui::ListBinding;
using zemor::runtime::ui::ListWindow;
using namespace Qt::StringLiterals;

namespace {

// A list window as the program's are made: a field above the list, lines, a line to open on.
class Districts : public ListWindow
{
public:
    explicit Districts(int openOn)
        : ListWindow(u"P1$SCRL"_s, u"РАЙОНЫ"_s, 2, u"20L(1)|M~код~L(1)?80L(1)|M~район~@s30@"_s)
    {
        auto *year = new QLineEdit(u"2026"_s, this);
        year->setObjectName(u"?GLOBYEAR"_s);
        addAbove(year);
        setLines({{1, u"Каменский"_s}, {2, u"Заречный"_s}, {3, u"Озерный"_s}});
        widenToContents({0});
        openAt(openOn);
    }
};

} // namespace

class ListWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void layout();
    void answers_data();
    void answers();
};

void ListWindowTest::layout()
{
    Districts window(7); // not a line: the first one
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.objectName(), u"P1$SCRL"_s);
    QCOMPARE(window.windowTitle(), u"РАЙОНЫ"_s);
    auto *view = findControl<QTableView>(&window, u"?BROWSE:1");
    QCOMPARE(view, window.view());
    QVERIFY(findControl<QLineEdit>(&window, u"?GLOBYEAR")->geometry().bottom() <
            view->geometry().top());
    QCOMPARE(window.binding()->currentRow(), 0);
    QCOMPARE(window.binding()->cellText(1, 1).trimmed(), u"Заречный"_s);
    QVERIFY(QApplication::focusWidget() == view);
}

void ListWindowTest::answers_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("answer"); // -1: none

    QTest::newRow("Enter on the current line") << u"enter"_s << 1;
    QTest::newRow("double click on a line") << u"double click"_s << 2;
    QTest::newRow("double click below the lines") << u"double click below"_s << -1;
    QTest::newRow("Escape") << u"escape"_s << -1;
    QTest::newRow("closed") << u"close"_s << -1;
}

void ListWindowTest::answers()
{
    QFETCH(QString, how);
    QFETCH(int, answer);

    Districts window(1);
    QTimer::singleShot(0, this, [&] {
        QTRY_VERIFY(window.isVisible());
        QTableView *view = window.view();
        if (how == u"enter") {
            QTest::keyClick(view, Qt::Key_Return);
        } else if (how.startsWith(u"double click")) {
            const QPoint at = how.endsWith(u"below")
                                  ? QPoint(10, view->viewport()->height() - 2)
                                  : view->visualRect(view->model()->index(2, 1)).center();
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
        } else if (how == u"escape") {
            QTest::keyClick(view, Qt::Key_Escape);
        }
        if (window.isVisible())
            window.close();
    });
    const std::optional<int> chosen = window.choose();
    QCOMPARE(chosen.value_or(-1), answer);
    QCOMPARE(window.chosenRow(), answer);
}

QTEST_MAIN(ListWindowTest)
#include "test_listwindow.moc"
