#pragma once

// The printed cross-section laid out into pages (report P1$REPORT): each page of
// CrossSectionOutput::pages() starts a new sheet, A4 landscape, with the heading (wrapped over
// as many lines as it needs) and the column band (region, for institutions the institution, and
// nine mark captions) at the top of every sheet and one band per result row. A page whose rows do
// not fit goes on over further sheets with the same headings. The preview shows the pages and
// prints them through the page sink. The heading's lines are measured in its type, which needs the
// application's fonts (a QGuiApplication).

#include "analysis/crosssections/CrossSectionOutput.h"
#include "runtime/report/PageList.h"

namespace zemor::analysis {

struct CrossSectionPrint
{
    static runtime::report::PageList layOut(const QList<CrossSectionPage> &pages,
                                            CrossSectionGrouping grouping);
};

} // namespace zemor::analysis
