// The indicator map page: its lines for the options and values, texts from data escaped, the page
// written whole or not at all, and the page checked against the rank table it was drawn from.

#include "analysis/common/IndicatorMap.h"
#include "analysis/common/RankTable.h"
#include "data/DataContext.h"
#include "entry/EntryFixture.h"
#include "runtime/fs/Paths.h"
#include "runtime/text/Cp1251.h"
#include "support/FileBytes.h"
#include "support/ScriptedPrompter.h"
#include "support/WriteFailures.h"
#include "tests/analysis/MapPageSupport.h"
#include "tools/DemoCatalogue.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using zemor::analysis::IndicatorMap;
using zemor::analysis::IndicatorMapSource;
using zemor::analysis::MapLine;
using zemor::analysis::MapOptions;
using zemor::analysis::RankLine;
using zemor::analysis::RankRow;
using zemor::analysis::RankTable;
using zemor::analysis::RankTableSource;
using zemor::runtime::Decimal;
using zemor::runtime::ErrorCode;
using zemor::test::readBytes;
using zemor::test::RecordingDesktop;
using zemor::test::withoutComments;
using zemor::test::writeBytes;

namespace {

Decimal dec(const QString &text)
{
    return *Decimal::fromString(text);
}

// "lo-hi lo-hi ..." bounds and "code=value ..." lines.
IndicatorMapSource sourceOf(const QString &bounds, const QString &lines,
                            const QString &title = u"Показатель"_s)
{
    IndicatorMapSource source;
    for (const QString &range : bounds.split(u' ', Qt::SkipEmptyParts)) {
        const qsizetype dash = range.indexOf(u'~');
        source.bounds << dec(range.left(dash)) << dec(range.mid(dash + 1));
        ++source.rangeCount;
    }
    for (const QString &line : lines.split(u' ', Qt::SkipEmptyParts)) {
        const QStringList parts = line.split(u'=');
        source.lines.append(MapLine{dec(parts.at(1)), parts.at(0).toInt()});
    }
    source.title = title;
    return source;
}

QString layerLine(int d, int set, int r)
{
    return uR"(<div id="Layer%1" style="position:absolute; left:15px; top:30px; width:90%; )"
           uR"(visibility:visible; z-index:1000;"><img src="Images/%2/%3/%1.gif" width="90%"></div>)"_s
               .arg(d)
               .arg(set)
               .arg(r);
}

QStringList layerLines(const QStringList &page)
{
    return page.filter(
        QRegularExpression(u"^<div id=\"Layer\\d+\".*src=\"Images/\\d/\\d/\\d+\\.gif\""_s));
}

} // namespace

class TestIndicatorMap : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void layers_data();
    void layers();
    void titleSizes_data();
    void titleSizes();
    void legendAndRegionValue();
    void valueTableAndEscaping();
    void failedWriteKeepsOldPage_data();
    void failedWriteKeepsOldPage();
    void pageReplacedWhole();
    void pageMatchesTheRankTable();
};

// Which districts get a layer and for which range.
void TestIndicatorMap::layers_data()
{
    QTest::addColumn<QString>("bounds");
    QTest::addColumn<QString>("lines");
    QTest::addColumn<int>("set");
    QTest::addColumn<QString>("layers"); // "district:range ..."

    QTest::newRow("a shared bound goes to the first range")
        << u"5~10 10~20"_s << u"3=10 4=20 5=4.999"_s << 1 << u"3:1 4:2"_s;
    QTest::newRow("zero and negative values get no layer")
        << u"-5~0 0~10"_s << u"1=0 2=-3 3=0.001"_s << 2 << u"3:2"_s;
    QTest::newRow("codes outside 1..28 are not districts")
        << u"1~100"_s << u"0=5 29=5 201=5 250=5 28=5"_s << 7 << u"28:1"_s;
    QTest::newRow("the last line of a district counts")
        << u"1~5 6~10"_s << u"2=3 2=8 2=-1"_s << 3 << u"2:2"_s;
    QTest::newRow("the map's 3 places")
        << u"6~6.667 6.667~8.333 8.333~10"_s << u"1=6.668 2=6.667 3=8.3335 4=8.3334"_s << 1
        << u"1:2 2:1 3:3 4:2"_s;
}

void TestIndicatorMap::layers()
{
    QFETCH(int, set);
    QFETCH(QString, bounds);
    QFETCH(QString, lines);
    QFETCH(QString, layers);
    const IndicatorMap map(sourceOf(bounds, lines));
    MapOptions options;
    options.pictureSet = set;
    QStringList expected;
    for (const QString &item : layers.split(u' ', Qt::SkipEmptyParts)) {
        const QStringList dr = item.split(u':');
        expected << layerLine(dr.at(0).toInt(), set, dr.at(1).toInt());
    }
    const QStringList page = map.pageLines(options, {});
    QCOMPARE(layerLines(page), expected);
    // The common picture always follows the districts.
    const qsizetype common = page.indexOf(
        uR"(<div id="Layer27" style="position:absolute; left:15px; top:27px; width:90%; )"
        uR"(visibility:visible; z-index:1000;"><img src="Images/name_r.gif" width="90%"></div>)"_s);
    QVERIFY(common > 0);
    if (!expected.isEmpty())
        QVERIFY(page.indexOf(expected.last()) < common);
}

