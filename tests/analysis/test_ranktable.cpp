// The rank table: filling, dense ranks, the first ranges (equal, or around a mean), the ranges
// the user recomputes or types, and what goes to the map.

#include "analysis/common/RankTable.h"
#include "analysis/common/RankTableExcel.h"
#include "entry/EntryFixture.h"
#include "runtime/office/DesktopOpener.h"
#include "runtime/office/OfficeServer.h"
#include "runtime/office/XlsxReader.h"
#include "shell/ExcelLauncher.h"
#include "support/ScriptedPrompter.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using zemor::analysis::RankLine;
using zemor::analysis::RankRow;
using zemor::analysis::RankTable;
using zemor::analysis::RankTableSource;
using zemor::runtime::Decimal;

namespace {

Decimal dec(const char *text)
{
    return *Decimal::fromString(QString::fromLatin1(text));
}

// Lines "name=value@code" separated by blanks; the code is optional.
QList<RankLine> linesOf(const QString &text)
{
    QList<RankLine> lines;
    for (const QString &item : text.split(u' ', Qt::SkipEmptyParts)) {
        RankLine line;
        const QStringList nameRest = item.split(u'=');
        line.name = nameRest.at(0);
        const QStringList valueCode = nameRest.at(1).split(u'@');
        line.value = *Decimal::fromString(valueCode.at(0));
        if (valueCode.size() > 1)
            line.codReg = valueCode.at(1).toInt();
        lines.append(line);
    }
    return lines;
}

RankTableSource districts(const QString &text)
{
    RankTableSource source;
    source.lines = linesOf(text);
    source.districtCodes = true;
    source.year = 2025;
    source.title = u"Показатель"_s;
    return source;
}

// "name:rank:range" for each row in table order.
QString rowsText(const RankTable &table)
{
    QStringList out;
    for (const RankRow &row : table.rows())
        out << u"%1:%2:%3"_s.arg(table.name(row)).arg(row.rank).arg(row.range);
    return out.join(u' ');
}

// "[lo,hi]" for ranges 1..count.
QString rangesText(const RankTable &table)
{
    QStringList out;
    for (int i = 1; i <= table.rangeCount(); ++i)
        out << u"[%1,%2]"_s.arg(table.lowerBound(i).toString(), table.upperBound(i).toString());
    return out.join(u' ');
}

} // namespace

class TestRankTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstTable_data();
    void firstTable();
    void codesDecideMinimumAndMaximum_data();
    void codesDecideMinimumAndMaximum();
    void rangesRecomputed();
    void typedBoundsKeepOldRangeOutside();
    void negativeMeanRangesRunLowToHigh();
    void listLinesAndTexts();
    void mapGetsTheTablesBounds();
    void excelWorkbook();
};

// The table as it opens: ranks, the ranges and each row's range.
void TestRankTable::firstTable_data()
{
    QTest::addColumn<QString>("lines");
    QTest::addColumn<QString>("mean"); // empty: no mean
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QString>("ranges");

    QTest::newRow("dense ranks, equal ranges")
        << u"a=10@1 b=8@2 c=8@3 d=5@4"_s << QString() << u"a:1:3 b:2:2 c:2:2 d:3:1"_s
        << u"[5,6.667] [6.667,8.333] [8.333,10]"_s;
    QTest::newRow("ties keep list order, ranks have no gaps")
        << u"x=7@1 y=9@2 z=9@3"_s << QString() << u"y:1:3 z:1:3 x:2:1"_s
        << u"[7,7.667] [7.667,8.333] [8.333,9]"_s;
    QTest::newRow("a value on a shared bound takes the first range")
        << u"a=6.667@1 b=5@2 c=10@3"_s << QString() << u"c:1:3 a:2:1 b:3:1"_s
        << u"[5,6.667] [6.667,8.333] [8.333,10]"_s;
    QTest::newRow("mean 10") << u"a=6@1 b=8.35@2 c=8.349@3 d=11.651@4 e=13@5"_s << u"10"_s
                             << u"e:1:3 d:2:3 b:3:2 c:4:1 a:5:1"_s
                             << u"[6,8.349] [8.35,11.65] [11.651,13.001]"_s;
    QTest::newRow("mean 0") << u"a=-1@1 b=0@2 c=2@3"_s << u"0"_s << u"c:1:3 b:2:2 a:3:1"_s
                            << u"[-1,-0.001] [0,0] [0.001,2.001]"_s;
    QTest::newRow("negative values")
        << u"a=-5@1 b=-1@2 c=-3@3"_s << QString() << u"b:1:3 c:2:2 a:3:1"_s
        << u"[-5,-3.667] [-3.667,-2.333] [-2.333,-1]"_s;
    QTest::newRow("one line") << u"a=4@1"_s << QString() << u"a:1:1"_s << u"[4,4] [4,4] [4,4]"_s;
    QTest::newRow("no lines") << QString() << QString() << QString() << u"[0,0] [0,0] [0,0]"_s;
}

