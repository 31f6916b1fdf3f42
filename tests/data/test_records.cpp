// Record buffers read and written by field: the bytes each type produces, the values that do
// not fit and are refused instead of wrapped, the extremes of the report values, clearing, and
// the typed accessors bound to the dictionary.

#include "data/Dictionary.h"
#include "data/RecordFields.h"
#include "data/records/BolnRecord.h"
#include "data/records/ContrGrRecord.h"
#include "data/records/ContrStrRecord.h"
#include "data/records/ContrTabRecord.h"
#include "data/records/FormaRecord.h"
#include "data/records/GrafaRecord.h"
#include "data/records/IndikRecord.h"
#include "data/records/NaborRecord.h"
#include "data/records/NameProgRecord.h"
#include "data/records/OtchetRecord.h"
#include "data/records/PokasRecord.h"
#include "data/records/RashRecord.h"
#include "data/records/RasresRecord.h"
#include "data/records/RasresnRecord.h"
#include "data/records/Region1Record.h"
#include "data/records/SapkiRecord.h"
#include "data/records/StrokaRecord.h"
#include "data/records/TablRecord.h"
#include "data/records/User1Record.h"
#include "data/records/ViduchRecord.h"
#include "data/records/WwodRecord.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace zemor::data;
using zemor::runtime::Decimal;
using zemor::runtime::ErrorCode;
using zemor::runtime::store::FieldType;

Q_DECLARE_METATYPE(zemor::runtime::ErrorCode)

namespace {

struct Located
{
    FieldSpec field;
    int element = 1;
};

Located locate(FileId file, const QString &name)
{
    const auto &layout = declaration(file).layout;
    const FieldElement e = findFieldElement(layout, name);
    Q_ASSERT(e.isValid());
    return {FieldSpec::of(layout.fields[e.field]), e.element};
}

Decimal dec(const char *text)
{
    return Decimal::fromString(QString::fromLatin1(text)).value();
}

} // namespace

class TestRecords : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void textRoundTrip_data();
    void textRoundTrip();
    void storedBytes_data();
    void storedBytes();
    void reportValues();
    void refusedWritesLeaveTheField();
    void damagedDecimals();
    void clearing();
    void typedAccessors();
    void everyRecordClassBinds();
};

// Every field type written from text and read back; a value that does not fit is refused with
// its error and never lands in the record.
void TestRecords::textRoundTrip_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected"); // read back; ignored on error
    QTest::addColumn<ErrorCode>("error");

    const auto row = [](const char *tag, const char *file, const char *field, const QString &in,
                        const QString &out, ErrorCode error = ErrorCode::None) {
        QTest::newRow(tag) << QString::fromLatin1(file) << QString::fromLatin1(field) << in << out
                           << error;
    };
    row("byte 0", "otchet", "OTC:CODREG", u"0"_s, u"0"_s);
    row("byte 255", "otchet", "OTC:CODREG", u"255"_s, u"255"_s);
    row("byte 256", "otchet", "OTC:CODREG", u"256"_s, {}, ErrorCode::Overflow);
    row("byte -1", "otchet", "OTC:CODREG", u"-1"_s, {}, ErrorCode::Overflow);
    row("short min", "otchet", "OTC:UNICODSTR", u"-32768"_s, u"-32768"_s);
    row("short max", "otchet", "OTC:UNICODSTR", u"32767"_s, u"32767"_s);
    row("short too big", "otchet", "OTC:UNICODSTR", u"32768"_s, {}, ErrorCode::Overflow);
    row("long min", "otchet", "OTC:CODUCH", u"-2147483648"_s, u"-2147483648"_s);
    row("long max", "otchet", "OTC:CODUCH", u"2147483647"_s, u"2147483647"_s);
    row("long too big", "otchet", "OTC:CODUCH", u"2147483648"_s, {}, ErrorCode::Overflow);
    row("fraction into long", "otchet", "OTC:CODUCH", u"1.5"_s, {}, ErrorCode::InvalidData);
    row("not a number", "otchet", "OTC:CODUCH", u"12a"_s, {}, ErrorCode::InvalidData);
    row("real", "Pokas", "POK:HISLO", u"0.1"_s, u"0.1"_s);
    row("real negative", "Pokas", "POK:HISLO", u"-1e+300"_s, u"-1e+300"_s);
    row("real comma", "Pokas", "POK:HISLO", u"2,5"_s, u"2.5"_s);
    row("real not a number", "Pokas", "POK:HISLO", u"nan"_s, {}, ErrorCode::InvalidData);
    row("real infinite", "Pokas", "POK:HISLO", u"-inf"_s, {}, ErrorCode::InvalidData);
    row("real beyond a double", "Pokas", "POK:HISLO", u"1e999"_s, {}, ErrorCode::InvalidData);
    row("string", "forma", "FOR:COD", u"62"_s, u"62"_s);
    row("string Russian", "forma", "FOR:NAME", u"Сведения о сети"_s, u"Сведения о сети"_s);
    row("string cut", "forma", "FOR:COD", u"ОТЧЕТ №12345"_s, u"ОТЧЕТ №123"_s);
    row("one character", "stroka", "STR:POL", u"жм"_s, u"ж"_s);
    row("decimal code", "forma", "FOR:UNICOD", u"999"_s, u"999"_s);
    row("decimal code too big", "forma", "FOR:UNICOD", u"1000"_s, {}, ErrorCode::Overflow);
    row("one digit", "tabl", "TAB:SM", u"9"_s, u"9"_s);
    row("one digit too big", "tabl", "TAB:SM", u"10"_s, {}, ErrorCode::Overflow);
    row("table code", "tabl", "TAB:CODTABL", u"99999"_s, u"99999"_s);
    row("decimal places", "ContrMg", "CMG:SNAH1", u"-99999.99"_s, u"-99999.99"_s);
    row("rounded half up", "ContrMg", "CMG:SNAH1", u"1.005"_s, u"1.01"_s);
    row("rounded half down", "ContrMg", "CMG:SNAH1", u"-1.005"_s, u"-1.01"_s);
    row("rounding overflows", "ContrMg", "CMG:SNAH1", u"99999.995"_s, {}, ErrorCode::Overflow);
    row("eleven digits", "ContrStr", "COS:UNICOD", u"99999999999"_s, u"99999999999"_s);
    row("array element", "Rash", "RAS:GS150", u"-12345"_s, u"-12345"_s);
    row("blank is zero", "otchet", "OTC:DATA1", u"  "_s, u"0"_s);
}

