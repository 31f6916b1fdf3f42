#include "runtime/decimal/Decimal.h"

#include <QTest>

#include <limits>

using zemor::runtime::Decimal;
using zemor::runtime::ErrorCode;
using namespace Qt::StringLiterals;

namespace {

Decimal dec(const char *text)
{
    const auto d = Decimal::fromString(QString::fromLatin1(text));
    if (!d)
        qFatal("bad decimal literal in test: %s", text);
    return *d;
}

QByteArray packed(const Decimal &value, int bytes, int places)
{
    QByteArray out(bytes, '\x55');
    const auto status = value.toPacked(out.data(), bytes, places);
    if (!status)
        return QByteArrayLiteral("error");
    return out.toHex(' ');
}

} // namespace

class DecimalTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void packedRoundTrip_data();
    void packedRoundTrip();
    void packedAnyNonZeroSignIsNegative_data();
    void packedAnyNonZeroSignIsNegative();
    void packedBadDigitIsRefused_data();
    void packedBadDigitIsRefused();
    void storeRounds_data();
    void storeRounds();
    void storeOverflowLeavesFieldAlone_data();
    void storeOverflowLeavesFieldAlone();
    void fromString_data();
    void fromString();
    void toStringWithPlaces_data();
    void toStringWithPlaces();
    void fromDouble_data();
    void fromDouble();
    void toDoubleAndInt();
    void arithmetic_data();
    void arithmetic();
    void sumsBeyondSixtyFourBitsAreExact();
    void ordering_data();
    void ordering();
};

// A value written into each field size comes back unchanged, with the bytes we expect.
void DecimalTest::packedRoundTrip_data()
{
    QTest::addColumn<int>("bytes");
    QTest::addColumn<int>("places");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("hex");

    QTest::newRow("1 byte") << 1 << 0 << u"7"_s << QByteArray("07");
    QTest::newRow("1 byte negative") << 1 << 0 << u"-9"_s << QByteArray("f9");
    QTest::newRow("2 bytes form code") << 2 << 0 << u"999"_s << QByteArray("09 99");
    QTest::newRow("3 bytes table code") << 3 << 0 << u"99999"_s << QByteArray("09 99 99");
    QTest::newRow("3 bytes 2100") << 3 << 0 << u"2100"_s << QByteArray("00 21 00");
    QTest::newRow("4 bytes") << 4 << 2 << u"-12345.67"_s << QByteArray("f1 23 45 67");
    QTest::newRow("5 bytes") << 5 << 0 << u"123456789"_s << QByteArray("01 23 45 67 89");
    QTest::newRow("6 bytes") << 6 << 3 << u"12345678.901"_s << QByteArray("01 23 45 67 89 01");
    QTest::newRow("9 bytes zero") << 9 << 3 << u"0"_s << QByteArray("00 00 00 00 00 00 00 00 00");
    QTest::newRow("9 bytes -0.001")
        << 9 << 3 << u"-0.001"_s << QByteArray("f0 00 00 00 00 00 00 00 01");
    QTest::newRow("9 bytes largest")
        << 9 << 3 << u"99999999999999.999"_s << QByteArray("09 99 99 99 99 99 99 99 99");
    QTest::newRow("9 bytes smallest")
        << 9 << 3 << u"-99999999999999.999"_s << QByteArray("f9 99 99 99 99 99 99 99 99");
    QTest::newRow("10 bytes DECIMAL(19,3)")
        << 10 << 3 << u"1234567890123456.789"_s << QByteArray("01 23 45 67 89 01 23 45 67 89");
    QTest::newRow("16 bytes, 31 digits")
        << 16 << 0 << u"-9999999999999999999999999999999"_s
        << QByteArray("f9 99 99 99 99 99 99 99 99 99 99 99 99 99 99 99");
}

void DecimalTest::packedRoundTrip()
{
    QFETCH(int, bytes);
    QFETCH(int, places);
    QFETCH(QString, value);
    QFETCH(QByteArray, hex);

    const Decimal d = dec(value.toLatin1().constData());
    QByteArray raw(bytes, '\0');
    QVERIFY(d.toPacked(raw.data(), bytes, places));
    QCOMPARE(raw.toHex(' '), hex);
    QVERIFY(Decimal::isValidPacked(raw.constData(), bytes));

    const auto back = Decimal::fromPacked(raw.constData(), bytes, places);
    QVERIFY(back);
    QCOMPARE(back->toString(), value);
    QCOMPARE(back->scale(), places);
}

