#include "entry/EntryChoices.h"

#include "data/Codes.h"
#include "data/Period.h"

namespace zemor::entry {

std::optional<qint32> EntryChoices::institutionOfDistrict(int district)
{
    if (district < 250)
        return std::nullopt;
    if (district == 250)
        return data::RegionTotalCode;
    if (district == 251)
        return data::DistrictsTotalCode;
    return 0;
}

QString EntryChoices::givenReportKindWord(int periodKind)
{
    if (periodKind < 0 || periodKind > 3)
        return QString();
    return data::kindWord(data::PeriodKind(periodKind));
}

QString EntryChoices::titleWithDistrict(int district, const QString &districtName,
                                        const QString &title)
{
    const QString clipped = districtName.trimmed();
    return district < 100 ? clipped + QStringLiteral(" р-н, ") + title
                          : clipped + QStringLiteral(", ") + title;
}

} // namespace zemor::entry
