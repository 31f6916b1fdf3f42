#include "runtime/fs/Paths.h"
#include "runtime/office/Cell.h"
#include "runtime/office/CellRange.h"
#include "runtime/office/MacroCommand.h"
#include "runtime/office/SystemDesktopOpener.h"

#include <QTest>

#include <cmath>

using namespace zemor::runtime;
using namespace zemor::runtime::office;

class OfficeModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void entriesBecomeNumbersOnlyWithoutLoss_data();
    void entriesBecomeNumbersOnlyWithoutLoss();
    void r1c1References_data();
    void r1c1References();
    void a1References();
    void commandsParse();
    void malformedCommandsAreRefused_data();
    void malformedCommandsAreRefused();
    void desktopArgumentKeepsTheBytes_data();
    void desktopArgumentKeepsTheBytes();
};

void OfficeModelTest::entriesBecomeNumbersOnlyWithoutLoss_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<Cell::Kind>("kind");
    QTest::addColumn<double>("number");
    QTest::addColumn<QString>("text");

    const auto number = [](const char *name, const char *entry, double value) {
        QTest::newRow(name) << QString::fromUtf8(entry) << Cell::Kind::Number << value << QString();
    };
    const auto text = [](const char *name, const char *entry, const char *kept) {
        QTest::newRow(name) << QString::fromUtf8(entry) << Cell::Kind::Text << 0.0
                            << QString::fromUtf8(kept);
    };
    number("decimal comma", "1234,5", 1234.5);
    number("decimal point", "1234.5", 1234.5);
    number("fraction below one", "0,125", 0.125);
    number("whole", "7", 7);
    number("negative", "-12,75", -12.75);
    number("plus sign", "+3", 3);
    number("zero", "0", 0);
    number("negative zero", "-0", 0);
    number("blanks around", " 12 ", 12);
    number("fifteen digits", "99999999999999,9", 99999999999999.9);
    number("trailing fraction zeros do not count", "1,50000000000000000", 1.5);
    text("leading zeros", "007", "007");
    text("leading zeros before a comma", "00,5", "00,5");
    text("row code", "1.1.2", "1.1.2");
    text("group separator", "1 234", "1 234");
    text("exponent", "1E5", "1E5");
    text("sixteen digits", "1234567890123456", "1234567890123456");
    text("decimal of seventeen digits", "99999999999999,999", "99999999999999,999");
    text("no digits after the comma", "12,", "12,");
    text("heading with blanks", " N ", " N ");
    text("apostrophe keeps a number as text", "'12", "12");
    text("formula is not computed", "=A1+1", "=A1+1");
    QTest::newRow("empty") << QString() << Cell::Kind::Empty << 0.0 << QString();
}

void OfficeModelTest::entriesBecomeNumbersOnlyWithoutLoss()
{
    QFETCH(QString, entry);
    QFETCH(Cell::Kind, kind);
    QFETCH(double, number);
    QFETCH(QString, text);

    Cell cell;
    cell.format.bold = true;
    cell.setText(QStringLiteral("old"));
    cell.setEntry(entry);
    QCOMPARE(cell.kind, kind);
    QCOMPARE(cell.number, number);
    if (number == 0)
        QVERIFY(!std::signbit(cell.number)); // no negative zero
    QCOMPARE(cell.text, text);
    QVERIFY(cell.format.bold); // a value never takes the format away
}

void OfficeModelTest::r1c1References_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<CellRange>("range");

    QTest::newRow("cell") << QStringLiteral("R9C1") << true << CellRange{9, 1, 9, 1};
    QTest::newRow("range, any case")
        << QStringLiteral("r10c1:R40C6") << true << CellRange{10, 1, 40, 6};
    QTest::newRow("reversed range")
        << QStringLiteral("R40C6:R10C1") << true << CellRange{10, 1, 40, 6};
    QTest::newRow("last cell of the sheet")
        << QStringLiteral("R1048576C16384") << true << CellRange{1048576, 16384, 1048576, 16384};
    QTest::newRow("row 0") << QStringLiteral("R0C1") << false << CellRange{};
    QTest::newRow("beyond the last row") << QStringLiteral("R1048577C1") << false << CellRange{};
    QTest::newRow("beyond the last column") << QStringLiteral("R1C16385") << false << CellRange{};
    QTest::newRow("huge number") << QStringLiteral("R99999999999999999999C1") << false
                                 << CellRange{};
    QTest::newRow("relative") << QStringLiteral("R[1]C1") << false << CellRange{};
    QTest::newRow("A1 notation") << QStringLiteral("A1") << false << CellRange{};
    QTest::newRow("trailing text") << QStringLiteral("R1C1x") << false << CellRange{};
}

void OfficeModelTest::r1c1References()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(CellRange, range);
    const auto parsed = CellRange::parseR1C1(text);
    QCOMPARE(parsed.has_value(), valid);
    if (valid) {
        QCOMPARE(*parsed, range);
        QCOMPARE(CellRange::parseR1C1(parsed->toR1C1()), parsed);
    }
}

