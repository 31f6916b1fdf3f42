#include "runtime/picture/Picture.h"

#include <QDate>
#include <QTest>

using zemor::runtime::Decimal;
using zemor::runtime::ErrorCode;
using zemor::runtime::Picture;
using namespace Qt::StringLiterals;

namespace {

Picture pic(const QString &text)
{
    const auto p = Picture::parse(text);
    if (!p)
        qFatal("bad picture in test: %s", qPrintable(text));
    return *p;
}

Decimal dec(const QString &text)
{
    const auto d = Decimal::fromString(text);
    if (!d)
        qFatal("bad decimal in test: %s", qPrintable(text));
    return *d;
}

qint64 day(int y, int m, int d)
{
    return QDate(y, m, d).toJulianDay();
}

} // namespace

class PictureTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
    void forColumn_data();
    void forColumn();
    void formatNumber_data();
    void formatNumber();
    void formatOtherKinds();
    void parseNumber_data();
    void parseNumber();
    void parseDate_data();
    void parseDate();
};

void PictureTest::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("canonical"); // empty: refused
    QTest::addColumn<int>("width");

    QTest::newRow("@n_12") << u"@n_12"_s << u"@n_12"_s << 12;
    QTest::newRow("n_4 without @") << u"n_4"_s << u"@n_4"_s << 4;
    QTest::newRow("upper case N_4") << u"N_4"_s << u"@n_4"_s << 4;
    QTest::newRow("zero fill n04") << u"n04"_s << u"@n04"_s << 4;
    QTest::newRow("@n7.2") << u"@n7.2"_s << u"@n7.2"_s << 7;
    QTest::newRow("n_15.3") << u"n_15.3"_s << u"@n_15.3"_s << 15;
    QTest::newRow("N_14.2") << u"N_14.2"_s << u"@n_14.2"_s << 14;
    QTest::newRow("n9.6") << u"n9.6"_s << u"@n9.6"_s << 9;
    QTest::newRow("@n2") << u"@n2"_s << u"@n2"_s << 2;
    QTest::newRow("minus flag") << u"@n-14.2"_s << u"@n14.2"_s << 14;
    QTest::newRow("blank-padded field") << u"  @n_3       "_s << u"@n_3"_s << 3;
    QTest::newRow("@s50") << u"@s50"_s << u"@s50"_s << 50;
    QTest::newRow("S100") << u"S100"_s << u"@s100"_s << 100;
    QTest::newRow("@d5.") << u"@d5."_s << u"@d5."_s << 8;
    QTest::newRow("d5. without @") << u"d5."_s << u"@d5."_s << 8;
    QTest::newRow("d5 default separator") << u"@d5"_s << u"@d5."_s << 8;
    QTest::newRow("t4") << u"t4"_s << u"@t4"_s << 5;

    QTest::newRow("empty") << u""_s << QString() << 0;
    QTest::newRow("@ alone") << u"@"_s << QString() << 0;
    QTest::newRow("unknown kind") << u"@x5"_s << QString() << 0;
    QTest::newRow("number without width") << u"n_"_s << QString() << 0;
    QTest::newRow("point without places") << u"n_4."_s << QString() << 0;
    QTest::newRow("places wider than width") << u"n3.2"_s << QString() << 0;
    QTest::newRow("too many places") << u"n_30.19"_s << QString() << 0;
    QTest::newRow("zero width") << u"n0"_s << QString() << 0;
    QTest::newRow("trailing rubbish") << u"n_12x"_s << QString() << 0;
    QTest::newRow("text without width") << u"s"_s << QString() << 0;
    QTest::newRow("unknown date picture") << u"@d6"_s << QString() << 0;
    QTest::newRow("unknown time picture") << u"@t5"_s << QString() << 0;
}

void PictureTest::parse()
{
    QFETCH(QString, text);
    QFETCH(QString, canonical);
    QFETCH(int, width);

    const auto p = Picture::parse(text);
    if (canonical.isEmpty()) {
        QVERIFY(!p);
        QCOMPARE(p.error().code, ErrorCode::InvalidData);
        return;
    }
    QVERIFY2(p, qPrintable(p ? QString() : p.error().message));
    QCOMPARE(p->text(), canonical);
    QCOMPARE(p->width(), width);
}

