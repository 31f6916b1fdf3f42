#include "entry/RowOnlineCheck.h"
#include "support/ScriptedPrompter.h"

#include <QTest>

using namespace zemor::entry;
using zemor::runtime::Decimal;
using namespace Qt::StringLiterals;

namespace {

EntryRow entryRow(const QString &code, const QString &values)
{
    EntryRow r;
    r.code = code;
    const QStringList parts = values.split(u',');
    for (int i = 0; i < parts.size(); ++i)
        r.values[size_t(i)] = *Decimal::fromString(parts[i]);
    return r;
}

ColumnRule rule(const QString &code, int left, int relation, QList<int> terms)
{
    ColumnRule r;
    r.rowCode = code;
    r.left = left;
    r.relation = relation;
    r.terms = terms;
    return r;
}

} // namespace

class TestRowOnlineCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void relations_data();
    void relations();
    void failureTextAndFlags();
    void silentLoadSwitchesControlOn();
    void longTextIsCut();
    void columnsOutsideTableAreNotRead();
};

void TestRowOnlineCheck::relations_data()
{
    QTest::addColumn<QString>("rowCode");
    QTest::addColumn<QString>("ruleCode");
    QTest::addColumn<int>("relation");
    QTest::addColumn<QList<int>>("terms");
    QTest::addColumn<QString>("values");
    QTest::addColumn<bool>("fails");

    const QList<int> sum{1, 2};
    QTest::newRow("= fails") << u"1"_s << u"0"_s << 1 << sum << u"5,7,11"_s << true;
    QTest::newRow("negative term holds")
        << u"1"_s << u"0"_s << 1 << QList<int>{1, -2} << u"5,7,-2"_s << false;
    QTest::newRow("0.1 + 0.2 = 0.3") << u"1"_s << u""_s << 1 << sum << u"0.1,0.2,0.3"_s << false;
    QTest::newRow("0.1 + 0.2 >= 0.3") << u"1"_s << u""_s << 3 << sum << u"0.1,0.2,0.3"_s << false;
    QTest::newRow("> equal fails") << u"1"_s << u"0"_s << 2 << sum << u"1,1,2"_s << true;
    QTest::newRow("< holds") << u"1"_s << u"0"_s << 4 << sum << u"1,1,1.999"_s << false;
    QTest::newRow("<= fails") << u"1"_s << u"0"_s << 5 << sum << u"1,1,2.001"_s << true;
    QTest::newRow("6 never fails here") << u"1"_s << u"0"_s << 6 << sum << u"1,1,0"_s << false;
    QTest::newRow("9 never fails") << u"1"_s << u"0"_s << 9 << sum << u"1,1,0"_s << false;
    QTest::newRow("own row code") << u"12 "_s << u"12"_s << 1 << sum << u"5,7,11"_s << true;
    QTest::newRow("other row code") << u"1"_s << u"12"_s << 1 << sum << u"5,7,11"_s << false;
    QTest::newRow("largest values exact")
        << u"1"_s << u"0"_s << 1 << sum << u"99999999999999.998,0.001,99999999999999.998"_s << true;
}

void TestRowOnlineCheck::relations()
{
    QFETCH(QString, rowCode);
    QFETCH(QString, ruleCode);
    QFETCH(int, relation);
    QFETCH(QList<int>, terms);
    QFETCH(QString, values);
    QFETCH(bool, fails);

    EntryRow row = entryRow(rowCode, values);
    const auto out = RowOnlineCheck::check(row, {rule(ruleCode, 3, relation, terms)},
                                           TableEntry{100, 0, 5}, false);
    QCOMPARE(out.failed, fails);
    QCOMPARE(row.error, fails ? u"?"_s : u" "_s);
    QCOMPARE(out.message.isEmpty(), !fails);
}

