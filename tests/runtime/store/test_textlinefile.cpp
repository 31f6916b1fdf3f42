#include "runtime/fs/DurableFile.h"
#include "runtime/store/TextLineFile.h"
#include "support/FileBytes.h"
#include "support/WriteFailures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

using zemor::runtime::ErrorCode;
using zemor::runtime::Status;
using zemor::runtime::store::TextLineFile;

namespace {

using zemor::test::FileSizeLimit;
using zemor::test::readBytes;
using zemor::test::writeBytes;

} // namespace

class TestTextLineFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void lineEnds_data();
    void lineEnds();
    void veryLongLineReadWhole();
    void missingFile();
    void readLineByLine();
    void writeReplacesOnCommit();
    void uncommittedWriteLeavesOldFile();
    void failedWriteLeavesOldFile();
    void fullDiskIsReportedAsSuch();
    void lineBreakInLineRefused();
    void writeIntoMissingDirectory();

private:
    QStringList filesInDir() const { return QDir(m_dir->path()).entryList(QDir::Files); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestTextLineFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("Rash.txt"));
}

void TestTextLineFile::lineEnds_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QList<QByteArray>>("lines");
    using L = QList<QByteArray>;
    QTest::newRow("empty file") << QByteArray() << L{};
    QTest::newRow("one end") << QByteArray("\r\n") << L{""};
    QTest::newRow("CRLF") << QByteArray("a\r\nb\r\n") << L{"a", "b"};
    QTest::newRow("LF") << QByteArray("a\nb\n") << L{"a", "b"};
    QTest::newRow("mixed") << QByteArray("a\r\nb\nc\r\n") << L{"a", "b", "c"};
    QTest::newRow("last without end") << QByteArray("a\r\nb") << L{"a", "b"};
    QTest::newRow("empty lines kept")
        << QByteArray("a\r\n\r\n\nb\r\n\r\n") << L{"a", "", "", "b", ""};
    QTest::newRow("lone CR is data") << QByteArray("a\rb\r\n") << L{"a\rb"};
    QTest::newRow("one CR stripped") << QByteArray("a\r\r\n") << L{"a\r"};
    QTest::newRow("bytes raw") << QByteArray("\xD1\xF2\xF0\xEE\xEA\xE0\0;\x98\n", 10)
                               << L{QByteArray("\xD1\xF2\xF0\xEE\xEA\xE0\0;\x98", 9)};
}

void TestTextLineFile::lineEnds()
{
    QFETCH(QByteArray, content);
    QFETCH(QList<QByteArray>, lines);
    writeBytes(m_path, content);
    const auto read = TextLineFile::readLines(m_path);
    QVERIFY(read.has_value());
    QCOMPARE(*read, lines);
}

void TestTextLineFile::veryLongLineReadWhole()
{
    QByteArray longLine;
    for (int i = 0; longLine.size() < 100000; ++i)
        longLine += QByteArray::number(i % 1000) + ';';
    longLine.truncate(100000);
    writeBytes(m_path, "first\r\n" + longLine + "\r\nlast");
    const auto read = TextLineFile::readLines(m_path);
    QVERIFY(read.has_value());
    QCOMPARE(read->size(), 3);
    QCOMPARE(read->at(1).size(), 100000);
    QCOMPARE(read->at(1), longLine);
    QCOMPARE(read->at(2), QByteArray("last"));
}

void TestTextLineFile::missingFile()
{
    const auto read = TextLineFile::readLines(m_dir->filePath(QStringLiteral("absent.txt")));
    QVERIFY(!read.has_value());
    QCOMPARE(read.error().code, ErrorCode::FileNotFound);
    QVERIFY(read.error().where.endsWith(QStringLiteral("absent.txt")));

    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("dir.txt")));
    TextLineFile dir;
    QVERIFY(!dir.openForReading(m_dir->filePath(QStringLiteral("dir.txt"))).has_value());
}

void TestTextLineFile::readLineByLine()
{
    writeBytes(m_path, "\xCF\xF0\xE8\xE2\xE5\xF2\r\n\r\n"); // "Привет", then an empty line
    TextLineFile file;
    QVERIFY(file.openForReading(m_path).has_value());
    QCOMPARE(TextLineFile::decode(file.readLine().value()), QStringLiteral("Привет"));
    QVERIFY(!file.atEnd());
    QCOMPARE(file.readLine().value(), QByteArray(""));
    QVERIFY(file.atEnd());
    const auto past = file.readLine();
    QVERIFY(!past.has_value());
    QCOMPARE(past.error().code, ErrorCode::EndOfFile);
    file.close();
    QCOMPARE(file.readLine().error().code, ErrorCode::FileNotOpen);

    const auto text = TextLineFile::readTextLines(m_path);
    QCOMPARE(text.value(), (QStringList{QStringLiteral("Привет"), QString()}));
}

