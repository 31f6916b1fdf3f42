#pragma once

// The numbers of an indicator run: result slots are doubles, report cells enter them as the
// nearest double; the running sums over rows and over a line's records are exact decimals.
//
// SlotSums holds one exact sum per result slot with three places and a fixed number of digits
// (19 for the sums over result rows, 17 for the sums of one formula line): a slot value is
// rounded half away from zero to three places as it goes in, a report cell goes in exactly, and
// a sum that would not fit its digits is an Overflow error naming the slot, never a cut value.
//
// Two values are "equal up to rounding" when they are equal once rounded to six places, what a
// cell shows at most. District filters are the report list's codes: 0 every district, 300 the
// rural districts (codes up to 99), 400 the two cities 101 and 102, 500 every code below 200,
// any other value that district only.

#include "analysis/indicators/IndicatorFormula.h"
#include "runtime/core/Error.h"
#include "runtime/decimal/Decimal.h"

#include <QString>

#include <array>

namespace zemor::analysis {

class SlotSums
{
public:
    static constexpr int rowSumDigits = 19;  // the sums over result rows
    static constexpr int lineSumDigits = 17; // the sums of one formula line

    explicit SlotSums(int digits) : m_digits(digits) {}

    void clear() { m_sums.fill(runtime::Decimal()); }
    // Adds `value` into the sum of `slot` (1..40; anything else is ignored).
    [[nodiscard]] runtime::Status add(int slot, double value);
    // The same for an exact value (a report cell), added as it is.
    [[nodiscard]] runtime::Status add(int slot, const runtime::Decimal &value);
    // The sum of `slot` as the nearest double; 0 outside 1..40.
    double value(int slot) const;
    const runtime::Decimal &exact(int slot) const { return m_sums[size_t(slot - 1)]; }

private:
    int m_digits;
    std::array<runtime::Decimal, resultSlotCount> m_sums{};
};

// Equal once both are rounded half away from zero to six places.
bool equalUpToRounding(double a, double b);

// The district filter of the report list applied to a record's district.
bool districtFilterHolds(int filter, int district);
// The same for the lines of the populations in the by-rows layout, where filter 201 (the
// regional institutions) stands for the whole region.
bool populationFilterHolds(int filter, int district);
// A term's scope in the by-rows layout: 1 districts 200 and up, 2 the cities 100..199, 3 the
// rural districts below 100, anything else every district.
bool scopeHolds(int scope, int district);

// A value as plain text: at most six places, no trailing zeros, "0" for what is not finite.
QString plainNumber(double value);

} // namespace zemor::analysis
