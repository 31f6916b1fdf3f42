#include "analysis/common/RankTable.h"

#include <QVariant>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace zemor::analysis {

using runtime::Decimal;

namespace {

// The largest magnitude a value or bound (DECIMAL(17,3)) holds, in thousandths.
constexpr qint64 kLargestUnits = 99'999'999'999'999'999LL;

// A value in thousandths, rounded half away from zero and held at the largest a field holds.
qint64 unitsOf(const Decimal &value)
{
    if (value.scale() == RankTable::places)
        return static_cast<qint64>(
            std::clamp<runtime::Int128>(value.units(), -kLargestUnits, kLargestUnits));
    const Decimal r = value.rounded(RankTable::places);
    runtime::Int128 units = r.units();
    runtime::Int128 limit = kLargestUnits;
    runtime::Int128 factor = 1;
    for (int s = r.scale(); s < RankTable::places; ++s)
        factor *= 10;
    limit /= factor;
    units = std::clamp(units, -limit, limit) * factor;
    return static_cast<qint64>(units);
}

Decimal fromUnits(qint64 units)
{
    return Decimal::fromUnits(units, RankTable::places);
}

Decimal clampedToBound(const Decimal &value)
{
    return fromUnits(unitsOf(value));
}

// A double of the window as a bound: rounded half away from zero to 3 places.
Decimal bound(double value)
{
    if (std::isnan(value))
        return Decimal();
    auto converted = Decimal::fromDouble(value, RankTable::places);
    if (!converted)
        return fromUnits(value < 0 ? -kLargestUnits : kLargestUnits);
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

RankTable::RankTable(const RankTableSource &source)
    : m_mean(source.mean), m_year(source.year), m_title(source.title), m_subtitle(source.subtitle),
      m_mapAvailable(source.districtCodes && !source.lineCodes), m_lines(source.lines),
      m_districtCodes(source.districtCodes), m_lineCodes(source.lineCodes),
      m_extraTexts(source.extraTexts)
{
    if (const QString picture = source.picture.trimmed(); !picture.isEmpty()) {
        if (auto parsed = runtime::Picture::parse(picture))
            m_picture = *parsed;
    }
    rank(fill());
    m_step = (m_maximum - m_minimum) / defaultRangeCount;
    if (m_mean)
        setRangesAroundMean(*m_mean);
    else
        splitRangesEvenly();
    assignRanges();
}

std::vector<std::pair<qint64, qsizetype>> RankTable::fill()
{
    // Each line as a small (negated value, line) key: ranking sorts these, which is much faster
    // than moving whole rows.
    std::vector<std::pair<qint64, qsizetype>> keys;
    keys.reserve(static_cast<size_t>(m_lines.size()));
    std::optional<qint64> low;
    std::optional<qint64> high;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const RankLine &line = m_lines.at(i);
        const qint64 units = unitsOf(line.value);
        keys.emplace_back(-units, i);
        bool counts = true;
        if (m_districtCodes) {
            if (line.codReg == regionCode)
                m_regionValue = fromUnits(units);
            counts = line.codReg < firstNonDistrictCode;
        }
        if (counts) {
            low = std::min(low.value_or(units), units);
            high = std::max(high.value_or(units), units);
        }
    }
    // Districts passed without one below 200 leave nothing to take the bounds from.
    m_minimum = low ? fromUnits(*low).toDouble() : 0.0;
    m_maximum = high ? fromUnits(*high).toDouble() : 0.0;
    return keys;
}

// Highest value first; equal values keep the caller's order and share a rank, and ranks have no
// gaps.
void RankTable::rank(std::vector<std::pair<qint64, qsizetype>> keys)
{
    std::sort(keys.begin(), keys.end());
    m_rows.resize(static_cast<qsizetype>(keys.size()));
    RankRow *row = m_rows.data();
    int rank = 0;
    for (const auto &[negated, line] : keys) {
        const qint64 units = -negated;
        if (rank == 0 || units < (row - 1)->units)
            ++rank;
        row->line = line;
        row->units = units;
        row->rank = rank;
        row->range = 0;
        row->codReg = m_districtCodes ? m_lines.at(line).codReg : 0;
        ++row;
    }
}

QString RankTable::name(const RankRow &row) const
{
    const RankLine &line = m_lines.at(row.line);
    if (!m_extraTexts || line.extra.trimmed().isEmpty())
        return line.name;
    QString extra = line.extra;
    while (extra.endsWith(u' '))
        extra.chop(1);
    return line.name + QStringLiteral(" (") + extra + u')';
}

QString RankTable::codStr(const RankRow &row) const
{
    return m_lineCodes ? m_lines.at(row.line).codStr : QString();
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
    std::array<qint64, maxRangeCount> lower{};
    std::array<qint64, maxRangeCount> upper{};
    for (int i = 0; i < m_rangeCount; ++i) {
        lower[i] = unitsOf(m_lower[i]);
        upper[i] = unitsOf(m_upper[i]);
    }
    for (RankRow &row : m_rows) {
        for (int i = 0; i < m_rangeCount; ++i) {
            if (lower[i] <= row.units && row.units <= upper[i]) {
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
        const QVariant data =
            m_picture ? QVariant(m_picture->format(row.data())) : QVariant::fromValue(row.data());
        lines.append(QVariantList{codStr(row), name(row), data, row.rank, row.range, row.codReg});
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
        source.lines.append(MapLine{row.data(), row.codReg});
    source.title = m_title;
    source.rangeCount = m_rangeCount;
    source.regionValue = m_regionValue;
    return source;
}

} // namespace zemor::analysis