void TestTextLineFile::writeReplacesOnCommit()
{
    writeBytes(m_path, "old content that is longer than the new one\r\n");
    TextLineFile file;
    QVERIFY(file.create(m_path).has_value());
    QVERIFY(file.writeLine(QStringView(u"Строка 1")).has_value());
    QVERIFY(file.writeLine(QByteArrayView("")).has_value());
    QVERIFY(file.writeLine(QByteArrayView("last")).has_value());
    // Nothing shows before the commit.
    QCOMPARE(readBytes(m_path), QByteArray("old content that is longer than the new one\r\n"));
    QVERIFY(file.commit().has_value());
    QCOMPARE(file.mode(), TextLineFile::Mode::Closed);
    QCOMPARE(readBytes(m_path), QByteArray("\xD1\xF2\xF0\xEE\xEA\xE0 1\r\n\r\nlast\r\n"));
    QCOMPARE(filesInDir(), QStringList{QStringLiteral("Rash.txt")});

    // A long file goes out in several pieces and comes back whole.
    QList<QByteArray> lines;
    for (int i = 0; i < 20000; ++i)
        lines.append(QByteArray::number(i) + QByteArray(i % 50, 'x'));
    QVERIFY(file.create(m_path).has_value());
    for (const QByteArray &line : lines)
        QVERIFY(file.writeLine(QByteArrayView(line)).has_value());
    QVERIFY(file.commit().has_value());
    QCOMPARE(TextLineFile::readLines(m_path).value(), lines);
}

void TestTextLineFile::uncommittedWriteLeavesOldFile()
{
    writeBytes(m_path, "keep\r\n");
    {
        TextLineFile file;
        QVERIFY(file.create(m_path).has_value());
        QVERIFY(file.writeLine(QByteArrayView(QByteArray(200000, 'n'))).has_value());
    } // destroyed without commit
    QCOMPARE(readBytes(m_path), QByteArray("keep\r\n"));

    TextLineFile file;
    QVERIFY(file.create(m_path).has_value());
    QVERIFY(file.writeLine(QByteArrayView("new")).has_value());
    file.close();
    QCOMPARE(readBytes(m_path), QByteArray("keep\r\n"));
    QCOMPARE(filesInDir(), QStringList{QStringLiteral("Rash.txt")});
    QCOMPARE(file.commit().error().code, ErrorCode::FileNotOpen);

    // A new file that is never committed is never made.
    const QString fresh = m_dir->filePath(QStringLiteral("new.txt"));
    QVERIFY(file.create(fresh).has_value());
    QVERIFY(file.writeLine(QByteArrayView("x")).has_value());
    file.close();
    QVERIFY(!QFile::exists(fresh));
}

void TestTextLineFile::failedWriteLeavesOldFile()
{
    writeBytes(m_path, "keep\r\n");
    TextLineFile file;
    QVERIFY(file.create(m_path).has_value());
    Status committed;
    {
        FileSizeLimit limit(1000);
        for (int i = 0; i < 100; ++i)
            (void)file.writeLine(QByteArrayView(QByteArray(100, 'a')));
        committed = file.commit();
    }
    QVERIFY(!committed.has_value());
    QCOMPARE(readBytes(m_path), QByteArray("keep\r\n"));
    QCOMPARE(filesInDir(), QStringList{QStringLiteral("Rash.txt")});
}

// Running out of room is DiskFull with the system's words, not "Unknown error".
void TestTextLineFile::fullDiskIsReportedAsSuch()
{
    writeBytes(m_path, "keep\r\n");
    TextLineFile file;
    QVERIFY(file.create(m_path).has_value());
    zemor::runtime::fs::failDurableWritesForTesting(ENOSPC);
    Status committed;
    for (int i = 0; i < 1000 && committed; ++i)
        committed = file.writeLine(QByteArrayView(QByteArray(100, 'a')));
    if (committed)
        committed = file.commit();
    zemor::runtime::fs::failDurableWritesForTesting(0);
    QVERIFY(!committed.has_value());
    QCOMPARE(committed.error().code, ErrorCode::DiskFull);
    QVERIFY(!committed.error().message.contains(QStringLiteral("Unknown error")));
    QCOMPARE(readBytes(m_path), QByteArray("keep\r\n"));
    QCOMPARE(filesInDir(), QStringList{QStringLiteral("Rash.txt")});

    // Under a file size limit the same.
    QVERIFY(file.create(m_path).has_value());
    {
        FileSizeLimit limit(1000);
        for (int i = 0; i < 100; ++i)
            (void)file.writeLine(QByteArrayView(QByteArray(100, 'a')));
        committed = file.commit();
    }
    QCOMPARE(committed.error().code, ErrorCode::DiskFull);
}

void TestTextLineFile::lineBreakInLineRefused()
{
    TextLineFile file;
    QVERIFY(file.create(m_path).has_value());
    QCOMPARE(file.writeLine(QByteArrayView("a\nb")).error().code, ErrorCode::InvalidArgument);
    QCOMPARE(file.writeLine(QStringView(u"a\r")).error().code, ErrorCode::InvalidArgument);
    QVERIFY(file.writeLine(QByteArrayView("ok")).has_value());
    QVERIFY(file.commit().has_value());
    QCOMPARE(readBytes(m_path), QByteArray("ok\r\n"));
}

void TestTextLineFile::writeIntoMissingDirectory()
{
    TextLineFile file;
    const auto created = file.create(m_dir->filePath(QStringLiteral("nodir/out.txt")));
    QVERIFY(!created.has_value());
    QCOMPARE(created.error().code, ErrorCode::FileNotFound);
    QCOMPARE(file.writeLine(QByteArrayView("x")).error().code, ErrorCode::FileNotOpen);
}

QTEST_APPLESS_MAIN(TestTextLineFile)
#include "test_textlinefile.moc"
