#include "runtime/store/DbaseReader.h"

#include "golden/GoldenCases.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using zemor::runtime::ErrorCode;
using zemor::runtime::store::DbaseEncoding;
using zemor::runtime::store::DbaseField;
using zemor::runtime::store::DbaseReader;
using zemor::runtime::store::DbaseRecord;
using zemor::runtime::store::DbaseSource;

namespace {

struct Row
{
    QList<QByteArray> values;
    bool deleted = false;
};

// A minimal dBase IV writer: the header, one descriptor per field, the terminator, the records
// and the end marker. C values are padded on the right, N and F values on the left.
struct DbfBuilder
{
    QList<DbaseField> fields;
    QList<Row> rows;
    std::uint8_t version = 0x03;
    std::uint8_t languageDriver = 0xC9;
    bool endMarker = true;

    int recordLength() const
    {
        int n = 1;
        for (const DbaseField &f : fields)
            n += f.length;
        return n;
    }
    int headerLength() const { return 32 + 32 * int(fields.size()) + 1; }

    QByteArray build() const
    {
        QByteArray out(32, '\0');
        out[0] = char(version);
        out[1] = char(111); // 2011-05-20
        out[2] = char(5);
        out[3] = char(20);
        const auto count = quint32(rows.size());
        for (int i = 0; i < 4; ++i)
            out[4 + i] = char((count >> (8 * i)) & 0xFF);
        out[8] = char(headerLength() & 0xFF);
        out[9] = char(headerLength() >> 8);
        out[10] = char(recordLength() & 0xFF);
        out[11] = char(recordLength() >> 8);
        out[29] = char(languageDriver);
        for (const DbaseField &f : fields) {
            QByteArray d(32, '\0');
            const QByteArray name = f.name.toLatin1();
            d.replace(0, name.size(), name);
            d[11] = f.type;
            d[16] = char(f.length);
            d[17] = char(f.decimals);
            out += d;
        }
        out += char(0x0D);
        for (const Row &row : rows) {
            out += row.deleted ? '*' : ' ';
            for (int i = 0; i < fields.size(); ++i) {
                const QByteArray v = row.values.value(i).left(fields[i].length);
                const QByteArray pad(fields[i].length - v.size(), ' ');
                const bool number = fields[i].type == 'N' || fields[i].type == 'F';
                out += number ? pad + v : v + pad;
            }
        }
        if (endMarker)
            out += char(0x1A);
        return out;
    }
};

// The layout of the import rows: form, row id and column values, all as text.
QList<DbaseField> importLayout(int columns = 3)
{
    QList<DbaseField> fields{{QStringLiteral("FORMA"), 'C', 10, 0},
                             {QStringLiteral("NUMBSTR"), 'C', 10, 0}};
    for (int i = 1; i <= columns; ++i)
        fields.append({QStringLiteral("COL%1").arg(i), 'C', 12, 0});
    return fields;
}

DbfBuilder importFile()
{
    DbfBuilder b;
    b.fields = importLayout();
    b.rows = {{{"62", "1010", "12.5", "0", "  7"}},
              {{"62", "1020", "", "3.125", "-4"}, true},
              {{"62", "1030", "1", "2", "3"}}};
    return b;
}

} // namespace

class TestDbase : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void readsGoodFile();
    void deletedRowsSkipped();
    void endMarkerOptional();
    void textEncoding_data();
    void textEncoding();
    void layoutAccepted_data();
    void layoutAccepted();
    void layoutRefused_data();
    void layoutRefused();
    void damagedFileRefused_data();
    void damagedFileRefused();
    void missingFile();
    void golden_data();
    void golden();

private:
    QString write(const QByteArray &bytes, const QString &name = QStringLiteral("rep052011.dBF"));

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestDbase::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString TestDbase::write(const QByteArray &bytes, const QString &name)
{
    const QString path = m_dir->filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write the fixture");
    return path;
}

