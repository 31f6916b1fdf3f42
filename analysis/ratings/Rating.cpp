#include "analysis/ratings/Rating.h"

#include "analysis/indicators/IndicatorNumbers.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zemor::analysis {

using namespace Qt::StringLiterals;

namespace {

constexpr std::array<double, 7> powersOfTen{1, 10, 100, 1000, 10000, 100000, 1000000};

// 0 where the divisor is 0.
double quotient(double numerator, double denominator)
{
    return denominator == 0 ? 0.0 : numerator / denominator;
}

const std::array<QString, 12> &nominativeMonths()
{
    static const std::array<QString, 12> names{
        u"январь"_s, u"февраль"_s, u"март"_s,     u"апрель"_s,  u"май"_s,    u"июнь"_s,
        u"июль"_s,   u"август"_s,  u"сентябрь"_s, u"октябрь"_s, u"ноябрь"_s, u"декабрь"_s};
    return names;
}

const std::array<QString, 12> &genitiveMonths()
{
    static const std::array<QString, 12> names{
        u"января"_s, u"февраля"_s, u"марта"_s,    u"апреля"_s,  u"мая"_s,    u"июня"_s,
        u"июля"_s,   u"августа"_s, u"сентября"_s, u"октября"_s, u"ноября"_s, u"декабря"_s};
    return names;
}

QString monthName(const std::array<QString, 12> &names, int month)
{
    return month >= 1 && month <= 12 ? names[size_t(month - 1)] : QString();
}

// Which criterion of a rating row a table feeds under type 1.
enum class Criterion { None, Structure, Hospital, Polyclinic, Institution, R1, R2, R3, R4 };

Criterion criterionOf(int table)
{
    const QString digits = QString::number(table);
    if (digits.startsWith(u'1'))
        return Criterion::Structure;
    const QStringView two = QStringView(digits).left(2);
    if (two == u"21")
        return Criterion::Hospital;
    if (two == u"22")
        return Criterion::Polyclinic;
    if (two == u"23")
        return Criterion::Institution;
    if (two == u"31")
        return Criterion::R1;
    if (two == u"32")
        return Criterion::R2;
    if (two == u"33")
        return Criterion::R3;
    if (two == u"34")
        return Criterion::R4;
    return Criterion::None;
}

void apply(RatingRow &row, Criterion criterion, double v)
{
    switch (criterion) {
    case Criterion::Structure:
        row.structure = roundedHalfAway(row.structure + v, 2);
        break;
    case Criterion::Hospital:
        row.processHospital = v;
        break;
    case Criterion::Polyclinic:
        row.processPolyclinic = v;
        break;
    case Criterion::Institution:
        row.processInstitution = v;
        break;
    case Criterion::R1:
        row.result1 = v;
        break;
    case Criterion::R2:
        row.result2 = v;
        break;
    case Criterion::R3:
        row.result3 = v;
        break;
    case Criterion::R4:
        row.result4 = v;
        break;
    case Criterion::None:
        break;
    }
}

} // namespace

double typeOneIndex(const ValueRow &row, double x)
{
    const double n = row.norm;
    if (row.direction == 2)
        return roundedHalfAway(quotient(n, n + std::abs(x - n)), 2);
    if (x == 0)
        return row.zeroRule == 1 ? 0.0 : (row.direction == 1 ? 2.0 : 0.0);
    if (x < 0)
        return 0;
    const double q = row.direction == 1 ? quotient(n, x) : quotient(x, n);
    if (row.direction != 1 && n == 0)
        return 2; // a positive value over norm 0 exceeds every bound
    return q > 2 ? 2.0 : roundedHalfAway(q, 2);
}

