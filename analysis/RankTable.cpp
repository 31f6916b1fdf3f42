#include "analysis/RankTable.h"

#include <QVariant>

#include <algorithm>
#include <cmath>

namespace zemor::analysis {

using runtime::Decimal;

namespace {

// The largest magnitude a bound (DECIMAL(17,3)) holds.
Decimal largestBound()
{
    return Decimal::fromUnits(runtime::Int128(99'999'999'999'999'999LL), RankTable::places);
}

Decimal clampedToBound(const Decimal &value)
{
    const Decimal limit = largestBound();
    if (value > limit)
        return limit;
    if (value < -limit)
        return -limit;
    return value.rounded(RankTable::places);
}

// A double of the window as a bound: rounded half away from zero to 3 places.
Decimal bound(double value)
{
    if (std::isnan(value))
        return Decimal();
    auto converted = Decimal::fromDouble(value, RankTable::places);
    if (!converted)
        return value < 0 ? -largestBound() : largestBound();
    return clampedToBound(*converted);
}

// Arithmetic on values of at most 14 integer digits never leaves the 128-bit range; a failure
// here would be a programming error.
Decimal sum(const Decimal &a, const Decimal &b)
{
    auto result = a.add(b);
    Q_ASSERT(result);
    return result ? *result : a;
}

Decimal difference(const Decimal &a, const Decimal &b)
{
    auto result = a.subtract(b);
    Q_ASSERT(result);
    return result ? *result : a;
}

Decimal product(const Decimal &a, const Decimal &b)
{
    auto result = a.multiply(b);
    Q_ASSERT(result);
    return result ? *result : a;
}

const Decimal &oneUnit()
{
    static const Decimal unit = Decimal::fromUnits(1, RankTable::places); // 0.001
    return unit;
}

} // namespace

RankTable::RankTable(RankTableSource source)
    : m_mean(source.mean), m_year(source.year), m_title(source.title), m_subtitle(source.subtitle),
      m_mapAvailable(source.districtCodes && !source.lineCodes)
{
    fill(source);
    rank();
    m_step = (m_maximum - m_minimum) / defaultRangeCount;
    if (m_mean)
        setRangesAroundMean(*m_mean);
    else
        splitRangesEvenly();
    assignRanges();
}

void RankTable::fill(RankTableSource &source)
{
    m_rows.reserve(source.lines.size());
    std::optional<Decimal> low;
    std::optional<Decimal> high;
    for (RankLine &line : source.lines) {
        RankRow row;
        if (source.lineCodes)
            row.codStr = line.codStr;
        row.name = std::move(line.name);
        if (source.extraTexts && !line.extra.trimmed().isEmpty()) {
            QString extra = line.extra;
            while (extra.endsWith(u' '))
                extra.chop(1);
            row.name += QStringLiteral(" (") + extra + u')';
        }
        row.data = clampedToBound(line.value);
        row.dates = row.data;
        bool counts = true;
        if (source.districtCodes) {
            row.codReg = line.codReg;
            if (line.codReg == regionCode)
                m_regionValue = row.data;
            counts = line.codReg < firstNonDistrictCode;
        }
        if (counts) {
            if (!low || row.data < *low)
                low = row.data;
            if (!high || row.data > *high)
                high = row.data;
        }
        m_rows.append(std::move(row));
    }
    // Districts passed without one below 200 leave nothing to take the bounds from.
    m_minimum = low ? low->toDouble() : 0.0;
    m_maximum = high ? high->toDouble() : 0.0;
}

void RankTable::rank()
{
    std::stable_sort(m_rows.begin(), m_rows.end(),
                     [](const RankRow &a, const RankRow &b) { return a.data > b.data; });
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        if (i == 0)
            m_rows[i].rank = 1;
        else
            m_rows[i].rank = m_rows[i - 1].rank + (m_rows[i].data < m_rows[i - 1].data ? 1 : 0);
    }
}

// Three ranges: below the mean by more than its share, within it, above it. The share is taken
// of the mean's size, so that a negative mean gives ranges that run low to high like a positive
// one (its middle range would otherwise start above where it ends).
void RankTable::setRangesAroundMean(const Decimal &mean)
{
    static const Decimal share = *Decimal::fromString(u"0.165");
    const Decimal spread = product(mean.abs(), share);
    const Decimal below = clampedToBound(difference(mean, spread));
    const Decimal above = clampedToBound(sum(mean, spread));
    m_rangeCount = defaultRangeCount;
    m_lower.fill(Decimal());
    m_upper.fill(Decimal());
    m_lower[0] = bound(m_minimum);
    m_upper[0] = clampedToBound(difference(below, oneUnit()));
    m_lower[1] = below;
    m_upper[1] = above;
    m_lower[2] = clampedToBound(sum(above, oneUnit()));
    m_upper[2] = clampedToBound(sum(bound(m_maximum), oneUnit()));
}

int RankTable::clampedCount(int count)
{
    return std::clamp(count, 1, maxRangeCount);
}

void RankTable::setRangeCount(int count)
{
    m_rangeCount = clampedCount(count);
    m_step = (m_maximum - m_minimum) / m_rangeCount;
}

const Decimal &RankTable::lowerBound(int range) const
{
    Q_ASSERT(range >= 1 && range <= maxRangeCount);
    return m_lower.at(std::clamp(range, 1, maxRangeCount) - 1);
}

const Decimal &RankTable::upperBound(int range) const
{
    Q_ASSERT(range >= 1 && range <= maxRangeCount);
    return m_upper.at(std::clamp(range, 1, maxRangeCount) - 1);
}

void RankTable::setBounds(int range, const Decimal &lower, const Decimal &upper)
{
    if (range < 1 || range > maxRangeCount)
        return;
    m_lower[range - 1] = clampedToBound(lower);
    m_upper[range - 1] = clampedToBound(upper);
}

void RankTable::splitRangesEvenly()
{
    m_rangeCount = clampedCount(m_rangeCount);
    m_maximum = m_minimum + m_step * m_rangeCount;
    m_lower.fill(Decimal());
    m_upper.fill(Decimal());
    for (int i = 1; i <= m_rangeCount; ++i) {
        m_lower[i - 1] = bound(m_minimum + (i - 1) * m_step);
        m_upper[i - 1] = bound(m_minimum + i * m_step);
    }
}

void RankTable::assignRanges()
{
    for (RankRow &row : m_rows) {
        for (int i = 0; i < m_rangeCount; ++i) {
            if (m_lower[i] <= row.data && row.data <= m_upper[i]) {
                row.range = i + 1;
                break;
            }
        }
    }
}

QList<QVariantList> RankTable::listLines() const
{
    QList<QVariantList> lines;
    lines.reserve(m_rows.size());
    for (const RankRow &row : m_rows) {
        lines.append(QVariantList{row.codStr, row.name, QVariant::fromValue(row.data), row.rank,
                                  row.range, row.codReg});
    }
    return lines;
}

QList<Decimal> RankTable::mapBounds() const
{
    QList<Decimal> bounds;
    bounds.reserve(2 * m_rangeCount);
    for (int i = 0; i < m_rangeCount; ++i) {
        bounds.append(m_lower[i]);
        bounds.append(m_upper[i]);
    }
    return bounds;
}

IndicatorMapSource RankTable::mapSource() const
{
    IndicatorMapSource source;
    source.bounds = mapBounds();
    source.lines.reserve(m_rows.size());
    for (const RankRow &row : m_rows)
        source.lines.append(MapLine{row.dates, row.codReg});
    source.title = m_title;
    source.rangeCount = m_rangeCount;
    source.regionValue = m_regionValue;
    return source;
}

} // namespace zemor::analysis
