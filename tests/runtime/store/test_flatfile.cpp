#include "runtime/fs/Paths.h"
#include "runtime/store/FlatFile.h"

#include "golden/GoldenCases.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <functional>

#include <sys/stat.h>

using namespace zemor::runtime;
using namespace zemor::runtime::store;
using namespace Qt::StringLiterals;

namespace {

// Record i of a file: its bytes depend on the index and on the position within the record, so
// that a lost, repeated or shifted record shows.
QByteArray record(int length, qint64 index)
{
    QByteArray bytes(length, Qt::Uninitialized);
    for (int k = 0; k < length; ++k)
        bytes[k] = char((index * 131 + k * 7 + 3) & 0xff);
    return bytes;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), content.size());
}

QStringList entriesOf(const QString &dir)
{
    return QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// Reads every record; fails the test on an error.
QList<QByteArray> readAll(FlatFile::Reader &reader)
{
    QList<QByteArray> records;
    QByteArray rec;
    for (;;) {
        auto more = reader.next(rec);
        if (!more) {
            qWarning("%s", qPrintable(more.error().message));
            return records;
        }
        if (!*more)
            return records;
        records.append(rec);
    }
}

Status writeRecords(const QString &path, int length, qint64 count)
{
    auto writer = FlatFile::Writer::create(path, length);
    if (!writer)
        return std::unexpected(writer.error());
    for (qint64 i = 0; i < count; ++i) {
        if (auto added = writer->append(record(length, i)); !added)
            return added;
    }
    return writer->commit();
}

using Mutation = std::function<QByteArray(QByteArray)>;

QByteArray withUint32(QByteArray bytes, int offset, quint32 value)
{
    qToLittleEndian<quint32>(value, bytes.data() + offset);
    return bytes;
}

} // namespace

Q_DECLARE_METATYPE(Mutation)

class TestFlatFile : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_work;

    QString at(const QString &name) const { return m_work + u'/' + name; }

