#pragma once

// The printed list of failed control rules (`PrintFailedControls`, report `P1$REPORT`): a page
// header with the year and the sheet number, the heading line "НЕ ВЫПОЛНЕН КОНТРОЛЬ ", then one
// line per failure with its rule id and the first 200 characters of its text, in list order.
// The text cell holds two lines, so that 200 characters are never cut on an A4 sheet.
//
// Plain layout work through runtime/report: no file, no printer, no failure mode. The pages go
// out through a ReportOutput.

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
    // The records of the report: the heading line first, then one per failure.
    static QList<runtime::report::ReportRecord> records(const QList<ControlFailure> &failures);
    static runtime::report::PageList pages(const QList<ControlFailure> &failures, int year);
};

} // namespace zemor::entry::ui
