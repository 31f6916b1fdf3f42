// The map window opened from the rank table's "Карта": the options it offers reaching the page,
// the page written in the working directory against the rank table it was drawn from, the
// browser started only after a whole page, "&Cancel" (or closing) writing nothing, and a working
// directory that cannot be written leaving the old page and starting no browser.

#include "analysis/common/IndicatorMap.h"
#include "analysis/common/RankTable.h"
#include "analysis/common/ui/MapWindow.h"
#include "analysis/common/ui/RankTableWindow.h"
#include "data/DataContext.h"
#include "runtime/fs/Paths.h"
#include "runtime/text/Cp1251.h"
#include "runtime/ui/Controls.h"
#include "shell/AppState.h"
#include "support/DemoWorkDir.h"
#include "support/FileBytes.h"
#include "support/ModalScript.h"
#include "support/RecordingOffice.h"
#include "support/ScriptedPrompter.h"
#include "support/WriteFailures.h"
#include "tests/analysis/MapPageSupport.h"
#include "tests/analysis/ui/WindowTestSupport.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace zemor;
using analysis::IndicatorMap;
using analysis::RankLine;
using analysis::RankRow;
using analysis::RankTable;
using analysis::RankTableSource;
using analysis::ui::RankTableWindow;
using runtime::Decimal;
using test::control;
using test::readBytes;
using test::RecordingDesktop;
using test::withoutComments;
using test::writeBytes;

namespace {

// Every district of the region with a value spread over the ranges (one of them 0 and one
// negative), a city and the region's own value.
RankTableSource regionSource(const QString &title)
{
    RankTableSource source;
    source.districtCodes = true;
    source.year = 2025;
    source.title = title;
    for (int d = 1; d <= IndicatorMap::districtCount; ++d) {
        const int units = d == 7 ? 0 : d == 9 ? -1500 : (d * 7919) % 30'000 + 500;
        source.lines.append(
            RankLine{u"Район %1"_s.arg(d), Decimal::fromUnits(units, 3), d, {}, {}});
    }
    source.lines.append(RankLine{u"Город"_s, Decimal(77), 201, {}, {}});
    source.lines.append(RankLine{u"Область"_s, *Decimal::fromString(u"14.5"), 250, {}, {}});
    return source;
}

void check(QWidget *window, QStringView equate, bool on)
{
    control<QCheckBox>(window, equate)->setChecked(on);
}

void choose(QWidget *window, const QString &group, int value)
{
    control<QRadioButton>(window, group + u':' + QString::number(value))->setChecked(true);
}

} // namespace

class TestMapWindow : public QObject
{
    Q_OBJECT

    test::ScriptedPrompter m_prompter;
    test::RecordingOffice m_office;
    RecordingDesktop m_desktop;
    shell::AppState m_state;

    shell::ui::Services services()
    {
        return {m_state, m_prompter, &m_office, nullptr, nullptr, &m_desktop};
    }

private Q_SLOTS:
    void init()
    {
        m_prompter.reset();
        m_desktop.opened.clear();
    }
    void everyOptionAgainstTheTable();
    void defaults();
    void cancelWritesNothing_data();
    void cancelWritesNothing();
    void unwritableDirectoryKeepsOldPage();
};

