// The summary by table: the column kinds by key and by selection, exact sums and the sum that
// does not fit, the zero code, cancelling, the table shown with its format placed by column
// number, filled rows only, and the column controls.

#include "analysis/Summary.h"
#include "analysis/SummaryFixture.h"
#include "data/DataContext.h"
#include "entry/EntryFixture.h"
#include "entry/FormCatalogue.h"
#include "entry/ReportReader.h"
#include "tools/DemoSummaries.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using zemor::analysis::ColumnKinds;
using zemor::analysis::SelectedReport;
using zemor::analysis::Summary;
using zemor::analysis::SummaryCalculation;
using zemor::analysis::SummaryRequest;
using zemor::analysis::SummaryTableRow;
using zemor::analysis::SummaryTables;
using zemor::runtime::Decimal;
using zemor::tools::DemoSummaries;

namespace {

constexpr int year = 2025;

Decimal dec(const char *text)
{
    return *Decimal::fromString(QString::fromLatin1(text));
}

Decimal thousandths(qint64 units)
{
    return Decimal::fromUnits(units, 3);
}

SummaryRequest request(int form, int district, qint32 from, qint32 to,
                       QList<SelectedReport> selection = {}, bool ignoreKinds = false)
{
    SummaryRequest r;
    r.year = year;
    r.form.code = form;
    r.form.periodKind = 1;
    r.district = district;
    r.from = from;
    r.to = to;
    r.selection = std::move(selection);
    r.ignoreColumnKinds = ignoreKinds;
    return r;
}

zemor::runtime::Result<Summary> sum(const SummaryRequest &r,
                                    zemor::runtime::Progress *progress = nullptr)
{
    zemor::data::DataContext ctx;
    auto catalogue = zemor::entry::FormCatalogue::read(ctx, r.year, r.form.code);
    if (!catalogue)
        return std::unexpected(catalogue.error());
    const ColumnKinds kinds = ColumnKinds::load(*catalogue, r.ignoreColumnKinds);
    return SummaryCalculation::sumReports(ctx, r, kinds, progress);
}

} // namespace

Q_DECLARE_METATYPE(SummaryRequest)

class TestSummary : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void columnKinds_data();
    void columnKinds();
    void exactSums();
    void zeroCodeAndCancel();
    void manyReportsInOnePeriod();
    void tableAndFormat();
    void formatByColumnNumber();
    void filledRows();
    void controls_data();
    void controls();

private:
    QTemporaryDir m_dir;
};

void TestSummary::initTestCase()
{
    const QString failed = zemor::test::buildDemoWorkDir(m_dir);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    // Form 92: two reports at the largest stored value; form 93: 101 of them, whose sum needs
    // 17 integer digits; form 94: a report of institution 0.
    QList<zemor::test::StoredRow> two, many;
    for (int i = 0; i < 101; ++i) {
        zemor::test::StoredRow row{1000 + i, 1, 1, 1, 1000, {{1, "99999999999999.999"}}};
        if (i < 2)
            two.append(row);
        many.append(row);
    }
    QString stored = zemor::test::storeRows(year, 92, two);
    QVERIFY2(stored.isEmpty(), qPrintable(stored));
    stored = zemor::test::storeRows(year, 93, many);
    QVERIFY2(stored.isEmpty(), qPrintable(stored));
    stored = zemor::test::storeRows(
        year, 94, {{0, 1, 1, 1, 1000, {{1, "2.5"}}}, {101, 1, 1, 1, 1000, {{1, "1"}}}});
    QVERIFY2(stored.isEmpty(), qPrintable(stored));
}

