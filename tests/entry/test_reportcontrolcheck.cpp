#include "entry/ReportControlCheck.h"
#include "support/ScriptedPrompter.h"

#include <QTest>

using namespace zemor::entry;
using zemor::runtime::Decimal;
using zemor::test::ScriptedPrompter;
using namespace Qt::StringLiterals;

namespace {

// Form 12 with two tables: 1000 (stored columns 1..5) and 2000 (stored columns 6..10, offset 5).
constexpr qint64 form = 12;

FormTables tables()
{
    return {TableEntry{1000, 0, 5}, TableEntry{2000, 5, 5}};
}

RowCatalogue catalogue()
{
    RowCatalogue c;
    c.add({1, 1000, u"1"_s, 1});
    c.add({2, 1000, u"1.1"_s, 2});
    c.add({3, 1000, u"1.2"_s, 3});
    c.add({11, 2000, u"1"_s, 1});
    c.add({12, 2000, u"2"_s, 2});
    return c;
}

Decimal dec(const char *text)
{
    return *Decimal::fromString(QString::fromLatin1(text));
}

ReportRow row(int id, qint64 table, std::initializer_list<const char *> values)
{
    ReportRow r;
    r.rowId = id;
    r.table = table;
    int n = 0;
    for (const char *v : values)
        r.values[size_t(n++)] = dec(v);
    return r;
}

ColumnRule columnRule(qint64 id, qint64 table, const QString &code, int left, int relation,
                      QList<int> terms)
{
    ColumnRule r;
    r.id = id;
    r.table = table;
    r.rowCode = code;
    r.left = left;
    r.relation = relation;
    r.terms = terms;
    return r;
}

RowRule rowRule(qint64 id, int column, int leftRow, int relation, QList<int> terms)
{
    return RowRule{id, column, leftRow, relation, terms};
}

} // namespace

class TestReportControlCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void columnRules_data();
    void columnRules();
    void rowRuleOverEveryColumn();
    void rowRuleFirstTermAlwaysAdded();
    void tableRule();
    void faultyRulesToldOncePerCheck();
    void unknownTableOfReportRow();
    void repeatedRowCodeNamesItsFirstRow();
    void exactArithmeticAtTheLimits();
    void valueTooLargeIsRefused();
    void listOrderAndRunMode();
};

void TestReportControlCheck::columnRules_data()
{
    QTest::addColumn<int>("relation");
    QTest::addColumn<QList<int>>("terms");
    QTest::addColumn<QString>("values"); // row 2 of table 1000, values 1..5
    QTest::addColumn<QString>("text");   // empty: the rule holds
    QTest::addColumn<QString>("deviation");

    const QList<int> oneTerm{1};
    QTest::newRow("<= fails") << 5 << oneTerm << u"3,0,0,5"_s << u"т1000с1.1 г4(5)<=(3)г1"_s
                              << u"2"_s;
    QTest::newRow("<= holds") << 5 << oneTerm << u"5,0,0,5"_s << QString() << QString();
    QTest::newRow("= sum") << 1 << QList<int>{1, 2} << u"5,7,0"_s << u"т1000с1.1 г4(0)= (12)г1+г2"_s
                           << u"-12"_s;
    QTest::newRow("negative first term subtracts")
        << 1 << QList<int>{-2, 3} << u"0,4,1,0"_s << u"т1000с1.1 г4(0)= (-3)-г2+г3"_s << u"3"_s;
    QTest::newRow("> equal fails")
        << 2 << oneTerm << u"2,0,0,2"_s << u"т1000с1.1 г4(2)> (2)г1"_s << u"0"_s;
    QTest::newRow(">= holds") << 3 << oneTerm << u"2,0,0,2"_s << QString() << QString();
    QTest::newRow("< fails") << 4 << oneTerm << u"1.5,0,0,2.25"_s
                             << u"т1000с1.1 г4(2.25)< (1.5)г1"_s << u"0.75"_s;
    QTest::newRow("6 zero left, non-zero right")
        << 6 << oneTerm << u"0.001,0,0,0"_s << u"т1000с1.1 г4(0)? (0.001)г1"_s << u"-0.001"_s;
    QTest::newRow("6 non-zero left holds")
        << 6 << oneTerm << u"0,0,0,9"_s << QString() << QString();
    QTest::newRow("code 0 never fails") << 0 << oneTerm << u"1,0,0,9"_s << QString() << QString();
    QTest::newRow("code 7 never fails") << 7 << oneTerm << u"1,0,0,9"_s << QString() << QString();
}

