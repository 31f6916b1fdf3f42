#include "shell/InstitutionListing.h"

#include "data/Codes.h"
#include "data/records/BolnRecord.h"
#include "shell/AppState.h"

namespace zemor::shell {

namespace {

constexpr quint8 kSettlementLeftOut = 3;

} // namespace

InstitutionListing InstitutionListing::forPicking(const AppState &state, bool formCodeGiven)
{
    InstitutionListing listing;
    listing.m_year = state.globYear;
    listing.m_onlyOwnInstitution =
        state.globTipUser == static_cast<quint8>(data::UserType::Institution);
    listing.m_ownCode = state.globKodUser;
    listing.m_formCodeGiven = formCodeGiven;
    return listing;
}

InstitutionListing InstitutionListing::forList(int year)
{
    InstitutionListing listing;
    listing.m_year = year;
    listing.m_negativeCloseYearCloses = false;
    listing.m_withoutReservedCodes = true;
    return listing;
}

bool InstitutionListing::isReservedCode(qint32 code)
{
    return code == 998 || code == 999;
}

std::optional<qint32> InstitutionListing::attachedTo(const data::BolnRecord &institution)
{
    bool isNumber = false;
    const qint64 parent = institution.s().mid(2, 5).trimmed().toLongLong(&isNumber);
    if (!isNumber)
        return std::nullopt;
    return static_cast<qint32>(parent);
}

bool InstitutionListing::existsInYear(const data::BolnRecord &institution) const
{
    const qint16 closed = institution.eYear();
    const bool closesAtAll = m_negativeCloseYearCloses ? closed != 0 : closed > 0;
    if (closesAtAll && closed < m_year)
        return false;
    return institution.sYear() <= m_year;
}

bool InstitutionListing::isListed(const data::BolnRecord &institution) const
{
    if (!existsInYear(institution))
        return false;
    if (m_withoutReservedCodes && isReservedCode(institution.unicod()))
        return false;
    if (institution.sel() == kSettlementLeftOut)
        return false;
    if (!m_onlyOwnInstitution)
        return true;
    const qint32 code = institution.unicod();
    if (code < data::AttachedUnitBase) {
        if (code == m_ownCode)
            return true;
        return attachedTo(institution) == m_ownCode;
    }
    return !m_formCodeGiven || code == m_ownCode + data::AttachedUnitBase;
}

} // namespace zemor::shell
