#include "runtime/ini/IniFile.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/DrawingSurface.h"
#include "runtime/ui/WindowPlacement.h"

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

using zemor::runtime::ini::IniFile;
using zemor::runtime::ui::createControl;
using zemor::runtime::ui::DrawingSurface;
using zemor::runtime::ui::findControl;
using zemor::runtime::ui::nameControl;
using zemor::runtime::ui::WindowPlacement;
using namespace Qt::StringLiterals;

class WindowHelpersTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void controlsByEquate();
    void placementRoundTrip();
    void placementNotUsable_data();
    void placementNotUsable();
    void placementKeptOnScreen();
    void fitted_data();
    void fitted();
    void drawingSurface();

private:
    QString iniPath(const QTemporaryDir &dir) const
    {
        return dir.filePath(WindowPlacement::iniFileName());
    }
};

void WindowHelpersTest::controlsByEquate()
{
    QWidget window;
    auto *ok = createControl<QPushButton>(&window, u"?OK"_s, u"Сохранить"_s);
    auto *group = createControl<QGroupBox>(&window, u"?GROUP1"_s, u"Год"_s);
    auto *year = createControl<QLineEdit>(group, u"?GLOBYEAR"_s);
    auto *item = nameControl(new QAction(u"Список ЛПУ"_s, &window), u"?ITEM1"_s);

    QCOMPARE(ok->text(), u"Сохранить"_s);
    QCOMPARE(ok->parent(), &window);
    QCOMPARE(findControl<QPushButton>(&window, u"?OK"), ok);
    QCOMPARE(findControl<QLineEdit>(&window, u"?GLOBYEAR"), year); // inside the group
    QCOMPARE(findControl<QAction>(&window, u"?ITEM1"), item);
    QCOMPARE(findControl<QPushButton>(&window, u"?GLOBYEAR"), nullptr); // another type
    QCOMPARE(findControl<QWidget>(&window, u"?CANCEL"), nullptr);
    QCOMPARE(findControl<QWidget>(nullptr, u"?OK"), nullptr);
}

void WindowHelpersTest::placementRoundTrip()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    {
        QFile file(iniPath(dir));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("; positions\r\n[SelectReports]\r\nX=1\r\nY=2\r\nWidth=300\r\nHeight=200\r\n");
    }

    QWidget frame;
    frame.setGeometry(50, 60, 320, 240);
    {
        IniFile ini(iniPath(dir));
        WindowPlacement placement(ini);
        QVERIFY(placement.save(&frame, u"Main").has_value());
    }

    IniFile ini(iniPath(dir));
    QCOMPARE(ini.value(u"Main", u"X"), u"50"_s);
    QCOMPARE(ini.value(u"Main", u"Height"), u"240"_s);
    QCOMPARE(ini.value(u"SelectReports", u"Width"), u"300"_s); // other windows keep theirs

    WindowPlacement placement(ini);
    QWidget again;
    again.setGeometry(0, 0, 100, 100);
    QVERIFY(placement.restore(&again, u"main")); // labels ignore case, as the file does
    QCOMPARE(again.geometry(), QRect(50, 60, 320, 240));

    // Closed maximized: the normal placement and the state both come back.
    QWidget big;
    big.setGeometry(40, 30, 200, 150);
    big.show();
    QVERIFY(QTest::qWaitForWindowExposed(&big));
    big.showMaximized();
    QTRY_VERIFY(big.isMaximized());
    placement.store(&big, u"Main");
    QCOMPARE(placement.storedMaximized(u"Main"), true);
    QCOMPARE(placement.storedGeometry(u"Main"), std::optional<QRect>(QRect(40, 30, 200, 150)));
    QWidget restored;
    QVERIFY(placement.restore(&restored, u"Main"));
    QVERIFY(restored.windowState() & Qt::WindowMaximized);

    // A save that cannot be written says so.
    IniFile nowhere(dir.filePath(u"missing/zemor.INI"_s));
    QVERIFY(!WindowPlacement(nowhere).save(&frame, u"Main").has_value());
}

