#include "runtime/text/FixedString.h"

#include <QTest>

using namespace zemor::runtime::text;
using namespace Qt::StringLiterals;

class TestFixedString : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void setPadsAndCuts_data();
    void setPadsAndCuts();
    void setFromUnicode();
    void clipAndDecode();
    void clippedText_data();
    void clippedText();
    void compare_data();
    void compare();
};

void TestFixedString::setPadsAndCuts_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("field");
    QTest::newRow("padded") << 5 << QByteArray("ab") << QByteArray("ab   ");
    QTest::newRow("exact") << 3 << QByteArray("abc") << QByteArray("abc");
    QTest::newRow("cut") << 3 << QByteArray("abcdef") << QByteArray("abc");
    QTest::newRow("empty") << 4 << QByteArray() << QByteArray("    ");
    QTest::newRow("zero bytes kept") << 4 << QByteArray("a\0b", 3) << QByteArray("a\0b ", 4);
}

void TestFixedString::setPadsAndCuts()
{
    QFETCH(int, width);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, field);
    // Guard bytes on both sides catch a write outside the field.
    QByteArray buffer(width + 2, '#');
    setFixed(buffer.data() + 1, width, QByteArrayView(value));
    QCOMPARE(buffer, QByteArray("#") + field + QByteArray("#"));
}

void TestFixedString::setFromUnicode()
{
    char field[6];
    setFixed(field, 6, QStringView(u"Отчет за год"));
    QCOMPARE(QByteArray(field, 6), QByteArray("\xCE\xF2\xF7\xE5\xF2 "));
    QCOMPARE(fixedToString(field, 6), QStringLiteral("Отчет"));
}

void TestFixedString::clipAndDecode()
{
    QCOMPARE(clip("ab  "), QByteArray("ab"));
    QCOMPARE(clip("  ab"), QByteArray("  ab"));
    QCOMPARE(clip("    "), QByteArray());
    QCOMPARE(clip(QByteArrayView()), QByteArray());
    QCOMPARE(fixedToString("\xC8\xE2\xE0\xED   ", 7), QStringLiteral("Иван"));
    QCOMPARE(fixedToString(" x ", 3), QStringLiteral(" x"));
}

void TestFixedString::clippedText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("clipped");
    QTest::newRow("trailing blanks") << u"Иван   "_s << u"Иван"_s;
    QTest::newRow("leading and inner blanks stay") << u"  a b "_s << u"  a b"_s;
    QTest::newRow("only blanks") << u"    "_s << QString();
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("other white space stays") << u"a\t\n\u00a0"_s << u"a\t\n\u00a0"_s;
}

void TestFixedString::clippedText()
{
    QFETCH(QString, text);
    QFETCH(QString, clipped);
    QCOMPARE(zemor::runtime::text::clipped(text), clipped);
}

void TestFixedString::compare_data()
{
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    QTest::addColumn<int>("exact");
    QTest::addColumn<int>("ignoringCase");
    QTest::newRow("trailing blanks") << QByteArray("abc") << QByteArray("abc   ") << 0 << 0;
    QTest::newRow("both blank") << QByteArray("   ") << QByteArray() << 0 << 0;
    QTest::newRow("leading blank counts") << QByteArray(" a") << QByteArray("a") << -1 << -1;
    QTest::newRow("prefix") << QByteArray("ab") << QByteArray("abc") << -1 << -1;
    QTest::newRow("below blank") << QByteArray("a") << QByteArray("a\x01") << 1 << 1;
    QTest::newRow("ascii case") << QByteArray("ABC") << QByteArray("abc") << -1 << 0;
    QTest::newRow("cyrillic case") << QByteArray("\xC8\xE2\xE0\xED") // Иван
                                   << QByteArray("\xE8\xC2\xC0\xCD  ") << -1 << 0;
    QTest::newRow("yo case") << QByteArray("\xA8") << QByteArray("\xB8") << -1 << 0;
    QTest::newRow("unsigned bytes") << QByteArray("z") << QByteArray("\xC0") << -1 << -1;
    QTest::newRow("cyrillic after latin folded") << QByteArray("\xE0") << QByteArray("Z") << 1 << 1;
}

void TestFixedString::compare()
{
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(int, exact);
    QFETCH(int, ignoringCase);
    auto sign = [](int v) { return (v > 0) - (v < 0); };
    QCOMPARE(sign(compareFixed(a, b)), exact);
    QCOMPARE(sign(compareFixed(b, a)), -exact);
    QCOMPARE(sign(compareFixedIgnoringCase(a, b)), ignoringCase);
    QCOMPARE(sign(compareFixedIgnoringCase(b, a)), -ignoringCase);
}

QTEST_APPLESS_MAIN(TestFixedString)
#include "test_fixedstring.moc"
