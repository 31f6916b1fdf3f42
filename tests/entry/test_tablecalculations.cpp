#include "entry/TableCalculations.h"
#include "support/ScriptedPrompter.h"

#include <QTest>

using namespace zemor::entry;
using zemor::runtime::Decimal;
using namespace Qt::StringLiterals;

namespace {

constexpr qint64 form = 342;
const TableEntry table100{100, 0, 4};

RowCatalogue catalogue()
{
    RowCatalogue c;
    c.add({10, 100, u"1"_s, 1}); // total
    c.add({11, 100, u"1.1"_s, 2});
    c.add({13, 100, u"1.2"_s, 3});
    c.add({14, 100, u"1.3"_s, 4});
    c.add({20, 200, u"1"_s, 2}); // another table, same position as row 11
    return c;
}

QList<EntryRow> rows(int count)
{
    QList<EntryRow> result;
    for (int i = 1; i <= count; ++i) {
        EntryRow r;
        r.number = i;
        r.code = QString::number(i);
        for (int n = 1; n <= 4; ++n)
            r.values[size_t(n - 1)] = Decimal(i * 10 + n);
        result.append(r);
    }
    return result;
}

} // namespace

class TestTableCalculations : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parseLines();
    void resolveRules();
    void columnThenRowInOnePass();
    void sumTooLargeLeavesCell();
};

void TestTableCalculations::parseLines()
{
    const QList<QByteArray> lines{"0342 00100 g00017",
                                  "342  100   s    5",
                                  "",
                                  "0342 00100 x00001",
                                  "0342 00100",
                                  "03a2 00100 g00001",
                                  "0342 00100 g",
                                  "0342 00100 g00003 tail beyond the id"};
    const QList<RashLine> parsed = TableCalculations::parseRashLines(lines);
    QCOMPARE(parsed.size(), 4);
    QCOMPARE(parsed[0].form, form);
    QCOMPARE(parsed[0].table, qint64(100));
    QCOMPARE(parsed[0].kind, int(CalcRule::Column));
    QCOMPARE(parsed[0].ruleId, qint64(17));
    QCOMPARE(parsed[1].kind, int(CalcRule::Row));
    QCOMPARE(parsed[1].ruleId, qint64(5));
    QCOMPARE(parsed[2].ruleId, qint64(0)); // no id: stays unresolved later
    QCOMPARE(parsed[3].ruleId, qint64(3));
}

void TestTableCalculations::resolveRules()
{
    QHash<qint64, ColumnRule> columnRules;
    ColumnRule c;
    c.left = 5; // offset 2: value 3
    c.terms = {3, -4, 40};
    columnRules.insert(17, c);
    QHash<qint64, RowRule> rowRules;
    rowRules.insert(5, RowRule{5, 0, 10, 1, {11, -20, 13, 12, 14}}); // 20: other table; 12 missing
    rowRules.insert(6, RowRule{6, 0, 20, 1, {11}});                  // left row in another table

    const QList<RashLine> lines{
        {form, 100, CalcRule::Row, 5},     {form, 100, CalcRule::Column, 17},
        {form, 100, CalcRule::Row, 6},     {form, 100, CalcRule::Row, 7},
        {form, 999, CalcRule::Column, 17}, {99, 100, CalcRule::Column, 17}};
    zemor::test::ScriptedPrompter prompter;
    const TableEntry table{100, 2, 4};
    const QList<CalcRule> rules = TableCalculations::resolve(lines, form, table, columnRules,
                                                             rowRules, catalogue(), &prompter);
    QCOMPARE(prompter.texts(), QStringList{u"Нет строкового контроля 7"_s});
    QCOMPARE(rules.size(), 4);
    // Sorted by kind, then target (unresolved first).
    QCOMPARE(rules[0].kind, int(CalcRule::Column));
    // Column 40 is outside the table: the rule is faulty and computes nothing, as the checks
    // never evaluate it.
    QCOMPARE(rules[0].target, 0);
    QVERIFY(rules[0].addends.isEmpty());
    QCOMPARE(rules[1].target, 0);
    QCOMPARE(rules[2].target, 0);
    QCOMPARE(rules[3].target, 1);
    QCOMPARE(rules[3].addends, (QList<int>{2, 3})); // stops at the missing row 12
    QCOMPARE(rules[3].lineNumber, 1);
}

void TestTableCalculations::columnThenRowInOnePass()
{
    // Row 1 := rows 2 + 3 - 4 over every value column; value 3 := value 1 + value 2 in every row.
    QList<CalcRule> rules{CalcRule{CalcRule::Row, 1, {2, 3, -4}, 5, 1},
                          CalcRule{CalcRule::Column, 3, {1, 2}, 17, 1},
                          CalcRule{CalcRule::Column, 0, {1}, 18, 2}};
    QList<EntryRow> entry = rows(20);
    QVERIFY(TableCalculations::calculateTotals(rules, entry, table100));
    for (int i = 2; i <= 20; ++i)
        QCOMPARE(entry[i - 1].value(3), Decimal((i * 10 + 1) + (i * 10 + 2)));
    // The total row sees the computed column 3 of rows 2..4.
    QCOMPARE(entry[0].value(1), Decimal(21 + 31 - 41));
    QCOMPARE(entry[0].value(3), Decimal((21 + 22) + (31 + 32) - (41 + 42)));
    QCOMPARE(entry[0].value(4), Decimal(24 + 34 - 44));

    // Twice is the same as once.
    const QList<EntryRow> once = entry;
    QVERIFY(TableCalculations::calculateTotals(rules, entry, table100));
    for (int i = 0; i < entry.size(); ++i)
        QVERIFY(entry[i].values == once[i].values);
}

void TestTableCalculations::sumTooLargeLeavesCell()
{
    QList<EntryRow> entry = rows(2);
    const Decimal big = *Decimal::fromString(u"99999999999999.999"_s);
    entry[0].values[0] = big;
    entry[0].values[1] = big;
    QList<CalcRule> rules{CalcRule{CalcRule::Column, 3, {1, 2}, 17, 1}};
    const auto status = TableCalculations::calculateTotals(rules, entry, table100);
    QVERIFY(!status);
    QCOMPARE(status.error().code, zemor::runtime::ErrorCode::Overflow);
    QCOMPARE(entry[0].value(3), Decimal(13));      // unchanged
    QCOMPARE(entry[1].value(3), Decimal(21 + 22)); // the other rows are computed
}

QTEST_GUILESS_MAIN(TestTableCalculations)
#include "test_tablecalculations.moc"
