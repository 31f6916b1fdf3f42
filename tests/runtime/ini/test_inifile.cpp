#include "runtime/fs/DurableFile.h"
#include "runtime/ini/IniFile.h"
#include "support/FileBytes.h"
#include "support/WriteFailures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include <cerrno>

using zemor::runtime::ErrorCode;
using zemor::runtime::Status;
using zemor::runtime::ini::IniFile;
using namespace Qt::StringLiterals;

namespace {

using zemor::test::FileSizeLimit;
using zemor::test::readBytes;
using zemor::test::writeBytes;

} // namespace

class TestIniFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void missingFileGivesDefaults();
    void lookupIgnoresCase_data();
    void lookupIgnoresCase();
    void cyrillicRoundTrip();
    void saveKeepsUnrelatedContent();
    void newKeysAndSections();
    void intValues_data();
    void intValues();
    void valueWithLineBreakStaysOneLine();
    void failedSaveLeavesOldFile();
    void fullDiskIsReportedAsSuch_data();
    void fullDiskIsReportedAsSuch();
    void bareCarriageReturnEndsLine();
    void unreadableFileIsNotReplaced();
    void reloadDropsUnsavedChanges();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestIniFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("zemor.INI"));
}

void TestIniFile::missingFileGivesDefaults()
{
    IniFile ini(m_path);
    QVERIFY(ini.loadStatus().has_value());
    QCOMPARE(ini.value(u"Main", u"XPos", QStringLiteral("10")), QStringLiteral("10"));
    QCOMPARE(ini.intValue(u"Main", u"XPos", 7), 7);
    QVERIFY(!ini.contains(u"Main", u"XPos"));
    QVERIFY(!QFile::exists(m_path)); // reading never creates the file

    ini.setIntValue(u"Main", u"XPos", 120);
    QVERIFY(ini.save().has_value());
    QCOMPARE(readBytes(m_path), QByteArray("[Main]\r\nXPos=120\r\n"));
    // Only the file itself is left in the directory, no temporary beside it.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{QStringLiteral("zemor.INI")});
}

void TestIniFile::lookupIgnoresCase_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    QTest::newRow("as written") << u"Main"_s << u"XPos"_s << u"15"_s;
    QTest::newRow("other case") << u"MAIN"_s << u"xpos"_s << u"15"_s;
    QTest::newRow("cyrillic section") << u"ВВОД ОТЧЕТОВ"_s << u"ширина"_s << u"640"_s;
    QTest::newRow("blanks around names") << u" main "_s << u"XPOS "_s << u"15"_s;
    QTest::newRow("key of another section") << u"Main"_s << u"Ширина"_s << u"-"_s;
    QTest::newRow("before any section") << QString() << u"version"_s << u"2"_s;
    QTest::newRow("first of duplicates") << u"Main"_s << u"YPos"_s << u"1"_s;
    QTest::newRow("commented out") << u"Main"_s << u"Width"_s << u"-"_s;
}

void TestIniFile::lookupIgnoresCase()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    writeBytes(m_path,
               "Version = 2\r\n"
               "[Main]\r\n"
               "XPos = 15\r\n"
               "YPos=1\r\n"
               ";Width=3\r\n"
               "YPos=2\r\n"
               "[\xC2\xE2\xEE\xE4 \xEE\xF2\xF7\xE5\xF2\xEE\xE2]\n" // [Ввод отчетов], LF only
               "\xD8\xE8\xF0\xE8\xED\xE0=640");                    // Ширина=640, no end
    IniFile ini(m_path);
    QCOMPARE(ini.value(section, key, QStringLiteral("-")), expected);
}

void TestIniFile::cyrillicRoundTrip()
{
    {
        IniFile ini(m_path);
        ini.setValue(u"Настройки", u"Территория", QStringLiteral("Таргинская область"));
        QVERIFY(ini.save().has_value());
    }
    const QByteArray bytes = readBytes(m_path);
    QVERIFY2(bytes.contains("\xD2\xE5\xF0\xF0\xE8\xF2\xEE\xF0\xE8\xFF=\xD2\xE0\xF0\xE3"),
             bytes.constData()); // "Территория=Тарг" in Windows-1251
    IniFile again(m_path);
    QCOMPARE(again.value(u"НАСТРОЙКИ", u"территория"), QStringLiteral("Таргинская область"));
}