void TestSummary::columnKinds_data()
{
    QTest::addColumn<SummaryRequest>("req");
    QTest::addColumn<QList<qint64>>("expected"); // row 1, columns 1..4, thousandths

    const auto v = [](int inst, int month, int column) {
        return DemoSummaries::value(inst, month, 1, column);
    };
    const int f = DemoSummaries::monthlyForm;
    auto plain = [&](QList<std::pair<int, int>> reports) {
        qint64 s = 0;
        for (auto [inst, m] : reports)
            s += v(inst, m, 4);
        return s;
    };
    const QList<std::pair<int, int>> bothFourToSix{{101, 4}, {101, 5}, {101, 6},
                                                   {102, 4}, {102, 5}, {102, 6}};

    // By key, months 4..6 of district 1: kind 1 takes month 1 although it lies outside.
    QTest::newRow("by key") << request(f, 1, 4, 6)
                            << QList<qint64>{v(101, 1, 1) + v(102, 1, 1),
                                             v(101, 4, 2) + v(102, 4, 2),
                                             v(101, 6, 3) + v(102, 6, 3), plain(bothFourToSix)};
    // The same reports marked: month 1 is not among them, so kind 1 stays 0.
    QList<SelectedReport> marked;
    for (auto [inst, m] : bothFourToSix)
        marked.append({inst, m});
    QTest::newRow("by selection") << request(f, 0, 1, 12, marked)
                                  << QList<qint64>{0, v(101, 4, 2) + v(102, 4, 2),
                                                   v(101, 6, 3) + v(102, 6, 3),
                                                   plain(bothFourToSix)};
    // Marked months 1, 4 and 6 of 101: F and T are the smallest and largest marked.
    QTest::newRow("selection with month 1")
        << request(f, 0, 1, 12, {{101, 1}, {101, 4}, {101, 6}})
        << QList<qint64>{v(101, 1, 1), v(101, 1, 2), v(101, 6, 3),
                         plain({{101, 1}, {101, 4}, {101, 6}})};
    // Without the column kinds every column is a plain sum over "from".."to".
    qint64 c1 = 0, c2 = 0, c3 = 0;
    for (auto [inst, m] : bothFourToSix) {
        c1 += v(inst, m, 1);
        c2 += v(inst, m, 2);
        c3 += v(inst, m, 3);
    }
    QTest::newRow("без учета типа граф")
        << request(f, 1, 4, 6, {}, true) << QList<qint64>{c1, c2, c3, plain(bothFourToSix)};
    // District 6 is its stored summary, pseudo-institution 21006.
    QTest::newRow("pseudo-institution")
        << request(f, 6, 1, 3)
        << QList<qint64>{v(21006, 1, 1), v(21006, 1, 2), v(21006, 3, 3),
                         plain({{21006, 1}, {21006, 2}, {21006, 3}})};
}

void TestSummary::columnKinds()
{
    QFETCH(SummaryRequest, req);
    QFETCH(QList<qint64>, expected);
    const auto summary = sum(req);
    QVERIFY2(summary, qPrintable(summary ? QString() : summary.error().message));
    QVERIFY(!summary->zeroCode);
    const auto *row = summary->row(1);
    QVERIFY(row);
    QCOMPARE(row->table, 1000);
    for (int c = 1; c <= 4; ++c)
        QCOMPARE(row->value(c), thousandths(expected[c - 1]));
    // Row 1.1 holds half of every value.
    const auto *half = summary->row(2);
    QVERIFY(half);
    for (int c = 1; c <= 4; ++c)
        QCOMPARE(half->value(c), thousandths(expected[c - 1] / 2));
}

void TestSummary::exactSums()
{
    auto summary = sum(request(92, 0, 1, 1));
    QVERIFY(summary);
    QCOMPARE(summary->row(1)->value(1).toString(), u"199999999999999.998"_s);

    summary = sum(request(93, 0, 1, 1));
    QVERIFY(!summary);
    QCOMPARE(summary.error().code, zemor::runtime::ErrorCode::Overflow);
    QVERIFY2(summary.error().message.contains(u"графа 1"_s), qPrintable(summary.error().message));
}

void TestSummary::zeroCodeAndCancel()
{
    const auto summary = sum(request(94, 0, 1, 1));
    QVERIFY(summary);
    QVERIFY(summary->zeroCode);
    QCOMPARE(summary->row(1)->value(1), dec("3.5"));
    QCOMPARE(Summary::zeroCodeText(), u"Нулевой код в базе"_s);

    zemor::test::StoppingProgress stop(3);
    const auto cancelled = sum(request(DemoSummaries::monthlyForm, 0, 1, 12), &stop);
    QVERIFY(!cancelled);
    QCOMPARE(cancelled.error().code, zemor::runtime::ErrorCode::Cancelled);
    zemor::test::StoppingProgress stopSelection(1);
    const auto cancelledSelection =
        sum(request(DemoSummaries::monthlyForm, 0, 1, 12, {{101, 1}, {101, 2}}), &stopSelection);
    QVERIFY(!cancelledSelection);
    QCOMPARE(cancelledSelection.error().code, zemor::runtime::ErrorCode::Cancelled);
}