void DecimalTest::packedAnyNonZeroSignIsNegative_data()
{
    QTest::addColumn<QByteArray>("hex");
    QTest::addColumn<QString>("value");

    QTest::newRow("sign 0") << QByteArray("00 12") << u"1.2"_s;
    QTest::newRow("sign 1") << QByteArray("10 12") << u"-1.2"_s;
    QTest::newRow("sign C") << QByteArray("c0 12") << u"-1.2"_s;
    QTest::newRow("sign D") << QByteArray("d0 12") << u"-1.2"_s;
    QTest::newRow("sign F") << QByteArray("f1 00") << u"-10"_s;
    QTest::newRow("-0 is 0") << QByteArray("d0 00") << u"0"_s;
}

void DecimalTest::packedAnyNonZeroSignIsNegative()
{
    QFETCH(QByteArray, hex);
    QFETCH(QString, value);

    const QByteArray raw = QByteArray::fromHex(hex);
    const auto d = Decimal::fromPacked(raw.constData(), 2, 1);
    QVERIFY(d);
    QCOMPARE(d->toString(), value);
    if (value == u"0"_s) {
        QVERIFY(!d->isNegative());
        QCOMPARE(*d, Decimal(0));
        // and it is written back as +0
        QCOMPARE(packed(*d, 2, 1), QByteArray("00 00"));
    }
}

void DecimalTest::packedBadDigitIsRefused_data()
{
    QTest::addColumn<QByteArray>("hex");

    QTest::newRow("low half of the sign byte") << QByteArray("0a 00 00");
    QTest::newRow("negative, low half of the sign byte") << QByteArray("fb 00 00");
    QTest::newRow("high half of a later byte") << QByteArray("00 c0 00");
    QTest::newRow("low half of a later byte") << QByteArray("00 00 0f");
    QTest::newRow("high half just above 9, low half 9") << QByteArray("00 a9 00");
    QTest::newRow("low half just above 9, high half 9") << QByteArray("00 00 9a");
    QTest::newRow("all ones") << QByteArray("ff ff ff");
}

void DecimalTest::packedBadDigitIsRefused()
{
    QFETCH(QByteArray, hex);

    const QByteArray raw = QByteArray::fromHex(hex);
    QVERIFY(!Decimal::isValidPacked(raw.constData(), 3));
    const auto d = Decimal::fromPacked(raw.constData(), 3, 0);
    QVERIFY(!d);
    QCOMPARE(d.error().code, ErrorCode::InvalidData);
}

// Storing into fewer places rounds half away from zero; a rounded-away negative becomes +0.
void DecimalTest::storeRounds_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("bytes");
    QTest::addColumn<int>("places");
    QTest::addColumn<QByteArray>("hex");

    QTest::newRow("2.5 -> 3") << u"2.5"_s << 1 << 0 << QByteArray("03");
    QTest::newRow("-2.5 -> -3") << u"-2.5"_s << 1 << 0 << QByteArray("f3");
    QTest::newRow("2.49 -> 2") << u"2.49"_s << 1 << 0 << QByteArray("02");
    QTest::newRow("0.0005 -> 0.001")
        << u"0.0005"_s << 9 << 3 << QByteArray("00 00 00 00 00 00 00 00 01");
    QTest::newRow("-0.0005 -> -0.001")
        << u"-0.0005"_s << 9 << 3 << QByteArray("f0 00 00 00 00 00 00 00 01");
    QTest::newRow("-0.0004 -> +0")
        << u"-0.0004"_s << 9 << 3 << QByteArray("00 00 00 00 00 00 00 00 00");
    QTest::newRow("carry through all digits") << u"9.95"_s << 2 << 1 << QByteArray("01 00");
    QTest::newRow("fewer places padded") << u"1.5"_s << 3 << 3 << QByteArray("00 15 00");
}

void DecimalTest::storeRounds()
{
    QFETCH(QString, value);
    QFETCH(int, bytes);
    QFETCH(int, places);
    QFETCH(QByteArray, hex);

    QCOMPARE(packed(dec(value.toLatin1().constData()), bytes, places), hex);
}

void DecimalTest::storeOverflowLeavesFieldAlone_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("bytes");
    QTest::addColumn<int>("places");

    QTest::newRow("1000 into DECIMAL(3,0)") << u"1000"_s << 2 << 0;
    QTest::newRow("-1000 into DECIMAL(3,0)") << u"-1000"_s << 2 << 0;
    QTest::newRow("999.5 rounds up out of DECIMAL(3,0)") << u"999.5"_s << 2 << 0;
    QTest::newRow("10 into DECIMAL(1,0)") << u"10"_s << 1 << 0;
    QTest::newRow("a 19-digit sum into DECIMAL(17,3)") << u"100000000000000"_s << 9 << 3;
    QTest::newRow("99999999999999.9995 into DECIMAL(17,3)") << u"99999999999999.9995"_s << 9 << 3;
}