void TestIniFile::saveKeepsUnrelatedContent()
{
    const QByteArray written = "; window positions\r\n"
                               "\r\n"
                               "[Main]\r\n"
                               "XPos  =  15\r\n"
                               "YPos=20\r\n"
                               "odd line without equals\r\n"
                               "\r\n"
                               "[Other]\r\n"
                               "# kept\r\n"
                               "Key=\x98\xC0\r\n";
    writeBytes(m_path, written);
    IniFile ini(m_path);
    ini.setIntValue(u"main", u"xpos", 300);
    QVERIFY(ini.save().has_value());
    QByteArray expected = written;
    expected.replace("XPos  =  15", "XPos  =  300");
    QCOMPARE(readBytes(m_path), expected);

    // Saving without a change writes the same bytes; LF-only files come back with CR LF.
    writeBytes(m_path, "[A]\nk=v\n\n; c");
    IniFile lf(m_path);
    QVERIFY(lf.save().has_value());
    QCOMPARE(readBytes(m_path), QByteArray("[A]\r\nk=v\r\n\r\n; c\r\n"));
}

void TestIniFile::newKeysAndSections()
{
    writeBytes(m_path, "top=1\r\n[Main]\r\nXPos=1\r\n\r\n[Other]\r\nA=1\r\n");
    IniFile ini(m_path);
    ini.setValue(u"MAIN", u"YPos", QStringLiteral("2"));
    ini.setValue(u"Report", u"Width", QStringLiteral("3"));
    ini.setValue({}, u"second", QStringLiteral("4"));
    QVERIFY(ini.save().has_value());
    QCOMPARE(readBytes(m_path), QByteArray("top=1\r\nsecond=4\r\n[Main]\r\nXPos=1\r\nYPos=2\r\n\r\n"
                                           "[Other]\r\nA=1\r\n\r\n[Report]\r\nWidth=3\r\n"));
    QCOMPARE(ini.sections(), (QStringList{QStringLiteral("Main"), QStringLiteral("Other"),
                                          QStringLiteral("Report")}));
}

void TestIniFile::intValues_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("plain") << QByteArray("42") << 42;
    QTest::newRow("negative") << QByteArray("-8") << -8;
    QTest::newRow("blanks") << QByteArray("  7 ") << 7;
    QTest::newRow("text") << QByteArray("abc") << 99;
    QTest::newRow("trailing text") << QByteArray("12px") << 99;
    QTest::newRow("empty") << QByteArray() << 99;
    QTest::newRow("too large") << QByteArray("99999999999") << 99;
}

void TestIniFile::intValues()
{
    QFETCH(QByteArray, value);
    QFETCH(int, expected);
    writeBytes(m_path, "[Main]\r\nN=" + value + "\r\n");
    IniFile ini(m_path);
    QCOMPARE(ini.intValue(u"Main", u"N", 99), expected);
}

void TestIniFile::valueWithLineBreakStaysOneLine()
{
    IniFile ini(m_path);
    ini.setValue(u"Main", u"Title", QStringLiteral("a\r\n[Evil]\nb"));
    QVERIFY(ini.save().has_value());
    IniFile again(m_path);
    QCOMPARE(again.value(u"Main", u"Title"), QStringLiteral("a  [Evil] b"));
    QCOMPARE(again.sections(), QStringList{QStringLiteral("Main")});
}