void PictureTest::forColumn_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("canonical"); // empty: refused

    QTest::newRow("empty") << u""_s << u"@n_12"_s;
    QTest::newRow("ten blanks") << u"          "_s << u"@n_12"_s;
    QTest::newRow("own picture") << u"@n_3      "_s << u"@n_3"_s;
    QTest::newRow("unreadable") << u"@zz       "_s << QString();
}

void PictureTest::forColumn()
{
    QFETCH(QString, format);
    QFETCH(QString, canonical);

    const auto p = Picture::forColumn(format);
    QCOMPARE(bool(p), !canonical.isEmpty());
    if (p)
        QCOMPARE(p->text(), canonical);
}

// Every number picture: the text shown, exactly as wide as the picture, and read back to the
// value rounded to the picture's places.
void PictureTest::formatNumber_data()
{
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");

    // blank fill: no grouping
    QTest::newRow("@n_12 rounds to whole") << u"@n_12"_s << u"1234567.5"_s << u"     1234568"_s;
    QTest::newRow("@n_12 negative") << u"@n_12"_s << u"-12"_s << u"         -12"_s;
    QTest::newRow("@n_12 small negative is 0") << u"@n_12"_s << u"-0.4"_s << u"           0"_s;
    QTest::newRow("@n_12 zero") << u"@n_12"_s << u"0"_s << u"           0"_s;
    QTest::newRow("@n_12 too wide") << u"@n_12"_s << u"99999999999999.999"_s << u"############"_s;
    QTest::newRow("n_4 year") << u"n_4"_s << u"2024"_s << u"2024"_s;
    QTest::newRow("@n_3 pads") << u"@n_3"_s << u"7"_s << u"  7"_s;
    QTest::newRow("@n_5.2 half away") << u"@n_5.2"_s << u"2.345"_s << u" 2.35"_s;
    QTest::newRow("@n_5.2 negative half away") << u"@n_5.2"_s << u"-2.345"_s << u"-2.35"_s;
    QTest::newRow("N_14.2 rounds to -0.01") << u"N_14.2"_s << u"-0.005"_s << u"         -0.01"_s;
    QTest::newRow("n_15.3 largest cell too wide")
        << u"n_15.3"_s << u"99999999999999.999"_s << u"###############"_s;
    QTest::newRow("n_4 minus takes a place") << u"n_4"_s << u"-1000"_s << u"####"_s;
    // zero fill
    QTest::newRow("n04 form code") << u"n04"_s << u"62"_s << u"0062"_s;
    QTest::newRow("n03 district") << u"n03"_s << u"7"_s << u"007"_s;
    QTest::newRow("n04 negative") << u"n04"_s << u"-5"_s << u"-005"_s;
    QTest::newRow("n04 too wide") << u"n04"_s << u"12345"_s << u"####"_s;
    // no fill: thousands grouped with a blank
    QTest::newRow("n15.3 grouped") << u"n15.3"_s << u"1234567.891"_s << u"  1 234 567.891"_s;
    QTest::newRow("n15.3 grouped negative")
        << u"n15.3"_s << u"-1234567.8915"_s << u" -1 234 567.892"_s;
    QTest::newRow("n12 grouped") << u"n12"_s << u"1234567"_s << u"   1 234 567"_s;
    QTest::newRow("n12 below a thousand") << u"n12"_s << u"999"_s << u"         999"_s;
    QTest::newRow("n7 drops grouping to fit") << u"n7"_s << u"1234567"_s << u"1234567"_s;
    QTest::newRow("@n7.2 drops grouping to fit") << u"@n7.2"_s << u"1234.5"_s << u"1234.50"_s;
    QTest::newRow("n5 negative drops grouping") << u"n5"_s << u"-1000"_s << u"-1000"_s;
    QTest::newRow("n9.6 tiny") << u"n9.6"_s << u"0.000004"_s << u" 0.000004"_s;
    QTest::newRow("n8.5 tiny") << u"n8.5"_s << u"0.00004"_s << u" 0.00004"_s;
    QTest::newRow("@n2 month") << u"@n2"_s << u"12"_s << u"12"_s;
    QTest::newRow("@n2 too wide") << u"@n2"_s << u"100"_s << u"##"_s;
    QTest::newRow("@n1 flag") << u"@n1"_s << u"0"_s << u"0"_s;
}