void DecimalTest::storeOverflowLeavesFieldAlone()
{
    QFETCH(QString, value);
    QFETCH(int, bytes);
    QFETCH(int, places);

    QByteArray raw(bytes, '\x42');
    const auto status = dec(value.toLatin1().constData()).toPacked(raw.data(), bytes, places);
    QVERIFY(!status);
    QCOMPARE(status.error().code, ErrorCode::Overflow);
    QCOMPARE(raw, QByteArray(bytes, '\x42'));

    const auto fitted = dec(value.toLatin1().constData()).fitted(2 * bytes - 1, places);
    QVERIFY(!fitted);
    QCOMPARE(fitted.error().code, ErrorCode::Overflow);
}

void DecimalTest::fromString_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // toString(), or empty for an error
    QTest::addColumn<int>("error");

    const int ok = 0;
    const int invalid = int(ErrorCode::InvalidData);
    const int overflow = int(ErrorCode::Overflow);
    QTest::newRow("integer") << u"42"_s << u"42"_s << ok;
    QTest::newRow("blanks around, comma") << u"  -12,50 "_s << u"-12.5"_s << ok;
    QTest::newRow("plus sign") << u"+3.0"_s << u"3"_s << ok;
    QTest::newRow("leading point") << u".5"_s << u"0.5"_s << ok;
    QTest::newRow("trailing point") << u"5."_s << u"5"_s << ok;
    QTest::newRow("leading zeros") << u"000123.4"_s << u"123.4"_s << ok;
    QTest::newRow("blank is zero") << u"   "_s << u"0"_s << ok;
    QTest::newRow("minus zero") << u"-0.000"_s << u"0"_s << ok;
    QTest::newRow("38 digits") << u"12345678901234567890123456789012345678"_s
                               << u"12345678901234567890123456789012345678"_s << ok;
    QTest::newRow("fraction beyond 18 places rounds")
        << u"0.0000000000000000015"_s << u"0.000000000000000002"_s << ok;
    // More than 38 digits, but the value fits: zeros before and after carry nothing.
    QTest::newRow("many leading zeros")
        << u"0000000000000000000000000000000000000000042.5"_s << u"42.5"_s << ok;
    QTest::newRow("many trailing zeros")
        << u"-1.5000000000000000000000000000000000000000000"_s << u"-1.5"_s << ok;
    QTest::newRow("wide value at 18 places")
        << u"1000000000000000000000000000000.000000000000000000"_s
        << u"1000000000000000000000000000000"_s << ok;
    QTest::newRow("both")
        << u"00000000000000000000123456789012345678901234567890.1200000000000000000"_s
        << u"123456789012345678901234567890.12"_s << ok;
    QTest::newRow("exponent") << u"1e5"_s << QString() << invalid;
    QTest::newRow("two points") << u"1.2.3"_s << QString() << invalid;
    QTest::newRow("sign alone") << u"-"_s << QString() << invalid;
    QTest::newRow("inner blank") << u"1 000"_s << QString() << invalid;
    QTest::newRow("letters") << u"12a"_s << QString() << invalid;
    QTest::newRow("non-ASCII digit") << u"١٢"_s << QString() << invalid;
    QTest::newRow("beyond 128 bits")
        << u"1000000000000000000000000000000000000000"_s << QString() << overflow;
    // 18 places read 2^128 - 1 units; rounding the 19th place up must not wrap them to zero.
    QTest::newRow("rounding up past 128 bits")
        << u"340282366920938463463.3746074317682114555"_s << QString() << overflow;
}

void DecimalTest::fromString()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QFETCH(int, error);

    const auto d = Decimal::fromString(text);
    if (error != 0) {
        QVERIFY(!d);
        QCOMPARE(int(d.error().code), error);
    } else {
        QVERIFY(d);
        QCOMPARE(d->toString(), expected);
    }
}