void WindowHelpersTest::placementNotUsable_data()
{
    QTest::addColumn<QByteArray>("content");

    QTest::newRow("no file") << QByteArray();
    QTest::newRow("other window only")
        << QByteArray("[Other]\r\nX=1\r\nY=1\r\nWidth=9\r\nHeight=9\r\n");
    QTest::newRow("a key missing") << QByteArray("[Main]\r\nX=1\r\nY=1\r\nWidth=300\r\n");
    QTest::newRow("not a number") << QByteArray(
        "[Main]\r\nX=1a\r\nY=1\r\nWidth=300\r\nHeight=200\r\n");
    QTest::newRow("zero width") << QByteArray("[Main]\r\nX=1\r\nY=1\r\nWidth=0\r\nHeight=200\r\n");
    QTest::newRow("negative height")
        << QByteArray("[Main]\r\nX=1\r\nY=1\r\nWidth=300\r\nHeight=-20\r\n");
    QTest::newRow("beyond any desktop")
        << QByteArray("[Main]\r\nX=2147483000\r\nY=1\r\nWidth=10000\r\nHeight=200\r\n");
}

void WindowHelpersTest::placementNotUsable()
{
    QFETCH(QByteArray, content);

    QTemporaryDir dir;
    if (!content.isEmpty()) {
        QFile file(iniPath(dir));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    IniFile ini(iniPath(dir));
    QWidget window;
    window.setGeometry(10, 20, 150, 100);
    QVERIFY(!WindowPlacement(ini).restore(&window, u"Main"));
    QCOMPARE(window.geometry(), QRect(10, 20, 150, 100));
}

void WindowHelpersTest::placementKeptOnScreen()
{
    // Stored while a second monitor stood to the right of this one.
    QTemporaryDir dir;
    IniFile ini(iniPath(dir));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    ini.setIntValue(u"Main", u"X", screen.right() + 500);
    ini.setIntValue(u"Main", u"Y", screen.top() + 10);
    ini.setIntValue(u"Main", u"Width", 200);
    ini.setIntValue(u"Main", u"Height", 100);

    QWidget window;
    QVERIFY(WindowPlacement(ini).restore(&window, u"Main"));
    QVERIFY(screen.contains(window.geometry()));
    QCOMPARE(window.geometry(), QRect(screen.right() - 199, screen.top() + 10, 200, 100));
}

void WindowHelpersTest::fitted_data()
{
    QTest::addColumn<QRect>("stored");
    QTest::addColumn<QRect>("shown");

    // The desktop area is 0,0 800x560.
    QTest::newRow("inside") << QRect(50, 60, 300, 200) << QRect(50, 60, 300, 200);
    QTest::newRow("touching the far corner")
        << QRect(500, 360, 300, 200) << QRect(500, 360, 300, 200);
    QTest::newRow("off to the right") << QRect(5000, 60, 300, 200) << QRect(500, 60, 300, 200);
    QTest::newRow("above and left") << QRect(-400, -300, 300, 200) << QRect(0, 0, 300, 200);
    QTest::newRow("partly below") << QRect(100, 500, 300, 200) << QRect(100, 360, 300, 200);
    QTest::newRow("larger than the screen") << QRect(10, 10, 2000, 1500) << QRect(0, 0, 800, 560);
}

void WindowHelpersTest::fitted()
{
    QFETCH(QRect, stored);
    QFETCH(QRect, shown);

    QCOMPARE(WindowPlacement::fitted(stored, QRect(0, 0, 800, 560)), shown);
}

void WindowHelpersTest::drawingSurface()
{
    DrawingSurface surface;
    surface.resize(400, 300);
    const QColor paper = surface.palette().color(QPalette::Base);
    auto colorAt = [&](QPoint units) {
        return surface.grab().toImage().pixelColor(surface.toPixels(units));
    };

    surface.fillBox(QRect(10, 10, 20, 10), Qt::yellow);
    surface.setPen(Qt::red, 3);
    surface.drawPolyline({QPoint(0, 40), QPoint(100, 40), QPoint(100, 60)});
    QCOMPARE(colorAt(QPoint(20, 15)), QColor(Qt::yellow));
    QCOMPARE(colorAt(QPoint(50, 40)), QColor(Qt::red));
    QCOMPARE(colorAt(QPoint(100, 50)), QColor(Qt::red)); // the second segment
    QCOMPARE(colorAt(QPoint(50, 50)), paper);

    surface.clear();
    QVERIFY(surface.items().isEmpty());
    QCOMPARE(colorAt(QPoint(20, 15)), paper);
    QCOMPARE(colorAt(QPoint(50, 40)), paper);
}

QTEST_MAIN(WindowHelpersTest)
#include "test_windowhelpers.moc"
