#pragma once

// The indicator map: the value ranges of a rank table drawn as a map of the region's 28
// districts. Nothing is drawn here; the map is a web page, "index.html" in the working
// directory, that stacks prepared pictures at one place: one picture per district coloured for
// its range, then the common picture of the region, optionally a table of the values and a
// legend. The pictures lie under "Images/" beside the page and are named by relative paths only;
// the page loads no script and names no outside address, so it shows offline.
//
// Texts taken from data (the title, the district names) are written with &, <, > and " as
// character entities, and a character that Windows-1251 lacks as a numeric reference; numbers
// are written plainly with a point. The page is written line by line in Windows-1251 under a
// temporary name and put in place of the old page only when it is whole: a failure leaves the
// old page as it was and comes back as an error, and then no browser is started.

#include "runtime/core/Error.h"
#include "runtime/decimal/Decimal.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>

namespace zemor::runtime {
class Prompter;
namespace office {
class DesktopOpener;
}
} // namespace zemor::runtime

namespace zemor::data {
class DataContext;
}

namespace zemor::analysis {

// The options of the window "Карта".
struct MapOptions
{
    bool valueTable = false;  // ?T1 "таблица со значениями"
    bool title = true;        // ?T2 "название показателя"
    int titleSize = 1;        // ?T3: 1 "мелкий", 2 "средний", 3 "крупный"
    bool legend = true;       // ?LEG "Легенда"
    int pictureSet = 1;       // ?LEG1: 1..7
    bool regionValue = false; // ?SRPOK "Показатель по области"
};

// One rank row as the map reads it.
struct MapLine
{
    runtime::Decimal value; // 3 places
    int codReg = 0;
};

// What the rank table hands to the map.
struct IndicatorMapSource
{
    QList<runtime::Decimal> bounds; // lower 1, upper 1, lower 2, ... for ranges 1..count
    QList<MapLine> lines;
    QString title;
    int rangeCount = 0;
    runtime::Decimal regionValue;
};

class IndicatorMap
{
public:
    static constexpr int districtCount = 28;
    static constexpr int maxRangeCount = 5;
    static constexpr int pictureSetCount = 7;
    static QString pageName() { return QStringLiteral("index.html"); }
    static QString startMessage() { return QStringLiteral("счас запустится explorer"); }

    explicit IndicatorMap(IndicatorMapSource source);

    // District d's value (index d - 1): the last positive value of a line with code d, else 0.
    const std::array<runtime::Decimal, districtCount> &districtValues() const { return m_values; }
    const runtime::Decimal &lowerBound(int range) const { return m_lower.at(range - 1); }
    const runtime::Decimal &upperBound(int range) const { return m_upper.at(range - 1); }
    // The first range 1..5 that holds `value`; 0 when none does.
    int rangeOf(const runtime::Decimal &value) const;

    // The page, line by line. `names` maps district codes to their names (a missing one is
    // empty). Out-of-range options are taken as their nearest allowed value.
    QStringList pageLines(const MapOptions &options, const QHash<int, QString> &names) const;

    // Writes the page into `dir` (an existing "index.html" of any letter case is replaced);
    // returns its path.
    [[nodiscard]] runtime::Result<QString> write(const QString &dir, const MapOptions &options,
                                                 const QHash<int, QString> &names) const;

    // The map as "OK" in the window makes it: the page in the working directory, then the
    // start message and the browser. A failure is shown through `prompter` and returned; the
    // browser is not started then. `opener` may be null (tests, headless runs).
    [[nodiscard]] runtime::Status show(const MapOptions &options, const QHash<int, QString> &names,
                                       runtime::Prompter &prompter,
                                       runtime::office::DesktopOpener *opener) const;

    // Text from data made safe for the page.
    static QString escaped(const QString &text);

private:
    std::array<runtime::Decimal, districtCount> m_values{};
    std::array<runtime::Decimal, maxRangeCount> m_lower{};
    std::array<runtime::Decimal, maxRangeCount> m_upper{};
    QString m_title;
    int m_rangeCount = 0;
    runtime::Decimal m_regionValue;
};

// The names of districts 1..28 from `region1`, read in one read transaction; a code without a
// record has no entry.
[[nodiscard]] runtime::Result<QHash<int, QString>> readDistrictNames(data::DataContext &data);

} // namespace zemor::analysis