void TestSummary::manyReportsInOnePeriod()
{
    // 30 reports of 200 rows in one period, more than one read holds: every report comes once
    // and whole, in key order, and the sums take every row.
    QList<zemor::test::StoredRow> rows;
    for (int inst = 1; inst <= 30; ++inst) {
        for (int row = 1; row <= 200; ++row)
            rows.append({5000 + inst, 2, 3, row, 1000, {{1, "1"}, {2, "0.5"}}});
    }
    const QString stored = zemor::test::storeRows(year, 95, rows);
    QVERIFY2(stored.isEmpty(), qPrintable(stored));

    zemor::data::DataContext ctx;
    QList<qint32> seen;
    const auto read = zemor::entry::ReportReader(ctx).reports(
        {year, 95, 1, 5, {}}, [&](const zemor::entry::StoredReport &r) -> zemor::runtime::Status {
            seen.append(r.institution);
            if (r.rows.size() != 200 || r.period != 3)
                return zemor::runtime::fail(zemor::runtime::ErrorCode::InvalidData);
            return {};
        });
    QVERIFY(read);
    QCOMPARE(seen.size(), 30);
    QVERIFY(std::is_sorted(seen.begin(), seen.end()));
    QCOMPARE(seen.first(), 5001);

    const auto summary = sum(request(95, 2, 1, 5));
    QVERIFY(summary);
    QCOMPARE(summary->rows.size(), 200);
    for (const auto &row : summary->rows) {
        QCOMPARE(row.value(1), Decimal(30));
        QCOMPARE(row.value(2), dec("15"));
    }
}

void TestSummary::tableAndFormat()
{
    zemor::data::DataContext ctx;
    const auto catalogue = zemor::entry::FormCatalogue::read(ctx, year, DemoSummaries::monthlyForm);
    QVERIFY(catalogue);
    const auto summary = sum(request(DemoSummaries::monthlyForm, 1, 4, 6));
    QVERIFY(summary);
    const auto *table = catalogue->table(1000);
    QVERIFY(table);
    const auto stored = SummaryTables::storedFormat(year, table->id);
    QVERIFY(stored);
    QVERIFY(stored->isEmpty()); // the demo stores no list formats
    const auto shown =
        SummaryTables::load(*catalogue, *table, *summary, false, false, *stored, nullptr);
    QCOMPARE(shown.rows.size(), 2);
    QCOMPARE(shown.rows[0].code, u"1"_s);
    QCOMPARE(shown.rows[1].values[3], summary->row(2)->value(4));
    QVERIFY(!shown.storedFormat);
    QVERIFY(shown.format.contains(u"~L@n_12@E(,0FFFFD7H,,)"_s));
    QVERIFY(shown.format.contains(u"~L@n_12@E(,0DBFFDBH,,)"_s));
    QVERIFY(shown.format.endsWith(u"43R|_M~4Поступило пацие~L@n_12@"_s));
    // Without kinds no column is coloured; a stored format is taken as it stands.
    const auto plain =
        SummaryTables::load(*catalogue, *table, *summary, false, true, u"  "_s, nullptr);
    QVERIFY(!plain.format.contains(u"@E(,0"_s));
    const auto own =
        SummaryTables::load(*catalogue, *table, *summary, false, false, u"20L|M~x~@s5@"_s, nullptr);
    QCOMPARE(own.format, u"20L|M~x~@s5@"_s);
    QVERIFY(own.storedFormat);
    QCOMPARE(own.builtFormat, shown.format); // for a stored text that does not read
    // A table without rows says so.
    zemor::entry::FormTable none = *table;
    none.code = 4242;
    const auto empty =
        SummaryTables::load(*catalogue, none, *summary, false, false, QString(), nullptr);
    QVERIFY(empty.rows.isEmpty());
    QCOMPARE(empty.messages, QStringList{zemor::analysis::SummaryTable::noRowsText()});
}

