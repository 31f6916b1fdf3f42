#pragma once

// Which institutions of `boln` a list shows: one model that the pick list, the list of
// institutions and every run over institutions (runs, completeness, summaries) share, so that
// they agree on which institution exists in a year and who may see it.
//
// Every listing leaves out an institution that opens after the year (BOL:SYEAR above it), one
// closed before the year, and one left out of lists (BOL:SEL 3). The lists differ in details
// that stored data has always been read with:
// - picking: closed when BOL:EYEAR is not 0 and below the year; an installation of one
//   institution sees only that institution and those attached to it (characters 3 to 7 of
//   BOL:S), and of the attached units (codes from 7000) only its own when a form is given;
// - the list of institutions: closed when BOL:EYEAR is above 0 and below the year; the codes
//   998 and 999, kept in `boln` for the program's own use, are left out.

#include <QtGlobal>

#include <optional>

namespace zemor::data {
class BolnRecord;
}

namespace zemor::shell {

struct AppState;

class InstitutionListing
{
public:
    // The institution pick list of the process state's year and user.
    static InstitutionListing forPicking(const AppState &state, bool formCodeGiven);
    // The list of institutions ("Список ЛПУ") of `year`.
    static InstitutionListing forList(int year);

    bool isListed(const data::BolnRecord &institution) const;

    // Whether the institution exists in `year` by the pick list's rule.
    bool existsInYear(const data::BolnRecord &institution) const;
    // The institution this one is attached to (characters 3 to 7 of BOL:S), when they hold a
    // number.
    static std::optional<qint32> attachedTo(const data::BolnRecord &institution);
    // 998 and 999: codes of `boln` that are no institutions.
    static bool isReservedCode(qint32 code);

private:
    InstitutionListing() = default;

    int m_year = 0;
    bool m_negativeCloseYearCloses = true;
    bool m_withoutReservedCodes = false;
    bool m_onlyOwnInstitution = false; // an installation of one institution
    qint32 m_ownCode = 0;
    bool m_formCodeGiven = false;
};

} // namespace zemor::shell