void TestIniFile::failedSaveLeavesOldFile()
{
    writeBytes(m_path, "[Main]\r\nXPos=1\r\n");
    IniFile ini(m_path);
    ini.setValue(u"Main", u"Title", QString(200, u'x'));
    Status saved;
    {
        // Writes beyond 64 bytes fail, whoever runs the test.
        FileSizeLimit limit(64);
        saved = ini.save();
    }
    QVERIFY(!saved.has_value());
    QCOMPARE(readBytes(m_path), QByteArray("[Main]\r\nXPos=1\r\n"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{QStringLiteral("zemor.INI")});
    QVERIFY(ini.isModified());
    QVERIFY(ini.save().has_value());
    QCOMPARE(IniFile(m_path).value(u"Main", u"Title"), QString(200, u'x'));
}

// A save that runs out of room says so (not "Unknown error") and keeps the old file.
void TestIniFile::fullDiskIsReportedAsSuch_data()
{
    QTest::addColumn<int>("errnum");
    QTest::addColumn<bool>("sizeLimit");
    QTest::newRow("no space") << ENOSPC << false;
    QTest::newRow("quota") << EDQUOT << false;
    QTest::newRow("file size limit") << 0 << true;
}

void TestIniFile::fullDiskIsReportedAsSuch()
{
    QFETCH(int, errnum);
    QFETCH(bool, sizeLimit);
    writeBytes(m_path, "[Main]\r\nXPos=1\r\n");
    IniFile ini(m_path);
    ini.setValue(u"Main", u"Title", QString(200, u'x'));
    Status saved;
    {
        std::optional<FileSizeLimit> limit;
        if (sizeLimit)
            limit.emplace(64);
        zemor::runtime::fs::failDurableWritesForTesting(errnum);
        saved = ini.save();
        zemor::runtime::fs::failDurableWritesForTesting(0);
    }
    QVERIFY(!saved.has_value());
    QCOMPARE(saved.error().code, ErrorCode::DiskFull);
    QVERIFY2(!saved.error().message.contains(u"Unknown error"_s),
             qPrintable(saved.error().message));
    QCOMPARE(readBytes(m_path), QByteArray("[Main]\r\nXPos=1\r\n"));
}

// A line ended by a CR alone is a line of its own: the next one is neither lost on reading nor
// on the save after it.
void TestIniFile::bareCarriageReturnEndsLine()
{
    writeBytes(m_path, "[Main]\rXPos=1\rYPos=2\r\n[Other]\nZ=3");
    IniFile ini(m_path);
    QCOMPARE(ini.value(u"Main", u"XPos"), u"1"_s);
    QCOMPARE(ini.value(u"Main", u"YPos"), u"2"_s);
    QCOMPARE(ini.value(u"Other", u"Z"), u"3"_s);
    ini.setValue(u"Main", u"XPos", u"5"_s);
    QVERIFY(ini.save().has_value());
    const IniFile again(m_path);
    QCOMPARE(again.value(u"Main", u"XPos"), u"5"_s);
    QCOMPARE(again.value(u"Main", u"YPos"), u"2"_s);
    QCOMPARE(again.value(u"Other", u"Z"), u"3"_s);
}

void TestIniFile::unreadableFileIsNotReplaced()
{
    // A directory in the file's place cannot be read; its content must not be thrown away.
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("zemor.INI")));
    IniFile ini(m_path);
    QVERIFY(!ini.loadStatus().has_value());
    QCOMPARE(ini.value(u"Main", u"XPos", QStringLiteral("d")), QStringLiteral("d"));
    ini.setIntValue(u"Main", u"XPos", 2);
    const auto saved = ini.save();
    QVERIFY(!saved.has_value());
    QVERIFY(QFileInfo(m_path).isDir());
}

void TestIniFile::reloadDropsUnsavedChanges()
{
    writeBytes(m_path, "[Main]\r\nXPos=1\r\n");
    IniFile ini(m_path);
    ini.setIntValue(u"Main", u"XPos", 5);
    writeBytes(m_path, "[Main]\r\nXPos=9\r\n");
    QVERIFY(ini.reload().has_value());
    QCOMPARE(ini.intValue(u"Main", u"XPos", 0), 9);
    QVERIFY(!ini.isModified());
}

QTEST_APPLESS_MAIN(TestIniFile)
#include "test_inifile.moc"
