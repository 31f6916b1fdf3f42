#pragma once

// The small decisions of report entry before a report is opened, kept apart from the windows
// that ask for the choices: the institution a district choice stands for, the period word of a
// report opened by its caller and the title of the entry window. Plain functions of their
// arguments.

#include <QString>

#include <optional>

namespace zemor::entry {

class EntryChoices
{
public:
    // The institution of a region installation's district choice: the region's summary for 250,
    // the districts' summary for 251, nullopt for a district below 250 (the institution is
    // picked from its list), 0 for any other district (nothing to open).
    static std::optional<qint32> institutionOfDistrict(int district);

    // The period word of a report opened by its caller: kinds 0 to 3 have theirs, weeks and
    // dates none.
    static QString givenReportKindWord(int periodKind);

    // The entry window's title: the district name, then " р-н, " for a rural district (code
    // below 100) or ", " for a city, then the institution's title.
    static QString titleWithDistrict(int district, const QString &districtName,
                                     const QString &title);
};

} // namespace zemor::entry