void TestIndicatorMap::titleSizes_data()
{
    QTest::addColumn<bool>("shown");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("line");

    QTest::newRow("мелкий") << true << 1 << u"<H5 align=center colspan=5>Заболеваемость</H5>"_s;
    QTest::newRow("средний") << true << 2 << u"<H4 align=center>Заболеваемость</H4>"_s;
    QTest::newRow("крупный") << true << 3 << u"<H3 align=center>Заболеваемость</H3>"_s;
    QTest::newRow("off") << false << 3 << QString();
}

void TestIndicatorMap::titleSizes()
{
    QFETCH(QString, line);
    const IndicatorMap map(sourceOf(u"1~2"_s, QString(), u"Заболеваемость   "_s));
    MapOptions options;
    QFETCH(bool, shown);
    QFETCH(int, size);
    options.title = shown;
    options.titleSize = size;
    const QStringList page = map.pageLines(options, {});
    QCOMPARE(page.size(), line.isEmpty() ? 17 : 18);
    QCOMPARE(page.at(7).startsWith(u"<H"_s), !line.isEmpty());
    if (!line.isEmpty())
        QCOMPARE(page.at(7), line);
    QVERIFY(!page.join(u'\n').contains(u"Заболеваемость "_s));
}

void TestIndicatorMap::legendAndRegionValue()
{
    IndicatorMapSource source = sourceOf(u"-2.5~0 0.001~6.667 6.668~10.125"_s, u"1=5"_s);
    source.regionValue = dec(u"12.500"_s);
    const IndicatorMap map(source);
    MapOptions options;
    options.pictureSet = 4;
    options.regionValue = true;
    const QStringList page = map.pageLines(options, {});
    const qsizetype start = page.indexOf(u"</Table></div>"_s) + 1;
    const QStringList tail = page.mid(start);
    QCOMPARE(tail, (QStringList{
                       u"<TABLE width=80% valign=bottom align=left border=1>"_s,
                       u"  <TR><TD align=left>"_s,
                       uR"(   <img src="Images/4/1/legend.gif" width="20">)"_s,
                       u"    <B>-2.5</B> - <B>0</B>"_s,
                       u"  </TD>"_s,
                       u"  <TD align=left>"_s,
                       uR"(   <img src="Images/4/2/legend.gif" width="20">)"_s,
                       u"    <B>0.001</B> - <B>6.667</B>"_s,
                       u"  </TD>"_s,
                       u"  <TD align=left>"_s,
                       uR"(   <img src="Images/4/3/legend.gif" width="20">)"_s,
                       u"    <B>6.668</B> - <B>10.125</B>"_s,
                       u"  </TD></TR>"_s,
                       u"  <TD align=center colspan=5>"_s,
                       u"   Показатель по области <B> 12.5</B>"_s,
                       u"  </TD></TR>"_s,
                       u"</HEAD>"_s,
                       u"</HTML>"_s,
                   }));

    options.legend = false;
    options.regionValue = false;
    QCOMPARE(map.pageLines(options, {}).mid(start), (QStringList{u"</HEAD>"_s, u"</HTML>"_s}));
}

