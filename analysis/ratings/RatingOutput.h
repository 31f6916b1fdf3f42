#pragma once

// What the rating window shows of a run, computed without widgets: the columns of its three
// lists (rating, goal indices, member values), sorting the rating by a column, the line charts
// of a goal-index or value line, what goes to the rank table from each tab, and the three
// workbooks "i1.XLS", "i2.XLS" and "i3.XLS".
//
// The rank table is given district codes only when the indicator is computed per district; the
// lines of a per-institution rating carry institution codes and go without codes (and without
// "Карта"). The series of a goal-index or value line has one entry per member, named by the
// member whose column it is.

#include "analysis/common/RankTable.h"
#include "analysis/ratings/Rating.h"

#include <QHash>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>

namespace zemor::shell {
class ExcelLauncher;
}

namespace zemor::analysis {

// The fields of a rating row in the rating list's column order after "N", "Учреждение" and
// "Рейтинг": the table columns show them one per table in turn.
enum class RatingField {
    Place,
    Name,
    Rating,
    Structure,
    Process,
    ProcessHospital,
    ProcessPolyclinic,
    ProcessInstitution,
    Result,
    Result1,
    Result2,
    Result3,
    Result4,
};

struct RatingColumn
{
    QString title;
    int width = 0;
    RatingField field = RatingField::Place;
};

// One member column of the goal-index and value lists.
struct MemberColumn
{
    QString title;
    int width = 0;
    int column = 0; // the value rows' column it shows
};

struct RatingOutput
{
    static constexpr int maxTableColumns = 10;
    static constexpr int wideMembers = 18; // from this many members the columns are narrow

    // "Рейтинг ЦРБ", the text line while the rank table of the rating is open.
    static QString ratingRankText();

    // "N", "Учреждение", "Рейтинг", then one column per heading line with a table code above 0
    // (its name, up to 50 characters), at most 10.
    static QList<RatingColumn> ratingColumns(const RatingRun &run);
    // Per institution one column per member in number order (18 or more: 20 wide, 20
    // characters of the name; fewer: 35 wide, 30 characters); per district one column per
    // district 1..26 of `districtNames` in code order.
    static QList<MemberColumn> memberColumns(const RatingRun &run,
                                             const QHash<int, QString> &districtNames);
    static double fieldValue(const RatingRow &row, RatingField field);

    // A click on the header of column `column` (1-based) sorts ascending by its field, for
    // columns 1 to 9; column 1 restores the rating order. False (nothing changed) otherwise.
    static bool sortByColumn(QList<RatingRow> &rows, int column);

    // The member values of a line in member number order, and their names.
    static QList<double> goalValues(const RatingRun &run, qsizetype goal);
    static QList<double> valueValues(const RatingRun &run, qsizetype value);
    static QStringList memberNames(const RatingRun &run);
};

// The geometry of a line chart over the members.
struct LineChart
{
    bool drawn = false; // nothing is drawn when the lowest and highest values are both 0
    double low = 0;
    double high = 0;
    QList<QPointF> points;  // one per member, joined in turn
    QList<double> guides;   // the vertical guide line of each member (x)
    QStringList valueTexts; // the value at each point
    QStringList names;      // the first four characters of each member's name, below the axis
    double baseline = 0;    // y of the axis
    double markY = 0;       // the horizontal line of the mean or norm
    QString markText;       // its value, shown beside it

    // Equal non-zero values lie on a flat line in the middle; the mark lies on it when equal,
    // at the top when above and at the bottom when below.
    static LineChart of(const QList<double> &values, const QStringList &names, double mark,
                        const QRectF &area, int places);
};

// `DrawGoalChart`: the goal-index line with its mean; `DrawValueChart`: the value line with its
// norm.
LineChart goalChart(const RatingRun &run, qsizetype goal, const QRectF &area);
LineChart valueChart(const RatingRun &run, qsizetype value, const QRectF &area);

// What the rank table is opened with from each tab. `text` is the window's text line.
RankTableSource ratingRankSource(const RatingRun &run, const QList<RatingRow> &rows,
                                 const QString &text);
RankTableSource goalRankSource(const RatingRun &run, qsizetype goal, const QString &text);
RankTableSource valueRankSource(const RatingRun &run, qsizetype value, const QString &text);

struct RatingWorkbooks
{
    static QString templateName(int tab); // "i1.XLS", "i2.XLS", "i3.XLS"
    // A number as the workbook takes it: the first "." becomes "," and at most three
    // characters follow it.
    static QString numberText(double value);
    // Sends tab 1 (the rating rows in `rows`' order), 2 or 3 with every member. True when the
    // workbook was written and the user told so.
    static bool exportTab(const RatingRun &run, const QList<RatingRow> &rows, int tab,
                          shell::ExcelLauncher &excel);
};

} // namespace zemor::analysis
