#include "runtime/text/Cp1251.h"

#include <QTest>

using namespace zemor::runtime::text;

class TestCp1251 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyByteRoundTrips();
    void knownCharacters_data();
    void knownCharacters();
    void unmappableBecomesQuestionMark();
    void foldingPairs_data();
    void foldingPairs();
    void foldingAgreesWithUnicode();
    void foldingLeavesNonLetters();
    void cp866_data();
    void cp866();
    void cp866CyrillicRange();
};

void TestCp1251::everyByteRoundTrips()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString text = fromCp1251(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(toCp1251(text), all);

    // No two bytes decode to one character, or the round trip above could not hold.
    for (int b = 0; b < 256; ++b) {
        const auto back = unicodeToCp1251(cp1251ToUnicode(static_cast<std::uint8_t>(b)));
        QVERIFY2(back.has_value(), qPrintable(QString::number(b, 16)));
        QCOMPARE(int(*back), b);
    }
    QCOMPARE(int(cp1251ToUnicode(0x98)), 0x98);
}

void TestCp1251::knownCharacters_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("unicode");
    QTest::newRow("A") << 0x41 << 0x41;
    QTest::newRow("А") << 0xC0 << 0x0410;
    QTest::newRow("Я") << 0xDF << 0x042F;
    QTest::newRow("а") << 0xE0 << 0x0430;
    QTest::newRow("я") << 0xFF << 0x044F;
    QTest::newRow("Ё") << 0xA8 << 0x0401;
    QTest::newRow("ё") << 0xB8 << 0x0451;
    QTest::newRow("№") << 0xB9 << 0x2116;
    QTest::newRow("€") << 0x88 << 0x20AC;
    QTest::newRow("Ђ") << 0x80 << 0x0402;
    QTest::newRow("Ґ") << 0xA5 << 0x0490;
    QTest::newRow("ґ") << 0xB4 << 0x0491;
    QTest::newRow("«") << 0xAB << 0x00AB;
    QTest::newRow("»") << 0xBB << 0x00BB;
    QTest::newRow("nbsp") << 0xA0 << 0x00A0;
    QTest::newRow("—") << 0x97 << 0x2014;
    QTest::newRow("™") << 0x99 << 0x2122;
}

void TestCp1251::knownCharacters()
{
    QFETCH(int, byte);
    QFETCH(int, unicode);
    QCOMPARE(int(cp1251ToUnicode(static_cast<std::uint8_t>(byte))), unicode);
    QCOMPARE(int(unicodeToCp1251(static_cast<char16_t>(unicode)).value_or(0)), byte);
}

void TestCp1251::unmappableBecomesQuestionMark()
{
    QVERIFY(!unicodeToCp1251(u'ä').has_value());
    QVERIFY(!unicodeToCp1251(u'\x2500').has_value());
    // A character outside the basic plane is a single unknown character.
    const QString text = QStringLiteral("Я") + QString::fromUcs4(U"\U0001F600") + u'ä';
    QCOMPARE(toCp1251(text), QByteArray("\xDF??"));
    QCOMPARE(toCp1251(QStringLiteral("Готово")), QByteArray("\xC3\xEE\xF2\xEE\xE2\xEE"));
    QCOMPARE(fromCp1251(QByteArray("\xC3\xEE\xF2\xEE\xE2\xEE")), QStringLiteral("Готово"));
}

void TestCp1251::foldingPairs_data()
{
    QTest::addColumn<int>("upper");
    QTest::addColumn<int>("lower");
    QTest::newRow("A/a") << int('A') << int('a');
    QTest::newRow("Z/z") << int('Z') << int('z');
    for (int b = 0xC0; b <= 0xDF; ++b)
        QTest::addRow("%02X/%02X", b, b + 0x20) << b << b + 0x20;
    const int pairs[][2] = {{0xA8, 0xB8}, {0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C},
                            {0x8D, 0x9D}, {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2}, {0xA3, 0xBC},
                            {0xA5, 0xB4}, {0xAA, 0xBA}, {0xBD, 0xBE}, {0xB2, 0xB3}, {0xAF, 0xBF}};
    for (const auto &p : pairs)
        QTest::addRow("%02X/%02X", p[0], p[1]) << p[0] << p[1];
}

