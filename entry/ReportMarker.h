#pragma once

// The report-in-use marker of one report: a `WWOD` record (year, institution, form) that exists
// while the report is open in report entry, on any installation that shares the working
// directory. It is advisory: a marker found at opening means that someone else has the report
// open, or that a program stopped without removing it.
//
// A marker belongs to the session that added it, or that went on over a marker it found
// (adopt(), the user's "continue"); release() removes the marker only when it belongs to this
// session, so a session that was refused never removes another one's marker. `WWOD` is opened
// for each operation and closed after it. A failed opening is returned and never taken for "no
// marker": nothing is added after it.

#include "runtime/core/Error.h"

namespace zemor::data {
class DataContext;
}

namespace zemor::entry {

class ReportMarker
{
public:
    enum class Take { Taken, InUse };

    ReportMarker(data::DataContext &context, int year, qint32 institution, qint64 form)
        : m_context(context), m_year(year), m_institution(institution), m_form(form)
    {
    }

    // Adds the marker when there is none (Taken) or reports that there is one (InUse).
    [[nodiscard]] runtime::Result<Take> take();
    // Goes on over a marker found by take(): it now belongs to this session.
    void adopt() { m_held = true; }
    // Removes the marker when it belongs to this session (a missing one is not an error).
    [[nodiscard]] runtime::Status release();
    bool held() const { return m_held; }
    // Whether a marker for the report exists now, whoever set it.
    [[nodiscard]] runtime::Result<bool> exists();

private:
    data::DataContext &m_context;
    int m_year;
    qint32 m_institution;
    qint64 m_form;
    bool m_held = false;
};

} // namespace zemor::entry
