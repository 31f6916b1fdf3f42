#pragma once

// Lays a report out into pages. The caller hands in the detail records in report order (sorted
// by the group keys, outermost first) and then asks for the pages:
//
//     ReportWriter writer(definition);
//     for (const ReportRecord &r : rows)
//         writer.add(r);
//     PageList pages = writer.finish();
//
// A band goes onto the current page when it fits above the page footer, else onto a new page; a
// band taller than a whole page body gets a page of its own and is cut at the footer. A group
// header is moved to the next page rather than left alone at the bottom of one (it needs room
// for itself, the headers below it and one detail band). Page headers take their fields from the
// first record placed on the page, page footers from the last; group footers from the last
// record of their group. A band that grows takes, for each record, the height its word-wrapped
// texts need (measured with the fonts, so a QGuiApplication must exist).
//
// A report without records has no pages, whatever its headers, unless its definition asks for
// one page without records (pageWithoutRecords). The writer has no failure mode;
// it owns its copy of the definition and of the pages until finish() hands them over.

#include "runtime/report/PageList.h"
#include "runtime/report/ReportDefinition.h"

namespace zemor::runtime::report {

class ReportWriter
{
public:
    explicit ReportWriter(ReportDefinition definition);

    void add(const ReportRecord &record);
    // Ends the current page: the next band starts a new one (nothing happens on a page that
    // holds nothing yet).
    void breakPage();
    // Closes the open groups, places the report footer and the last page footer and returns the
    // pages with "{pages}" filled in. The writer is empty afterwards.
    PageList finish();

    int pageCount() const { return int(m_pages.size()); }

    // The text of `templ` for a record and page (the template rules of ReportDefinition).
    static QString expand(const QString &templ, const ReportRecord &record, int page, int pages);

private:
    struct Placed
    {
        ReportItem item; // in page coordinates, text still a template
        ReportRecord record;
    };
    struct Page
    {
        QList<Placed> items;
    };

    void place(const Band &band, const ReportRecord &record, double keepWith = 0);
    static Band grown(const Band &band, const ReportRecord &record);
    void startPage(const ReportRecord &record);
    void endPage();
    bool pageHasBody() const;
    double bodyTop() const;
    double bodyBottom() const;
    void openGroupsFrom(int level, const ReportRecord &record);
    void closeGroupsFrom(int level);
    double headerRoom(int level) const;

    ReportDefinition m_definition;
    QList<Page> m_pages;
    bool m_pageOpen = false;
    double m_y = 0;
    bool m_started = false;
    ReportRecord m_previous;   // the last record added
    ReportRecord m_lastOnPage; // the last record placed on the open page
};

} // namespace zemor::runtime::report