void PictureTest::formatNumber()
{
    QFETCH(QString, picture);
    QFETCH(QString, value);
    QFETCH(QString, expected);

    const Picture p = pic(picture);
    const Decimal v = dec(value);
    const QString shown = p.format(v);
    QCOMPARE(shown, expected);
    QCOMPARE(shown.size(), p.width());
    QCOMPARE(p.formatText(value), expected);

    const auto back = p.parseNumber(shown);
    if (shown.startsWith(u'#')) {
        QVERIFY(!back);
        QCOMPARE(back.error().code, ErrorCode::InvalidData);
        QCOMPARE(p.parseNumber(value).error().code, ErrorCode::Overflow);
    } else {
        QVERIFY2(back, qPrintable(back ? QString() : back.error().message));
        QCOMPARE(*back, v.rounded(p.places()));
    }
}

void PictureTest::formatOtherKinds()
{
    // text: cut or padded to the width
    QCOMPARE(pic(u"@s5"_s).formatText(u"Привет мир"_s), u"Приве"_s);
    QCOMPARE(pic(u"@s5"_s).formatText(u"ab"_s), u"ab   "_s);
    QCOMPARE(pic(u"@s6"_s).format(dec(u"-1.50"_s)), u"-1.5  "_s);

    // dates
    const Picture d = pic(u"@d5."_s);
    QCOMPARE(d.formatDate(day(2015, 3, 7)), u"07.03.15"_s);
    QCOMPARE(d.formatDate(day(1999, 12, 31)), u"31.12.99"_s);
    QCOMPARE(d.formatDate(day(2000, 1, 1)), u"01.01.00"_s);
    QCOMPARE(d.formatDate(0), u"        "_s);
    QCOMPARE(d.format(Decimal(day(2015, 3, 7))), u"07.03.15"_s);
    QCOMPARE(d.formatText(u"7.3.2015"_s), u"07.03.15"_s);
    QCOMPARE(pic(u"@d5/"_s).formatDate(day(2015, 3, 7)), u"07/03/15"_s);
    QCOMPARE(pic(u"@n_8"_s).formatDate(2457089), u" 2457089"_s);

    // times
    const Picture t = pic(u"t4"_s);
    QCOMPARE(t.formatTime(QTime(9, 5, 59)), u"09:05"_s);
    QCOMPARE(t.formatTime(QTime()), u"     "_s);
    QCOMPARE(t.formatText(u"23:40"_s), u"23:40"_s);
    QCOMPARE(t.format(Decimal(3600 + 60)), u"01:01"_s);

    // a text that does not read under a number picture is shown as text
    QCOMPARE(pic(u"@n_6"_s).formatText(u"abc"_s), u"abc   "_s);
}

