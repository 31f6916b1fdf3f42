#include "data/Codes.h"

using namespace Qt::StringLiterals;

namespace zemor::data {

QString regionName()
{
    return regionAdjective() + u" область"_s;
}

QString regionAdjective()
{
    return u"Таргинская"_s;
}

bool isRuralDistrict(int district)
{
    return district >= FirstRuralDistrict && district <= LastRuralDistrict;
}

bool isCity(int district)
{
    return district >= FirstCity && district <= LastCity;
}

bool isLargeCity(int district)
{
    return district == LargeCityFirst || district == LargeCitySecond;
}

CodeKind classifyCode(int code)
{
    if (code >= 1 && code < AttachedUnitBase)
        return CodeKind::Institution;
    if (code >= AttachedUnitBase && code < RegionTotalCode)
        return CodeKind::AttachedUnit;
    if (code == RegionTotalCode)
        return CodeKind::RegionTotal;
    if (code == DistrictsTotalCode)
        return CodeKind::DistrictsTotal;
    if (districtOfTotalCode(code))
        return CodeKind::DistrictTotal;
    return CodeKind::None;
}

bool isPseudoInstitution(int code)
{
    const CodeKind kind = classifyCode(code);
    return kind == CodeKind::RegionTotal || kind == CodeKind::DistrictsTotal ||
           kind == CodeKind::DistrictTotal;
}

std::optional<int> districtTotalCode(int district)
{
    if (district < 1 || district > 999)
        return std::nullopt;
    return DistrictTotalCodeBase + district;
}

std::optional<int> districtOfTotalCode(int code)
{
    if (code <= DistrictTotalCodeBase || code > DistrictTotalCodeBase + 999)
        return std::nullopt;
    return code - DistrictTotalCodeBase;
}

QString districtTotalSuffix(int district)
{
    return district < FirstCity ? u" район"_s : u" город"_s;
}

bool isDistrictGroup(int code)
{
    return code == DistrictGroupDistricts || code == DistrictGroupCities ||
           code == DistrictGroupMunicipal;
}

QString districtGroupName(int code)
{
    switch (code) {
    case DistrictGroupDistricts:
        return u"Районы"_s;
    case DistrictGroupCities:
        return u"Таргин+Сарвенск"_s;
    case DistrictGroupMunicipal:
        return u"Муниципальные"_s;
    default:
        return {};
    }
}

std::optional<UserType> userTypeFromByte(int value)
{
    if (value < 0 || value > 2)
        return std::nullopt;
    return static_cast<UserType>(value);
}

QString userTypeText(UserType type)
{
    switch (type) {
    case UserType::WholeRegion:
        return u"ДЗО (вся область)"_s;
    case UserType::District:
        return u"Регион"_s;
    case UserType::Institution:
        return u"ЛПУ"_s;
    }
    return {};
}

} // namespace zemor::data
