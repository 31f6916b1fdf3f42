#pragma once

// Helpers for the shell's window tests, next to ShellFixture.h (which the tests without windows
// use too, so it stays free of widgets): acting on the modal window that opens next, and
// pictures of windows written into the build tree (<build>/tests/shell/screenshots) for a look
// by eye. Nothing here owns a window; a failed wait or write fails the running test.

#include <QApplication>
#include <QDir>
#include <QString>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace zemor::test {

// Runs `act` on the modal window that opens next.
inline void onNextModal(std::function<void(QWidget *)> act)
{
    QTimer::singleShot(0, qApp, [act] {
        QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
        act(QApplication::activeModalWidget());
    });
}

// The folder the pictures go to, made if need be.
inline QString shotsDir()
{
    const QString dir = QDir(qEnvironmentVariable("ZEMOR_TEST_BINARY_DIR", QDir::currentPath()))
                            .filePath(QStringLiteral("screenshots"));
    QDir().mkpath(dir);
    return dir;
}

// Shows `window` and writes its picture as `name` into shotsDir().
inline void shoot(QWidget *window, const QString &name)
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCoreApplication::processEvents();
    QVERIFY(window->grab().save(QDir(shotsDir()).filePath(name)));
}

} // namespace zemor::test