void DecimalTest::toStringWithPlaces_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("places");
    QTest::addColumn<QString>("expected");

    QTest::newRow("pads") << u"7"_s << 2 << u"7.00"_s;
    QTest::newRow("half up") << u"1.005"_s << 2 << u"1.01"_s;
    QTest::newRow("half away, negative") << u"-2.5"_s << 0 << u"-3"_s;
    QTest::newRow("negative rounds to zero without sign") << u"-0.0004"_s << 3 << u"0.000"_s;
    QTest::newRow("below one") << u"0.05"_s << 1 << u"0.1"_s;
    QTest::newRow("wide value, all places")
        << u"123456789012345678901234567890"_s << 18
        << u"123456789012345678901234567890.000000000000000000"_s;
}

void DecimalTest::toStringWithPlaces()
{
    QFETCH(QString, value);
    QFETCH(int, places);
    QFETCH(QString, expected);

    QCOMPARE(dec(value.toLatin1().constData()).toString(places), expected);
    // Whatever it formats reads back.
    const auto back = Decimal::fromString(expected);
    QVERIFY(back);
    QCOMPARE(back->toString(places), expected);
}

void DecimalTest::fromDouble_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("places");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("error");

    QTest::newRow("0.1 is exactly 0.1") << 0.1 << 3 << u"0.1"_s << 0;
    QTest::newRow("0.1 + 0.2") << (0.1 + 0.2) << 3 << u"0.3"_s << 0;
    // 2.675 is 2.67499999... in binary; its shortest text is 2.675, which rounds up.
    QTest::newRow("2.675 to 2 places") << 2.675 << 2 << u"2.68"_s << 0;
    QTest::newRow("-2.5 to 0 places") << -2.5 << 0 << u"-3"_s << 0;
    QTest::newRow("tiny is 0") << 1e-300 << 3 << u"0"_s << 0;
    QTest::newRow("-tiny is 0") << -1e-10 << 3 << u"0"_s << 0;
    QTest::newRow("large integral") << 1e20 << 3 << u"100000000000000000000"_s << 0;
    QTest::newRow("beyond 128 bits") << 1e300 << 3 << QString() << int(ErrorCode::Overflow);
    QTest::newRow("infinity") << qInf() << 3 << QString() << int(ErrorCode::Overflow);
    QTest::newRow("NaN") << qQNaN() << 3 << QString() << int(ErrorCode::InvalidData);
}

void DecimalTest::fromDouble()
{
    QFETCH(double, value);
    QFETCH(int, places);
    QFETCH(QString, expected);
    QFETCH(int, error);

    const auto d = Decimal::fromDouble(value, places);
    if (error != 0) {
        QVERIFY(!d);
        QCOMPARE(int(d.error().code), error);
    } else {
        QVERIFY(d);
        QCOMPARE(d->toString(), expected);
        QVERIFY(!d->isNegative() || !d->isZero());
    }
}

void DecimalTest::toDoubleAndInt()
{
    QCOMPARE(dec("0.1").toDouble(), 0.1);
    QCOMPARE(dec("-123.456").toDouble(), -123.456);
    QCOMPARE(dec("99999999999999.999").toDouble(), 99999999999999.999);
    QCOMPARE(dec("2.9").toInt64(), std::int64_t(2));
    QCOMPARE(dec("-2.9").toInt64(), std::int64_t(-2));
    QCOMPARE(dec("99999999999999.999").toInt64(), std::int64_t(99999999999999));
}

void DecimalTest::arithmetic_data()
{
    QTest::addColumn<QChar>("op");
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<QString>("expected"); // empty: Overflow

    QTest::newRow("add mixed scales") << QChar(u'+') << u"1.5"_s << u"0.125"_s << u"1.625"_s;
    QTest::newRow("add to zero") << QChar(u'+') << u"-0.001"_s << u"0.001"_s << u"0"_s;
    QTest::newRow("add two largest 17-digit values")
        << QChar(u'+') << u"99999999999999.999"_s << u"99999999999999.999"_s
        << u"199999999999999.998"_s;
    QTest::newRow("subtract") << QChar(u'-') << u"0.3"_s << u"0.1"_s << u"0.2"_s;
    QTest::newRow("subtract below zero") << QChar(u'-') << u"1"_s << u"2.75"_s << u"-1.75"_s;
    QTest::newRow("multiply") << QChar(u'*') << u"1.5"_s << u"-1.5"_s << u"-2.25"_s;
    QTest::newRow("multiply caps the scale, rounding")
        << QChar(u'*') << u"0.000000005"_s << u"0.0000000001"_s << u"0.000000000000000001"_s;
    QTest::newRow("multiply needs more than 128 bits on the way")
        << QChar(u'*') << u"12345678901234567890.123456789012345678"_s << u"0.000000000000001000"_s
        << u"12345.678901234567890123"_s;
    QTest::newRow("divide exact") << QChar(u'/') << u"10"_s << u"4"_s << u"2.5"_s;
    QTest::newRow("divide rounds up") << QChar(u'/') << u"2"_s << u"3"_s << u"0.666666667"_s;
    QTest::newRow("divide rounds down") << QChar(u'/') << u"1"_s << u"3"_s << u"0.333333333"_s;
    QTest::newRow("divide negative, half away")
        << QChar(u'/') << u"-0.000000001"_s << u"2"_s << u"-0.000000001"_s;
    QTest::newRow("divide by zero") << QChar(u'/') << u"1"_s << u"0"_s << QString();
    QTest::newRow("add overflow") << QChar(u'+') << u"99999999999999999999999999999999999999"_s
                                  << u"99999999999999999999999999999999999999"_s << QString();
    QTest::newRow("add overflow on aligning scales")
        << QChar(u'+') << u"100000000000000000000000000000000000000"_s << u"0.5"_s << QString();
    QTest::newRow("multiply overflow")
        << QChar(u'*') << u"10000000000000000000000000000000000000"_s << u"100"_s << QString();
}