void TestDbase::readsGoodFile()
{
    DbfBuilder b = importFile();
    b.fields.append({QStringLiteral("SUMMA"), 'N', 10, 2});
    b.rows[0].values.append("123.45");
    const QString path = write(b.build());

    QList<DbaseField> expected = importLayout();
    expected.append({QStringLiteral("SUMMA"), 'N', 10, 2});
    DbaseReader reader;
    const auto opened = reader.open(path, expected);
    QVERIFY2(opened.has_value(), qPrintable(opened ? QString() : opened.error().message));
    QCOMPARE(reader.header().version, std::uint8_t(0x03));
    QCOMPARE(reader.header().date, QDate(2011, 5, 20));
    QCOMPARE(reader.header().languageDriver, std::uint8_t(0xC9));
    QCOMPARE(reader.header().headerLength, b.headerLength());
    QCOMPARE(reader.header().recordLength, b.recordLength());
    QCOMPARE(reader.count(), 3);
    QCOMPARE(reader.fields().size(), 6);
    QCOMPARE(reader.fields().at(5).decimals, 2);

    DbaseRecord record;
    QVERIFY(reader.next(record));
    QCOMPARE(record.fieldCount(), 6);
    QCOMPARE(record.text(u"forma"), QByteArray("62"));
    QCOMPARE(record.numericText(u"IMP:NUMBSTR"), QStringLiteral("1010"));
    QCOMPARE(record.numericText(u"COL3"), QStringLiteral("7"));
    QCOMPARE(record.raw(record.indexOf(u"COL3")), QByteArray("  7         "));
    QCOMPARE(record.numericText(u"SUMMA"), QStringLiteral("123.45"));
    QCOMPARE(record.raw(5), QByteArray("    123.45"));
    QVERIFY(record.text(u"NOSUCH").isEmpty());
    QCOMPARE(record.indexOf(u"NOSUCH"), -1);
    QVERIFY(record.raw(99).isEmpty());

    QVERIFY(reader.next(record));
    QCOMPARE(record.text(1), QByteArray("1030"));
    QVERIFY(!reader.next(record));
    QVERIFY(reader.done());

    // A record keeps its content after the reader has let the file go.
    reader.close();
    QCOMPARE(record.numericText(u"COL1"), QStringLiteral("1"));
}

void TestDbase::deletedRowsSkipped()
{
    DbfBuilder b = importFile();
    b.rows.prepend({{"62", "999"}, true});
    b.rows.append({{"62", "888"}, true});
    DbaseReader reader;
    QVERIFY(reader.open(write(b.build()), importLayout()).has_value());
    QCOMPARE(reader.count(), 5);
    QCOMPARE(reader.activeCount(), 2);
    QStringList ids;
    DbaseRecord record;
    while (!reader.done()) {
        QVERIFY(reader.next(record));
        ids.append(record.numericText(u"NUMBSTR"));
    }
    QCOMPARE(ids, (QStringList{QStringLiteral("1010"), QStringLiteral("1030")}));
    QVERIFY(!reader.next(record));
    reader.rewind();
    QVERIFY(reader.next(record));
    QCOMPARE(record.numericText(u"NUMBSTR"), QStringLiteral("1010"));

    // A file of deleted rows only, and one without rows.
    b.rows = {{{"62", "1"}, true}};
    QVERIFY(reader.open(write(b.build()), importLayout()).has_value());
    QVERIFY(reader.done());
    QVERIFY(!reader.next(record));
    b.rows.clear();
    QVERIFY(reader.open(write(b.build()), importLayout()).has_value());
    QCOMPARE(reader.count(), 0);
    QVERIFY(!reader.next(record));
}

void TestDbase::endMarkerOptional()
{
    DbfBuilder b = importFile();
    for (bool marker : {true, false}) {
        b.endMarker = marker;
        DbaseReader reader;
        QVERIFY(reader.open(write(b.build()), importLayout()).has_value());
        QCOMPARE(reader.activeCount(), 2);
    }
}

void TestDbase::textEncoding_data()
{
    QTest::addColumn<int>("languageDriver");
    QTest::addColumn<DbaseSource>("source");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<DbaseEncoding>("encoding");

    const QByteArray dos("\x88\xA2\xA0\xAD\xAE\xA2 \x88.\x8F. \xF0\xF1"); // Иванов И.П. Ёё in 866
    const QByteArray win("\xC8\xE2\xE0\xED\xEE\xE2 \xC8.\xCF. \xA8\xB8"); // the same in 1251
    QTest::newRow("0x26 866") << 0x26 << DbaseSource::Windows << dos << win
                              << DbaseEncoding::Dos866;
    QTest::newRow("0x65 866") << 0x65 << DbaseSource::Windows << dos << win
                              << DbaseEncoding::Dos866;
    QTest::newRow("0xC9 1251") << 0xC9 << DbaseSource::Dos << win << win
                               << DbaseEncoding::Windows1251;
    QTest::newRow("0x57 1251") << 0x57 << DbaseSource::Dos << win << win
                               << DbaseEncoding::Windows1251;
    QTest::newRow("0x00 1251") << 0x00 << DbaseSource::Dos << win << win
                               << DbaseEncoding::Windows1251;
    QTest::newRow("0x01 ascii") << 0x01 << DbaseSource::Dos << QByteArray("AB\x88\xE9 1")
                                << QByteArray("AB?? 1") << DbaseEncoding::Ascii;
    QTest::newRow("0x02 ascii") << 0x02 << DbaseSource::Windows << QByteArray("x\xC8")
                                << QByteArray("x?") << DbaseEncoding::Ascii;
    QTest::newRow("unknown from DOS")
        << 0x64 << DbaseSource::Dos << dos << win << DbaseEncoding::Dos866;
    QTest::newRow("unknown from Windows")
        << 0x64 << DbaseSource::Windows << win << win << DbaseEncoding::Windows1251;
    QTest::newRow("866 box drawing") << 0x26 << DbaseSource::Windows << QByteArray("\xC9\xCD\xBB")
                                     << QByteArray("???") << DbaseEncoding::Dos866;
}

