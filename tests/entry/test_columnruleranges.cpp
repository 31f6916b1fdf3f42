// A column rule that names a column outside its table is handled one way by everything that uses
// column rules: the whole-report check names it ("ИСПРАВТЕ КОНТРОЛЬ " and its id) and skips it,
// the on-line row check skips it, and a calculation of it computes nothing. A rule within its
// table is evaluated and computed by all three.

#include "entry/ReportControlCheck.h"
#include "entry/ResolvedRules.h"
#include "entry/RowOnlineCheck.h"
#include "entry/TableCalculations.h"

#include <QTest>

using namespace zemor::entry;
using zemor::runtime::Decimal;
using namespace Qt::StringLiterals;

namespace {

// Table 100 holds stored columns 3 to 6 (offset 2, four value columns).
const TableEntry table{100, 2, 4};
constexpr qint64 form = 5;
constexpr qint64 ruleId = 9;

ColumnRule rule(int left, const QList<int> &terms)
{
    ColumnRule r;
    r.id = ruleId;
    r.table = table.code;
    r.rowCode = u"0"_s;
    r.left = left;
    r.relation = 1;
    r.terms = terms;
    return r;
}

// Values 1, 2, 3, 100: stored column 5 (value 3) is 3, columns 3 - 4 (values 1 - 2) give -1.
std::array<Decimal, valueCount> values()
{
    std::array<Decimal, valueCount> v{};
    v[0] = Decimal(1);
    v[1] = Decimal(2);
    v[2] = Decimal(3);
    v[3] = Decimal(100);
    return v;
}

} // namespace

class TestColumnRuleRanges : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void oneWayEverywhere_data();
    void oneWayEverywhere();
};

void TestColumnRuleRanges::oneWayEverywhere_data()
{
    QTest::addColumn<int>("left");
    QTest::addColumn<QList<int>>("terms");
    QTest::addColumn<bool>("inRange");

    QTest::newRow("within the table") << 5 << QList<int>{3, -4} << true;
    QTest::newRow("left before the table") << 2 << QList<int>{3, -4} << false;
    QTest::newRow("left after the table") << 7 << QList<int>{3, -4} << false;
    QTest::newRow("term after the table") << 5 << QList<int>{3, -4, 40} << false;
    QTest::newRow("subtracted term before the table") << 5 << QList<int>{3, -1} << false;
    QTest::newRow("term at the offset") << 5 << QList<int>{2} << false;
}

void TestColumnRuleRanges::oneWayEverywhere()
{
    QFETCH(int, left);
    QFETCH(QList<int>, terms);
    QFETCH(bool, inRange);
    const ColumnRule r = rule(left, terms);

    QCOMPARE(resolveColumnRule(r, table).has_value(), inRange);

    // The whole-report check.
    ReportRow stored;
    stored.rowId = 1;
    stored.table = table.code;
    stored.values = values();
    RowCatalogue catalogue;
    catalogue.add({1, table.code, u"1"_s, 1});
    FormRules rules;
    rules.columnRules = {r};
    ReportControlCheck check;
    const auto failures = check.check(form, {stored}, {table}, rules, catalogue);
    QVERIFY(failures);
    QCOMPARE(failures->size(), inRange ? 1 : 0);
    QCOMPARE(check.diagnostics(), inRange ? QStringList() : QStringList{u"ИСПРАВТЕ КОНТРОЛЬ 9"_s});

    // The on-line row check.
    EntryRow row;
    row.rowId = 1;
    row.code = u"1"_s;
    row.number = 1;
    row.values = values();
    const RowOnlineCheck::Outcome online = RowOnlineCheck::check(row, {r}, table, false);
    QCOMPARE(online.failed, inRange);
    QCOMPARE(online.flags[2].isEmpty(), !inRange);

    // The calculation: value 3 := the terms, or left as it was.
    QList<CalcRule> calc =
        TableCalculations::resolve({RashLine{form, table.code, CalcRule::Column, ruleId}}, form,
                                   table, {{ruleId, r}}, {}, catalogue);
    QCOMPARE(calc.size(), 1);
    QList<EntryRow> rows{row};
    QVERIFY(TableCalculations::calculateTotals(calc, rows, table));
    QCOMPARE(rows[0].value(3), inRange ? Decimal(-1) : Decimal(3));
    QCOMPARE(rows[0].value(4), Decimal(100));
}

QTEST_GUILESS_MAIN(TestColumnRuleRanges)
#include "test_columnruleranges.moc"
