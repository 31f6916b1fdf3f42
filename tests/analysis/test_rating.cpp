// The rating of an institution set: the indices of the calculation types, the norms taken from
// the members' mean, the goal indices and integral criteria, storing a definition's results into
// its table's rows, the period text and the rating order.

#include "analysis/ratings/Rating.h"

#include <QTest>

using namespace zemor::analysis;
using namespace Qt::StringLiterals;

namespace {

struct RowInput
{
    double norm = 0;
    int direction = 0;
    double weight = 0;
    int zeroRule = 0;
    QList<double> values; // member columns 1..
};

// A run of `n` members (codes 101.., numbered in code order) per institution.
RatingRun makeRun(int n, int type)
{
    RatingRun run;
    run.type = type;
    for (int i = 1; i <= n; ++i)
        run.members.append({.code = 100 + i, .name = u"Член %1"_s.arg(i), .number = i});
    return run;
}

// Appends a heading, the rows (numbered 1..) and the table end of `table`.
void addTable(RatingRun &run, int table, const QList<RowInput> &rows)
{
    run.values.append({.name = u"Таблица %1"_s.arg(table), .table = table});
    int number = 0;
    for (const RowInput &input : rows) {
        ValueRow row;
        row.table = table;
        row.rowId = table * 100 + ++number;
        row.number = number;
        row.codStr = QString::number(number);
        row.norm = input.norm;
        row.direction = input.direction;
        row.weight = input.weight;
        row.zeroRule = input.zeroRule;
        row.data.assign(size_t(run.columnCount()), 0.0);
        for (qsizetype k = 0; k < input.values.size(); ++k)
            row.data[size_t(k)] = input.values[k];
        run.values.append(row);
    }
    run.values.append(
        {.table = table, .rowId = ValueRow::tableEndId, .number = ValueRow::tableEndNumber});
}

const RatingRow &ratingOf(const RatingRun &run, int number)
{
    for (const RatingRow &row : run.ratings)
        if (row.number == number)
            return row;
    qFatal("no rating row");
}

} // namespace