void TestIndicatorMap::valueTableAndEscaping()
{
    const IndicatorMap map(sourceOf(u"1~10"_s, u"1=2.500 2=-4 3=0 27=7"_s, u"A&B <C>"_s));
    MapOptions options;
    options.valueTable = true;
    const QHash<int, QString> names{
        {1, u"Район \"Лесной\"   "_s}, {2, u"Bad<b>"_s}, {3, u"Ω-район"_s}};
    const QStringList page = map.pageLines(options, names);
    QCOMPARE(page.at(7), u"<H5 align=center colspan=5>A&amp;B &lt;C&gt;</H5>"_s);
    const qsizetype first = page.indexOf(
        uR"(<div id="Layer28" style="position:absolute; left:25px; top:5px; width:96%; )"
        uR"(visibility:visible; z-index:1000;">)"_s);
    QVERIFY(first > 0);
    QCOMPARE(
        page.at(first + 1),
        u"<TABLE  width=10% valign=bottom align=right border=1 CELLSPACING=0 CELLPADDING=0>"_s);
    const auto row = [](const QString &name, const QString &value) {
        return u"<TR><TD align=center><I><font Size=1>%1</FONT></I></TD><TD align=center><font "
               u"Size=1>%2</FONT></TD></TR>"_s.arg(name, value);
    };
    // District d's row is line first + 1 + d.
    QCOMPARE(page.at(first + 2), row(u"Район &quot;Лесной&quot;"_s, u"2.5"_s));
    QCOMPARE(page.at(first + 3), row(u"Bad&lt;b&gt;"_s, u"0"_s));
    QCOMPARE(page.at(first + 4), row(u"&#937;-район"_s, u"0"_s));
    QCOMPARE(page.at(first + 5), row(QString(), u"0"_s));
    QCOMPARE(page.at(first + 28), row(QString(), u"7"_s));
    QCOMPARE(page.at(first + 29), row(QString(), u"0"_s));
    QCOMPARE(page.at(first + 30), u"</Table></div>"_s);
    QCOMPARE(page.filter(u"<TR><TD align=center><I>"_s).size(), 28);
    QCOMPARE(layerLines(page), (QStringList{layerLine(1, 1, 1), layerLine(27, 1, 1)}));

    QCOMPARE(IndicatorMap::escaped(u"a\"b'c😀"_s), u"a&quot;b'c&#128512;"_s);
}

// A page that cannot be written whole leaves the old one, is reported, and starts no browser.
void TestIndicatorMap::failedWriteKeepsOldPage_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("read-only working directory") << true;
    QTest::newRow("a write that fails") << false;
}

void TestIndicatorMap::failedWriteKeepsOldPage()
{
    QFETCH(bool, readOnly);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString work = dir.filePath(u"work"_s);
    QVERIFY(QDir().mkpath(work));
    zemor::runtime::fs::setWorkDir(work);
    const QString page = work + u"/index.html"_s;
    writeBytes(page, "old page\r\n");

    QHash<int, QString> districtNames;
    for (int d = 1; d <= 28; ++d)
        districtNames.insert(d, u"Район номер %1 с длинным названием"_s.arg(d));
    const IndicatorMap map(sourceOf(u"1~10 10~20"_s, u"1=5 2=15"_s));
    MapOptions options;
    options.valueTable = true;
    zemor::test::ScriptedPrompter prompter;
    RecordingDesktop opener;
    zemor::runtime::Status shown;
    {
        zemor::test::PermissionsBind permissions;
        QVERIFY(permissions.binds());
        if (readOnly) {
            QVERIFY(QFile::setPermissions(work, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
            shown = map.show(options, districtNames, prompter, &opener);
            QVERIFY(QFile::setPermissions(work, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                    QFileDevice::ExeOwner));
        } else {
            zemor::test::FileSizeLimit limit(512);
            shown = map.show(options, districtNames, prompter, &opener);
        }
    }
    QVERIFY(!shown);
    QVERIFY(shown.error().code != ErrorCode::None);
    QCOMPARE(readBytes(page), QByteArray("old page\r\n"));
    QCOMPARE(QDir(work).entryList(QDir::Files), QStringList{u"index.html"_s});
    QCOMPARE(prompter.messages.size(), 1);
    QVERIFY(prompter.messages.at(0).text != IndicatorMap::startMessage());
    QVERIFY(prompter.messages.at(0).text.contains(u"index.html"_s));
    QVERIFY(opener.opened.isEmpty());
}

void TestIndicatorMap::pageReplacedWhole()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    zemor::runtime::fs::setWorkDir(dir.path());
    // An old page of another letter case is the one replaced.
    writeBytes(dir.filePath(u"INDEX.HTML"_s), "old page\r\n");
    const IndicatorMap map(sourceOf(u"1~10"_s, u"1=5"_s, u"Индикатор"_s));
    zemor::test::ScriptedPrompter prompter;
    RecordingDesktop opener;
    QVERIFY(map.show(MapOptions{}, {}, prompter, &opener));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"INDEX.HTML"_s});
    const QString path = dir.filePath(u"INDEX.HTML"_s);
    QCOMPARE(opener.opened, QStringList{path});
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.messages.at(0).text, u"счас запустится explorer"_s);
    const QByteArray bytes = readBytes(path);
    QByteArray expected;
    for (const QString &line : map.pageLines(MapOptions{}, {}))
        expected += zemor::runtime::text::toCp1251(line) + "\r\n";
    QCOMPARE(bytes, expected);
    QVERIFY(bytes.contains(zemor::runtime::text::toCp1251(u"Индикатор"_s)));

    // Without an opener (headless) the page is written and nothing is started.
    QVERIFY(map.show(MapOptions{}, {}, prompter, nullptr));
}

