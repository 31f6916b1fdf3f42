#pragma once

// The region's name, the codes of places and institutions, and the user types of an
// installation. A report is stored under an institution code (OTC:CODUCH) that is either an
// institution of `boln`, an attached unit of one, or a pseudo-institution that stands for a
// summary: the whole region, all districts, or one district or city. District groups are filter
// choices only and are never stored. Which districts a group takes in is decided by each
// procedure that offers it.
//
// Pure functions of their arguments; a code outside every range simply belongs to no class.

#include <QString>

#include <optional>

namespace zemor::data {

// The region's name, "Таргинская область", as the choices, lists and totals show it.
QString regionName();
// Its first word, "Таргинская": the district column of the region's total in the lists that show
// a district and a name apart.
QString regionAdjective();

// District codes (REG:CODREG, BOL:CODREG, USE:CODREG; OTC:CODREG as a byte).
inline constexpr int FirstRuralDistrict = 1;
inline constexpr int LastRuralDistrict = 99;
inline constexpr int FirstCity = 100;
inline constexpr int LastCity = 199;
// The region's two large cities, for which the export has recipient addresses of their own.
inline constexpr int LargeCityFirst = 101;
inline constexpr int LargeCitySecond = 102;
inline constexpr int RegionalInstitutionsDistrict = 201;

// Institution codes (BOL:UNICOD, OTC:CODUCH, USE:KODUSER).
inline constexpr int AttachedUnitBase = 7000; // codes from 7000 are attached units
inline constexpr int RegionTotalCode = 20000;
inline constexpr int DistrictsTotalCode = 20001;
inline constexpr int DistrictTotalCodeBase = 21000; // + district code, 21001 to 21999

// District groups (filter choices, never stored).
inline constexpr int DistrictGroupDistricts = 300; // "Районы"
inline constexpr int DistrictGroupCities = 400;    // "Таргин+Сарвенск"
inline constexpr int DistrictGroupMunicipal = 500; // "Муниципальные"

enum class UserType : int {
    WholeRegion = 0, // UserTypeWholeRegion, "ДЗО (вся область)"
    District = 1,    // UserTypeDistrict, "Регион"
    Institution = 2, // UserTypeInstitution, "ЛПУ"
};

bool isRuralDistrict(int district);
bool isCity(int district);
bool isLargeCity(int district);

// What an institution code stands for.
enum class CodeKind {
    None,           // 0, negative, or between the ranges below
    Institution,    // 1 to 6999
    AttachedUnit,   // 7000 to 19999
    RegionTotal,    // 20000
    DistrictsTotal, // 20001
    DistrictTotal,  // 21001 to 21999
};
CodeKind classifyCode(int code);
bool isPseudoInstitution(int code); // a summary code: region, districts or one district

// The summary code of a district or city (12 -> 21012, 101 -> 21101); nullopt for a district
// code outside 1..999.
std::optional<int> districtTotalCode(int district);
// The district of a district summary code (21012 -> 12); nullopt for any other code.
std::optional<int> districtOfTotalCode(int code);
// What a district total's name is made of after the district's name: " район" for a rural
// district, " город" for any other.
QString districtTotalSuffix(int district);

bool isDistrictGroup(int code);
// "Районы", "Таргин+Сарвенск", "Муниципальные"; blank for any other code.
QString districtGroupName(int code);

std::optional<UserType> userTypeFromByte(int value);
// "ДЗО (вся область)", "Регион", "ЛПУ".
QString userTypeText(UserType type);

} // namespace zemor::data
