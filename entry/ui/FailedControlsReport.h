#pragma once

// The printed list of failed control rules (`PrintFailedControls`, report `P1$REPORT`): a page
// header with the year and the sheet number, the heading line "НЕ ВЫПОЛНЕН КОНТРОЛЬ ", then one
// line per failure with its rule id and the first 200 characters of its text, in list order.
// A text wider than the sheet goes on over as many further lines as it needs (failure texts have
// no blanks to break at, so it is broken before a term where it can be, else anywhere): no
// character of it is cut off at the margin.
//
// Plain layout work through runtime/report: no file, no printer, no failure mode. The pages go
// out through a page sink.

#include "entry/ControlFailure.h"
#include "runtime/report/PageList.h"
#include "runtime/report/ReportDefinition.h"

#include <QList>
#include <QString>

namespace zemor::entry::ui {

class FailedControlsReport
{
public:
    static QString heading() { return QStringLiteral("НЕ ВЫПОЛНЕН КОНТРОЛЬ "); }
    static constexpr int printedTextLength = 200;

    static runtime::report::ReportDefinition definition();
    // The records of the report: the heading line first, then one per printed line of every
    // failure (the rule id on its first line only).
    static QList<runtime::report::ReportRecord> records(const QList<ControlFailure> &failures);
    static runtime::report::PageList pages(const QList<ControlFailure> &failures, int year);

    // `text` broken into lines no wider than `width` millimetres in the detail font.
    static QStringList breakLines(const QString &text, double width);
    // The width of the text cell of a detail line, in millimetres.
    static double textWidth();
};

} // namespace zemor::entry::ui