void TestRankTable::firstTable()
{
    QFETCH(QString, lines);
    QFETCH(QString, mean);
    RankTableSource source = districts(lines);
    if (!mean.isEmpty())
        source.mean = *Decimal::fromString(mean);
    const RankTable table(source);
    QFETCH(QString, rows);
    QFETCH(QString, ranges);
    QCOMPARE(rowsText(table), rows);
    QCOMPARE(rangesText(table), ranges);
    QCOMPARE(table.rangeCount(), 3);
    for (int i = 4; i <= RankTable::maxRangeCount; ++i) {
        QCOMPARE(table.lowerBound(i), Decimal());
        QCOMPARE(table.upperBound(i), Decimal());
    }
}

// Only district codes below 200 give the minimum and maximum; code 250 is the region's value; a
// rating per institution passes no codes and gets neither a region value nor a map.
void TestRankTable::codesDecideMinimumAndMaximum_data()
{
    QTest::addColumn<QString>("lines");
    QTest::addColumn<bool>("districtCodes");
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<QString>("region");
    QTest::addColumn<bool>("map");
    QTest::addColumn<QString>("rows");

    QTest::newRow("region 250 ranked, not counted")
        << u"a=10@1 r=40@250 b=20@2 c=15@3"_s << true << 10.0 << 20.0 << u"40"_s << true
        << u"r:1:0 b:2:3 c:3:2 a:4:1"_s;
    QTest::newRow("cities left out of the bounds")
        << u"a=10@1 city=3@201 b=20@2"_s << true << 10.0 << 20.0 << u"0"_s << true
        << u"b:1:3 a:2:1 city:3:0"_s;
    QTest::newRow("no district below 200")
        << u"c1=12@201 c2=30@202"_s << true << 0.0 << 0.0 << u"0"_s << true << u"c2:1:0 c1:2:0"_s;
    QTest::newRow("institutions: no codes, every line counts")
        << u"i1=12@150 i2=30@250 i3=6@101"_s << false << 6.0 << 30.0 << u"0"_s << false
        << u"i2:1:3 i1:2:1 i3:3:1"_s;
}

void TestRankTable::codesDecideMinimumAndMaximum()
{
    QFETCH(QString, lines);
    QFETCH(bool, districtCodes);
    RankTableSource source = districts(lines);
    source.districtCodes = districtCodes;
    const RankTable table(source);
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    QFETCH(QString, region);
    QFETCH(bool, map);
    QFETCH(QString, rows);
    QCOMPARE(table.minimum(), minimum);
    QCOMPARE(table.maximum(), maximum);
    QCOMPARE(table.regionValue(), *Decimal::fromString(region));
    QCOMPARE(table.mapAvailable(), map);
    QCOMPARE(rowsText(table), rows);
    if (!districtCodes) {
        for (const RankRow &row : table.rows())
            QCOMPARE(row.codReg, 0);
    }
}

