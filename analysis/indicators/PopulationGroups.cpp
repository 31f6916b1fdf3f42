#include "analysis/indicators/PopulationGroups.h"

#include "analysis/indicators/IndicatorNumbers.h"
#include "data/DataContext.h"
#include "data/FileNames.h"
#include "entry/ReportReader.h"
#include "runtime/fs/Paths.h"

#include <QFileInfo>

#include <array>

namespace zemor::analysis {

using namespace Qt::StringLiterals;
using runtime::Result;
using runtime::Status;

namespace {

constexpr int groupCount = 6;
constexpr int populationSlot = resultSlotCount;

} // namespace

Result<Populations> readPopulations(data::DataContext &data, int year)
{
    Populations out;
    const QString name = data::FileNames::otchetFileName(year, populationForm);
    const auto path = runtime::fs::resolve(
        name, data::defaultExtension(data::declaration(data::FileId::otchet).driver));
    if (name.isEmpty() || !path || !QFileInfo::exists(*path)) {
        out.missing = true;
        return out;
    }
    entry::ReportReader reader(data);
    const Status s =
        reader.rowRecords(year, populationForm, {1}, [&](const entry::RowRecord &r) -> Status {
            out.byDistrict.insert(r.district, r.value(1).toInt64());
            return {};
        });
    if (!s)
        return std::unexpected(s.error());
    return out;
}

int PopulationGroups::groupOf(int district, qint64 population)
{
    if (district < 100) {
        if (population < 10000)
            return 1;
        if (population < 15000)
            return 2;
        if (population < 25000)
            return 3;
        if (population < 35000)
            return 4;
        if (population < 50000)
            return 5;
        return 6;
    }
    if (district < 200)
        return 8;
    return 9;
}

QString PopulationGroups::groupRowName(int group)
{
    static const char *const numerals[] = {"I", "II", "III", "IV", "V", "VI"};
    if (group < 1 || group > groupCount)
        return {};
    return u"  в среднем по группе "_s + QLatin1StringView(numerals[group - 1]);
}

FormulaNotice PopulationGroups::missingFileNotice(int year)
{
    const QString name = u"%1\\F0999.dat"_s.arg(year, 4, 10, QChar(u'0'));
    return {u"Нет файла населения "_s + name,
            u"%1: файл не найден, население районов принято равным 0"_s.arg(name)};
}

Status PopulationGroups::assign(QList<IndicatorResultRow> &rows,
                                const QHash<int, qint64> &populations)
{
    qint64 region = 0;
    qint64 rural = 0;
    for (IndicatorResultRow &row : rows) {
        if (row.district > 250) {
            if (row.district == districtsRowCode)
                row.district = 7;
            continue;
        }
        const qint64 p = populations.value(row.district);
        // An "+обл.ЛПУ" row is part of district 201, whose population is counted once.
        if (row.code < totalRowCode) {
            region += p;
            if (row.district < 100)
                rural += p;
        }
        row.set(populationSlot, double(p));
        if (row.district != totalRowCode)
            row.district = groupOf(row.district, p);
    }
    std::array<SlotSums, groupCount> sums{
        SlotSums(SlotSums::rowSumDigits), SlotSums(SlotSums::rowSumDigits),
        SlotSums(SlotSums::rowSumDigits), SlotSums(SlotSums::rowSumDigits),
        SlotSums(SlotSums::rowSumDigits), SlotSums(SlotSums::rowSumDigits)};
    for (IndicatorResultRow &row : rows) {
        if (row.code == totalRowCode)
            row.set(populationSlot, double(region));
        else if (row.code == districtsRowCode)
            row.set(populationSlot, double(rural));
        if (row.district >= 1 && row.district <= groupCount) {
            for (int k = 1; k <= resultSlotCount; ++k) {
                if (Status s = sums[size_t(row.district - 1)].add(k, row.slot(k)); !s)
                    return s;
            }
        }
    }
    for (int g = 1; g <= groupCount; ++g) {
        IndicatorResultRow group;
        group.code = groupRowCode;
        group.district = g;
        for (int k = 1; k <= resultSlotCount; ++k)
            group.set(k, sums[size_t(g - 1)].value(k));
        rows.append(group);
    }
    return {};
}

} // namespace zemor::analysis