void TestReportControlCheck::columnRules()
{
    QFETCH(int, relation);
    QFETCH(QList<int>, terms);
    QFETCH(QString, values);
    QFETCH(QString, text);
    QFETCH(QString, deviation);

    ReportRow r;
    r.rowId = 2;
    r.table = 1000;
    const QStringList parts = values.split(u',');
    for (int i = 0; i < parts.size(); ++i)
        r.values[size_t(i)] = *Decimal::fromString(parts[i]);

    FormRules rules;
    rules.columnRules = {columnRule(7, 1000, u"0"_s, 4, relation, terms)};
    ReportControlCheck check;
    const auto failures = check.check(form, {r}, tables(), rules, catalogue());
    QVERIFY(failures);
    if (text.isEmpty()) {
        QVERIFY(failures->isEmpty());
        return;
    }
    QCOMPARE(failures->size(), 1);
    const ControlFailure &f = failures->first();
    QCOMPARE(f.text, text);
    QCOMPARE(f.deviation.toString(), deviation);
    QCOMPARE(f.ruleId, qint64(7));
    QCOMPARE(f.table, qint64(1000));
    QCOMPARE(f.column, 0);
}

void TestReportControlCheck::rowRuleOverEveryColumn()
{
    // Total row 11 of table 2000 (offset 5) must be row 12: checked in stored columns 6..10.
    FormRules rules;
    rules.rowRules = {rowRule(20, 0, 11, 1, {12})};
    const ReportRows rows{row(11, 2000, {"1", "2", "3", "4", "5"}),
                          row(12, 2000, {"1", "0", "3", "0", "5"})};
    ReportControlCheck check;
    const auto failures = check.check(form, rows, tables(), rules, catalogue());
    QVERIFY(failures);
    QCOMPARE(failures->size(), 2);
    QCOMPARE(failures->at(0).column, 7);
    QCOMPARE(failures->at(0).text, u"т2000г7с1    (2)= (0)c2"_s);
    QCOMPARE(failures->at(1).column, 9);
    QCOMPARE(failures->at(1).deviation.toString(), u"4"_s);

    // A fixed column: stored column 6 is value 1.
    rules.rowRules = {rowRule(21, 6, 11, 2, {12})};
    const auto fixed = check.check(form, rows, tables(), rules, catalogue());
    QVERIFY(fixed);
    QCOMPARE(fixed->size(), 1);
    QCOMPARE(fixed->first().text, u"т2000г6с1    (1)> (1)c2"_s);
}

void TestReportControlCheck::rowRuleFirstTermAlwaysAdded()
{
    // Row 1 = -row 2 + row 3 as stored: the first term is added whatever its sign, and a term row
    // missing from the report counts as zero; one missing from the catalogue is left out of the
    // text but still named nowhere else.
    FormRules rules;
    rules.rowRules = {rowRule(30, 1, 1, 1, {-2, -3, 99})};
    const ReportRows rows{row(1, 1000, {"1"}), row(2, 1000, {"10"}), row(3, 1000, {"4"})};
    ReportControlCheck check;
    const auto failures = check.check(form, rows, tables(), rules, catalogue());
    QVERIFY(failures);
    QCOMPARE(failures->size(), 1);
    QCOMPARE(failures->first().text, u"т1000г1с1    (1)= (6)c1.1-1.2"_s);
    QCOMPARE(failures->first().deviation.toString(), u"-5"_s);

    // A left row missing from the report is a row of zeros; one missing from the catalogue
    // makes the rule inapplicable.
    rules.rowRules = {rowRule(31, 1, 3, 1, {2}), rowRule(32, 1, 77, 1, {2})};
    const auto zeros = check.check(form, {row(2, 1000, {"2"})}, tables(), rules, catalogue());
    QVERIFY(zeros);
    QCOMPARE(zeros->size(), 1);
    QCOMPARE(zeros->first().text, u"т1000г1с1.2  (0)= (2)c1.1"_s);
}