void TestDbase::textEncoding()
{
    QFETCH(int, languageDriver);
    QFETCH(DbaseSource, source);
    QFETCH(QByteArray, stored);
    QFETCH(QByteArray, expected);
    QFETCH(DbaseEncoding, encoding);

    DbfBuilder b;
    b.languageDriver = std::uint8_t(languageDriver);
    b.fields = {{QStringLiteral("FIO"), 'C', 40, 0}, {QStringLiteral("COL1"), 'N', 12, 3}};
    b.rows = {{{stored, "1.500"}}};
    DbaseReader reader;
    QVERIFY(reader.open(write(b.build()), {}, source).has_value());
    QCOMPARE(reader.encoding(), encoding);
    DbaseRecord record;
    QVERIFY(reader.next(record));
    QCOMPARE(record.text(u"FIO"), expected);
    QCOMPARE(record.numericText(u"COL1"), QStringLiteral("1.500"));
    QCOMPARE(record.raw(0).left(stored.size()), stored); // the stored bytes stay as they are
}

void TestDbase::layoutAccepted_data()
{
    QTest::addColumn<QList<DbaseField>>("expected");
    QList<DbaseField> lower = importLayout();
    for (DbaseField &f : lower)
        f.name = QStringLiteral("imp:") + f.name.toLower();
    QList<DbaseField> subset{{QStringLiteral("COL2"), 'C', 12, 0},
                             {QStringLiteral("FORMA"), 'C', 10, 0}};
    QTest::newRow("exact") << importLayout();
    QTest::newRow("names ignore case and prefix") << lower;
    QTest::newRow("subset in another order") << subset;
    QTest::newRow("nothing expected") << QList<DbaseField>{};
}

void TestDbase::layoutAccepted()
{
    QFETCH(QList<DbaseField>, expected);
    DbaseReader reader;
    const auto opened = reader.open(write(importFile().build()), expected);
    QVERIFY2(opened.has_value(), qPrintable(opened ? QString() : opened.error().message));
}

void TestDbase::layoutRefused_data()
{
    QTest::addColumn<QList<DbaseField>>("expected");
    QTest::addColumn<QString>("field");

    QList<DbaseField> more = importLayout(25); // a file of another layout lacks COL4..COL25
    QTest::newRow("missing field") << more << QStringLiteral("COL4");
    QList<DbaseField> type = importLayout();
    type[2].type = 'N';
    QTest::newRow("type") << type << QStringLiteral("COL1");
    QList<DbaseField> length = importLayout();
    length[1].length = 11;
    QTest::newRow("length") << length << QStringLiteral("NUMBSTR");
    QList<DbaseField> decimals = importLayout();
    decimals[4].decimals = 2;
    QTest::newRow("decimals") << decimals << QStringLiteral("COL3");
    QList<DbaseField> fio = importLayout(5);
    fio.insert(2, {QStringLiteral("FIO"), 'C', 40, 0});
    QTest::newRow("other layout's field") << fio << QStringLiteral("FIO");
}

void TestDbase::layoutRefused()
{
    QFETCH(QList<DbaseField>, expected);
    QFETCH(QString, field);
    DbaseReader reader;
    const auto opened = reader.open(write(importFile().build()), expected);
    QVERIFY(!opened.has_value());
    QCOMPARE(opened.error().code, ErrorCode::LayoutMismatch);
    QVERIFY2(opened.error().message.contains(field), qPrintable(opened.error().message));
    QVERIFY(!reader.isOpen());
    DbaseRecord record;
    QVERIFY(!reader.next(record));
}