void TestRecords::textRoundTrip()
{
    QFETCH(QString, file);
    QFETCH(QString, field);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QFETCH(ErrorCode, error);

    const FileId id = *fileByLabel(file);
    const Located at = locate(id, field);
    QByteArray record = declaration(id).layout.clearedRecord();
    const QByteArray before = record;

    const auto status = writeText(record, at.field, input, at.element);
    if (error != ErrorCode::None) {
        QVERIFY(!status);
        QCOMPARE(status.error().code, error);
        QCOMPARE(record, before);
        return;
    }
    QVERIFY2(status, qPrintable(status ? QString() : status.error().message));
    QCOMPARE(record.size(), before.size());
    QCOMPARE(readText(record, at.field, at.element), expected);
}

// The bytes as they lie in the stored record.
void TestRecords::storedBytes_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("long little-endian")
        << u"otchet"_s << u"OTC:CODUCH"_s << u"21012"_s << 1 << QByteArray::fromHex("14520000");
    QTest::newRow("negative short")
        << u"otchet"_s << u"OTC:UNICODSTR"_s << u"-2"_s << 13 << QByteArray::fromHex("feff");
    QTest::newRow("smallest negative value")
        << u"otchet"_s << u"OTC:DATA35"_s << u"-0.001"_s << 15 + 9 * 34
        << QByteArray::fromHex("f00000000000000001");
    QTest::newRow("largest value") << u"otchet"_s << u"OTC:DATA35"_s << u"99999999999999.999"_s
                                   << 15 + 9 * 34 << QByteArray::fromHex("099999999999999999");
    QTest::newRow("negative zero is zero")
        << u"otchet"_s << u"OTC:DATA1"_s << u"-0.0001"_s << 15 << QByteArray(9, '\0');
    QTest::newRow("form code") << u"forma"_s << u"FOR:UNICOD"_s << u"62"_s << 0
                               << QByteArray::fromHex("0062");
    QTest::newRow("blank-padded Windows-1251")
        << u"forma"_s << u"FOR:COD"_s << u"Ф 62"_s << 252 << QByteArray("\xd4 62      ", 10);
    QTest::newRow("real") << u"Pokas"_s << u"POK:HISLO"_s << u"1"_s << 14
                          << QByteArray::fromHex("000000000000f03f");
}

void TestRecords::storedBytes()
{
    QFETCH(QString, file);
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(int, offset);
    QFETCH(QByteArray, bytes);

    const FileId id = *fileByLabel(file);
    const Located at = locate(id, field);
    QByteArray record = declaration(id).layout.clearedRecord();
    QVERIFY(writeText(record, at.field, value, at.element));
    QCOMPARE(record.mid(offset, bytes.size()).toHex(), bytes.toHex());
}

