#pragma once

// The display rows of an indicator run (`IndicatorDisplayRow`), ready for the result list, the
// chart, the print and the workbook: one row per shown result row with its number or code text,
// its name and its value cells. Built from the run's years by buildIndicatorDisplay(), which
// only reads its arguments; the names of places and rows are handed in (readPlaceNames(),
// readFormRowNames()).
//
// By district: the rows in code order (with population groups: group by group, each closed by
// its group row), numbered by their place; districts named from `region1` ("?reg-" & code when
// missing), "+обл.ЛПУ" rows from the institutions ("?lpu-" & code), "ВСЕГО ", "По районам" and
// the group rows by their texts; other codes are not shown. By institution: "Всего" and each
// institution named by its district and name, ordered by district and kind and numbered 1..n,
// so "Всего" is row 1; an institution that is not in the list stays unnamed and is told
// ("Ошибка код ЛПУ--" & code). By rows: named and ordered as orderNosologyRows() says.
//
// Cells: slot k in column k, or with "за 2 года" in columns 2k (the year) and 2k - 1 (the year
// before, only for rows the year has); a series puts each year's value of its slot into the
// year's column. With population groups the population shows in the last shown column.

#include "analysis/indicators/FormulaText.h"
#include "analysis/indicators/IndicatorDefinition.h"
#include "analysis/indicators/IndicatorResult.h"
#include "analysis/indicators/NosologyComputation.h"
#include "runtime/core/Error.h"

#include <QHash>
#include <QList>
#include <QString>

#include <array>

namespace zemor::data {
class DataContext;
}

namespace zemor::analysis {

inline constexpr int displayCellCount = 40;

// `IndicatorDisplayRow`.
struct IndicatorDisplayRow
{
    QString codeText;                            // QTAB:CODSTR
    QString name;                                // QTAB:REG
    std::array<QString, displayCellCount> cells; // QTAB:DATA1..40
    double rank = 0;                             // QTAB:RANG: the row code, later the ranked value
    int number = 0; // QTAB:NUMBER: the order (by rows) or the code (by district)
    int code = 0;
};

struct InstitutionName
{
    QString name; // BOL:NAZV
    int district = 0;
    int kind = 0; // BOL:VID
};

// The names of districts and institutions.
struct PlaceNames
{
    QHash<int, QString> districts;
    QHash<int, InstitutionName> institutions;
};

struct IndicatorDisplay
{
    QList<IndicatorDisplayRow> rows;
    int columns = 0;         // the value columns shown
    ColumnPictures pictures; // by shown column (the population column's included)
    QList<FormulaNotice> notices;
};

// `pictures`: the definition's column pictures (loadColumnPictures()). `formRows` and `listed`
// name the rows of the by-rows layout.
IndicatorDisplay buildIndicatorDisplay(const IndicatorRun &run, const ColumnPictures &pictures,
                                       const PlaceNames &names,
                                       const QHash<int, FormRowName> &formRows = {},
                                       const QList<FormulaRowLine> &listed = {});

// The names of `region1` and `boln`, read-only.
[[nodiscard]] runtime::Result<PlaceNames> readPlaceNames(data::DataContext &data);

// What the rank table takes from a cell: a text with "/" counts 0; otherwise the number with at
// most two places (cut, not rounded).
double rankValue(const QString &cell);

// The chart's range over every value cell of every row but "ВСЕГО ", both starting at 0.
std::pair<double, double> chartRange(const QList<IndicatorDisplayRow> &rows, int columns);

} // namespace zemor::analysis
