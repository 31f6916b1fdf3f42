#pragma once

// What the indicator result window shows and hands on, as plain values: its title, the list's
// format, the chart of a row (in window units, for runtime/ui's DrawingSurface), the rows that
// remain with "только заполненные строки", the workbook sent through the Excel launcher and the
// printed table laid out into pages. The window only shows what these give.
//
// The list shows each display row's number or code text, its name and its value cells; the
// cells are in display order (with "за 2 года" the year before, then the year, for each
// column). A run with population groups shows the population in its last column ("Население").
// The workbook takes at most 30 value cells a row, the print at most 25.

#include "analysis/common/RankTable.h"
#include "analysis/crosssections/CrossSectionOutput.h"
#include "analysis/indicators/IndicatorDefinition.h"
#include "analysis/indicators/IndicatorDisplay.h"
#include "analysis/indicators/IndicatorResult.h"
#include "runtime/report/PageList.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace zemor::shell {
class ExcelLauncher;
}

namespace zemor::analysis {

// The run as the output needs it, besides the display rows.
struct IndicatorOutputInput
{
    const IndicatorRun *run = nullptr;
    QList<IndicatorColumn> columns; // the definition's column records, in column order
    ChosenRow chosen;               // the row of a run by place (blank by rows)
    int year = 0;                   // the reporting year
    QList<int> seriesYears;         // the years of a series, in order
};

class IndicatorOutput
{
public:
    static QString windowTitle() { return QStringLiteral("Показатели"); }
    static QString chooseColumnText()
    {
        return QStringLiteral("Выберите мышкой колонку|(двойное нажатие левой кнопки мыши)");
    }
    static QString populationHeading() { return QStringLiteral("Население"); }
    // The workbook templates: the common one, used whenever the definition names none or the
    // run is a series or "за 2 года".
    static QString commonTemplate() { return QStringLiteral("RAS.XLS"); }
    static constexpr int excelCells = 30;
    static constexpr int printedCellCount = 25;

    // The result title: the definition's name, ":" and the chosen row's name (with its "(pol)"),
    // by rows followed by the caller's title.
    static QString resultTitle(const IndicatorOutputInput &input);

    // The number of value cells a display row shows in the list.
    static int listCells(const IndicatorOutputInput &input, const IndicatorDisplay &display);

    // The list's format: the stored one of a plain run when there is one, otherwise built from
    // the layout, the series years or the column records (kind 1: up to the highest column that
    // holds a value).
    static QString listFormat(const IndicatorOutputInput &input, const IndicatorDisplay &display,
                              const std::optional<QString> &stored);

    // The value of a cell as the chart takes it (a text cell is 0).
    static double cellNumber(const QString &cell);
    // The chart of one display row over its first `cells` cells; nothing when the range is
    // empty.
    static QList<ChartItem> chart(const IndicatorDisplayRow &row, int cells,
                                  std::pair<double, double> range);

    // What "Ранг" hands to the rank table: the cell of list column `listColumn` (0-based; the
    // value columns from 2 on) of every row as the rank table takes it (rankValue()); nothing
    // when the column is not a value column (the user is then told chooseColumnText()).
    static std::optional<QList<double>> rankValues(const QList<IndicatorDisplayRow> &rows,
                                                   int listColumn);
    // OpenRankTable: the rank table over the same column: every row's name with its value
    // (rankValues()), the run's year, the district codes of a by-district run (none otherwise),
    // the result title, the column's heading and its picture (from `pictures`, the display's, by
    // shown column); nothing when the column is not a value column.
    static std::optional<RankTableSource> rankSource(const IndicatorOutputInput &input,
                                                     const QList<IndicatorDisplayRow> &rows,
                                                     int listColumn,
                                                     const ColumnPictures &pictures);

    // "только заполненные строки": the rows with at least one of cells 1..`cells` not blank.
    static QList<IndicatorDisplayRow> filledRows(const QList<IndicatorDisplayRow> &rows, int cells);

    // The workbook template the export starts from.
    static QString workbookTemplate(const IndicatorOutputInput &input);
    // ExportIndicatorsToExcel; true when the workbook was written and the user told so.
    static bool exportToExcel(const IndicatorOutputInput &input,
                              const QList<IndicatorDisplayRow> &rows, shell::ExcelLauncher &excel);

    // PrintIndicatorTable: the printed table, laid out into pages (A4 landscape). `now` is the
    // print's date and time.
    static runtime::report::PageList printPages(const IndicatorOutputInput &input,
                                                const QList<IndicatorDisplayRow> &rows,
                                                const QDateTime &now);

    // The value cells a printed line holds and their headings, as the print lays them out.
    struct PrintedCell
    {
        QString heading;
        QString number; // the column number of the by-rows and by-institution layouts
        int width = 9;  // in print units
        int cell = 0;   // the display cell (1-based)
    };
    static QList<PrintedCell> printedCells(const IndicatorOutputInput &input);
};

} // namespace zemor::analysis
