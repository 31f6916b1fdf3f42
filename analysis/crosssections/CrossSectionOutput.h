#pragma once

// What the result of a cross-section shows, prints and sends to the spreadsheet, without
// widgets: the order of the result rows, the removal of empty rows, the texts that name a
// mark's period and its cell, the value range, the chart of a clicked row as lines and texts in
// window units (to be drawn on runtime/ui's DrawingSurface), the printed pages and the workbook.
//
// A row is empty only when every one of its values is 0: a row of +5 and -5 stays. Printing
// shows at most 27 marks, nine a page; the workbook and the chart take every mark. A workbook
// that cannot be made (the launcher answers channel 0) stops the export at once: nothing more is
// sent and no success is told. Nothing here reads or writes report data.

#include "analysis/crosssections/CrossSectionBuild.h"
#include "analysis/crosssections/CrossSectionMarks.h"
#include "runtime/decimal/Decimal.h"

#include <QColor>
#include <QList>
#include <QPoint>
#include <QString>

namespace zemor::shell {
class ExcelLauncher;
}

namespace zemor::analysis {

// What the output needs besides the result: the window's state.
struct CrossSectionHeading
{
    QString formName; // the caller's form name
    QString title;    // the summary title (?LOCNAME:2)
    qint32 year = 0;  // ?LOCYEAR
    int periodKind = 0;
};

// One drawn element of a chart, in window units.
struct ChartItem
{
    enum class Kind { Line, Text };
    Kind kind = Kind::Line;
    QList<QPoint> points; // Line: two or more points; Text: its position
    QString text;
    QColor color;
    int penWidth = 1;

    bool operator==(const ChartItem &) const = default;
};

struct ValueRange
{
    runtime::Decimal minimum;
    runtime::Decimal maximum;
    bool operator==(const ValueRange &) const = default;
};

// One printed page: the nine column headings and, per result row, its texts and nine values.
struct CrossSectionPage
{
    QString heading;
    QStringList columnHeadings; // nine, blank where the page has fewer marks
    struct Line
    {
        QString region;
        QString name;       // by institutions only
        QStringList values; // nine, blank where the page has fewer marks
    };
    QList<Line> lines;
};

enum class RowOrder { Districts = 1, Places = 2, Kinds = 3, Settlements = 4 }; // "Сортировка"

class CrossSectionOutput
{
public:
    static constexpr int marksPerPage = 9;
    static constexpr int printedMarks = 27;
    static QString byDistrictsTemplate() { return QStringLiteral("RAS.XLS"); }
    static QString byInstitutionsTemplate() { return QStringLiteral("RAS1.XLS"); }
    static QColor clickedColor() { return QColor(255, 0, 0); }
    static QColor otherColor() { return QColor(0x80, 0x80, 0x80); }

    // The order of the result: 1 and 2 by district, kind; 3 by kind, district; 4 by
    // settlement, district, kind. The total row (250/250/250) comes last in each.
    static void sortRows(QList<CrossSectionRow> &rows, RowOrder order);
    // The result list: the value slots it shows (1 .. 35 of the marks; by rows those of the
    // current table, each headed by its period) with their headings, and its list format.
    struct Column
    {
        int slot = 0;
        QString heading;
    };
    static QList<Column> resultColumns(const CrossSectionResult &result, qint64 form, qint64 table);
    static QString resultFormat(const CrossSectionResult &result, qint64 form, qint64 table);

    // "Только заполненные строки": every row whose values are all 0 goes, the total too.
    static void removeEmptyRows(QList<CrossSectionRow> &rows);
    // "ВСЕГО : " and the number of rows other than the total.
    static QString rowCountText(const QList<CrossSectionRow> &rows);
    // The row line: district clipped, a blank and the name.
    static QString rowText(const CrossSectionRow &row);

    // CrossSectionPeriodText: the period of a mark for the workbook's headings. Monthly texts
    // begin with the year when the mark's year or `lastYearRead` differs from `heading.year`.
    static QString periodText(const CrossSectionMark &mark, int periodKind, qint32 year,
                              qint32 lastYearRead);
    // MarkCaption: the period, row and column of a mark.
    static QString caption(const CrossSectionMark &mark, int periodKind);
    // The text form of a value, and as the workbook takes it (decimal comma, at most three
    // places).
    static QString valueText(const runtime::Decimal &value);
    static QString excelValueText(const runtime::Decimal &value);

    // ComputeValueRange over the first `count` values of every row (the total included), and
    // of one row; neither bound is ever on the wrong side of 0.
    static ValueRange valueRange(const QList<CrossSectionRow> &rows, int count);
    static ValueRange valueRange(const CrossSectionRow &row, int count);

    // DrawCrossSectionChart: the chart of `clicked` (an index into `rows`) over the first `count`
    // values. `general` ("График общий") draws the other rows too; `oneRow` alone ("График по
    // 1строке") scales by the clicked row's own range instead of `tableRange`. Empty when the
    // range is 0..0.
    static QList<ChartItem> chart(const QList<CrossSectionRow> &rows, int clicked, int count,
                                  const ValueRange &tableRange, bool general, bool oneRow);

    // PrintCrossSection: the pages, at most three.
    static QList<CrossSectionPage> pages(const CrossSectionResult &result,
                                         const QList<CrossSectionRow> &rows,
                                         const CrossSectionHeading &heading);

    // ExportCrossSectionToExcel; true when the workbook was written and the user told so.
    static bool exportToExcel(const CrossSectionResult &result, const QList<CrossSectionRow> &rows,
                              const CrossSectionHeading &heading, shell::ExcelLauncher &excel);
};

} // namespace zemor::analysis
