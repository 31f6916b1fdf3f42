#pragma once

// A rectangle of cells, rows and columns counted from 1, and the two ways of writing one: the
// R1C1 notation the program uses in items and commands ("R9C1", "R10C1:R40C6", letter case
// ignored) and the A1 notation of workbook files ("A9", "A10:F40"). Parsing refuses anything
// outside the sheet (1..1048576 rows, 1..16384 columns), relative references ("R[1]C") and
// reversed ranges are put in order. Plain value type.

#include <QString>

#include <optional>

namespace zemor::runtime::office {

struct CellRange
{
    static constexpr int kMaxRows = 1048576;
    static constexpr int kMaxColumns = 16384;

    int top = 1;
    int left = 1;
    int bottom = 1;
    int right = 1;

    static CellRange single(int row, int column) { return {row, column, row, column}; }

    int rowCount() const { return bottom - top + 1; }
    int columnCount() const { return right - left + 1; }
    bool contains(int row, int column) const
    {
        return row >= top && row <= bottom && column >= left && column <= right;
    }
    bool intersects(const CellRange &other) const
    {
        return top <= other.bottom && other.top <= bottom && left <= other.right &&
               other.left <= right;
    }

    // "R9C1" or "R9C1:R40C6".
    static std::optional<CellRange> parseR1C1(const QString &text);
    // Whole columns: "C3" or "C1:C5" (rows 1 to the last row).
    static std::optional<CellRange> parseR1C1Columns(const QString &text);
    // "A9" or "A9:F40".
    static std::optional<CellRange> parseA1(const QString &text);

    QString toR1C1() const;
    QString toA1() const;
    // The column letters of a column number: 1 "A", 27 "AA".
    static QString columnName(int column);

    friend bool operator==(const CellRange &, const CellRange &) = default;
};

} // namespace zemor::runtime::office
