#pragma once

// The pages of a laid-out report, as ReportWriter produces them: each page is the list of items
// placed on it, in page coordinates (millimetres from the sheet's top-left corner), with every
// text final. The list is plain data of any length; pages are drawn only when they are shown,
// printed or written (PageRenderer), so a long report costs no page images.

#include "runtime/report/ReportDefinition.h"

#include <QList>
#include <QStringList>

namespace zemor::runtime::report {

struct ReportPage
{
    QList<ReportItem> items;

    // The texts of the page in the order they were placed (for tests and searches).
    QStringList texts() const;
};

struct PageList
{
    PageSetup setup;
    QList<ReportPage> pages;

    int count() const { return int(pages.size()); }
    bool isEmpty() const { return pages.isEmpty(); }
};

} // namespace zemor::runtime::report
