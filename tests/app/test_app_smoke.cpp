// The zemor program itself, started as a process in a demo working directory: it reaches its
// main window, closes it and exits cleanly, leaving the frame's placement in "zemor.INI".

#include "support/DemoWorkDir.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class AppSmokeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsAndEnds_data();
    void startsAndEnds();
};

void AppSmokeTest::startsAndEnds_data()
{
    QTest::addColumn<bool>("demo");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("demo directory") << true << QStringList();
    // A directory without anything: both reminders, and the frame opens all the same.
    QTest::newRow("empty directory")
        << false
        << QStringList{QStringLiteral("Отсутствует директория для ввода данных и форматами таблиц"),
                       QStringLiteral("укажите свое ЛПУ")};
}

void AppSmokeTest::startsAndEnds()
{
    QFETCH(bool, demo);
    QFETCH(QStringList, messages);
    QTemporaryDir root;
    const QString dir = root.filePath(QStringLiteral("work"));
    if (demo) {
        const QString failed = zemor::test::writeDemo(dir);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
    } else {
        QVERIFY(QDir().mkpath(dir));
    }

    QProcess zemor;
    zemor.setWorkingDirectory(dir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZEMOR_SMOKE"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    zemor.setProcessEnvironment(env);
    zemor.start(QStringLiteral(ZEMOR_BINARY), {});
    QVERIFY(zemor.waitForStarted());
    QVERIFY(zemor.waitForFinished(60000));
    const QString err = QString::fromUtf8(zemor.readAllStandardError());
    QCOMPARE(zemor.exitStatus(), QProcess::NormalExit);
    QVERIFY2(zemor.exitCode() == 0, qPrintable(err));
    QVERIFY2(err.contains(QStringLiteral("zemor: main window shown")), qPrintable(err));
    for (const QString &message : messages)
        QVERIFY2(err.contains(message), qPrintable(err));
    if (messages.isEmpty())
        QVERIFY2(!err.contains(QStringLiteral("zemor: message:")), qPrintable(err));

    QFile ini(QDir(dir).filePath(QStringLiteral("zemor.INI")));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QVERIFY(ini.readAll().contains("[Main]"));
}

QTEST_GUILESS_MAIN(AppSmokeTest)
#include "test_app_smoke.moc"
