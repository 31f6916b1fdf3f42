#include "analysis/indicators/IndicatorNumbers.h"

#include "data/Codes.h"

#include <cmath>

namespace zemor::analysis {

using namespace Qt::StringLiterals;
using runtime::Decimal;
using runtime::ErrorCode;
using runtime::Status;

Status SlotSums::add(int slot, double value)
{
    if (!isResultSlot(slot) || value == 0)
        return {};
    const auto where = u"слот %1"_s.arg(slot);
    if (!std::isfinite(value))
        return runtime::fail(ErrorCode::Overflow, where, u"значение не число"_s);
    auto entered = Decimal::fromDouble(value, 3);
    if (!entered)
        return runtime::fail(ErrorCode::Overflow, where, u"значение не помещается в сумму"_s);
    return add(slot, *entered);
}

Status SlotSums::add(int slot, const Decimal &value)
{
    if (!isResultSlot(slot) || value.isZero())
        return {};
    const auto where = u"слот %1"_s.arg(slot);
    Decimal &sum = m_sums[size_t(slot - 1)];
    auto added = sum.add(value);
    if (!added)
        return runtime::fail(ErrorCode::Overflow, where, u"сумма не помещается"_s);
    auto fitted = added->fitted(m_digits, 3);
    if (!fitted)
        return runtime::fail(
            ErrorCode::Overflow, where,
            u"сумма %1 не помещается в %2 знаков"_s.arg(added->toString()).arg(m_digits));
    sum = *fitted;
    return {};
}

double SlotSums::value(int slot) const
{
    return isResultSlot(slot) ? m_sums[size_t(slot - 1)].toDouble() : 0.0;
}

bool equalUpToRounding(double a, double b)
{
    if (a == b)
        return true;
    if (!std::isfinite(a) || !std::isfinite(b))
        return false;
    const auto ra = Decimal::fromDouble(a, 6);
    const auto rb = Decimal::fromDouble(b, 6);
    if (!ra || !rb)
        return false; // too large for six places: only the same value is equal
    return *ra == *rb;
}

bool districtFilterHolds(int filter, int district)
{
    switch (filter) {
    case 0:
        return true;
    case data::DistrictGroupDistricts:
        return district <= data::LastRuralDistrict;
    case data::DistrictGroupCities:
        return district == data::LargeCityFirst || district == data::LargeCitySecond;
    case data::DistrictGroupMunicipal:
        return district < 200;
    default:
        return district == filter;
    }
}

bool populationFilterHolds(int filter, int district)
{
    if (filter == data::RegionalInstitutionsDistrict)
        return true;
    return districtFilterHolds(filter, district);
}

bool scopeHolds(int scope, int district)
{
    switch (scope) {
    case 1:
        return district >= 200;
    case 2:
        return district >= data::FirstCity && district <= data::LastCity;
    case 3:
        return district < data::FirstCity;
    default:
        return true;
    }
}

QString plainNumber(double value)
{
    if (!std::isfinite(value))
        return u"0"_s;
    const auto d = Decimal::fromDouble(value, 6);
    return d ? d->toString() : QString::number(value, 'g', 15);
}

} // namespace zemor::analysis
