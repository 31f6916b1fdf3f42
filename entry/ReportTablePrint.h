#pragma once

// The printed tables of one report (`PrintReportTables`) without its windows: the pages of every
// table of the form, or of the current table only, laid out by the form catalogue. Each table
// gets its title, a heading with the column names, a line of column numbers and one line per
// row with the row's descriptive columns and its values; type-1 tables list one value per line
// instead. Report entry and the summary hand in their rows with exact values; the pages go to
// whatever page sink the caller holds (the preview, the printer, a PDF file).
//
// Layout rules:
// - Widths come from `GRA:L` in characters; one character is `unitsPerCharacter` report units,
//   and a report unit is a twentieth of a point (reportUnitMillimetres).
// - Columns are described by their own number (`GRA:COD`): value v of a row stands under the
//   column numbered offset + v, whatever order or gaps `grafa` has. A value column without a
//   description has a blank heading, the picture "@n_12" and that picture's width.
// - A value other than 0 is written with its column's picture, 0 as "   -".
// - A line holds at most 25 values and never passes the page's right edge; further values of a
//   row go on a continuation line under headings of their own. Type-1 lines keep the blanks of
//   the picture after their " -".
// - With only filled rows asked for, a table still prints its title and heading.
// - Pages break by a line counter: before a table title when it is above 30, before a row when
//   it is above 55 (the column numbers are repeated then), and whenever a band would not fit.
//
// Pure layout: nothing here reads a file or shows a window.

#include "entry/FormCatalogue.h"
#include "entry/ReportRows.h"
#include "runtime/report/PageList.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace zemor::entry {

struct TablePrintOptions
{
    QString heading;               // ?LOCNAME
    bool currentTableOnly = false; // ?PRNTAB 2 "Таблицу"
    bool filledRowsOnly = false;   // ?TIP1
};

class ReportTablePrint
{
public:
    static constexpr double unitsPerCharacter = 90;
    static constexpr double reportUnitMillimetres = 25.4 / 1440;
    static constexpr int valuesPerLine = 25;
    static constexpr int headingWidth = 170; // ?LOCNAME and the one-column band

    static QString parametersTitle() { return QStringLiteral("Параметры печати"); }
    static QString zeroText() { return QStringLiteral("   -"); }

    // The editable heading: the title, and with a period text and a year two blanks, the
    // year, "г." and the period text.
    static QString headingLine(const QString &title, const std::optional<QString> &periodText,
                               std::optional<int> year);

    // The width of `characters` characters in millimetres.
    static double millimetres(int characters);

    static runtime::report::PageList layOut(const FormCatalogue &catalogue, const QString &formName,
                                            const ReportRows &rows, qint64 currentTable,
                                            const TablePrintOptions &options,
                                            const QDateTime &printedAt);
};

} // namespace zemor::entry