class TestRating : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rounding_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("places");
        QTest::addColumn<double>("expected");
        QTest::newRow("half up") << 0.125 << 2 << 0.13;
        QTest::newRow("half away below zero") << -0.125 << 2 << -0.13;
        QTest::newRow("a decimal half held just below") << 1.005 << 2 << 1.01;
        QTest::newRow("another") << 2.675 << 2 << 2.68;
        QTest::newRow("below a half") << 0.1249 << 2 << 0.12;
        QTest::newRow("three places") << 0.0625 << 3 << 0.063;
        QTest::newRow("large whole value kept") << 123456789012345.0 << 2 << 123456789012345.0;
    }
    void rounding()
    {
        QFETCH(double, value);
        QFETCH(int, places);
        QFETCH(double, expected);
        QCOMPARE(roundedHalfAway(value, places), expected);
    }

    void typeOneIndices_data()
    {
        QTest::addColumn<int>("direction");
        QTest::addColumn<double>("norm");
        QTest::addColumn<int>("zeroRule");
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("expected");
        QTest::newRow("direct above twice") << 0 << 10.0 << 0 << 25.0 << 2.0;
        QTest::newRow("direct at norm") << 0 << 10.0 << 0 << 10.0 << 1.0;
        QTest::newRow("direct zero") << 0 << 10.0 << 0 << 0.0 << 0.0;
        QTest::newRow("direct negative") << 0 << 10.0 << 0 << -3.0 << 0.0;
        QTest::newRow("inverse above") << 1 << 10.0 << 0 << 25.0 << 0.4;
        QTest::newRow("inverse at norm") << 1 << 10.0 << 0 << 10.0 << 1.0;
        QTest::newRow("inverse zero") << 1 << 10.0 << 0 << 0.0 << 2.0;
        QTest::newRow("inverse negative") << 1 << 10.0 << 0 << -3.0 << 0.0;
        QTest::newRow("inverse zero missing") << 1 << 10.0 << 1 << 0.0 << 0.0;
        QTest::newRow("two-sided 12 on 10") << 2 << 10.0 << 0 << 12.0 << 0.83;
        QTest::newRow("one on eight rounds half up") << 0 << 8.0 << 0 << 1.0 << 0.13;
        QTest::newRow("two-sided 0 on 0") << 2 << 0.0 << 0 << 0.0 << 0.0;
        QTest::newRow("direct on norm 0") << 0 << 0.0 << 0 << 5.0 << 2.0;
    }
    void typeOneIndices()
    {
        QFETCH(int, direction);
        QFETCH(double, norm);
        QFETCH(int, zeroRule);
        QFETCH(double, value);
        QFETCH(double, expected);
        ValueRow row;
        row.rowId = 1;
        row.norm = norm;
        row.direction = direction;
        row.zeroRule = zeroRule;
        QCOMPARE(typeOneIndex(row, value), expected);
    }

    void goalIndices_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("direction");
        QTest::addColumn<double>("norm");
        QTest::addColumn<double>("sum");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("zeroRule");
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("expected");
        QTest::newRow("2 direct") << 2 << 0 << 8.0 << 0.0 << 2 << 0 << 2.0 << 0.25;
        QTest::newRow("2 inverse") << 2 << 1 << 8.0 << 0.0 << 2 << 0 << 3.0 << 2.667;
        QTest::newRow("2 inverse value 0") << 2 << 1 << 8.0 << 0.0 << 2 << 0 << 0.0 << 0.0;
        QTest::newRow("3 direct") << 3 << 0 << 4.0 << 8.0 << 2 << 0 << 2.0 << 0.25;
        QTest::newRow("3 inverse K 3") << 3 << 1 << 4.0 << 8.0 << 3 << 0 << 2.0 << 0.375;
        QTest::newRow("3 inverse K 1") << 3 << 1 << 4.0 << 8.0 << 1 << 0 << 2.0 << 0.75;
        QTest::newRow("3 sum 0") << 3 << 0 << 0.0 << 0.0 << 2 << 0 << 2.0 << 0.0;
        QTest::newRow("4 inverse") << 4 << 1 << 8.0 << 0.0 << 2 << 0 << 2.0 << 0.75;
        QTest::newRow("4 inverse norm 0") << 4 << 1 << 0.0 << 0.0 << 2 << 0 << 2.0 << 0.0;
        QTest::newRow("4 zero first") << 4 << 1 << 8.0 << 0.0 << 2 << 0 << 0.0 << 0.0;
        QTest::newRow("5 inverse") << 5 << 1 << 10.0 << 0.0 << 2 << 0 << 20.0 << -2.0;
        QTest::newRow("5 norm 0") << 5 << 0 << 0.0 << 0.0 << 2 << 0 << 20.0 << 0.0;
        QTest::newRow("6 inverse") << 6 << 1 << 0.0 << 20.0 << 2 << 0 << 5.0 << -0.25;
        QTest::newRow("6 zero is norm") << 6 << 0 << 5.0 << 20.0 << 2 << 1 << 0.0 << 0.25;
        QTest::newRow("6 sum 0") << 6 << 0 << 0.0 << 0.0 << 2 << 0 << 5.0 << 0.0;
        QTest::newRow("other direction") << 2 << 3 << 8.0 << 0.0 << 2 << 0 << 2.0 << 0.0;
    }
    void goalIndices()
    {
        QFETCH(int, type);
        QFETCH(int, direction);
        QFETCH(double, norm);
        QFETCH(double, sum);
        QFETCH(int, count);
        QFETCH(int, zeroRule);
        QFETCH(double, value);
        QFETCH(double, expected);
        ValueRow row;
        row.rowId = 1;
        row.norm = norm;
        row.sum = sum;
        row.count = count;
        row.direction = direction;
        row.zeroRule = zeroRule;
        QCOMPARE(goalIndex(type, row, value), expected);
    }

    // A row without norm takes the mean of its counted values; with the zero rule zeros count
    // for neither; all missing gives norm 0.
    void normFromMean_data()
    {
        QTest::addColumn<int>("zeroRule");
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<double>("norm");
        QTest::addColumn<int>("count");
        QTest::newRow("zeros count") << 0 << QList<double>{4, 0, 8} << 4.0 << 3;
        QTest::newRow("zeros missing") << 1 << QList<double>{4, 0, 8} << 6.0 << 2;
        QTest::newRow("all missing") << 1 << QList<double>{0, 0, 0} << 0.0 << 0;
    }
    void normFromMean()
    {
        QFETCH(int, zeroRule);
        QFETCH(QList<double>, values);
        QFETCH(double, norm);
        QFETCH(int, count);
        RatingRun run = makeRun(3, 3);
        addTable(run, 5, {{.zeroRule = zeroRule, .values = values}});
        computeRating(run);
        QCOMPARE(run.values[1].norm, norm);
        QCOMPARE(run.values[1].count, count);
        QCOMPARE(run.values[1].codMkb, u"%1*0/%2"_s.arg(run.values[1].sum).arg(count));
    }

    // Type 5, inverse row with weight 2: larger values more negative, doubled; the member's
    // total is its goal indices' sum; the row mean over the members.
    void weightedGoalIndices()
    {
        RatingRun run = makeRun(2, 5);
        addTable(run, 5,
                 {{.norm = 10, .direction = 1, .weight = 2, .values = {10, 20}},
                  {.norm = 4, .direction = 0, .values = {2, 6}}});
        computeRating(run);
        QCOMPARE(run.goals.size(), 4);
        QCOMPARE(run.goals[1].value(1), -2.0);
        QCOMPARE(run.goals[1].value(2), -4.0);
        QCOMPARE(run.goals[1].mean, -3.0);
        QCOMPARE(run.goals[2].value(2), 1.5);
        QCOMPARE(ratingOf(run, 1).structure, -1.5);
        QCOMPARE(ratingOf(run, 2).structure, -2.5);
        rankRatingRows(run.ratings);
        QCOMPARE(run.ratings[0].number, 1);
        QCOMPARE(run.ratings[0].place, 1);
        QCOMPARE(run.ratings[0].rating, -1.5);
    }

    // Type 1: structure = row indices plus the table's average, process and result parts the
    // table averages, then the integral criteria; g counted per column.
    void typeOneCriteria()
    {
        RatingRun run = makeRun(2, 1);
        addTable(run, 1, {{.norm = 10, .values = {25, 10}}, {.norm = 10, .values = {10, 5}}});
        addTable(run, 21, {{.norm = 10, .zeroRule = 1, .values = {5, 0}}});
        addTable(run, 31, {{.norm = 10, .direction = 1, .values = {5, 20}}});
        computeRating(run);
        const RatingRow &first = ratingOf(run, 1);
        QCOMPARE(first.structure, 2 + 1 + 1.5);
        QCOMPARE(first.processHospital, 0.5);
        QCOMPARE(first.process, 0.25);
        QCOMPARE(first.result1, 2.0);
        QCOMPARE(first.result, 0.5);
        QCOMPARE(first.rating, 5.25);
        const RatingRow &second = ratingOf(run, 2);
        QCOMPARE(second.structure, 1 + 0.5 + 0.75);
        QCOMPARE(second.processHospital, 0.0); // no counted row: 0, not a division by zero
        QCOMPARE(second.result1, 0.5);
        for (const GoalRow &goal : run.goals)
            QCOMPARE(goal.value(1), 0.0);
    }

    // Per district a set of institutions is rated by their districts' columns: two central
    // hospitals of district 2 share its values, a code the catalogue does not know is taken for
    // a district code, and the norm and goal means count each district once.
    void perDistrictMembers_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QList<double>>("ratings"); // members 1..4
        QTest::newRow("type 3") << 3 << QList<double>{0.2, 0.5, 0.5, 0.3};
        // Type 1: the row index and the table's average of it.
        QTest::newRow("type 1") << 1 << QList<double>{0.8, 2.0, 2.0, 1.2};
    }
    void perDistrictMembers()
    {
        QFETCH(int, type);
        QFETCH(QList<double>, ratings);
        RatingRun run;
        run.type = type;
        run.indicator.tip = 1;
        run.members = {{.code = 3, .number = 4},
                       {.code = 101, .district = 1, .number = 1},
                       {.code = 201, .district = 2, .number = 2},
                       {.code = 202, .district = 2, .number = 3}};
        const double norm = type == 1 ? 5 : 0;
        addTable(run, 1, {{.norm = norm, .values = {2, 5, 3, 0, 0, 9}}});
        computeRating(run);
        QCOMPARE(run.values[1].count, 3);
        if (type == 3) {
            QCOMPARE(run.values[1].sum, 10.0);
            QCOMPARE(run.goals[1].mean, 0.333);
        }
        for (int number = 1; number <= 4; ++number) {
            const RatingRow &row = ratingOf(run, number);
            QCOMPARE(row.structure + row.process + row.result, ratings[number - 1]);
        }
    }

    // Results go only into their table's data rows.
    void storedResults_data()
    {
        QTest::addColumn<int>("table");
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<double>>("column1"); // the values of column 1, all value rows
        QTest::newRow("as many as rows") << 7 << 2 << QList<double>{0, 1, 2, 0, 0, 0, 0};
        QTest::newRow("more results than rows") << 7 << 4 << QList<double>{0, 1, 2, 0, 0, 0, 0};
        QTest::newRow("fewer results") << 8 << 1 << QList<double>{0, 0, 0, 0, 0, 1, 0};
        QTest::newRow("a table the form lacks") << 9 << 2 << QList<double>{0, 0, 0, 0, 0, 0, 0};
    }
    void storedResults()
    {
        QFETCH(int, table);
        QFETCH(int, count);
        QFETCH(QList<double>, column1);
        RatingRun run = makeRun(2, 3);
        addTable(run, 7, {{}, {}});
        addTable(run, 8, {{}});
        storeIndicatorResults(run, table, {{.code = 101, .values = {1, 2, 3, 4}}}, count);
        QList<double> got;
        for (const ValueRow &row : run.values)
            got.append(row.value(1));
        QCOMPARE(got, column1);
    }

    // Per institution the member's number is the column, a code without member is skipped;
    // 31 members each get their own column. Per district the code is the column and codes
    // above 26 end the storing.
    void resultColumns()
    {
        RatingRun run = makeRun(31, 3);
        addTable(run, 7, {{}});
        QList<DefinitionResult> results;
        for (int i = 31; i >= 1; --i)
            results.append(DefinitionResult{.code = 100 + i, .values = {double(i) + 0.125}});
        results.append(DefinitionResult{.code = 999, .values = {5}});
        storeIndicatorResults(run, 7, results, 1);
        for (int k = 1; k <= 31; ++k)
            QCOMPARE(run.values[1].value(k),
                     roundedHalfAway(k + 0.125, k >= 29 && k <= 30 ? 3 : 2));
        QCOMPARE(run.values[1].value(1), 1.13);

        RatingRun districts = makeRun(3, 3);
        districts.indicator.tip = 1;
        addTable(districts, 7, {{}});
        storeIndicatorResults(
            districts, 7,
            {{.code = 27, .values = {9}}, {.code = 3, .values = {3}}, {.code = 26, .values = {6}}},
            1);
        QCOMPARE(districts.values[1].value(3), 3.0);
        QCOMPARE(districts.values[1].value(26), 6.0);
        QCOMPARE(districts.values[1].value(27), 0.0);
    }

    void periodText_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<QString>("text");
        QTest::newRow("one month") << 3 << 3 << u"2024г. март. "_s;
        QTest::newRow("months 0 and 0") << 0 << 0 << u"2024г. . "_s;
        QTest::newRow("month 13") << 13 << 13 << u"2024г. . "_s;
        QTest::newRow("year") << 1 << 12 << u"2024г. "_s;
        QTest::newRow("quarter 1") << 1 << 3 << u"2024г. 1квартал. "_s;
        QTest::newRow("quarter 3") << 7 << 9 << u"2024г. 3квартал."_s;
        QTest::newRow("half 2") << 7 << 12 << u"2024г. 2-е полугодие. "_s;
        QTest::newRow("other") << 2 << 5 << u"2024г. с февраля по май."_s;
        QTest::newRow("other from 0") << 0 << 5 << u"2024г. с  по май."_s;
    }
    void periodText()
    {
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(QString, text);
        QCOMPARE(buildRatingPeriodText(2024, 3, 3), u"2024г. март. "_s); // a run for March first
        QCOMPARE(buildRatingPeriodText(2024, first, last), text);
    }

    void rankOrder()
    {
        QList<RatingRow> rows;
        const QList<double> totals{3, 5, 3, 7};
        for (qsizetype i = 0; i < totals.size(); ++i)
            rows.append({.structure = totals[i], .number = int(i + 1)});
        std::swap(rows[0], rows[2]); // an earlier header sort left another order
        rankRatingRows(rows);
        QList<int> numbers, places;
        for (const RatingRow &row : rows) {
            numbers.append(row.number);
            places.append(row.place);
        }
        QCOMPARE(numbers, (QList<int>{4, 2, 1, 3}));
        QCOMPARE(places, (QList<int>{1, 2, 3, 4}));
    }

    void membersNumbered()
    {
        QList<RatingMember> members{{.code = 5, .name = u"Б"_s, .district = 2},
                                    {.code = 3, .name = u"А"_s, .district = 2},
                                    {.code = 9, .name = u"В"_s, .district = 1, .kind = 4},
                                    {.code = 7, .name = QString()}};
        numberMembers(members);
        QList<int> codes, numbers;
        for (const RatingMember &m : members) {
            codes.append(m.code);
            numbers.append(m.number);
        }
        QCOMPARE(codes, (QList<int>{3, 5, 7, 9}));
        QCOMPARE(numbers, (QList<int>{3, 4, 1, 2}));
    }
};

QTEST_GUILESS_MAIN(TestRating)
#include "test_rating.moc"