void OfficeModelTest::a1References()
{
    QCOMPARE(CellRange::parseA1(QStringLiteral("AB12")), CellRange::single(12, 28));
    QCOMPARE(CellRange::parseA1(QStringLiteral("$A$1:$F$1")), (CellRange{1, 1, 1, 6}));
    QCOMPARE(CellRange::parseA1(QStringLiteral("XFD1048576")), CellRange::single(1048576, 16384));
    QVERIFY(!CellRange::parseA1(QStringLiteral("XFE1")));
    QVERIFY(!CellRange::parseA1(QStringLiteral("A0")));
    QCOMPARE(CellRange::columnName(16384), QStringLiteral("XFD"));
    QCOMPARE((CellRange{10, 1, 40, 27}).toA1(), QStringLiteral("A10:AA40"));
    QCOMPARE(CellRange::parseR1C1Columns(QStringLiteral("C2:C4")),
             (CellRange{1, 2, CellRange::kMaxRows, 4}));
}

void OfficeModelTest::commandsParse()
{
    auto parsed = MacroCommand::parse(
        QStringLiteral("[OPEN.TEXT(\"C:\\x\\XLS\\ras1.xls\")] [SELECT(\"R9C1:R40C6\")]"
                       "[BORDER(1,1,,TRUE,0,0,0,0,0,0,0)][Save.As(\"a \"\"b\"\".xls\")]"
                       "[FileOpen (\"f12.doc\")][FileOpen .Name = \"g.doc\"][QUIT]"));
    QVERIFY2(parsed, qPrintable(parsed ? QString() : parsed.error().message));
    QCOMPARE(parsed->size(), 7);

    const MacroCommand &open = parsed->at(0);
    QVERIFY(open.is(QStringLiteral("open.text")));
    QCOMPARE(open.argument(0).kind, MacroArgument::Kind::Text);
    QCOMPARE(open.argument(0).text, QStringLiteral("C:\\x\\XLS\\ras1.xls"));
    QCOMPARE(parsed->at(1).source, QStringLiteral("[SELECT(\"R9C1:R40C6\")]"));

    const MacroCommand &border = parsed->at(2);
    QCOMPARE(border.arguments.size(), 11);
    QCOMPARE(border.argument(0).toNumber(), std::optional<double>(1));
    QVERIFY(border.argument(2).isMissing());
    QCOMPARE(border.argument(3).toNumber(), std::optional<double>(1)); // TRUE
    QVERIFY(border.argument(11).isMissing());

    QCOMPARE(parsed->at(3).argument(0).text, QStringLiteral("a \"b\".xls"));
    QCOMPARE(parsed->at(4).name, QStringLiteral("FileOpen"));
    QCOMPARE(parsed->at(4).argument(0).text, QStringLiteral("f12.doc"));
    QCOMPARE(parsed->at(5).argument(0).text, QStringLiteral("g.doc"));
    QVERIFY(parsed->at(6).arguments.isEmpty());
}

void OfficeModelTest::malformedCommandsAreRefused_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("no brackets") << QStringLiteral("OPEN(\"x\")");
    QTest::newRow("unclosed bracket") << QStringLiteral("[OPEN(\"x\")");
    QTest::newRow("unclosed quote") << QStringLiteral("[OPEN(\"x)]");
    QTest::newRow("unbalanced parenthesis") << QStringLiteral("[OPEN(\"x\"]");
    QTest::newRow("text between commands") << QStringLiteral("[SAVE()] junk [SAVE()]");
    QTest::newRow("no name") << QStringLiteral("[(1)]");
}

void OfficeModelTest::malformedCommandsAreRefused()
{
    QFETCH(QString, text);
    auto parsed = MacroCommand::parse(text);
    QVERIFY(!parsed);
    QCOMPARE(parsed.error().code, ErrorCode::InvalidArgument);
}

// The desktop's program is handed a path it can open, also one whose bytes are not UTF-8.
void OfficeModelTest::desktopArgumentKeepsTheBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("argument");
    QTest::newRow("plain") << QByteArray("/w/XLS/1.XLS") << QStringLiteral("/w/XLS/1.XLS");
    QTest::newRow("utf-8") << QByteArray("/w/\xd0\x9e/1.XLS") << QStringLiteral("/w/О/1.XLS");
    QTest::newRow("windows-1251") << QByteArray("/w/\xce\xf2 x/1.XLS")
                                  << QStringLiteral("file:///w/%CE%F2%20x/1.XLS");
}

void OfficeModelTest::desktopArgumentKeepsTheBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, argument);
    QCOMPARE(SystemDesktopOpener::argumentFor(zemor::runtime::fs::decodeName(bytes)), argument);
}

QTEST_GUILESS_MAIN(OfficeModelTest)
#include "test_officemodel.moc"