void TestRowOnlineCheck::failureTextAndFlags()
{
    // Offset 2: stored columns 3..7 are values 1..5.
    EntryRow row = entryRow(u"1"_s, u"5,7,11"_s);
    zemor::test::ScriptedPrompter prompter;
    const auto out = RowOnlineCheck::check(row, {rule(u"0"_s, 5, 1, {3, 4})}, TableEntry{100, 2, 5},
                                           false, &prompter);
    QCOMPARE(out.failureText, u"|гр5(11)= (12)гр3+гр4"_s);
    QCOMPARE(out.message, u"Не выполнено условие||гр5(11)= (12)гр3+гр4"_s);
    QCOMPARE(prompter.texts(), QStringList{out.message});
    QCOMPARE(out.flags[2], u"?= 12"_s);
    QCOMPARE(out.flags[0], u"?"_s);
    QCOMPARE(out.flags[1], u"?"_s);
    QVERIFY(out.flags[3].isEmpty());

    EntryRow negative = entryRow(u"1"_s, u"5,7,0"_s);
    const auto neg = RowOnlineCheck::check(negative, {rule(u"0"_s, 3, 1, {1, -2})},
                                           TableEntry{100, 0, 5}, false);
    QCOMPARE(neg.failureText, u"|гр3(0)= (-2)гр1+гр-2"_s);

    // A row that was marked is cleared when it holds again.
    row.values[2] = *Decimal::fromString(u"12"_s);
    const auto again =
        RowOnlineCheck::check(row, {rule(u"0"_s, 5, 1, {3, 4})}, TableEntry{100, 2, 5}, false);
    QVERIFY(!again.failed);
    QCOMPARE(row.error, u" "_s);
}

void TestRowOnlineCheck::silentLoadSwitchesControlOn()
{
    EntryRow zeros = entryRow(u"1"_s, u"0"_s);
    const QList<ColumnRule> sums{rule(u"0"_s, 3, 1, {1, 2}), rule(u"0"_s, 3, 3, {1})};
    zemor::test::ScriptedPrompter prompter;
    auto out = RowOnlineCheck::check(zeros, sums, TableEntry{100, 0, 5}, true, &prompter);
    QVERIFY(!out.switchControlOn);

    // Column 1 > column 2 fails on zeros: the load turns the control on and shows nothing.
    out = RowOnlineCheck::check(zeros, {rule(u"0"_s, 1, 2, {2})}, TableEntry{100, 0, 5}, true,
                                &prompter);
    QVERIFY(out.switchControlOn);
    QCOMPARE(zeros.error, u"?"_s);
    QVERIFY(out.message.isEmpty());
    QVERIFY(prompter.messages.isEmpty());
}

void TestRowOnlineCheck::longTextIsCut()
{
    EntryRow row = entryRow(u"1"_s, u"1,2,3,4,5"_s);
    QList<ColumnRule> rules;
    for (int left = 1; left <= 5; ++left)
        rules.append(rule(u"0"_s, left, 1, {1, 2, 3, 4, 5}));
    const auto out = RowOnlineCheck::check(row, rules, TableEntry{100, 0, 5}, false);
    QCOMPARE(out.failureText.size(), RowOnlineCheck::failureTextLength);
    QVERIFY(out.failureText.startsWith(u"|гр1(1)= (15)гр1+гр2+гр3+гр4+гр5|гр2(2)= (15)"_s));

    // At most as many terms are written as the table has columns.
    EntryRow small = entryRow(u"1"_s, u"1,1"_s);
    const auto two =
        RowOnlineCheck::check(small, {rule(u"0"_s, 1, 2, {1, 2, 2})}, TableEntry{100, 0, 2}, false);
    QCOMPARE(two.failureText, u"|гр1(1)> (3)гр1+гр2"_s);
}

void TestRowOnlineCheck::columnsOutsideTableAreNotRead()
{
    EntryRow row = entryRow(u"1"_s, u"1,2"_s);
    const QList<ColumnRule> rules{rule(u"0"_s, 1, 1, {36}), rule(u"0"_s, 0, 1, {1}),
                                  rule(u"0"_s, 1, 1, {-6})};
    const auto out = RowOnlineCheck::check(row, rules, TableEntry{100, 0, 5}, false);
    QVERIFY(!out.failed);
}

QTEST_GUILESS_MAIN(TestRowOnlineCheck)
#include "test_rowonlinecheck.moc"
