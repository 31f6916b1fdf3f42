#pragma once

// The printed form of a result list: a page header with the list's title lines and the column
// headings, then one line per entry with a text per column, after the last entry the closing
// lines across the whole width (what a run did not check, its notes), and "Лист" with the page
// number at the foot of every page. Used by the lists of the control runs and the inter-form
// controls. Always at least one page (the header alone for an empty list). Pure layout; measuring
// the texts of wrapped columns needs a QGuiApplication.

#include "runtime/report/PageList.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace zemor::entry {

struct ListReportColumn
{
    QString heading;
    double width = 0; // millimetres
    Qt::Alignment alignment = Qt::AlignLeft;
    bool wrap = false; // a longer text goes on over further lines of its entry, never cut
};

runtime::report::PageList printList(const QStringList &titleLines,
                                    const QList<ListReportColumn> &columns,
                                    const QList<QStringList> &rows,
                                    const QStringList &closingLines = {});

} // namespace zemor::entry
