#include "runtime/decimal/Decimal.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace zemor::runtime {

namespace {

constexpr UInt128 maxMagnitude = (~UInt128(0)) >> 1; // the largest signed 128-bit value

constexpr std::array<UInt128, 39> makePowers()
{
    std::array<UInt128, 39> p{};
    p[0] = 1;
    for (std::size_t i = 1; i < p.size(); ++i)
        p[i] = p[i - 1] * 10;
    return p;
}
constexpr std::array<UInt128, 39> powers = makePowers();

UInt128 pow10(int n)
{
    Q_ASSERT(n >= 0 && n < int(powers.size()));
    return powers[std::size_t(n)];
}

UInt128 magnitude(Int128 v)
{
    return v < 0 ? UInt128(0) - UInt128(v) : UInt128(v);
}

Int128 withSign(UInt128 m, bool negative)
{
    Q_ASSERT(m <= maxMagnitude);
    return negative ? -Int128(m) : Int128(m);
}

// The full 256-bit product of two 128-bit magnitudes, as (high, low).
void multiplyWide(UInt128 a, UInt128 b, UInt128 &high, UInt128 &low)
{
    const UInt128 mask = 0xFFFFFFFFFFFFFFFFull;
    const UInt128 a0 = a & mask, a1 = a >> 64, b0 = b & mask, b1 = b >> 64;
    const UInt128 p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
    const UInt128 middle = (p00 >> 64) + (p01 & mask) + (p10 & mask);
    low = (p00 & mask) | (middle << 64);
    high = p11 + (p01 >> 64) + (p10 >> 64) + (middle >> 64);
}

// a * m / d rounded half up (on magnitudes this is half away from zero), or nothing when the
// result exceeds maxMagnitude. The wide path only runs when a * m does not fit 128 bits.
std::optional<UInt128> mulDivRound(UInt128 a, UInt128 m, UInt128 d)
{
    Q_ASSERT(d != 0);
    UInt128 product;
    UInt128 q, r;
    if (!__builtin_mul_overflow(a, m, &product)) {
        q = product / d;
        r = product % d;
    } else {
        UInt128 high, low;
        multiplyWide(a, m, high, low);
        if (high >= d)
            return std::nullopt; // the quotient would need more than 128 bits
        // Shift-subtract division of (high, low) by d; high < d keeps the remainder in range.
        r = high;
        q = 0;
        for (int bit = 127; bit >= 0; --bit) {
            const bool carry = (r >> 127) != 0;
            r = (r << 1) | ((low >> bit) & 1);
            q <<= 1;
            if (carry || r >= d) {
                r -= d;
                q |= 1;
            }
        }
    }
    if (r >= d - r) { // 2r >= d without overflowing
        if (q == ~UInt128(0))
            return std::nullopt;
        ++q;
    }
    if (q > maxMagnitude)
        return std::nullopt;
    return q;
}

// The same value at another scale, rounded half away from zero when the scale shrinks.
std::optional<Int128> rescale(Int128 units, int from, int to)
{
    if (to == from)
        return units;
    const bool negative = units < 0;
    std::optional<UInt128> m;
    if (to > from) {
        UInt128 r;
        if (__builtin_mul_overflow(magnitude(units), pow10(to - from), &r) || r > maxMagnitude)
            return std::nullopt;
        m = r;
    } else {
        m = mulDivRound(magnitude(units), 1, pow10(from - to));
    }
    if (!m)
        return std::nullopt;
    return withSign(*m, negative);
}

int digitCount(UInt128 m)
{
    int n = 0;
    while (n < int(powers.size()) && m >= powers[std::size_t(n)])
        ++n;
    return n;
}

// Decimal digits of a magnitude, most significant first, at least `minDigits` long.
std::string digitsOf(UInt128 m, int minDigits)
{
    char buffer[48];
    char *end = buffer + sizeof buffer;
    char *p = end;
    const std::uint64_t chunk = 1000000000000000000ull; // 10^18
    while (m >= chunk) {
        std::uint64_t part = std::uint64_t(m % chunk);
        m /= chunk;
        for (int i = 0; i < 18; ++i) {
            *--p = char('0' + part % 10);
            part /= 10;
        }
    }
    std::uint64_t rest = std::uint64_t(m);
    do {
        *--p = char('0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    std::string digits(p, end);
    if (int(digits.size()) < minDigits)
        digits.insert(0, std::size_t(minDigits) - digits.size(), '0');
    return digits;
}

std::unexpected<Error> overflow(const QString &message = {})
{
    return fail(ErrorCode::Overflow, {}, message);
}

// The value of sign, integer digits and fraction digits (ASCII digits only) at `targetScale`,
// rounding away the fraction digits beyond it half away from zero.
Result<Decimal> fromDigits(bool negative, std::string_view integer, std::string_view fraction,
                           int targetScale)
{
    UInt128 m = 0;
    auto push = [&m](char c) {
        return !__builtin_mul_overflow(m, UInt128(10), &m) &&
               !__builtin_add_overflow(m, UInt128(c - '0'), &m);
    };
    for (char c : integer)
        if (!push(c))
            return overflow();
    for (int i = 0; i < targetScale; ++i)
        if (!push(i < int(fraction.size()) ? fraction[std::size_t(i)] : '0'))
            return overflow();
    // Checked before rounding up, so that the largest unsigned value cannot wrap to zero.
    if (m > maxMagnitude)
        return overflow();
    if (int(fraction.size()) > targetScale && fraction[std::size_t(targetScale)] >= '5')
        ++m;
    if (m > maxMagnitude)
        return overflow();
    return Decimal::fromUnits(withSign(m, negative), targetScale);
}

// Splits an ASCII number "[+-]digits[.digits]" with "." or "," as the point.
bool splitNumber(std::string_view text, bool &negative, std::string_view &integer,
                 std::string_view &fraction)
{
    negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const std::size_t point = text.find_first_of(".,");
    integer = text.substr(0, point);
    fraction = point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
    auto allDigits = [](std::string_view s) {
        return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (integer.empty() && fraction.empty())
        return false;
    return allDigits(integer) && allDigits(fraction);
}

} // namespace

Decimal::Decimal(std::int64_t integer) : m_units(integer), m_scale(0) {}

Decimal Decimal::fromUnits(Int128 units, int scale)
{
    Q_ASSERT(scale >= 0);
    Q_ASSERT(units != std::numeric_limits<Int128>::min());
    Decimal d;
    if (scale > maxScale) {
        d.m_units = *rescale(units, scale, maxScale); // shrinking never overflows
        d.m_scale = maxScale;
    } else {
        d.m_units = units;
        d.m_scale = std::max(scale, 0);
    }
    return d;
}

// ---- packed codec ----

bool Decimal::isValidPacked(const void *data, int bytes)
{
    if (bytes < 1 || bytes > maxPackedBytes)
        return false;
    // Every record read from outside passes here once per packed field: one table look-up a
    // byte, whether both of its digits are at most 9.
    static constexpr auto twoDigits = [] {
        std::array<bool, 256> t{};
        for (int b = 0; b < 256; ++b)
            t[size_t(b)] = (b >> 4) <= 9 && (b & 0x0F) <= 9;
        return t;
    }();
    const auto *p = static_cast<const unsigned char *>(data);
    if ((p[0] & 0x0F) > 9)
        return false;
    for (int i = 1; i < bytes; ++i)
        if (!twoDigits[p[i]])
            return false;
    return true;
}

Result<Decimal> Decimal::fromPacked(const void *data, int bytes, int places)
{
    const int digits = 2 * bytes - 1;
    if (bytes < 1 || bytes > maxPackedBytes || places < 0 || places > digits || places > maxScale)
        return fail(ErrorCode::InvalidArgument,
                    QStringLiteral("DECIMAL(%1,%2)").arg(digits).arg(places));
    const auto *p = static_cast<const unsigned char *>(data);
    auto bad = [&](int index) {
        return fail(ErrorCode::InvalidData,
                    QStringLiteral("DECIMAL(%1,%2)").arg(digits).arg(places),
                    QStringLiteral("Упакованное число: в байте %1 цифра больше 9 (%2)")
                        .arg(index + 1)
                        .arg(QString::number(p[index], 16).rightJustified(2, u'0').toUpper()));
    };
    if ((p[0] & 0x0F) > 9)
        return bad(0);
    // Up to 19 digits fit 64 bits, which every report value does; wider fields go on in 128.
    const int narrow = std::min(bytes, 10);
    std::uint64_t m64 = p[0] & 0x0F;
    for (int i = 1; i < narrow; ++i) {
        const unsigned high = p[i] >> 4, low = p[i] & 0x0F;
        if (high > 9 || low > 9)
            return bad(i);
        m64 = m64 * 100 + high * 10 + low;
    }
    UInt128 m = m64;
    for (int i = narrow; i < bytes; ++i) {
        const unsigned high = p[i] >> 4, low = p[i] & 0x0F;
        if (high > 9 || low > 9)
            return bad(i);
        m = m * 100 + high * 10 + low;
    }
    const bool negative = (p[0] >> 4) != 0;
    return fromUnits(withSign(m, negative && m != 0), places);
}

Result<Decimal> Decimal::fitted(int digits, int places) const
{
    if (digits < 1 || digits > 38 || places < 0 || places > digits || places > maxScale)
        return fail(ErrorCode::InvalidArgument,
                    QStringLiteral("DECIMAL(%1,%2)").arg(digits).arg(places));
    const std::optional<Int128> units = rescale(m_units, m_scale, places);
    if (!units || magnitude(*units) >= pow10(digits))
        return fail(ErrorCode::Overflow, QStringLiteral("DECIMAL(%1,%2)").arg(digits).arg(places),
                    QStringLiteral("%1 не помещается в DECIMAL(%2,%3)")
                        .arg(toString())
                        .arg(digits)
                        .arg(places));
    return fromUnits(*units, places);
}

Status Decimal::toPacked(void *data, int bytes, int places) const
{
    const int digits = 2 * bytes - 1;
    if (bytes < 1 || bytes > maxPackedBytes)
        return fail(ErrorCode::InvalidArgument,
                    QStringLiteral("DECIMAL(%1,%2)").arg(digits).arg(places));
    const Result<Decimal> value = fitted(digits, places);
    if (!value)
        return std::unexpected(value.error());
    UInt128 m = magnitude(value->m_units);
    auto *p = static_cast<unsigned char *>(data);
    for (int i = bytes - 1; i >= 1; --i) {
        const unsigned low = unsigned(m % 10);
        m /= 10;
        const unsigned high = unsigned(m % 10);
        m /= 10;
        p[i] = static_cast<unsigned char>((high << 4) | low);
    }
    const unsigned first = unsigned(m % 10);
    const unsigned sign = value->m_units < 0 ? unsigned(negativeSignNibble) : 0u;
    p[0] = static_cast<unsigned char>((sign << 4) | first);
    return {};
}

// ---- text ----

Result<Decimal> Decimal::fromString(QStringView text)
{
    const QStringView trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return Decimal();
    std::string ascii;
    ascii.reserve(std::size_t(trimmed.size()));
    for (QChar c : trimmed) {
        if (c.unicode() > 0x7F)
            return fail(ErrorCode::InvalidData, text.toString(), QStringLiteral("Это не число"));
        ascii.push_back(char(c.unicode()));
    }
    bool negative;
    std::string_view integer, fraction;
    if (!splitNumber(ascii, negative, integer, fraction))
        return fail(ErrorCode::InvalidData, text.toString(), QStringLiteral("Это не число"));
    auto result = fromDigits(negative, integer, fraction, std::min(int(fraction.size()), maxScale));
    if (!result) {
        // Long text whose value fits: zeros before the integer digits and after the fraction
        // digits carry nothing, so the value is read at the fewest places that hold it exactly.
        while (integer.size() > 1 && integer.front() == '0')
            integer.remove_prefix(1);
        while (!fraction.empty() && fraction.back() == '0')
            fraction.remove_suffix(1);
        result = fromDigits(negative, integer, fraction, std::min(int(fraction.size()), maxScale));
    }
    if (!result)
        return fail(ErrorCode::Overflow, text.toString(), result.error().message);
    return result;
}

QString Decimal::toString() const
{
    std::string digits = digitsOf(magnitude(m_units), m_scale + 1);
    std::size_t point = digits.size() - std::size_t(m_scale);
    std::size_t end = digits.size();
    while (end > point && digits[end - 1] == '0')
        --end;
    QString out;
    out.reserve(int(end) + 2);
    if (m_units < 0)
        out += u'-';
    out += QLatin1StringView(digits.data(), qsizetype(point));
    if (end > point) {
        out += u'.';
        out += QLatin1StringView(digits.data() + point, qsizetype(end - point));
    }
    return out;
}

QString Decimal::toString(int places) const
{
    places = std::clamp(places, 0, maxScale);
    const std::optional<Int128> units = rescale(m_units, m_scale, places);
    if (!units) {
        // More places than 128 bits can carry: pad the exact text with zeros instead.
        QString text = toString();
        const qsizetype point = text.indexOf(u'.');
        const qsizetype have = point < 0 ? 0 : text.size() - point - 1;
        if (point < 0)
            text += u'.';
        return text + QString(places - have, u'0');
    }
    const std::string digits = digitsOf(magnitude(*units), places + 1);
    const std::size_t point = digits.size() - std::size_t(places);
    QString out;
    if (*units < 0)
        out += u'-';
    out += QLatin1StringView(digits.data(), qsizetype(point));
    if (places > 0) {
        out += u'.';
        out += QLatin1StringView(digits.data() + point, qsizetype(places));
    }
    return out;
}

// ---- doubles and integers ----

Result<Decimal> Decimal::fromDouble(double value, int places)
{
    if (places < 0 || places > maxScale)
        return fail(ErrorCode::InvalidArgument, QString::number(places),
                    QStringLiteral("Недопустимое число знаков после запятой"));
    if (std::isnan(value))
        return fail(ErrorCode::InvalidData, {}, QStringLiteral("Это не число"));
    if (std::isinf(value))
        return overflow();
    // The shortest fixed-point text that reads back as the same double: 0.1 stays 0.1.
    char buffer[400];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (ec != std::errc())
        return overflow();
    bool negative;
    std::string_view integer, fraction;
    if (!splitNumber(std::string_view(buffer, std::size_t(end - buffer)), negative, integer,
                     fraction))
        return fail(ErrorCode::InvalidData, {}, QStringLiteral("Это не число"));
    while (integer.size() > 1 && integer.front() == '0')
        integer.remove_prefix(1);
    if (integer.size() > 39)
        return overflow();
    return fromDigits(negative, integer, fraction, places);
}

double Decimal::toDouble() const
{
    const QString text = toString();
    const QByteArray ascii = text.toLatin1();
    double value = 0;
    std::from_chars(ascii.constData(), ascii.constData() + ascii.size(), value);
    return value;
}

std::int64_t Decimal::toInt64() const
{
    const Int128 whole = m_units / Int128(pow10(m_scale));
    if (whole > std::numeric_limits<std::int64_t>::max())
        return std::numeric_limits<std::int64_t>::max();
    if (whole < std::numeric_limits<std::int64_t>::min())
        return std::numeric_limits<std::int64_t>::min();
    return std::int64_t(whole);
}

// ---- small operations ----

Decimal Decimal::rounded(int places) const
{
    places = std::clamp(places, 0, maxScale);
    if (places >= m_scale)
        return *this;
    return fromUnits(*rescale(m_units, m_scale, places), places);
}

int Decimal::integerDigits() const
{
    return digitCount(magnitude(m_units) / pow10(m_scale));
}

Decimal Decimal::abs() const
{
    return m_units < 0 ? -*this : *this;
}

Decimal Decimal::operator-() const
{
    return fromUnits(-m_units, m_scale);
}

// ---- arithmetic ----

Result<Decimal> Decimal::add(const Decimal &other) const
{
    const int scale = std::max(m_scale, other.m_scale);
    const std::optional<Int128> a = rescale(m_units, m_scale, scale);
    const std::optional<Int128> b = rescale(other.m_units, other.m_scale, scale);
    Int128 sum;
    if (!a || !b || __builtin_add_overflow(*a, *b, &sum) ||
        sum == std::numeric_limits<Int128>::min())
        return overflow(QStringLiteral("%1 + %2: результат вне допустимого диапазона")
                            .arg(toString(), other.toString()));
    return fromUnits(sum, scale);
}

Result<Decimal> Decimal::subtract(const Decimal &other) const
{
    return add(-other);
}

Result<Decimal> Decimal::multiply(const Decimal &other) const
{
    const int scale = m_scale + other.m_scale;
    const int target = std::min(scale, maxScale);
    const std::optional<UInt128> m =
        mulDivRound(magnitude(m_units), magnitude(other.m_units), pow10(scale - target));
    if (!m)
        return overflow(QStringLiteral("%1 * %2: результат вне допустимого диапазона")
                            .arg(toString(), other.toString()));
    return fromUnits(withSign(*m, (m_units < 0) != (other.m_units < 0)), target);
}

Result<Decimal> Decimal::divide(const Decimal &other) const
{
    if (other.m_units == 0)
        return overflow(QStringLiteral("Division by zero"));
    const int scale = std::max({m_scale, other.m_scale, divisionScale});
    // a / 10^sa / (b / 10^sb) in units of 10^-scale = a * 10^(scale - sa + sb) / b
    const std::optional<UInt128> m = mulDivRound(
        magnitude(m_units), pow10(scale - m_scale + other.m_scale), magnitude(other.m_units));
    if (!m)
        return overflow(
            QStringLiteral("%1 / %2 is out of range").arg(toString(), other.toString()));
    return fromUnits(withSign(*m, (m_units < 0) != (other.m_units < 0)), scale);
}

// ---- comparison ----

std::strong_ordering Decimal::operator<=>(const Decimal &other) const
{
    if (m_scale == other.m_scale)
        return m_units <=> other.m_units;
    // Integer parts first (they cannot overflow), then the fractions at the common scale,
    // which are below 10^maxScale and so fit after scaling.
    const Int128 qa = m_units / Int128(pow10(m_scale));
    const Int128 qb = other.m_units / Int128(pow10(other.m_scale));
    if (qa != qb)
        return qa <=> qb;
    const int scale = std::max(m_scale, other.m_scale);
    const Int128 ra = (m_units % Int128(pow10(m_scale))) * Int128(pow10(scale - m_scale));
    const Int128 rb =
        (other.m_units % Int128(pow10(other.m_scale))) * Int128(pow10(scale - other.m_scale));
    return ra <=> rb;
}

bool Decimal::operator==(const Decimal &other) const
{
    return (*this <=> other) == std::strong_ordering::equal;
}

} // namespace zemor::runtime