// On the demo's districts: a rank table by districts, then the map with every option. Each layer
// shows the district in the range the table gives it, each value cell the table's value, the
// legend the table's bounds; the page names nothing outside "Images/".
void TestIndicatorMap::pageMatchesTheRankTable()
{
    QTemporaryDir dir;
    const QString failed = zemor::test::buildDemoWorkDir(dir);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    zemor::data::DataContext context;
    const auto names = zemor::analysis::readDistrictNames(context);
    QVERIFY(names);
    int districtsInDemo = 0;
    for (const auto &district : zemor::tools::demoReference().districts) {
        if (district.code >= 1 && district.code <= 28) {
            QCOMPARE(names->value(district.code), district.name);
            ++districtsInDemo;
        }
    }
    QCOMPARE(names->size(), districtsInDemo);
    QVERIFY(districtsInDemo > 0);

    RankTableSource source;
    source.districtCodes = true;
    source.year = 2025;
    source.title = u"Охват <прививками> & осмотрами"_s;
    for (int d = 1; d <= 28; ++d) {
        // Values spread over the ranges, with a tie, a zero and a negative district.
        const int units = d == 5 ? 0 : d == 6 ? -2500 : d == 8 ? 12'345 : (d * 7919) % 40'000;
        source.lines.append(
            RankLine{u"Район %1"_s.arg(d), Decimal::fromUnits(units, 3), d, {}, {}});
    }
    source.lines.append(RankLine{u"Город"_s, dec(u"99"_s), 201, {}, {}});
    source.lines.append(RankLine{u"Область"_s, dec(u"17.25"_s), 250, {}, {}});
    source.lines[11].value = source.lines[7].value;
    RankTable table(source);
    table.setRangeCount(5);
    table.splitRangesEvenly();
    table.assignRanges();

    const IndicatorMap map(table.mapSource());
    MapOptions options;
    options.valueTable = true;
    options.titleSize = 2;
    options.pictureSet = 6;
    options.regionValue = true;
    QVERIFY(map.write(dir.filePath(u"work"_s), options, *names));
    const QByteArray bytes = readBytes(dir.filePath(u"work/index.html"_s));
    const QString page = zemor::runtime::text::fromCp1251(bytes);
    const QStringList lines = page.split(u"\r\n"_s);

    QStringList expectedLayers;
    QStringList expectedCells;
    for (int d = 1; d <= 28; ++d) {
        const auto row = std::find_if(table.rows().begin(), table.rows().end(),
                                      [d](const RankRow &r) { return r.codReg == d; });
        QVERIFY(row != table.rows().end());
        if (row->data() > Decimal() && row->range > 0)
            expectedLayers << layerLine(d, 6, row->range);
        const QString value = row->data() > Decimal() ? row->data().toString() : u"0"_s;
        expectedCells << u"<TD align=center><font Size=1>%1</FONT></TD>"_s.arg(value);
    }
    QCOMPARE(layerLines(lines), expectedLayers);
    QCOMPARE(expectedLayers.size(), 26);
    QStringList cells;
    for (const QString &line : lines.filter(u"<TR><TD align=center><I>"_s))
        cells << line.mid(line.indexOf(u"</TD>"_s) + 5).chopped(5);
    QCOMPARE(cells, expectedCells);
    QStringList legend;
    for (int r = 1; r <= 5; ++r) {
        legend << u"    <B>%1</B> - <B>%2</B>"_s.arg(table.lowerBound(r).toString(),
                                                     table.upperBound(r).toString());
    }
    QCOMPARE(lines.filter(u"    <B>"_s), legend);
    QVERIFY(lines.contains(u"   Показатель по области <B> 17.25</B>"_s));
    QVERIFY(lines.contains(u"<H4 align=center>Охват &lt;прививками&gt; &amp; осмотрами</H4>"_s));
    QVERIFY(lines.filter(u"<TR><TD align=center><I>"_s)
                .at(0)
                .startsWith(u"<TR><TD align=center><I><font Size=1>%1</FONT>"_s.arg(
                    IndicatorMap::escaped(names->value(1).trimmed()))));

    // Offline: pictures under "Images/" only, no script, no address.
    const QString live = withoutComments(page);
    static const QRegularExpression src(u"src=\"([^\"]*)\""_s);
    int sources = 0;
    for (auto it = src.globalMatch(live); it.hasNext();) {
        const QString target = it.next().captured(1);
        QVERIFY2(target.startsWith(u"Images/"_s) && !target.contains(u".."_s), qPrintable(target));
        ++sources;
    }
    QCOMPARE(sources, 26 + 1 + 5);
    QVERIFY(!page.contains(u"http:"_s, Qt::CaseInsensitive));
    QVERIFY(!page.contains(u"https:"_s, Qt::CaseInsensitive));
    QVERIFY(!live.contains(u"<script"_s, Qt::CaseInsensitive));
}

QTEST_GUILESS_MAIN(TestIndicatorMap)
#include "test_indicatormap.moc"
