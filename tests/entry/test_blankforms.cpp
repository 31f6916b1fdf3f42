// The blank forms of the demo working directory: the list of "doc\blanki.txt", and each kind of
// blank opened as a fresh copy in "temp1" - or refused, or not opened - through a recording
// office conversation.

#include "entry/BlankForms.h"
#include "runtime/fs/Paths.h"
#include "runtime/office/Conversation.h"
#include "support/RecordingOffice.h"
#include "support/ScriptedPrompter.h"
#include "tools/DemoBuilder.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace zemor;
using namespace zemor::entry;
using namespace Qt::StringLiterals;

namespace {

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestBlankForms : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void listOfTheDemo();
    void entries_data();
    void entries();
    void opening_data();
    void opening();
    void secondChoiceReplacesTheCopy();
    void unreachableProgram();

private:
    QTemporaryDir m_dir;
    QString m_root;
};

void TestBlankForms::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_root = m_dir.filePath(u"work"_s);
    QVERIFY(tools::DemoBuilder().build(m_root));
    runtime::fs::setWorkDir(m_root);
}

void TestBlankForms::listOfTheDemo()
{
    const auto list = BlankForms::readList(m_root + u"/doc/blanki.txt"_s);
    QVERIFY(list);
    QCOMPARE(list->size(), 4); // the blank line is no entry
    QCOMPARE(list->at(0).path, u"f12\\f12.doc"_s);
    QCOMPARE(list->at(0).kind, 2);
    QCOMPARE(list->at(1).kind, 1);
    QCOMPARE(list->at(2).kind, 0);
    QCOMPARE(list->at(3).path, QString());
    QCOMPARE(list->at(3).number, 4);

    const auto missing = BlankForms::readList(m_root + u"/doc/none.txt"_s);
    QVERIFY(missing && missing->isEmpty());
}

void TestBlankForms::entries_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("copy");

    QTest::newRow("document in a sub-folder")
        << u"f12\\f12.doc!Форма 12"_s << u"f12\\f12.doc"_s << u"Форма 12"_s << 2 << u"f12.doc"_s;
    QTest::newRow("workbook") << u"  f62.xls ! Форма 62"_s << u"f62.xls"_s << u"Форма 62"_s << 1
                              << u"f62.xls"_s;
    QTest::newRow("capital XLS opens nothing")
        << u"f30.XLS!Форма 30"_s << u"f30.XLS"_s << u"Форма 30"_s << 0 << u"f30.XLS"_s;
    QTest::newRow("another ending") << u"a.rtf!x"_s << u"a.rtf"_s << u"x"_s << 0 << u"a.rtf"_s;
    QTest::newRow("no \"!\": the whole line is the title")
        << u"Бланки прошлых лет"_s << QString() << u"Бланки прошлых лет"_s << 0 << QString();
    QTest::newRow("long names cut")
        << QString(120, u'a') + u"doc!"_s + QString(200, u'б') << QString(100, u'a')
        << QString(150, u'б') << 0 << QString(50, u'a');
}

void TestBlankForms::entries()
{
    QFETCH(QString, line);
    QFETCH(QString, path);
    QFETCH(QString, name);
    QFETCH(int, kind);
    QFETCH(QString, copy);
    const BlankEntry entry = BlankForms::entryOf(line, 1);
    QCOMPARE(entry.path, path);
    QCOMPARE(entry.name, name);
    QCOMPARE(entry.kind, kind);
    QCOMPARE(BlankForms::copyName(entry.path), copy);
}

void TestBlankForms::opening_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("copy");

    QTest::newRow("Word") << u"f12\\f12.doc!Форма 12"_s << int(BlankForms::Outcome::Opened)
                          << u"WinWord: [FileOpen (\"%1\")]"_s << u"f12.doc"_s;
    QTest::newRow("Excel") << u"f62.xls!Форма 62"_s << int(BlankForms::Outcome::Opened)
                           << u"Excel: [OPEN.TEXT(\"%1\")]"_s << u"f62.xls"_s;
    QTest::newRow("other kind") << u"readme.txt!x"_s << int(BlankForms::Outcome::NotOpenable)
                                << QString() << QString();
    QTest::newRow("out of the blanks folder")
        << u"..\\secret.doc!x"_s << int(BlankForms::Outcome::Refused) << QString() << QString();
    QTest::newRow("copy out of temp1")
        << u"f12\\..\\..\\f12.doc!x"_s << int(BlankForms::Outcome::Refused) << QString()
        << QString();
    QTest::newRow("missing blank")
        << u"none.doc!x"_s << int(BlankForms::Outcome::CopyFailed) << QString() << QString();
}

void TestBlankForms::opening()
{
    QFETCH(QString, line);
    QFETCH(int, outcome);
    QFETCH(QString, command);
    QFETCH(QString, copy);

    test::RecordingOffice office;
    test::ScriptedPrompter prompter;
    BlankForms blanks(office, prompter);
    QString copied;
    QCOMPARE(int(blanks.open(BlankForms::entryOf(line, 1), &copied)), outcome);
    if (command.isEmpty()) {
        QVERIFY(office.commands.isEmpty());
        QCOMPARE(prompter.messages.isEmpty(), outcome == int(BlankForms::Outcome::NotOpenable));
        return;
    }
    const QString expectedCopy = m_root + u"/temp1/"_s + copy;
    QCOMPARE(copied, expectedCopy);
    QCOMPARE(office.commands, QStringList{command.arg(expectedCopy)});
    QVERIFY(prompter.messages.isEmpty());
    // The blank under "doc" itself is never opened.
    QVERIFY(!office.commands.first().contains(u"/doc/"_s));
}

void TestBlankForms::secondChoiceReplacesTheCopy()
{
    test::RecordingOffice office;
    test::ScriptedPrompter prompter;
    BlankForms blanks(office, prompter);
    const BlankEntry entry = BlankForms::entryOf(u"f12\\f12.doc!Форма 12"_s, 1);
    QString copied;
    QCOMPARE(blanks.open(entry, &copied), BlankForms::Outcome::Opened);
    QFile edited(copied);
    QVERIFY(edited.open(QIODevice::WriteOnly | QIODevice::Truncate));
    edited.write("filled in");
    edited.close();
    QCOMPARE(blanks.open(entry, &copied), BlankForms::Outcome::Opened);
    QCOMPARE(contents(copied), contents(m_root + u"/doc/f12/f12.doc"_s));
    QCOMPARE(office.commands.size(), 2);
}

void TestBlankForms::unreachableProgram()
{
    test::RecordingOffice office;
    office.reachable = false;
    test::ScriptedPrompter prompter;
    BlankForms blanks(office, prompter);
    QCOMPARE(blanks.open(BlankForms::entryOf(u"f12\\f12.doc!x"_s, 1)),
             BlankForms::Outcome::Unreachable);
    QCOMPARE(prompter.texts(), QStringList{u"ЗАПУСТИТЕ word"_s});
    QCOMPARE(office.opened.size(), 2);
    QVERIFY(office.commands.isEmpty());

    prompter.messages.clear();
    QCOMPARE(blanks.open(BlankForms::entryOf(u"f62.xls!x"_s, 1)), BlankForms::Outcome::Unreachable);
    QCOMPARE(prompter.texts(), QStringList{u"ЗАПУСТИТЕ Excel"_s});
}

QTEST_GUILESS_MAIN(TestBlankForms)
#include "test_blankforms.moc"