void TestCp1251::foldingPairs()
{
    QFETCH(int, upper);
    QFETCH(int, lower);
    const auto up = static_cast<std::uint8_t>(upper);
    const auto low = static_cast<std::uint8_t>(lower);
    QCOMPARE(int(foldCase(low)), upper);
    QCOMPARE(int(foldCase(up)), upper);
    QCOMPARE(int(toLowerCase(up)), lower);
    QCOMPARE(int(toLowerCase(low)), lower);
}

// Qt's Unicode case mapping is an independent judge: a byte folds exactly when its character's
// upper-case form exists in the code page.
void TestCp1251::foldingAgreesWithUnicode()
{
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<std::uint8_t>(b);
        const QChar ch(cp1251ToUnicode(byte));
        const auto upper = unicodeToCp1251(ch.toUpper().unicode());
        const auto lower = unicodeToCp1251(ch.toLower().unicode());
        QVERIFY2(foldCase(byte) == upper.value_or(byte), qPrintable(QString::number(b, 16)));
        QVERIFY2(toLowerCase(byte) == lower.value_or(byte), qPrintable(QString::number(b, 16)));
    }
    QCOMPARE(foldCase(toCp1251(QStringLiteral("Ёлка ёЖ їЇ abc"))),
             toCp1251(QStringLiteral("ЁЛКА ЁЖ ЇЇ ABC")));
    QCOMPARE(toLowerCase(toCp1251(QStringLiteral("ЁЛКА ЎЌ"))), toCp1251(QStringLiteral("ёлка ўќ")));
}

void TestCp1251::foldingLeavesNonLetters()
{
    // µ has an upper case (Greek Mu) outside the code page; digits and signs have none.
    for (int b : {0xB5, int('0'), int('@'), int('['), 0x98, 0xB9, 0xA0, 0x00})
        QCOMPARE(int(foldCase(static_cast<std::uint8_t>(b))), b);
}

void TestCp1251::cp866_data()
{
    QTest::addColumn<int>("dos");
    QTest::addColumn<int>("windows");
    QTest::newRow("ASCII") << int('Q') << int('Q');
    QTest::newRow("А") << 0x80 << 0xC0;
    QTest::newRow("Я") << 0x9F << 0xDF;
    QTest::newRow("а") << 0xA0 << 0xE0;
    QTest::newRow("п") << 0xAF << 0xEF;
    QTest::newRow("р") << 0xE0 << 0xF0;
    QTest::newRow("я") << 0xEF << 0xFF;
    QTest::newRow("Ё") << 0xF0 << 0xA8;
    QTest::newRow("ё") << 0xF1 << 0xB8;
    QTest::newRow("Є") << 0xF2 << 0xAA;
    QTest::newRow("ў") << 0xF7 << 0xA2;
    QTest::newRow("°") << 0xF8 << 0xB0;
    QTest::newRow("№") << 0xFC << 0xB9;
    QTest::newRow("nbsp") << 0xFF << 0xA0;
    QTest::newRow("light shade") << 0xB0 << int('?');
    QTest::newRow("vertical") << 0xB3 << int('?');
    QTest::newRow("double corner") << 0xC9 << int('?');
    QTest::newRow("full block") << 0xDB << int('?');
    QTest::newRow("square root") << 0xFB << int('?');
}

void TestCp1251::cp866()
{
    QFETCH(int, dos);
    QFETCH(int, windows);
    const auto byte = static_cast<std::uint8_t>(dos);
    QCOMPARE(int(cp866ToCp1251(byte)), windows);
    QCOMPARE(cp866ToCp1251(QByteArrayView(QByteArray(1, char(dos)))), QByteArray(1, char(windows)));
    // Whatever has a counterpart decodes to the same character by both roads.
    if (windows != '?')
        QCOMPARE(fromCp866(QByteArray(1, char(dos))),
                 QString(QChar(cp1251ToUnicode(static_cast<std::uint8_t>(windows)))));
}

void TestCp1251::cp866CyrillicRange()
{
    QByteArray dos;
    for (int b = 0x80; b <= 0xAF; ++b)
        dos.append(char(b));
    for (int b = 0xE0; b <= 0xF1; ++b)
        dos.append(char(b));
    const QString expected =
        QStringLiteral("АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюяЁё");
    QCOMPARE(fromCp866(dos), expected);
    QCOMPARE(cp866ToCp1251(QByteArrayView(dos)), toCp1251(expected));
    QCOMPARE(fromCp866(QByteArray("\xC9\xCD\xBB")), QStringLiteral("╔═╗"));
}

QTEST_APPLESS_MAIN(TestCp1251)
#include "test_cp1251.moc"