void TestDbase::damagedFileRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = importFile().build();
    const int headerLength = importFile().headerLength();

    // Cut inside the last record: the end marker and one byte of data are missing.
    QTest::newRow("truncated by one byte") << good.left(good.size() - 2);
    QTest::newRow("records missing") << good.left(headerLength + 10);
    QTest::newRow("header only") << good.left(headerLength);
    QTest::newRow("shorter than a header") << good.left(20);
    QTest::newRow("empty") << QByteArray();
    QByteArray count = good;
    count[4] = char(200);
    QTest::newRow("count too large") << count;
    QByteArray huge = good;
    huge[7] = char(0x7F);
    QTest::newRow("count beyond any size") << huge;
    QByteArray headerLen = good;
    headerLen[9] = char(0x7F);
    QTest::newRow("header length beyond file") << headerLen;
    QByteArray recordLen = good;
    recordLen[10] = char(recordLen[10] + 1);
    QTest::newRow("record length differs from fields") << recordLen;
    QByteArray noTerminator = good;
    noTerminator[headerLength - 1] = 'X';
    QTest::newRow("no terminator") << noTerminator;
    QByteArray flag = good;
    flag[headerLength] = 'Z';
    QTest::newRow("bad deletion flag") << flag;
    QByteArray early = good;
    early[headerLength + importFile().recordLength()] = char(0x1A);
    QTest::newRow("end marker inside the records") << early;
    QByteArray version = good;
    version[0] = char(0x02);
    QTest::newRow("dBase II") << version;
    QByteArray zeroLength = good;
    zeroLength[32 + 16] = 0;
    QTest::newRow("field of length 0") << zeroLength;
}

void TestDbase::damagedFileRefused()
{
    QFETCH(QByteArray, bytes);
    DbaseReader reader;
    const auto opened = reader.open(write(bytes), importLayout());
    QVERIFY(!opened.has_value());
    QCOMPARE(opened.error().code, ErrorCode::DamagedFile);
    QVERIFY(opened.error().where.endsWith(QStringLiteral("rep052011.dBF")));
    QVERIFY(!reader.isOpen());
    QCOMPARE(reader.count(), 0);
    DbaseRecord record;
    QVERIFY(!reader.next(record));
}

void TestDbase::missingFile()
{
    DbaseReader reader;
    const auto opened = reader.open(m_dir->filePath(QStringLiteral("absent.dbf")), importLayout());
    QVERIFY(!opened.has_value());
    QCOMPARE(opened.error().code, ErrorCode::FileNotFound);
}

// The golden cases of tests/golden/dbase: args.txt may hold "expect <name> <type> <length>
// <decimals>" lines (the fields the caller expects) and "source dos"; the result is the text
// encoding taken, every "field" of the file and one "row" of decoded values a record.
void TestDbase::golden_data()
{
    zemor::test::addGoldenRows(QStringLiteral("dbase"));
}

void TestDbase::golden()
{
    QFETCH(QString, input);
    QFETCH(QStringList, args);
    QFETCH(QStringList, expected);
    QList<DbaseField> expect;
    DbaseSource source = DbaseSource::Windows;
    for (const QString &arg : std::as_const(args)) {
        const QStringList words = arg.split(u' ', Qt::SkipEmptyParts);
        if (words.size() == 5 && words[0] == u"expect")
            expect.append(DbaseField{words[1], char(words[2].at(0).toLatin1()), words[3].toInt(),
                                     words[4].toInt()});
        else if (arg == u"source dos")
            source = DbaseSource::Dos;
    }
    DbaseReader reader;
    zemor::runtime::Status opened = reader.open(input, expect, source);
    QStringList lines;
    if (opened) {
        static const char *const encodings[] = {"Windows1251", "Dos866", "Ascii"};
        lines << QStringLiteral("encoding ") + QLatin1StringView(encodings[int(reader.encoding())]);
        for (const DbaseField &f : reader.fields())
            lines << QStringLiteral("field %1 %2 %3 %4")
                         .arg(f.name, QChar::fromLatin1(f.type))
                         .arg(f.length)
                         .arg(f.decimals);
        DbaseRecord record;
        while (reader.next(record)) {
            QStringList values;
            for (int i = 0; i < record.fieldCount(); ++i) {
                const char type = reader.fields().at(i).type;
                values << (type == 'N' || type == 'F' ? record.numericText(i) : record.string(i));
            }
            lines << QStringLiteral("row ") + values.join(u'|');
        }
    }
    const QString mismatch =
        zemor::test::goldenMismatch(expected, lines, opened ? nullptr : &opened.error());
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
}

QTEST_APPLESS_MAIN(TestDbase)
#include "test_dbase.moc"
