#pragma once

// The rating of an institution set by one quality indicator, without windows or files: the
// value rows of the indicator's form (one per table heading, table row and table end), one
// column per member, the indices of the six calculation types, the goal indices per row and the
// rating per member.
//
// Columns: a run takes every member of the set (up to 250), each in its own column. Per
// institution the member numbered k owns column k; per district the columns are district codes
// and the member whose code is k owns column k. The rating row of a column is its member; the
// rating row keeps the member's own code.
//
// Numbers: quotients are doubles; a value stored into a field with places is rounded half away
// from zero to those places (member values 2 places, indices 3, criteria 2). Every division by
// zero that the calculation types can meet gives 0.

#include <QList>
#include <QString>

#include <array>
#include <vector>

namespace zemor::analysis {

// The calculation types 1..6 as the first window offers them (empty outside 1..6).
QString ratingTypeText(int type);

// Rounds half away from zero to `places` decimals, reading the double as the decimal it was
// meant to be (1.005 rounds to 1.01).
double roundedHalfAway(double value, int places);

// One usable `indik` record (QST).
struct RatingIndicator
{
    static constexpr int definitionCount = 20;
    static constexpr int maxSetId = 255;

    int id = 0;
    int form = 0;
    int tip = 0; // 1 per district, anything else per institution
    QString name;
    std::array<int, definitionCount> tables{};
    std::array<int, definitionCount> definitions{}; // 0 ends the list
    int setId = 0;

    bool perDistrict() const { return tip == 1; }
    // Records with a type above 10 are not offered.
    static bool usable(int tip) { return tip <= 10; }
};

// One member of the set (QSU).
struct RatingMember
{
    qint32 code = 0;
    QString name;
    int district = 0;
    int kind = 0;
    int number = 0; // 1..n after sorting by district, kind and name
};

// One value row (QI).
struct ValueRow
{
    static constexpr int headingId = 0;
    static constexpr int tableEndId = 30000;
    static constexpr int tableEndNumber = 250;

    QString codStr;
    QString codMkb;
    QString name;
    double norm = 0;
    std::vector<double> data; // column k at index k - 1
    int direction = 0;        // 0 direct, 1 inverse, 2 two-sided
    double weight = 0;
    int zeroRule = 0; // 1: a zero value is a missing value
    int table = 0;
    int rowId = 0;
    int number = 0;
    double sum = 0;
    int count = 0;

    bool isHeading() const { return rowId == headingId; }
    bool isTableEnd() const { return rowId == tableEndId; }
    bool isData() const { return !isHeading() && !isTableEnd(); }
    double value(int column) const
    {
        return column >= 1 && column <= int(data.size()) ? data[size_t(column - 1)] : 0.0;
    }
};

// One goal-index row (QC).
struct GoalRow
{
    QString codStr;
    QString name;
    std::vector<double> data; // column k at index k - 1
    double mean = 0;
    double weight = 0;
    int direction = 0;
    int table = 0;
    int rowId = 0;

    double value(int column) const
    {
        return column >= 1 && column <= int(data.size()) ? data[size_t(column - 1)] : 0.0;
    }
};

// One rating row (QR), one per member.
struct RatingRow
{
    int place = 0;
    QString name;
    double rating = 0;
    double structure = 0; // IS; types 2 to 6: the member's total of goal indices
    double process = 0;   // IP
    double processHospital = 0, processPolyclinic = 0, processInstitution = 0;
    double result = 0; // IR
    double result1 = 0, result2 = 0, result3 = 0, result4 = 0;
    qint32 code = 0; // the member's code (low 16 bits)
    int column = 0;  // the member's column
    int number = 0;  // the member's number: equal ratings keep this order
};

// The member values of one definition's column (QAC): its code and results 1..c.
struct DefinitionResult
{
    int code = 0;
    QList<double> values;
};

// The whole model of one run.
struct RatingRun
{
    static constexpr int maxMembers = 250;
    static constexpr int districtColumns = 30; // per district: district codes 1..26 are stored
    static constexpr int lastDistrictCode = 26;
    static constexpr int typeOneColumns = 28;

    RatingIndicator indicator;
    QList<RatingMember> members; // sorted by code
    QList<ValueRow> values;
    QList<GoalRow> goals;
    QList<RatingRow> ratings;
    int year = 0;
    int firstMonth = 0;
    int lastMonth = 0;
    int type = 3;
    QString periodText;

    // The width of the value rows.
    int columnCount() const;
    // The column of a member.
    int columnOf(const RatingMember &member) const;
    // The member columns in member number order, each once (per district several members
    // can share their district's column).
    QList<int> memberColumns() const;
};

// Sorts the members by district, kind and name, numbers them 1..n and sorts them by code.
void numberMembers(QList<RatingMember> &members);

// Stores one definition's results into the data rows of `table` (results beyond the table's data
// rows, and every result of a table the rows do not hold, are dropped). Per district a column is
// the code itself and codes above 26 end the storing; per institution the member with that code
// gives the column and a code without member is skipped.
void storeIndicatorResults(RatingRun &run, int table, QList<DefinitionResult> results,
                           int resultCount);

// The rating window's period text for year and months (a month 0 or above 12 has no name).
QString buildRatingPeriodText(int year, int firstMonth, int lastMonth);

// The index of a data row's value under type 1 (before it feeds a rating row).
double typeOneIndex(const ValueRow &row, double x);
// The index of types 2 to 6, rounded to 3 places, before the weight.
double goalIndex(int type, const ValueRow &row, double x);

// The six calculation types and the integral criteria: fills the norms of rows without one,
// the goal rows and the rating rows (in member number order).
void computeRating(RatingRun &run);

// Ratings := IS + IP + IR; sorted best first, ties in member order; places 1, 2, ...
void rankRatingRows(QList<RatingRow> &rows);

} // namespace zemor::analysis