void TestReportControlCheck::tableRule()
{
    FormRules rules;
    TableRule rule;
    rule.id = 1;
    rule.leftRow = 12;
    rule.leftColumn = 6; // table 2000, value 1
    rule.relation = 5;
    rule.terms = {{-1, 1}, {2, 3}, {-3, 3}};
    rules.tableRules = {rule};
    const ReportRows rows{row(1, 1000, {"4"}), row(2, 1000, {"0", "0", "1"}), row(12, 2000, {"7"})};
    ScriptedPrompter prompter;
    ReportControlCheck check(&prompter);
    const auto failures = check.check(form, rows, tables(), rules, catalogue());
    QVERIFY(failures);
    QCOMPARE(failures->size(), 1);
    // First term added although negative; row 3 is absent from the report and counts as 0.
    QCOMPARE(failures->first().text, u"т2000с2    г6 (7)<=(5)т1000с1г1+т1000с1.1г3-т1000с1.2г3"_s);
    QCOMPARE(failures->first().column, 6);
    QCOMPARE(failures->first().deviation.toString(), u"2"_s);
    QVERIFY(prompter.messages.isEmpty());

    // Terms that cannot be read are told and skipped: an unknown row, a column outside its table.
    rule.terms = {{1, 1}, {-99, 1}, {2, 9}};
    rule.relation = 1;
    rules.tableRules = {rule};
    const auto skipped = check.check(form, rows, tables(), rules, catalogue());
    QVERIFY(skipped);
    QCOMPARE(skipped->size(), 1);
    QCOMPARE(skipped->first().text, u"т2000с2    г6 (7)= (4)т1000с1г1"_s);
    QCOMPARE(check.diagnostics(),
             (QStringList{u"НЕТ СТРОКИ -99"_s, u"ИСПРАВТЕ КОНТРОЛЬ !!!1|1000 9 0 5"_s}));

    // The left column outside its table: the rule is skipped.
    rule.leftColumn = 3;
    rules.tableRules = {rule};
    const auto wrongLeft = check.check(form, rows, tables(), rules, catalogue());
    QVERIFY(wrongLeft && wrongLeft->isEmpty());
    QCOMPARE(check.diagnostics(), QStringList{u"ИСПРАВТЕ КОНТРОЛЬ..... 1"_s});
}

void TestReportControlCheck::faultyRulesToldOncePerCheck()
{
    FormRules rules;
    rules.rowRules = {rowRule(40, 3, 11, 1, {12})}; // stored column 3 is not in table 2000
    rules.columnRules = {
        columnRule(41, 1000, u"9.9"_s, 2, 1, {1}),  // no such row: checked in every row
        columnRule(42, 1000, u"0"_s, 2, 1, {1, 8}), // column 8 is not in table 1000
    };
    const ReportRows rows{row(1, 1000, {"1", "2"}), row(2, 1000, {"1", "2"}),
                          row(3, 1000, {"1", "1"})};
    ScriptedPrompter prompter;
    ReportControlCheck check(&prompter);
    const auto failures = check.check(form, rows, tables(), rules, catalogue());
    QVERIFY(failures);
    QCOMPARE(prompter.texts(),
             (QStringList{u"ИСПРАВТЕ КОНТРОЛЬ 40"_s, u"Исправте код строки в контроле 41"_s,
                          u"ИСПРАВТЕ КОНТРОЛЬ 42"_s}));
    QCOMPARE(failures->size(), 2);
    QCOMPARE(failures->at(0).text, u"т1000с1 г2(2)= (1)г1"_s);
    QCOMPARE(failures->at(1).text, u"т1000с1.1 г2(2)= (1)г1"_s);
}

void TestReportControlCheck::unknownTableOfReportRow()
{
    FormRules rules;
    rules.columnRules = {columnRule(1, 3000, u"0"_s, 2, 1, {1})};
    const ReportRows rows{row(50, 3000, {"1", "2"}), row(51, 3000, {"1", "2"})};
    ScriptedPrompter prompter;
    ReportControlCheck check(&prompter);
    const auto failures = check.check(form, rows, tables(), rules, catalogue());
    QVERIFY(failures && failures->isEmpty());
    QCOMPARE(prompter.texts(), (QStringList{u"f12?t3000"_s, u"f12?t3000"_s}));

    // A report row missing from the catalogue is named by its id.
    rules.columnRules = {columnRule(2, 1000, u""_s, 2, 1, {1})};
    const auto unnamed =
        check.check(form, {row(60, 1000, {"1", "2"})}, tables(), rules, catalogue());
    QVERIFY(unnamed);
    QCOMPARE(unnamed->first().text, u"т1000с?60 г2(2)= (1)г1"_s);
}

void TestReportControlCheck::repeatedRowCodeNamesItsFirstRow()
{
    // Two rows of one table print the same code: a column rule on that code is checked on the
    // first of them, as a look-up of the code in the catalogue finds it.
    RowCatalogue c = catalogue();
    c.add({4, 1000, u"2"_s, 4});
    c.add({5, 1000, u"2"_s, 5});
    QCOMPARE(c.rowByCode(1000, u"2"_s)->id, 4);
    FormRules rules;
    rules.columnRules = {columnRule(1, 1000, u"2"_s, 2, 1, {1})};
    const ReportRows rows{row(4, 1000, {"1", "3"}), row(5, 1000, {"1", "7"})};
    ReportControlCheck check;
    const auto failures = check.check(form, rows, tables(), rules, c);
    QVERIFY(failures);
    QCOMPARE(failures->size(), 1);
    QCOMPARE(failures->first().deviation, dec("2"));
}