private Q_SLOTS:
    void init()
    {
        m_dir = QTemporaryDir();
        QVERIFY(m_dir.isValid());
        m_work = QDir(m_dir.path()).canonicalPath();
        fs::setWorkDir(m_work);
    }

    // The golden cases of tests/golden/flatfile: "length N" in args.txt is the record length
    // the reader expects; the result is "records <length>" and one "record <hex>" a record.
    void golden_data() { zemor::test::addGoldenRows(u"flatfile"_s); }

    void golden()
    {
        QFETCH(QString, input);
        QFETCH(QStringList, args);
        QFETCH(QStringList, expected);
        int length = 0;
        for (const QString &arg : std::as_const(args)) {
            if (arg.startsWith(u"length "))
                length = arg.mid(7).toInt();
        }
        auto reader = FlatFile::Reader::open(input, length);
        QStringList lines;
        QByteArray rec;
        Result<bool> more = reader ? Result<bool>(true) : std::unexpected(reader.error());
        if (reader) {
            lines << u"records %1"_s.arg(reader->recordLength());
            while ((more = reader->next(rec)) && *more)
                lines << u"record "_s + QString::fromLatin1(rec.toHex());
        }
        const QString mismatch =
            zemor::test::goldenMismatch(expected, lines, more ? nullptr : &more.error());
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    }

    void roundTrip_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("count");
        QTest::newRow("no records") << 40 << 0;
        QTest::newRow("one byte records") << 1 << 3;
        QTest::newRow("one record") << 287 << 1;
        QTest::newRow("many buffers") << 287 << 1000;
        QTest::newRow("records larger than a buffer") << 70000 << 3;
    }

    void roundTrip()
    {
        QFETCH(int, length);
        QFETCH(int, count);
        const QString name = u"\\ot.dat"_s;
        QVERIFY(writeRecords(name, length, count));
        QCOMPARE(QFileInfo(at(u"ot.dat"_s)).size(), FlatFile::headerSize + qint64(length) * count);

        auto reader = FlatFile::Reader::open(u"OT.DAT"_s, length);
        QVERIFY(reader);
        QCOMPARE(reader->count(), count);
        QCOMPARE(reader->recordLength(), length);
        const QList<QByteArray> records = readAll(*reader);
        QCOMPARE(records.size(), count);
        for (int i = 0; i < count; ++i)
            QVERIFY2(records[i] == record(length, i), qPrintable(u"record %1"_s.arg(i)));
        QByteArray rec;
        auto end = reader->next(rec);
        QVERIFY(end && !*end); // stays at the end

        // Read in bulk after the first record by next(): the rest, in order, then nothing.
        auto bulk = FlatFile::Reader::open(name, length);
        QVERIFY(bulk);
        qint64 taken = 0;
        if (count > 0) {
            QVERIFY(bulk->next(rec) && rec == record(length, 0));
            taken = 1;
        }
        QByteArray rest(qsizetype(length) * (count + 1), '\0');
        auto got = bulk->read(rest.data(), count + 1);
        QVERIFY(got);
        QCOMPARE(*got, count - taken);
        for (qint64 i = 0; i < *got; ++i)
            QVERIFY2(rest.mid(i * length, length) == record(length, int(taken + i)),
                     qPrintable(u"bulk record %1"_s.arg(taken + i)));
        auto none = bulk->read(rest.data(), 1);
        QVERIFY(none && *none == 0);

        // Opening without an expected length takes the file's own.
        auto any = FlatFile::Reader::open(name);
        QVERIFY(any);
        QCOMPARE(any->recordLength(), length);
        QCOMPARE(entriesOf(m_work), QStringList{u"ot.dat"_s});
    }

    void appendToExisting()
    {
        QVERIFY(writeRecords(u"ot.dat"_s, 16, 3));
        QVERIFY(::chmod(QFile::encodeName(at(u"ot.dat"_s)).constData(), 0640) == 0);
        {
            auto writer = FlatFile::Writer::openForAppend(u"OT.dat"_s, 16);
            QVERIFY(writer);
            QCOMPARE(writer->count(), 3);
            QVERIFY(writer->append(record(16, 3)));
            QVERIFY(writer->append(record(16, 4)));
            QVERIFY(writer->commit());
        }
        struct stat st;
        QVERIFY(::stat(QFile::encodeName(at(u"ot.dat"_s)).constData(), &st) == 0);
        QCOMPARE(st.st_mode & 0777, 0640u); // the replaced file keeps its permissions
        auto reader = FlatFile::Reader::open(u"ot.dat"_s, 16);
        QVERIFY(reader);
        const QList<QByteArray> records = readAll(*reader);
        QCOMPARE(records.size(), 5);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(records[i], record(16, i));

        auto missing = FlatFile::Writer::openForAppend(u"none.dat"_s, 16);
        QVERIFY(!missing);
        QCOMPARE(missing.error().code, ErrorCode::FileNotFound);

        // A file that does not check out is not continued, and nothing is written.
        const QByteArray before = readFile(at(u"ot.dat"_s));
        auto otherLength = FlatFile::Writer::openForAppend(u"ot.dat"_s, 17);
        QVERIFY(!otherLength);
        QCOMPARE(otherLength.error().code, ErrorCode::DamagedFile);
        QByteArray spoilt = before;
        spoilt[FlatFile::headerSize + 20] = char(spoilt[FlatFile::headerSize + 20] ^ 1);
        writeFile(at(u"bad.dat"_s), spoilt);
        auto damaged = FlatFile::Writer::openForAppend(u"bad.dat"_s, 16);
        QVERIFY(!damaged);
        QCOMPARE(damaged.error().code, ErrorCode::DamagedFile);
        QCOMPARE(readFile(at(u"bad.dat"_s)), spoilt);
        QCOMPARE(readFile(at(u"ot.dat"_s)), before);
        QCOMPARE(entriesOf(m_work), (QStringList{u"bad.dat"_s, u"ot.dat"_s}));
    }

    void damagedFileRefused_data()
    {
        QTest::addColumn<Mutation>("mutate");
        QTest::addColumn<int>("expectedLength");
        QTest::addColumn<QString>("reason");
        const int countAt = 16, crcAt = 24;

        QTest::newRow("truncated by one byte")
            << Mutation([](QByteArray b) { return b.left(b.size() - 1); }) << 10 << u"обрезан"_s;
        QTest::newRow("truncated inside the header")
            << Mutation([](QByteArray b) { return b.left(20); }) << 10 << u"обрезан"_s;
        QTest::newRow("extended by one byte")
            << Mutation([](QByteArray b) { return b + 'x'; }) << 10 << u"лишние"_s;
        QTest::newRow("extended by a whole record")
            << Mutation([](QByteArray b) { return b + QByteArray(10, ' '); }) << 10 << u"лишние"_s;
        QTest::newRow("one flipped record byte") << Mutation([](QByteArray b) {
            b[b.size() - 7] = char(b[b.size() - 7] ^ 0x20);
            return b;
        }) << 10 << u"контрольная сумма"_s;
        QTest::newRow("checksum altered") << Mutation([=](QByteArray b) {
            return withUint32(b, crcAt, qFromLittleEndian<quint32>(b.constData() + crcAt) ^ 1);
        }) << 10 << u"контрольная сумма"_s;
        QTest::newRow("count raised")
            << Mutation([=](QByteArray b) { return withUint32(b, countAt, 6); }) << 10
            << u"обрезан"_s;
        QTest::newRow("count lowered")
            << Mutation([=](QByteArray b) { return withUint32(b, countAt, 4); }) << 10
            << u"лишние"_s;
        QTest::newRow("count too large to multiply") << Mutation([=](QByteArray b) {
            return withUint32(withUint32(b, countAt, 0xffffffffu), countAt + 4, 0xffffffffu);
        }) << 10 << u"обрезан"_s;
        QTest::newRow("record length of the header changed")
            << Mutation([](QByteArray b) { return withUint32(b, 12, 5); }) << 0 << u"лишние"_s;
        QTest::newRow("record length differs from the expected one")
            << Mutation([](QByteArray b) { return b; }) << 12 << u"не та длина записи"_s;
        QTest::newRow("bad magic") << Mutation([](QByteArray b) {
            b[0] = 'X';
            return b;
        }) << 10 << u"не файл записей"_s;
        QTest::newRow("another file entirely")
            << Mutation([](QByteArray) { return QByteArray("Otchet;62;2015\r\n"); }) << 10
            << u"не файл записей"_s;
        QTest::newRow("empty file")
            << Mutation([](QByteArray) { return QByteArray(); }) << 10 << u"файл пуст"_s;
        QTest::newRow("another format version")
            << Mutation([](QByteArray b) { return withUint32(b, 8, 2); }) << 10
            << u"версия формата"_s;
        QTest::newRow("reserved field set")
            << Mutation([](QByteArray b) { return withUint32(b, 28, 1); }) << 10
            << u"неверный заголовок"_s;
        QTest::newRow("zero record length")
            << Mutation([](QByteArray b) { return withUint32(b, 12, 0); }) << 0
            << u"неверный заголовок"_s;
    }

    void damagedFileRefused()
    {
        QFETCH(Mutation, mutate);
        QFETCH(int, expectedLength);
        QFETCH(QString, reason);
        QVERIFY(writeRecords(u"good.dat"_s, 10, 5));
        const QString path = at(u"Exch.dat"_s);
        writeFile(path, mutate(readFile(at(u"good.dat"_s))));

        auto reader = FlatFile::Reader::open(u"exch.DAT"_s, expectedLength);
        QVERIFY(!reader);
        QCOMPARE(reader.error().code, ErrorCode::DamagedFile);
        QCOMPARE(reader.error().where, path);
        QVERIFY2(reader.error().message.contains(path), qPrintable(reader.error().message));
        QVERIFY2(reader.error().message.contains(reason), qPrintable(reader.error().message));
    }

    void writerLeavesOldFileUnlessCommitted()
    {
        QVERIFY(writeRecords(u"ot.dat"_s, 8, 4));
        const QByteArray before = readFile(at(u"ot.dat"_s));

        {
            // Dropped without commit.
            auto writer = FlatFile::Writer::create(u"OT.DAT"_s, 8);
            QVERIFY(writer);
            QCOMPARE(writer->path(), at(u"ot.dat"_s));
            for (int i = 0; i < 2000; ++i)
                QVERIFY(writer->append(record(8, 100 + i)));
            QCOMPARE(readFile(at(u"ot.dat"_s)), before);
        }
        QCOMPARE(readFile(at(u"ot.dat"_s)), before);
        QCOMPARE(entriesOf(m_work), QStringList{u"ot.dat"_s});

        {
            // Abandoned on purpose: commit has nothing left to put in place.
            auto writer = FlatFile::Writer::create(u"ot.dat"_s, 8);
            QVERIFY(writer);
            QVERIFY(writer->append(record(8, 1)));
            writer->abandon();
            QCOMPARE(writer->commit().error().code, ErrorCode::FileNotOpen);
        }
        {
            // A record of the wrong length spoils the writer.
            auto writer = FlatFile::Writer::create(u"ot.dat"_s, 8);
            QVERIFY(writer);
            QVERIFY(writer->append(record(8, 1)));
            auto wrong = writer->append(record(9, 2));
            QVERIFY(!wrong);
            QCOMPARE(wrong.error().code, ErrorCode::InvalidArgument);
            QCOMPARE(writer->append(record(8, 3)).error().code, ErrorCode::InvalidArgument);
            QCOMPARE(writer->commit().error().code, ErrorCode::InvalidArgument);
        }
        QCOMPARE(readFile(at(u"ot.dat"_s)), before);
        QCOMPARE(entriesOf(m_work), QStringList{u"ot.dat"_s});

        {
            // A committed writer replaces the file once; it cannot be committed again.
            auto writer = FlatFile::Writer::create(u"ot.dat"_s, 8);
            QVERIFY(writer);
            QVERIFY(writer->append(record(8, 7)));
            FlatFile::Writer moved = std::move(*writer);
            QVERIFY(moved.commit());
            QCOMPARE(moved.commit().error().code, ErrorCode::FileNotOpen);
        }
        auto reader = FlatFile::Reader::open(u"ot.dat"_s, 8);
        QVERIFY(reader);
        QCOMPARE(readAll(*reader), QList<QByteArray>{record(8, 7)});
        QCOMPARE(entriesOf(m_work), QStringList{u"ot.dat"_s});
    }

    void badNamesAndArguments()
    {
        auto blank = FlatFile::Writer::create(u"   "_s, 8);
        QVERIFY(!blank);
        QCOMPARE(blank.error().code, ErrorCode::InvalidName);
        auto noFolder = FlatFile::Writer::create(u"\\export\\ot.dat"_s, 8);
        QVERIFY(!noFolder);
        QCOMPARE(noFolder.error().code, ErrorCode::FileNotFound);
        QCOMPARE(FlatFile::Writer::create(u"ot.dat"_s, 0).error().code, ErrorCode::InvalidArgument);
        QVERIFY(QDir(m_work).mkdir(u"Folder"_s));
        QCOMPARE(FlatFile::Writer::create(u"folder"_s, 8).error().code, ErrorCode::AccessDenied);
        QCOMPARE(FlatFile::Reader::open(u"missing.dat"_s).error().code, ErrorCode::FileNotFound);
        QCOMPARE(FlatFile::Reader::open(u"folder"_s).error().code, ErrorCode::DamagedFile);
        QCOMPARE(entriesOf(m_work), QStringList{u"Folder"_s});
    }
};

QTEST_GUILESS_MAIN(TestFlatFile)
#include "test_flatfile.moc"