// The report values: the extremes of DECIMAL(17,3) survive unchanged, and nothing outside the
// 35 values or the 17 digits is ever written.
void TestRecords::reportValues()
{
    QByteArray buffer;
    OtchetRecord rec(buffer);
    rec.clear();
    QCOMPARE(buffer.size(), OtchetRecord::recordSize);

    QVERIFY(rec.setData(35, dec("99999999999999.999")));
    QVERIFY(rec.setData(34, dec("-0.001")));
    QVERIFY(rec.setData(1, dec("-99999999999999.999")));
    QCOMPARE(rec.data(35), dec("99999999999999.999"));
    QCOMPARE(rec.data(35).toString(), u"99999999999999.999"_s);
    QCOMPARE(rec.data(34).toString(), u"-0.001"_s);
    QCOMPARE(rec.data(1), dec("-99999999999999.999"));
    QCOMPARE(rec.data(2), Decimal());

    const QByteArray before = buffer;
    const auto tooBig = rec.setData(35, dec("100000000000000"));
    QVERIFY(!tooBig);
    QCOMPARE(tooBig.error().code, ErrorCode::Overflow);
    for (int outside : {0, 36, -1}) {
        const auto status = rec.setData(outside, dec("1"));
        QVERIFY(!status);
        QCOMPARE(status.error().code, ErrorCode::InvalidArgument);
        QCOMPARE(rec.data(outside), Decimal());
    }
    QCOMPARE(buffer, before);

    // Stored to three places, rounded half away from zero.
    QVERIFY(rec.setData(2, dec("0.0005")));
    QCOMPARE(rec.data(2), dec("0.001"));
    QVERIFY(rec.setData(2, dec("-2.0005")));
    QCOMPARE(rec.data(2), dec("-2.001"));
}

void TestRecords::refusedWritesLeaveTheField()
{
    QByteArray buffer;
    FormaRecord form(buffer);
    form.clear();
    QVERIFY(form.setUnicod(62));
    const auto status = form.setUnicod(1000);
    QVERIFY(!status);
    QCOMPARE(status.error().code, ErrorCode::Overflow);
    QCOMPARE(form.unicod(), 62);

    // A buffer shorter than the field: nothing is read past its end, nothing is written.
    QByteArray shortBuffer(3, '\0');
    const Located data = locate(FileId::otchet, u"OTC:DATA1"_s);
    QVERIFY(!readDecimal(shortBuffer, data.field));
    QCOMPARE(readInteger(shortBuffer, locate(FileId::otchet, u"OTC:CODUCH"_s).field), 0);
    QVERIFY(!writeDecimal(shortBuffer, data.field, dec("1")));
    QCOMPARE(shortBuffer, QByteArray(3, '\0'));

    // Writing a value of one type into a field of another.
    QByteArray pokas = declaration(FileId::Pokas).layout.clearedRecord();
    QVERIFY(!writeReal(pokas, locate(FileId::Pokas, u"POK:UNICOD"_s).field, 1.0));
    QVERIFY(!writeString(pokas, locate(FileId::Pokas, u"POK:HISLO"_s).field, u"1"));
}

// A packed digit above 9 is found and named; the typed read gives 0 rather than a made-up
// number.
void TestRecords::damagedDecimals()
{
    QByteArray buffer;
    OtchetRecord rec(buffer);
    rec.clear();
    QVERIFY(rec.setData(7, dec("5")));
    QVERIFY(rec.checkDecimals());

    buffer[15 + 9 * 6 + 4] = char(0x3a); // a digit half-byte of 10 in value 7
    const auto status = rec.checkDecimals();
    QVERIFY(!status);
    QCOMPARE(status.error().code, ErrorCode::InvalidData);
    QCOMPARE(status.error().where, u"OTC:DATA7"_s);
    QCOMPARE(rec.data(7), Decimal());
    QVERIFY(!readDecimal(buffer, locate(FileId::otchet, u"OTC:DATA7"_s).field, 7));

    // Any non-zero sign half-byte means negative.
    buffer = declaration(FileId::otchet).layout.clearedRecord();
    buffer[15] = char(0xd0);
    buffer[23] = char(0x25);
    QCOMPARE(rec.data(1), dec("-0.025"));

    const auto shortRecord = checkDecimals(declaration(FileId::otchet).layout, QByteArray(10, 0));
    QVERIFY(!shortRecord);
    QCOMPARE(shortRecord.error().code, ErrorCode::DamagedFile);
}