void TestReportControlCheck::exactArithmeticAtTheLimits()
{
    // The largest DECIMAL(17,3) values: a double would make both sides 1e14.
    FormRules rules;
    rules.columnRules = {columnRule(1, 1000, u"0"_s, 1, 1, {2, 3})};
    const ReportRows holds{row(1, 1000, {"99999999999999.999", "99999999999999.998", "0.001"})};
    ReportControlCheck check;
    auto failures = check.check(form, holds, tables(), rules, catalogue());
    QVERIFY(failures && failures->isEmpty());

    const ReportRows fails{row(1, 1000, {"99999999999999.999", "99999999999999.998", "0"})};
    failures = check.check(form, fails, tables(), rules, catalogue());
    QVERIFY(failures);
    QCOMPARE(failures->size(), 1);
    QCOMPARE(failures->first().deviation.toString(), u"0.001"_s);
    QCOMPARE(failures->first().text,
             u"т1000с1 г1(99999999999999.999)= (99999999999999.998)г2+г3"_s);

    // Sums beyond 17 digits stay exact too.
    rules.columnRules = {columnRule(1, 1000, u"0"_s, 1, 5, {2, 3})};
    const ReportRows wide{
        row(1, 1000, {"-99999999999999.999", "99999999999999.999", "99999999999999.999"})};
    failures = check.check(form, wide, tables(), rules, catalogue());
    QVERIFY(failures && failures->isEmpty());
    rules.columnRules.first().relation = 2;
    failures = check.check(form, wide, tables(), rules, catalogue());
    QVERIFY(failures);
    QCOMPARE(failures->first().deviation.toString(), u"-299999999999999.997"_s);
}

void TestReportControlCheck::valueTooLargeIsRefused()
{
    ReportRow r = row(1, 1000, {});
    r.values[0] = *Decimal::fromString(u"123456789012345678.5"_s);
    ReportControlCheck check;
    const auto failures = check.check(form, {r}, tables(), FormRules{}, catalogue());
    QVERIFY(!failures);
    QCOMPARE(failures.error().code, zemor::runtime::ErrorCode::Overflow);
}

void TestReportControlCheck::listOrderAndRunMode()
{
    FormRules rules;
    rules.rowRules = {rowRule(123456789, 0, 11, 1, {12}), rowRule(5, 1, 1, 1, {2})};
    TableRule t;
    t.id = 12345;
    t.leftRow = 1;
    t.leftColumn = 1;
    t.relation = 1;
    t.terms = {{11, 6}};
    rules.tableRules = {t};
    rules.columnRules = {columnRule(3, 2000, u"0"_s, 7, 1, {6}),
                         columnRule(4, 1000, u"0"_s, 2, 1, {1})};
    const ReportRows rows{row(1, 1000, {"1", "2"}), row(11, 2000, {"1", "2"}),
                          row(12, 2000, {"0", "0"}), row(2, 1000, {"0"})};
    ReportControlCheck check;
    const auto failures = check.check(form, rows, tables(), rules, catalogue());
    QVERIFY(failures);
    QList<qint64> ids;
    QList<int> columns;
    for (const ControlFailure &f : *failures) {
        ids.append(f.ruleId);
        columns.append(f.column);
    }
    // Row rules by table then column, then the inter-table rule, then column rules by report row.
    QCOMPARE(ids, (QList<qint64>{5, 123456789, 123456789, 4, 3}));
    QCOMPARE(columns, (QList<int>{1, 6, 7, 0, 0}));
    QCOMPARE(failures->at(1).codeText(), u"123456789"_s);

    // Run mode appends and counts on; the inter-table rule held (1 = 1).
    QList<RunFailure> run;
    int counter = 3;
    ReportControlCheck::appendToRun(*failures, form, 10, run, counter);
    QCOMPARE(counter, 8);
    QCOMPARE(run.size(), 5);
    QCOMPARE(run[1].ruleId, qint64(123456789));
    QCOMPARE(run[1].formCode, form);
    QCOMPARE(run[1].text.size(), 10);
    const auto none = check.check(form, rows, tables(), FormRules{}, catalogue());
    QVERIFY(none && none->isEmpty());
    ReportControlCheck::appendToRun(*none, form, 10, run, counter);
    QCOMPARE(counter, 8);
}

QTEST_GUILESS_MAIN(TestReportControlCheck)
#include "test_reportcontrolcheck.moc"