void TestSummary::formatByColumnNumber()
{
    // Stored columns 1, 2 and 4 of a table of four value columns: the fourth heading stays over
    // value 4, and value 3 gets a blank heading.
    zemor::entry::FormTable table;
    table.code = 1000;
    table.columns = 4;
    QList<zemor::entry::FormColumn> columns;
    for (int c : {1, 2, 4})
        columns.append({c, u"Графа"_s, u"гр"_s + QString::number(c), QString(), 0, 0, 0});
    const QString format = SummaryTables::buildFormat(table, columns, false, false);
    QCOMPARE(format, u"16L|FM~Nстроки~@s9@7L(1)|F~Ош.~L(0)@s1@E(0FFH,,,)"
                     u"7L|F_M~ ~@S15@7C|F_M~ ~@S1@"
                     u"43C|_M~1гр1~L@n_12@43C|_M~2гр2~L@n_12@43C|_M~~L@n_12@43R|_M~4гр4~L@n_12@"_s);
    // A name column and codes in the rows: the name, then the code column.
    columns.prepend({0, u"Наименование"_s, u"Наименование"_s, QString(), 0, 0, 1});
    table.offset = 0;
    const QString named = SummaryTables::buildFormat(table, columns, false, true);
    QVERIFY(named.contains(u"80L|F_M~Наименование~@S150@E(,0E6FFFFH,,)35L|F_M~ ~@S30@43C"_s));
}

void TestSummary::filledRows()
{
    zemor::analysis::SummaryTable table;
    SummaryTableRow plusMinus;
    plusMinus.rowId = 1;
    plusMinus.values[0] = 5;
    plusMinus.values[1] = -5;
    SummaryTableRow zero;
    zero.rowId = 2;
    table.rows = {plusMinus, zero};
    table.keepFilledRows();
    QCOMPARE(table.rows.size(), 1);
    QCOMPARE(table.rows[0].rowId, 1);
}

void TestSummary::controls_data()
{
    QTest::addColumn<int>("relation");
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("right1");
    QTest::addColumn<QString>("right2");
    QTest::addColumn<bool>("passes");
    // Rule: column 1 against column 2 + column 3.
    QTest::newRow("6: zero against non-zero fails") << 6 << u"0"_s << u"5"_s << u"0"_s << false;
    QTest::newRow("6: zero against zero") << 6 << u"0"_s << u"5"_s << u"-5"_s << true;
    QTest::newRow("6: non-zero left") << 6 << u"3"_s << u"5"_s << u"0"_s << true;
    QTest::newRow("1: exact decimals") << 1 << u"30.3"_s << u"10.1"_s << u"20.2"_s << true;
    QTest::newRow("1: off by a thousandth") << 1 << u"30.301"_s << u"10.1"_s << u"20.2"_s << false;
    QTest::newRow("3: beyond a double")
        << 3 << u"9999999999999999.998"_s << u"9999999999999999.999"_s << u"0"_s << false;
    QTest::newRow("5") << 5 << u"1"_s << u"0.5"_s << u"0.5"_s << true;
}

void TestSummary::controls()
{
    QFETCH(int, relation);
    QFETCH(QString, left);
    QFETCH(QString, right1);
    QFETCH(QString, right2);
    QFETCH(bool, passes);
    zemor::data::DataContext ctx;
    const auto catalogue = zemor::entry::FormCatalogue::read(ctx, year, DemoSummaries::monthlyForm);
    QVERIFY(catalogue);
    zemor::entry::FormRules rules;
    zemor::entry::ColumnRule rule;
    rule.id = 1;
    rule.table = 1000;
    rule.rowCode = u"0"_s;
    rule.left = 1;
    rule.relation = relation;
    rule.terms = {2, 3};
    rules.columnRules.append(rule);
    const auto resolved = zemor::entry::ResolvedRules::resolve(*catalogue, rules);
    SummaryTableRow row;
    row.rowId = 1;
    row.values[0] = *Decimal::fromString(left);
    row.values[1] = *Decimal::fromString(right1);
    row.values[2] = *Decimal::fromString(right2);
    QCOMPARE(SummaryTables::checkControls(row, resolved, 1000), passes);
    QCOMPARE(row.error, passes ? QString() : u"?"_s);
}

QTEST_GUILESS_MAIN(TestSummary)
#include "test_summary.moc"