namespace {

double unroundedGoalIndex(int type, const ValueRow &row, double x)
{
    const double n = row.norm;
    const double s = row.sum;
    const int k = row.count;
    const int d = row.direction;
    if (d != 0 && d != 1)
        return 0;
    switch (type) {
    case 2:
        if (d == 0)
            return x == 0 || n == 0 ? 0.0 : x / n;
        return quotient(n, x);
    case 3:
        if (d == 0)
            return quotient(x, s);
        return k > 1 ? (1 - quotient(x, s)) / (k - 1) : 1 - quotient(x, s);
    case 4:
        if (x == 0)
            return 0;
        if (d == 0)
            return quotient(x, n);
        return n == 0 ? 0.0 : 1 - x / n;
    case 5:
        if (n == 0)
            return 0;
        return d == 0 ? x / n : -(x / n);
    case 6: {
        const double value = x == 0 && row.zeroRule == 1 ? n : x;
        return d == 0 ? quotient(value, s) : -quotient(value, s);
    }
    default:
        return 0;
    }
}

} // namespace

QString ratingTypeText(int type)
{
    static const std::array<QString, 6> texts{
        u"от нормы по методтке АА"_s,
        u"от среднего значения или нормы (прямой знач/норма; обратный норма/знач) "_s,
        u"от суммы значение показателей (прямой знач/сумма; обратный (1-знач/сумма)/(kol-1)"_s,
        u"от среднего значения или нормы  (прямой знач/норма; обратный (1-знач/норма)  "_s,
        u"от среднего значения или нормы (прямой знач/норма; обратный - знач/норма) "_s,
        u"от суммы значение показателей прямой знач/сумма; обратный - знач/сумма"_s};
    return type >= 1 && type <= 6 ? texts[size_t(type - 1)] : QString();
}

double goalIndex(int type, const ValueRow &row, double x)
{
    return roundedHalfAway(unroundedGoalIndex(type, row, x), 3);
}

double roundedHalfAway(double value, int places)
{
    const double scale = powersOfTen[size_t(std::clamp(places, 0, 6))];
    const double scaled = value * scale;
    if (!std::isfinite(scaled))
        return value;
    // A double a few units in the last place below a half is read as the half it stands for.
    // Up to 2^44 the nudge stays far below a half; beyond, a double holds no such fraction.
    const double nudge = std::abs(scaled) < 0x1p44
                             ? std::abs(scaled) * 8 * std::numeric_limits<double>::epsilon()
                             : 0.0;
    return std::round(scaled + std::copysign(nudge, scaled)) / scale;
}

int RatingRun::columnCount() const
{
    return std::max<int>(districtColumns, int(members.size()));
}

int RatingRun::columnOf(const RatingMember &member) const
{
    if (!indicator.perDistrict())
        return member.number;
    // An institution of the catalogue stands in its district's column; a code the catalogue
    // does not know is taken for a district code.
    return member.district > 0 ? member.district : int(member.code);
}

QList<int> RatingRun::memberColumns() const
{
    QList<const RatingMember *> byNumber;
    for (const RatingMember &member : members)
        byNumber.append(&member);
    std::stable_sort(byNumber.begin(), byNumber.end(),
                     [](auto *a, auto *b) { return a->number < b->number; });
    QList<int> columns;
    for (const RatingMember *member : byNumber)
        if (const int column = columnOf(*member); !columns.contains(column))
            columns.append(column);
    return columns;
}

void numberMembers(QList<RatingMember> &members)
{
    std::stable_sort(members.begin(), members.end(), [](const auto &a, const auto &b) {
        if (a.district != b.district)
            return a.district < b.district;
        if (a.kind != b.kind)
            return a.kind < b.kind;
        return a.name < b.name;
    });
    for (qsizetype i = 0; i < members.size(); ++i)
        members[i].number = int(i + 1);
    std::stable_sort(members.begin(), members.end(),
                     [](const auto &a, const auto &b) { return a.code < b.code; });
}