void PictureTest::parseNumber_data()
{
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected"); // value, or empty for an error
    QTest::addColumn<int>("error");

    const int invalid = int(ErrorCode::InvalidData);
    const int overflow = int(ErrorCode::Overflow);
    QTest::newRow("blank is 0") << u"@n_12"_s << u"    "_s << u"0"_s << 0;
    QTest::newRow("grouping blanks and comma")
        << u"n15.3"_s << u" 1 234 567,891 "_s << u"1234567.891"_s << 0;
    QTest::newRow("rounded to the places") << u"@n_12"_s << u"2.5"_s << u"3"_s << 0;
    QTest::newRow("rounded half away, negative") << u"n15.3"_s << u"-0,0005"_s << u"-0.001"_s << 0;
    QTest::newRow("zero-filled") << u"n04"_s << u"0062"_s << u"62"_s << 0;
    QTest::newRow("fits after rounding") << u"n_4"_s << u"999.5"_s << u"1000"_s << 0;
    QTest::newRow("negative that fits") << u"n_4"_s << u"-999"_s << u"-999"_s << 0;
    QTest::newRow("text picture keeps every digit")
        << u"@s10"_s << u"123.4567"_s << u"123.4567"_s << 0;
    QTest::newRow("too many digits") << u"n_4"_s << u"12345"_s << QString() << overflow;
    QTest::newRow("rounds out of the width") << u"n_4"_s << u"9999.5"_s << QString() << overflow;
    QTest::newRow("negative too wide") << u"n_4"_s << u"-1000"_s << QString() << overflow;
    QTest::newRow("beyond any decimal")
        << u"@n_12"_s << u"1"_s + QString(45, u'0') << QString() << overflow;
    QTest::newRow("letters") << u"@n_12"_s << u"12a"_s << QString() << invalid;
    QTest::newRow("two points") << u"@n_12"_s << u"1.2.3"_s << QString() << invalid;
    QTest::newRow("hashes") << u"@n_4"_s << u"####"_s << QString() << invalid;
}

void PictureTest::parseNumber()
{
    QFETCH(QString, picture);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    QFETCH(int, error);

    const auto v = pic(picture).parseNumber(typed);
    if (error != 0) {
        QVERIFY(!v);
        QCOMPARE(int(v.error().code), error);
    } else {
        QVERIFY2(v, qPrintable(v ? QString() : v.error().message));
        QCOMPARE(v->toString(), expected);
    }
}

void PictureTest::parseDate_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<qint64>("expected"); // -1: refused

    QTest::newRow("dd.mm.yy") << u"07.03.15"_s << day(2015, 3, 7);
    QTest::newRow("d.m.yyyy") << u" 7.3.2015 "_s << day(2015, 3, 7);
    QTest::newRow("slashes") << u"07/03/15"_s << day(2015, 3, 7);
    QTest::newRow("commas") << u"7,3,15"_s << day(2015, 3, 7);
    QTest::newRow("ddmmyy") << u"070315"_s << day(2015, 3, 7);
    QTest::newRow("ddmmyyyy") << u"07031998"_s << day(1998, 3, 7);
    QTest::newRow("window: 99 is 1999") << u"31.12.99"_s << day(1999, 12, 31);
    QTest::newRow("window: 50 is 1950") << u"01.01.50"_s << day(1950, 1, 1);
    QTest::newRow("window: 49 is 2049") << u"01.01.49"_s << day(2049, 1, 1);
    QTest::newRow("leap day") << u"29.02.2012"_s << day(2012, 2, 29);
    QTest::newRow("blank is no date") << u"        "_s << qint64(0);
    QTest::newRow("no such day") << u"31.02.15"_s << qint64(-1);
    QTest::newRow("not a leap year") << u"29.02.2015"_s << qint64(-1);
    QTest::newRow("day 0") << u"00.01.15"_s << qint64(-1);
    QTest::newRow("month 13") << u"01.13.15"_s << qint64(-1);
    QTest::newRow("three-digit year") << u"1.2.345"_s << qint64(-1);
    QTest::newRow("two parts") << u"07.03"_s << qint64(-1);
    QTest::newRow("four parts") << u"07.03.15.1"_s << qint64(-1);
    QTest::newRow("letters") << u"aa.bb.cc"_s << qint64(-1);
    QTest::newRow("seven digits") << u"0703151"_s << qint64(-1);
}

void PictureTest::parseDate()
{
    QFETCH(QString, typed);
    QFETCH(qint64, expected);

    const Picture p = pic(u"@d5."_s);
    const auto d = p.parseDate(typed);
    if (expected < 0) {
        QVERIFY(!d);
        QCOMPARE(d.error().code, ErrorCode::InvalidData);
        return;
    }
    QVERIFY2(d, qPrintable(d ? QString() : d.error().message));
    QCOMPARE(*d, expected);
    // what is shown reads back as the same day (within the two-digit window)
    QCOMPARE(p.parseDate(p.formatDate(*d)).value(), expected);
}

QTEST_APPLESS_MAIN(PictureTest)
#include "test_picture.moc"