// All options on, the largest title, picture set 4 and ranges typed by hand: every district's
// layer shows the range the table shows, every value cell the table's value, the legend the
// table's bounds; the page names nothing outside "Images/" and loads no script.
void TestMapWindow::everyOptionAgainstTheTable()
{
    test::WorkDir work(true);
    data::DataContext context;
    const auto names = analysis::readDistrictNames(context);
    QVERIFY(names);

    RankTableWindow window(services(), regionSource(u"Охват <прививками> & осмотрами"_s));
    window.show();
    // Four ranges, one narrowed by hand so that some districts lie in none.
    auto *count = control<QSpinBox>(&window, u"?KOLDIAP");
    count->selectAll();
    QTest::keyClicks(count, u"4"_s);
    test::clickControl(&window, u"?RASH1");
    auto *upper = control<QLineEdit>(&window, u"?D2_2");
    upper->selectAll();
    QTest::keyClicks(upper, u"12,3456"_s);
    test::clickControl(&window, u"?RASHDIAP");
    const RankTable &table = window.table();
    QCOMPARE(table.rangeCount(), 4);
    QCOMPARE(table.upperBound(2), *Decimal::fromString(u"12.346"));

    bool answered = false;
    test::answerModals({[&](QWidget *w) {
        QCOMPARE(w->windowTitle(), u"Карта"_s);
        check(w, u"?T1", true);
        check(w, u"?T2", true);
        choose(w, u"?T3"_s, 3);
        check(w, u"?LEG", true);
        choose(w, u"?LEG1"_s, 4);
        check(w, u"?SRPOK", true);
        test::grabWindow(w, u"map-window"_s);
        answered = true;
        test::clickControl(w, u"?OKBUTTON");
    }});
    test::clickControl(&window, u"?KARTA");
    QVERIFY(answered);

    const QString path = runtime::fs::join(work.path(), u"index.html"_s);
    QCOMPARE(m_prompter.texts(), QStringList{u"счас запустится explorer"_s});
    QCOMPARE(m_desktop.opened, QStringList{path});
    const QString page = runtime::text::fromCp1251(readBytes(path));
    test::keepFile(path, u"map-index.html"_s);
    const QStringList lines = page.split(u"\r\n"_s);

    QVERIFY(lines.contains(u"<H3 align=center>Охват &lt;прививками&gt; &amp; осмотрами</H3>"_s));

    static const QRegularExpression layer(
        u"^<div id=\"Layer(\\d+)\" style=\"position:absolute;[^\"]*\"><img src=\"Images/4/(\\d)/"
        u"(\\d+)\\.gif\" width=\"90%\"></div>$"_s);
    static const QRegularExpression cell(
        u"^<TR><TD align=center><I><font Size=1>(.*)</FONT></I></TD><TD align=center><font "
        u"Size=1>(.*)</FONT></TD></TR>$"_s);
    QHash<int, int> layers;
    QStringList cells;
    for (const QString &line : lines) {
        if (const auto m = layer.match(line); m.hasMatch()) {
            QCOMPARE(m.captured(1), m.captured(3));
            layers.insert(m.captured(1).toInt(), m.captured(2).toInt());
        } else if (const auto c = cell.match(line); c.hasMatch()) {
            cells << c.captured(1) + u'=' + c.captured(2);
        }
    }
    QHash<int, int> expectedLayers;
    QStringList expectedCells;
    int outside = 0;
    for (int d = 1; d <= IndicatorMap::districtCount; ++d) {
        const auto row = std::find_if(table.rows().begin(), table.rows().end(),
                                      [d](const RankRow &r) { return r.codReg == d; });
        QVERIFY(row != table.rows().end());
        const bool positive = row->data() > Decimal();
        // A district in no range keeps its old number in the table but gets no layer.
        bool inRange = false;
        for (int r = 1; r <= table.rangeCount(); ++r)
            inRange = inRange || (table.lowerBound(r) <= row->data() &&
                                  row->data() <= table.upperBound(r) && r == row->range);
        if (positive && inRange)
            expectedLayers.insert(d, row->range);
        else if (positive)
            ++outside;
        expectedCells << IndicatorMap::escaped(names->value(d)) + u'=' +
                             (positive ? row->data().toString() : u"0"_s);
    }
    QCOMPARE(layers, expectedLayers);
    QVERIFY(outside > 0);
    QCOMPARE(cells, expectedCells);

    QStringList legend;
    for (int r = 1; r <= table.rangeCount(); ++r) {
        QVERIFY(lines.contains(u"   <img src=\"Images/4/%1/legend.gif\" width=\"20\">"_s.arg(r)));
        legend << u"    <B>%1</B> - <B>%2</B>"_s.arg(table.lowerBound(r).toString(),
                                                     table.upperBound(r).toString());
    }
    QCOMPARE(lines.filter(QRegularExpression(u"^    <B>"_s)), legend);
    QVERIFY(lines.contains(u"   Показатель по области <B> 14.5</B>"_s));

    static const QRegularExpression source(u"src=\"([^\"]*)\""_s);
    const QString visible = withoutComments(page);
    for (auto it = source.globalMatch(visible); it.hasNext();) {
        const QString src = it.next().captured(1);
        QVERIFY2(src.startsWith(u"Images/"_s) && !src.contains(u".."_s), qPrintable(src));
    }
    // No address outside the page's folder ("http-equiv" of the page's META line is no address).
    QVERIFY(!visible.contains(
        QRegularExpression(u"\\b(https?|ftp|file):"_s, QRegularExpression::CaseInsensitiveOption)));
    QVERIFY(!visible.contains(u"<script"_s, Qt::CaseInsensitive));
}