void TestRecords::clearing()
{
    for (const FileDecl &decl : dictionary()) {
        const QByteArray cleared = decl.layout.clearedRecord();
        QCOMPARE(cleared.size(), decl.layout.size);
        for (const auto &field : decl.layout.fields) {
            const char fill = field.type == FieldType::String ? ' ' : '\0';
            QVERIFY2(cleared.mid(field.offset, field.totalSize()) ==
                         QByteArray(field.totalSize(), fill),
                     qPrintable(field.name));
        }
    }

    QByteArray buffer(12, 'x'); // a buffer of the wrong size, full of rubbish
    StrokaRecord row(buffer);
    row.clear();
    QCOMPARE(buffer.size(), StrokaRecord::recordSize);
    QCOMPARE(row.name(), QString());
    QCOMPARE(row.codForm(), 0);
    QCOMPARE(buffer.mid(118, 255), QByteArray(255, ' '));
}

// The typed accessors reach the fields the dictionary names: what a typed setter writes, the
// generic reader finds under the dictionary name, and the other way round.
void TestRecords::typedAccessors()
{
    QByteArray buffer;
    OtchetRecord rec(buffer);
    rec.clear();
    rec.setCodReg(12);
    rec.setCodUch(21012);
    QVERIFY(rec.setCodTab(2100));
    rec.setMes(3);
    rec.setTip(1);
    rec.setUnicodStr(-7);
    QVERIFY(rec.setData(20, dec("123.456")));

    const auto text = [&](const char *name) {
        const Located at = locate(FileId::otchet, QString::fromLatin1(name));
        return readText(buffer, at.field, at.element);
    };
    QCOMPARE(text("OTC:CODREG"), u"12"_s);
    QCOMPARE(text("OTC:CODUCH"), u"21012"_s);
    QCOMPARE(text("OTC:CODTAB"), u"2100"_s);
    QCOMPARE(text("OTC:MES"), u"3"_s);
    QCOMPARE(text("OTC:TIP"), u"1"_s);
    QCOMPARE(text("OTC:UNICODSTR"), u"-7"_s);
    QCOMPARE(text("OTC:DATA20"), u"123.456"_s);
    QCOMPARE(text("OTC:DATA19"), u"0"_s);

    QByteArray user = declaration(FileId::USER1).layout.clearedRecord();
    const Located office = locate(FileId::USER1, u"USE:OFFICE"_s);
    QVERIFY(writeText(user, office.field, u"C:\\Program Files\\Microsoft Office\\OFFICE11\\"));
    User1Record settings(user);
    QCOMPARE(settings.office(), u"C:\\Program Files\\Microsoft Office\\OFFICE11\\"_s);
    settings.setNameObl(u"Таргинская область");
    QCOMPARE(user.left(18), QByteArray("\xd2\xe0\xf0\xe3\xe8\xed\xf1\xea\xe0\xff \xee\xe1\xeb"
                                       "\xe0\xf1\xf2\xfc"));

    QByteArray set = declaration(FileId::NABOR).layout.clearedRecord();
    NaborRecord nabor(set);
    QVERIFY(nabor.setIdLpu(NaborRecord::maxInstitutions, 6999));
    QVERIFY(!nabor.setIdLpu(NaborRecord::maxInstitutions + 1, 1));
    QCOMPARE(nabor.idLpu(250), 6999);
    QCOMPARE(set.mid(1205 - 4), QByteArray::fromHex("571b0000"));
}

void TestRecords::everyRecordClassBinds()
{
    // Each bind() stops the program when an accessor, a key index or the record size of the
    // class disagrees with the declaration.
    FormaRecord::bind();
    TablRecord::bind();
    StrokaRecord::bind();
    GrafaRecord::bind();
    OtchetRecord::bind();
    BolnRecord::bind();
    Region1Record::bind();
    ViduchRecord::bind();
    User1Record::bind();
    WwodRecord::bind();
    NameProgRecord::bind();
    ContrGrRecord::bind();
    ContrStrRecord::bind();
    ContrTabRecord::bind();
    RashRecord::bind();
    IndikRecord::bind();
    PokasRecord::bind();
    SapkiRecord::bind();
    NaborRecord::bind();
    RasresRecord::bind();
    RasresnRecord::bind();
    QCOMPARE(declaration(SapkiRecord::fileId).layout.textObjectSize, SapkiRecord::textObjectSize);
}

QTEST_GUILESS_MAIN(TestRecords)
#include "test_records.moc"
