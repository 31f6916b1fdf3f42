#pragma once

// An exact decimal number: a signed 128-bit count of units of 10^-scale. It carries the DECIMAL
// fields of the records (packed, up to 31 digits) and every sum formed from them, without the
// rounding of a double. Arithmetic is exact for + - * (the scale of a product is the sum of the
// scales, capped at maxScale with rounding); division rounds half away from zero at
// max(scale of either operand, divisionScale). Overflow of the 128-bit range, and division by
// zero, are errors, never a wrapped value. -0 equals 0 (there is no negative zero).
//
// Packed layout, d digits, p places, d div 2 + 1 bytes: the high half of the first byte is the
// sign (0 positive, anything else negative), then the digits most significant first, two per
// byte. Storing into fewer places rounds half away from zero; a value with more integer digits
// than the field has is Overflow; a digit half-byte above 9 is InvalidData.
//
// Further rules of this class:
// - The magnitude of `units` never exceeds the largest signed 128-bit value (about 1.7e38), so
//   negation is always safe; the smallest 128-bit value is never produced.
// - A negative value is written with the sign half-byte 0xF (negativeSignNibble); a zero is
//   always written with sign 0, also when it came from rounding a small negative value.
// - Equality and ordering compare values, not representations: 1.10 == 1.1.
// - Division by zero is reported as Overflow (the quotient has no finite value).
// - fromString rounds fraction digits beyond maxScale half away from zero; fromDouble rounds
//   the shortest text that reads back as the same double, so 0.1 gives exactly 0.1 and 2.675
//   gives 2.68 at two places.
// - toInt64 saturates at the 64-bit range; toDouble is the double nearest to the value.

#include "runtime/core/Error.h"

#include <QString>
#include <QStringView>

#include <compare>
#include <cstdint>

namespace zemor::runtime {

__extension__ typedef __int128 Int128;
__extension__ typedef unsigned __int128 UInt128;

class Decimal
{
public:
    static constexpr int maxScale = 18;
    static constexpr int divisionScale = 9;
    static constexpr int maxPackedBytes = 16;      // 31 digits
    static constexpr int negativeSignNibble = 0xF; // what a writer puts into a negative value

    constexpr Decimal() = default;
    Decimal(std::int64_t integer); // NOLINT: integers convert implicitly
    // `scale` is 0..maxScale; a larger scale is rounded down to maxScale.
    static Decimal fromUnits(Int128 units, int scale);

    // Packed codec. `bytes` is the field size; digits = 2 * bytes - 1.
    [[nodiscard]] static Result<Decimal> fromPacked(const void *data, int bytes, int places);
    // Writes nothing when the value does not fit (Overflow) or the arguments are out of range.
    [[nodiscard]] Status toPacked(void *data, int bytes, int places) const;
    // Checks the digit half-bytes only.
    static bool isValidPacked(const void *data, int bytes);

    // The value rounded to `places` and held with exactly that scale, checked against a field of
    // `digits` digits (digits - places of them before the point): Overflow when it does not fit.
    [[nodiscard]] Result<Decimal> fitted(int digits, int places) const;

    // Text: an optional sign, digits, an optional "." with digits; blanks around are allowed,
    // "," is taken as the point too. Blank text is 0.
    [[nodiscard]] static Result<Decimal> fromString(QStringView text);
    // Plain text: no exponent, no trailing zeros after the point, no point when integral.
    QString toString() const;
    // Fixed number of places, rounded half away from zero.
    QString toString(int places) const;

    // From a double rounded half away from zero to `places`; Overflow when out of range.
    [[nodiscard]] static Result<Decimal> fromDouble(double value, int places = 3);
    double toDouble() const;
    // The integer part (the fraction dropped, towards zero).
    std::int64_t toInt64() const;

    Decimal rounded(int places) const; // half away from zero
    Int128 units() const { return m_units; }
    int scale() const { return m_scale; }
    bool isZero() const { return m_units == 0; }
    bool isNegative() const { return m_units < 0; }
    // Digits before the point (0 for a value below 1 in magnitude).
    int integerDigits() const;
    Decimal abs() const;
    Decimal operator-() const;

    // Arithmetic that reports overflow and division by zero.
    [[nodiscard]] Result<Decimal> add(const Decimal &other) const;
    [[nodiscard]] Result<Decimal> subtract(const Decimal &other) const;
    [[nodiscard]] Result<Decimal> multiply(const Decimal &other) const;
    [[nodiscard]] Result<Decimal> divide(const Decimal &other) const;

    std::strong_ordering operator<=>(const Decimal &other) const;
    bool operator==(const Decimal &other) const;

private:
    Int128 m_units = 0;
    int m_scale = 0;
};

} // namespace zemor::runtime
