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

#include "runtime/core/Error.h"

#include <QString>
#include <QStringView>

#include <compare>
#include <cstdint>

namespace zemor::runtime {

class Decimal
{
public:
    static constexpr int maxScale = 18;
    static constexpr int divisionScale = 9;

    constexpr Decimal() = default;
    Decimal(std::int64_t integer); // NOLINT: integers convert implicitly
    static Decimal fromUnits(__int128 units, int scale);

    // Packed codec. `bytes` is the field size; digits = 2 * bytes - 1.
    [[nodiscard]] static Result<Decimal> fromPacked(const void *data, int bytes, int places);
    [[nodiscard]] Status toPacked(void *data, int bytes, int places) const;
    // Checks the digit half-bytes only.
    static bool isValidPacked(const void *data, int bytes);

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
    __int128 units() const { return m_units; }
    int scale() const { return m_scale; }
    bool isZero() const { return m_units == 0; }
    bool isNegative() const { return m_units < 0; }
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
    __int128 m_units = 0;
    int m_scale = 0;
};

} // namespace zemor::runtime