void DecimalTest::arithmetic()
{
    QFETCH(QChar, op);
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(QString, expected);

    const Decimal x = dec(a.toLatin1().constData());
    const Decimal y = dec(b.toLatin1().constData());
    zemor::runtime::Result<Decimal> r;
    switch (op.unicode()) {
    case u'+':
        r = x.add(y);
        break;
    case u'-':
        r = x.subtract(y);
        break;
    case u'*':
        r = x.multiply(y);
        break;
    default:
        r = x.divide(y);
        break;
    }
    if (expected.isEmpty()) {
        QVERIFY(!r);
        QCOMPARE(r.error().code, ErrorCode::Overflow);
    } else {
        QVERIFY2(r, qPrintable(r ? QString() : r.error().message));
        QCOMPARE(r->toString(), expected);
    }
}

// A column summed over many reports passes 2^63 units and stays exact to the last decimal.
void DecimalTest::sumsBeyondSixtyFourBitsAreExact()
{
    const Decimal cell = dec("99999999999999.999");
    Decimal sum;
    for (int i = 0; i < 100000; ++i) {
        const auto next = sum.add(cell);
        QVERIFY(next);
        sum = *next;
    }
    QCOMPARE(sum.toString(), u"9999999999999999900"_s);
    // 19 digits with 3 places: more units than a signed 64-bit number holds
    const auto big = dec("9999999999999999.999").add(dec("0.001"));
    QVERIFY(big);
    QCOMPARE(big->toString(), u"10000000000000000"_s);
    QVERIFY(big->units() > std::numeric_limits<std::int64_t>::max());
    const auto back = big->subtract(dec("0.001"));
    QVERIFY(back);
    QCOMPARE(back->toString(), u"9999999999999999.999"_s);
    QCOMPARE(back->fitted(19, 3)->toString(3), u"9999999999999999.999"_s);
    QVERIFY(!back->fitted(17, 3));
}

void DecimalTest::ordering_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("expected"); // -1, 0, 1

    QTest::newRow("equal at different scales") << u"1.10"_s << u"1.1"_s << 0;
    QTest::newRow("-0 and 0") << u"-0.0"_s << u"0"_s << 0;
    QTest::newRow("negative below zero") << u"-0.5"_s << u"0"_s << -1;
    QTest::newRow("negatives") << u"-2"_s << u"-1.5"_s << -1;
    QTest::newRow("same integer part, signs differ") << u"-0.25"_s << u"0.1"_s << -1;
    QTest::newRow("fraction decides")
        << u"12345678901234567890123.5"_s << u"12345678901234567890123.49"_s << 1;
    QTest::newRow("large scale against large integer")
        << u"0.000000000000000001"_s << u"99999999999999999999999999999999999999"_s << -1;
}

void DecimalTest::ordering()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, expected);

    const Decimal x = dec(a.toLatin1().constData());
    const Decimal y = dec(b.toLatin1().constData());
    const auto order = x <=> y;
    const int got = order < 0 ? -1 : (order > 0 ? 1 : 0);
    QCOMPARE(got, expected);
    const auto reverse = y <=> x;
    QCOMPARE(reverse < 0 ? -1 : (reverse > 0 ? 1 : 0), -expected);
    QCOMPARE(x == y, expected == 0);
}

QTEST_APPLESS_MAIN(DecimalTest)
#include "test_decimal.moc"