void TestRankTable::rangesRecomputed()
{
    RankTable table(districts(u"a=10@1 b=8@2 c=8@3 d=5@4"_s));

    // A count above 5 is 5; the step follows the count, the bounds wait for "Расчет ".
    table.setRangeCount(7);
    QCOMPARE(table.rangeCount(), 5);
    QCOMPARE(table.step(), 1.0);
    QCOMPARE(rangesText(table), u"[5,6.667] [6.667,8.333] [8.333,10] [0,0] [0,0]"_s);
    table.splitRangesEvenly();
    QCOMPARE(rangesText(table), u"[5,6] [6,7] [7,8] [8,9] [9,10]"_s);
    table.assignRanges();
    QCOMPARE(rowsText(table), u"a:1:5 b:2:3 c:2:3 d:3:1"_s);

    table.setRangeCount(0);
    QCOMPARE(table.rangeCount(), 1);
    table.splitRangesEvenly();
    QCOMPARE(rangesText(table), u"[5,10]"_s);
    QCOMPARE(table.lowerBound(2), Decimal());

    // A typed step: the maximum follows it.
    table.setMinimum(0);
    table.setRangeCount(5);
    table.setStep(2);
    table.splitRangesEvenly();
    QCOMPARE(table.maximum(), 10.0);
    QCOMPARE(rangesText(table), u"[0,2] [2,4] [4,6] [6,8] [8,10]"_s);

    // Typed numbers beyond what a bound holds are held at the largest bound.
    table.setStep(1e30);
    table.splitRangesEvenly();
    QCOMPARE(table.upperBound(5), dec("99999999999999.999"));
}

void TestRankTable::typedBoundsKeepOldRangeOutside()
{
    RankTable table(districts(u"a=10@1 b=8@2 c=8@3 d=5@4"_s));
    QCOMPARE(rowsText(table), u"a:1:3 b:2:2 c:2:2 d:3:1"_s);
    table.setBounds(1, dec("4"), dec("7.9999"));
    table.setBounds(2, dec("8"), dec("8"));
    table.setBounds(3, dec("11"), dec("12"));
    QCOMPARE(table.upperBound(1), dec("8")); // 3 places
    table.assignRanges();
    // 10 lies in no range now and keeps range 3.
    QCOMPARE(rowsText(table), u"a:1:3 b:2:1 c:2:1 d:3:1"_s);
    table.setBounds(1, dec("4"), dec("7.999"));
    table.assignRanges();
    QCOMPARE(rowsText(table), u"a:1:3 b:2:2 c:2:2 d:3:1"_s);
}

// Around a negative mean the middle range runs from below the mean to above it, and the outer
// ranges lie below and above it as with a positive mean.
void TestRankTable::negativeMeanRangesRunLowToHigh()
{
    RankTableSource source = districts(u"a=-13@1 b=-12@2 c=-10@3 d=-7@4 e=-6@5"_s);
    source.mean = dec("-10");
    const RankTable table(source);
    QCOMPARE(rangesText(table), u"[-13,-11.651] [-11.65,-8.35] [-8.349,-5.999]"_s);
    for (int i = 1; i <= table.rangeCount(); ++i)
        QVERIFY(table.lowerBound(i) <= table.upperBound(i));
    QCOMPARE(rowsText(table), u"e:1:3 d:2:3 c:3:2 b:4:1 a:5:1"_s);
}

void TestRankTable::listLinesAndTexts()
{
    RankTableSource source = districts(u"a=1.23456@7 b=2@8"_s);
    source.lines[0].codStr = u"S1"_s;
    source.lines[0].extra = u"город   "_s;
    source.lines[1].extra = u"   "_s;

    RankTable plain(source);
    QCOMPARE(plain.name(plain.rows().at(1)), u"a"_s);
    QCOMPARE(plain.codStr(plain.rows().at(1)), QString());
    QCOMPARE(plain.rows().at(1).data(), dec("1.235"));
    QCOMPARE(plain.mapSource().lines.at(1).value, dec("1.235"));

    source.lineCodes = true;
    source.extraTexts = true;
    const RankTable coded(source);
    QVERIFY(!coded.mapAvailable());
    QCOMPARE(coded.name(coded.rows().at(1)), u"a (город)"_s);
    QCOMPARE(coded.name(coded.rows().at(0)), u"b"_s);
    const QList<QVariantList> lines = coded.listLines();
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(1).size(), int(RankTable::FieldCount));
    QCOMPARE(lines.at(1).at(RankTable::CodStr).toString(), u"S1"_s);
    QCOMPARE(lines.at(1).at(RankTable::Data).value<Decimal>(), dec("1.235"));
    QCOMPARE(lines.at(1).at(RankTable::Rank).toInt(), 2);
    QCOMPARE(lines.at(1).at(RankTable::CodReg).toInt(), 7);

    // The caller's picture shows the values; ranks and ranges stay those of the exact values.
    source.picture = u"@n_10.2"_s;
    const RankTable pictured(source);
    const QList<QVariantList> shown = pictured.listLines();
    QCOMPARE(shown.at(1).at(RankTable::Data).toString(), u"      1.24"_s);
    QCOMPARE(shown.at(0).at(RankTable::Data).toString(), u"      2.00"_s);
    QCOMPARE(pictured.rows().at(1).data(), dec("1.235"));
}

