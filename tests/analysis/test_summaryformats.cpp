// The list formats the summaries hand to their windows read as list formats, with the columns
// where the lists put their values, and the summary window's title.

#include "analysis/ReportList.h"
#include "analysis/Summary.h"
#include "runtime/ui/ListFormat.h"

#include <QTest>

using namespace Qt::StringLiterals;
using zemor::analysis::ReportList;
using zemor::analysis::SummaryTables;
using zemor::runtime::ui::ListFormat;

class TestSummaryFormats : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void formatsParse_data();
    void formatsParse();
    void windowTitle_data();
    void windowTitle();
};

void TestSummaryFormats::formatsParse_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("columns");
    QTest::newRow("report list") << ReportList::listFormat(1) << 9;
    QTest::newRow("report list, daily") << ReportList::listFormat(5) << 9;
    QTest::newRow("table choice") << SummaryTables::choiceFormat() << 2;

    zemor::entry::FormTable table;
    table.code = 1000;
    table.columns = 4;
    QList<zemor::entry::FormColumn> columns;
    for (int c : {1, 2, 4})
        columns.append({c, u"Графа"_s, u"гр"_s + QString::number(c), QString(), 0, c, 0});
    QTest::newRow("summary, no name column")
        << SummaryTables::buildFormat(table, columns, false, false) << 4 + 4;
    columns.prepend({0, u"Наименование"_s, u"Наименование"_s, QString(), 0, 0, 1});
    columns[2].picture = u"@n_10.2"_s;
    QTest::newRow("summary, name and codes")
        << SummaryTables::buildFormat(table, columns, true, true) << 4 + 4;
}

void TestSummaryFormats::formatsParse()
{
    QFETCH(QString, format);
    QFETCH(int, columns);
    const auto parsed = ListFormat::parse(format);
    QVERIFY2(parsed, qPrintable(parsed ? QString() : parsed.error().message));
    QCOMPARE(parsed->columnCount(), columns);
}

void TestSummaryFormats::windowTitle_data()
{
    QTest::addColumn<QString>("designation");
    QTest::addColumn<QString>("title");
    QTest::newRow("the code's own number") << u"12"_s << u"12 Форма"_s;
    QTest::newRow("blank") << u"   "_s << u"12 Форма"_s;
    QTest::newRow("another text") << u"12-мес  "_s << u"12(12-мес) Форма"_s;
}

void TestSummaryFormats::windowTitle()
{
    QFETCH(QString, designation);
    QFETCH(QString, title);
    QCOMPARE(SummaryTables::windowTitle({12, designation, u"Форма  "_s, QString(), 1}), title);
}

QTEST_GUILESS_MAIN(TestSummaryFormats)
#include "test_summaryformats.moc"
