#pragma once

// The rank table: one column of values of a caller's list, each line with its value, its rank
// (highest value first, equal values share a rank, no gaps) and the number of the value range
// it falls into. Up to five ranges: equal ranges between a minimum and a maximum, three ranges
// around a mean the caller gives, or bounds typed by hand and then assigned.
//
// The table keeps a shared copy of the caller's lines and never changes them. Values and range
// bounds are held with 3 places; the minimum, the maximum and the step are the doubles the
// window edits. When the lines are districts (the caller passes district codes), codes below 200
// count for the minimum and maximum, the line with code 250 is the region's own value, and the
// map can be drawn; its bounds are the table's own 3-place bounds, so every district is coloured
// for the range the table shows. A caller whose codes are not district codes (institution codes,
// series points) passes none.
//
// Nothing here fails: typed counts are clamped to 1..5 and typed numbers beyond what a bound can
// hold are held at the largest bound. The window owns one RankTable for as long as it is open.

#include "analysis/common/IndicatorMap.h"
#include "runtime/decimal/Decimal.h"
#include "runtime/picture/Picture.h"

#include <QList>
#include <QString>
#include <QVariantList>

#include <array>
#include <optional>
#include <utility>
#include <vector>

namespace zemor::analysis {

// One line of the caller's list as handed to the rank table.
struct RankLine
{
    QString name;
    runtime::Decimal value;
    int codReg = 0; // district code; read only when the table is given district codes
    QString codStr; // line code; read only when the table is given line codes
    QString extra;  // extra text; read only when the table is given extra texts
};

// What the caller hands over besides its lines.
struct RankTableSource
{
    QList<RankLine> lines;
    std::optional<runtime::Decimal> mean; // three ranges around it when given
    int year = 0;                         // ?PYEAR
    bool districtCodes = false;           // the lines are districts: codes and the map
    bool lineCodes = false;               // QS:CODSTR filled; no map
    bool extraTexts = false;              // names followed by " (" extra ")"
    QString title;                        // ?PNAME, also the map's title
    QString subtitle;                     // ?PNAMEGR
    QString picture; // the display picture of the values in the list; blank: the plain value
};

// One rank row (QS). Its name and line code are the caller's line's (RankTable::name(),
// codStr()); the row keeps which line it is.
struct RankRow
{
    qsizetype line = 0; // the caller's line, counted from 0 in list order
    qint64 units = 0;   // the value in thousandths
    int rank = 0;
    int range = 0;  // 0: in no range
    int codReg = 0; // 0 without district codes

    // The value with 3 places; the map is handed the same value (QS:DATES).
    runtime::Decimal data() const { return runtime::Decimal::fromUnits(units, 3); }
};

class RankTable
{
public:
    static constexpr int maxRangeCount = 5;
    static constexpr int defaultRangeCount = 3;
    static constexpr int places = 3;
    static constexpr int regionCode = 250;
    static constexpr int firstNonDistrictCode = 200; // codes below are districts

    // The list's fields in column order (for the window's list).
    enum Field { CodStr, Name, Data, Rank, Range, CodReg, FieldCount };

    // Fills, ranks, sets the first ranges and assigns them.
    explicit RankTable(const RankTableSource &source);

    const QList<RankRow> &rows() const { return m_rows; }
    // The row's name (with its extra text when the caller passed them) and line code.
    QString name(const RankRow &row) const;
    QString codStr(const RankRow &row) const;
    // The rows as list lines: QString, QString, Decimal (the value under the caller's picture,
    // as text, when it gave one), int, int, int.
    QList<QVariantList> listLines() const;

    int year() const { return m_year; }
    const QString &title() const { return m_title; }
    const QString &subtitle() const { return m_subtitle; }
    // "Карта" is offered only for districts without line codes.
    bool mapAvailable() const { return m_mapAvailable; }
    // The value of the line with code 250 (0 when there is none).
    const runtime::Decimal &regionValue() const { return m_regionValue; }

    double minimum() const { return m_minimum; }
    double maximum() const { return m_maximum; }
    double step() const { return m_step; }
    int rangeCount() const { return m_rangeCount; }
    void setMinimum(double value) { m_minimum = value; }
    void setMaximum(double value) { m_maximum = value; }
    void setStep(double value) { m_step = value; }
    // The count accepted: clamped to 1..5; the step follows it, the bounds stay as they are.
    void setRangeCount(int count);

    // Bounds of range 1..5 (0 for a range beyond the count).
    const runtime::Decimal &lowerBound(int range) const;
    const runtime::Decimal &upperBound(int range) const;
    // Bounds typed by hand, rounded to 3 places. Ranges outside 1..5 are ignored.
    void setBounds(int range, const runtime::Decimal &lower, const runtime::Decimal &upper);

    // "Расчет ": equal ranges of the step from the minimum; the maximum follows the step.
    void splitRangesEvenly();
    // Each row gets the first range that holds its value; a row in no range keeps its number.
    void assignRanges();

    // The bounds of ranges 1..count in the order lower 1, upper 1, lower 2, ... (3 places).
    QList<runtime::Decimal> mapBounds() const;
    // Everything the map is drawn from.
    IndicatorMapSource mapSource() const;

private:
    std::vector<std::pair<qint64, qsizetype>> fill();
    void rank(std::vector<std::pair<qint64, qsizetype>> keys);
    void setRangesAroundMean(const runtime::Decimal &mean);
    static int clampedCount(int count);

    QList<RankRow> m_rows;
    std::optional<runtime::Picture> m_picture;
    std::optional<runtime::Decimal> m_mean;
    int m_year = 0;
    QString m_title;
    QString m_subtitle;
    bool m_mapAvailable = false;
    QList<RankLine> m_lines; // the caller's lines, shared, never changed
    bool m_districtCodes = false;
    bool m_lineCodes = false;
    bool m_extraTexts = false;
    runtime::Decimal m_regionValue;
    double m_minimum = 0;
    double m_maximum = 0;
    double m_step = 0;
    int m_rangeCount = defaultRangeCount;
    std::array<runtime::Decimal, maxRangeCount> m_lower{};
    std::array<runtime::Decimal, maxRangeCount> m_upper{};
};

} // namespace zemor::analysis