// The map's bounds are the table's, with 3 places: 8.35 is in range 2 on both, 6.668 too.
void TestRankTable::mapGetsTheTablesBounds()
{
    RankTableSource source = districts(u"a=6@1 b=8.35@2 c=13@3 r=9@250"_s);
    source.mean = dec("10");
    RankTable table(source);
    const auto map = table.mapSource();
    QCOMPARE(map.rangeCount, 3);
    QCOMPARE(map.title, u"Показатель"_s);
    QCOMPARE(map.regionValue, dec("9"));
    QCOMPARE(map.bounds, (QList<Decimal>{dec("6"), dec("8.349"), dec("8.35"), dec("11.65"),
                                         dec("11.651"), dec("13.001")}));
    QCOMPARE(map.lines.size(), 4);
    for (const auto &line : map.lines)
        QVERIFY(line.codReg == 1 || line.codReg == 2 || line.codReg == 3 || line.codReg == 250);

    RankTable even(districts(u"a=5@1 b=6.668@2 c=10@3"_s));
    QCOMPARE(even.mapBounds().at(1), dec("6.667"));
    QCOMPARE(even.rows().at(1).range, 2);
}

void TestRankTable::excelWorkbook()
{
    QTemporaryDir dir;
    const QString failed = zemor::test::buildDemoWorkDir(dir);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));

    RankTableSource source = districts(u"a=10.5@1 b=6.667@2 c=-0.5@3 d=8@4"_s);
    source.lines[0].name = u"'Первый"_s;
    source.subtitle = u"Графа 3"_s;
    const RankTable table(source);

    struct : zemor::runtime::office::DesktopOpener
    {
        zemor::runtime::Status open(const QString &) override { return {}; }
    } desktop;
    zemor::runtime::office::OfficeServer office(&desktop);
    zemor::test::ScriptedPrompter prompter;
    zemor::shell::ExcelLauncher excel(office, prompter);
    QVERIFY(zemor::analysis::RankTableExcel::exportRanks(table, excel));
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.messages.at(0).text, zemor::shell::ExcelLauncher::doneText());

    const auto book = zemor::runtime::office::XlsxReader::read(excel.workbookPath());
    QVERIFY2(book, qPrintable(book ? QString() : book.error().message));
    const auto text = [&](int row, int column) {
        const auto *cell = book->cell(row, column);
        return cell ? cell->displayText() : QString();
    };
    QCOMPARE(text(2, 1), u"2025 год"_s);
    QCOMPARE(text(3, 1), u"Показатель"_s);
    QCOMPARE(text(10, 2), u"Графа 3"_s);
    QCOMPARE(text(10, 5), u"Диапазон"_s);
    // Values go as "10,5" and "6,66" (two places kept, not rounded); the sheet reads the comma as
    // the decimal point.
    QCOMPARE(zemor::analysis::RankTableExcel::valueText(u"6.667"_s), u"6,66"_s);
    const QStringList expected[] = {
        {u"'Первый"_s, u"10.5"_s, u"1"_s, u"3"_s, u"-0.5"_s, u"3.167"_s},
        {u"d"_s, u"8"_s, u"2"_s, u"3"_s, u"3.167"_s, u"6.833"_s},
        {u"b"_s, u"6.66"_s, u"3"_s, u"2"_s, u"6.833"_s, u"10.5"_s},
        {u"c"_s, u"-0.5"_s, u"4"_s, u"1"_s, u"0"_s, u"0"_s},
        {QString(), QString(), QString(), QString(), u"0"_s, u"0"_s},
    };
    for (int k = 1; k <= 5; ++k) {
        QStringList row;
        for (int column = 1; column <= 6; ++column)
            row << text(k + 10, column);
        QCOMPARE(row, expected[k - 1]);
    }
}

QTEST_GUILESS_MAIN(TestRankTable)
#include "test_ranktable.moc"
