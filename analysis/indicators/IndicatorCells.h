#pragma once

// How an indicator's result values are shown (`FormatResultRow`): which display column a result
// slot goes to, the text of each cell, and how many columns a run shows. Pure functions; the
// result window only shows what they give.
//
// A cell is blank for 0 (and for what is not a finite number, which a cell never shows); a
// text cell of the steps shows as two blanks and its text; any other value is formatted with
// its slot's picture, with adaptive precision when the slot asks for it (a value too small for
// the picture's places gets 2 to 6 places: "n7.2", "n7.3", "n7.4", "n8.5", "n9.6"; in a time
// series "n_7.2" to "n_7.4"). The decimal point shows as a comma, with at most six places after
// it.
//
// The shown column count is worked out for each run from the definition as loaded and is never
// written back: a time series shows its years; population groups add one column for the
// population while the definition has fewer than 30, and with 30 or more the last column shows
// the population in place of its own value.

#include "analysis/indicators/IndicatorDefinition.h"
#include "analysis/indicators/IndicatorResult.h"

#include <QString>

namespace zemor::analysis {

inline constexpr int displayColumnCount = 40;

class IndicatorCells
{
public:
    // A value under a slot's picture (empty or blank picture: "@S15").
    static QString formatValue(double value, const QString &picture, bool adaptive, bool series);

    // `FormatResultRow` for slot `slot` of `row`: the cell's text.
    static QString formatCell(const IndicatorResultRow &row, int slot, const YearResult &year,
                              const ColumnPictures &pictures, bool series);

    // The display column of slot `slot`: the slot itself; with "за 2 года" 2 * slot (the year)
    // or 2 * slot - 1 (the year before); 0 when that lies beyond the 40 columns.
    static int displayColumn(int slot, bool twoYears, bool previousYear);

    // The columns a run shows: the years of a series, otherwise the definition's own count,
    // plus the population column of population groups while it has fewer than 30.
    static int shownColumns(const IndicatorRun &run);
    // The column that shows the population with population groups (0 without them).
    static int populationColumn(const IndicatorRun &run);
    // Its picture.
    static QString populationPicture() { return QStringLiteral("@n_8"); }

    // Kind 1: the highest column up to `columns` holding a value other than 0 in any row; the
    // population column (`populationColumn`, 0 for none) holds slot 40.
    static int highestFilledColumn(const YearResult &year, int columns, int populationColumn);
};

} // namespace zemor::analysis