void storeIndicatorResults(RatingRun &run, int table, QList<DefinitionResult> results,
                           int resultCount)
{
    qsizetype first = -1;
    for (qsizetype i = 0; i < run.values.size(); ++i) {
        const ValueRow &row = run.values[i];
        if (row.table == table && row.isData() && row.number == 1) {
            first = i;
            break;
        }
    }
    if (first < 0)
        return;
    std::stable_sort(results.begin(), results.end(),
                     [](const auto &a, const auto &b) { return a.code < b.code; });
    const int width = run.columnCount();
    for (const DefinitionResult &result : results) {
        int column = 0;
        if (run.indicator.perDistrict()) {
            if (result.code > RatingRun::lastDistrictCode)
                break;
            column = result.code;
        } else {
            const auto member =
                std::find_if(run.members.cbegin(), run.members.cend(),
                             [&](const RatingMember &m) { return m.code == result.code; });
            if (member == run.members.cend())
                continue;
            column = member->number;
        }
        if (column < 1 || column > width)
            continue;
        const int places = column == 29 || column == 30 ? 3 : 2;
        for (int r = 1; r <= resultCount && r <= result.values.size(); ++r) {
            const qsizetype at = first + r - 1;
            if (at >= run.values.size())
                break;
            ValueRow &row = run.values[at];
            if (row.table != table || !row.isData())
                break;
            if (int(row.data.size()) < width)
                row.data.resize(size_t(width), 0.0);
            row.data[size_t(column - 1)] = roundedHalfAway(result.values[r - 1], places);
        }
    }
}

QString buildRatingPeriodText(int year, int firstMonth, int lastMonth)
{
    const QString head = QString::number(year) + u"г. "_s;
    const auto is = [&](int a, int b) { return firstMonth == a && lastMonth == b; };
    if (firstMonth == lastMonth)
        return head + monthName(nominativeMonths(), firstMonth) + u". "_s;
    if (is(1, 12))
        return head;
    if (is(1, 3))
        return head + u"1квартал. "_s;
    if (is(4, 6))
        return head + u"2квартал. "_s;
    if (is(7, 9))
        return head + u"3квартал."_s;
    if (is(10, 12))
        return head + u"4квартал. "_s;
    if (is(1, 6))
        return head + u"1-е полугодие. "_s;
    if (is(7, 12))
        return head + u"2-е полугодие. "_s;
    return head + u"с "_s + monthName(genitiveMonths(), firstMonth) + u" по "_s +
           monthName(nominativeMonths(), lastMonth) + u"."_s;
}