// The window as it opens: title on and small, legend on, picture set 1, the rest off.
void TestMapWindow::defaults()
{
    analysis::ui::MapWindow window;
    const analysis::MapOptions options = window.options();
    QVERIFY(!options.valueTable);
    QVERIFY(options.title);
    QCOMPARE(options.titleSize, 1);
    QVERIFY(options.legend);
    QCOMPARE(options.pictureSet, 1);
    QVERIFY(!options.regionValue);
    QCOMPARE(control<QGroupBox>(&window, u"?T3")->title(), u"шрифт"_s);
    QCOMPARE(control<QRadioButton>(&window, u"?T3:3")->text(), u"крупный"_s);
    QVERIFY(control<QRadioButton>(&window, u"?LEG1:7"));
}

void TestMapWindow::cancelWritesNothing_data()
{
    QTest::addColumn<bool>("closed");
    QTest::newRow("&Cancel") << false;
    QTest::newRow("the window closed") << true;
}

void TestMapWindow::cancelWritesNothing()
{
    QFETCH(bool, closed);
    test::WorkDir work;
    const QString path = runtime::fs::join(work.path(), u"index.html"_s);
    writeBytes(path, "old page\r\n");
    RankTableWindow window(services(), regionSource(u"Показатель"_s));
    window.show();
    test::answerModals({[&](QWidget *w) {
        check(w, u"?T1", true);
        if (closed)
            w->close();
        else
            test::clickControl(w, u"?CANCELBUTTON");
    }});
    test::clickControl(&window, u"?KARTA");
    QCOMPARE(readBytes(path), QByteArray("old page\r\n"));
    QCOMPARE(QDir(work.path()).entryList(QDir::Files), QStringList{u"index.html"_s});
    QVERIFY(m_prompter.messages.isEmpty());
    QVERIFY(m_desktop.opened.isEmpty());
}

// A working directory that cannot be written: the user is told, the old page stays as it was,
// nothing is left beside it and no browser is started.
void TestMapWindow::unwritableDirectoryKeepsOldPage()
{
    test::WorkDir work;
    const QString path = runtime::fs::join(work.path(), u"index.html"_s);
    writeBytes(path, "old page\r\n");
    RankTableWindow window(services(), regionSource(u"Показатель"_s));
    window.show();
    {
        test::PermissionsBind permissions;
        QVERIFY(permissions.binds());
        QVERIFY(QFile::setPermissions(work.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        test::answerModals({[&](QWidget *w) { test::clickControl(w, u"?OKBUTTON"); }});
        test::clickControl(&window, u"?KARTA");
        QVERIFY(QFile::setPermissions(
            work.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    }
    QCOMPARE(m_prompter.messages.size(), 1);
    QVERIFY2(m_prompter.lastText().startsWith(u"Карта не записана"_s),
             qPrintable(m_prompter.lastText()));
    QVERIFY(!m_prompter.texts().contains(u"счас запустится explorer"_s));
    QVERIFY(m_desktop.opened.isEmpty());
    QCOMPARE(readBytes(path), QByteArray("old page\r\n"));
    QCOMPARE(QDir(work.path()).entryList(QDir::Files), QStringList{u"index.html"_s});
}

QTEST_MAIN(TestMapWindow)
#include "test_mapwindow.moc"