void computeRating(RatingRun &run)
{
    const int width = run.columnCount();
    const QList<int> columns = run.memberColumns();
    const int n = int(columns.size());

    // First pass: the norms of rows without one, sums and counts.
    for (ValueRow &row : run.values) {
        if (int(row.data.size()) < width)
            row.data.resize(size_t(width), 0.0);
        double sum = 0;
        int count = 0;
        for (int j : columns) {
            const double x = row.value(j);
            if (row.norm == 0)
                sum += x;
            if (x != 0 || row.zeroRule == 0)
                ++count;
        }
        if (row.norm == 0)
            row.norm = roundedHalfAway(quotient(sum, count), 2);
        row.sum = roundedHalfAway(sum, 3);
        row.count = count;
    }

    // The rating rows in member order.
    run.ratings.clear();
    {
        QList<const RatingMember *> byNumber;
        for (const RatingMember &member : run.members)
            byNumber.append(&member);
        std::stable_sort(byNumber.begin(), byNumber.end(),
                         [](auto *a, auto *b) { return a->number < b->number; });
        for (const RatingMember *member : byNumber) {
            RatingRow row;
            row.name = member->name.left(30);
            row.code = qint16(member->code & 0xFFFF);
            row.column = run.columnOf(*member);
            row.number = member->number;
            run.ratings.append(row);
        }
    }
    const int typeOneWidth = std::max(RatingRun::typeOneColumns, n);
    // The rating rows of each column: per district every member of the district.
    std::vector<QList<int>> ratingsOfColumn(size_t(std::max(width, typeOneWidth) + 1));
    for (qsizetype i = 0; i < run.ratings.size(); ++i) {
        const int column = run.ratings[i].column;
        if (column >= 1 && column < int(ratingsOfColumn.size()))
            ratingsOfColumn[size_t(column)].append(int(i));
    }

    // Second pass: indices and goal rows, group row counts per column.
    run.goals.clear();
    std::vector<double> accumulator(size_t(typeOneWidth + 1), 0.0);
    std::vector<int> groupRows(size_t(typeOneWidth + 1), 0);
    for (ValueRow &row : run.values) {
        GoalRow goal;
        goal.codStr = row.codStr;
        goal.name = row.name;
        goal.table = row.table;
        goal.rowId = row.rowId;
        goal.data.assign(size_t(width), 0.0);
        if (row.isHeading()) {
            std::fill(groupRows.begin(), groupRows.end(), 0);
            run.goals.append(std::move(goal));
            continue;
        }
        if (run.type == 1) {
            const Criterion criterion = criterionOf(row.table);
            for (int j = 1; j <= typeOneWidth; ++j) {
                const double x = row.value(j);
                if (row.zeroRule != 1 || x != 0)
                    ++groupRows[size_t(j)];
                double v = 0;
                if (row.isTableEnd()) {
                    v = roundedHalfAway(quotient(accumulator[size_t(j)], groupRows[size_t(j)] - 1),
                                        2);
                    accumulator[size_t(j)] = 0;
                } else {
                    v = typeOneIndex(row, x);
                    accumulator[size_t(j)] += v;
                }
                if (j < int(ratingsOfColumn.size()))
                    for (int rating : ratingsOfColumn[size_t(j)])
                        apply(run.ratings[rating], criterion, v);
            }
        } else {
            if (run.type == 3 || run.type == 6) {
                if (row.sum == 0)
                    row.sum = row.norm;
            }
            for (int j : columns) {
                double v = goalIndex(run.type, row, row.value(j));
                if (row.weight != 0)
                    v = roundedHalfAway(v * row.weight, 3);
                if (j >= 1 && j <= width)
                    goal.data[size_t(j - 1)] = v;
            }
        }
        row.codMkb = (plainNumber(row.sum) + u"*"_s + plainNumber(row.weight) + u"/"_s +
                      QString::number(row.count))
                         .left(15);
        goal.weight = row.weight;
        goal.direction = row.direction;
        run.goals.append(std::move(goal));
    }

    if (run.type == 1) {
        for (RatingRow &r : run.ratings) {
            r.process = roundedHalfAway(
                (r.processHospital + r.processPolyclinic + r.processInstitution) / 3 * 1.5, 2);
            r.result = roundedHalfAway((r.result1 + r.result2 + r.result3 + r.result4) / 4, 2);
            r.rating = roundedHalfAway(r.structure + r.process + r.result, 2);
        }
    } else {
        for (RatingRow &r : run.ratings) {
            double total = 0;
            for (const GoalRow &goal : run.goals)
                total = roundedHalfAway(total + goal.value(r.column), 2);
            r.structure = total;
        }
    }

    for (GoalRow &goal : run.goals) {
        double sum = 0;
        for (int j : columns)
            sum += goal.value(j);
        goal.mean = roundedHalfAway(quotient(sum, n), 3);
    }
}

void rankRatingRows(QList<RatingRow> &rows)
{
    for (RatingRow &row : rows)
        row.rating = roundedHalfAway(row.structure + row.process + row.result, 2);
    std::stable_sort(rows.begin(), rows.end(), [](const auto &a, const auto &b) {
        return a.rating != b.rating ? a.rating > b.rating : a.number < b.number;
    });
    for (qsizetype i = 0; i < rows.size(); ++i)
        rows[i].place = int(i + 1);
}

} // namespace zemor::analysis
