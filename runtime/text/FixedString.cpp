#include "runtime/text/FixedString.h"

#include "runtime/text/Cp1251.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace zemor::runtime::text {

namespace {

qsizetype clippedSize(QByteArrayView value)
{
    qsizetype n = value.size();
    while (n > 0 && value[n - 1] == ' ')
        --n;
    return n;
}

// Byte order with the shorter value padded with blanks, which is the order of the fields
// themselves once both are written at one width.
template <class Map> int comparePadded(QByteArrayView a, QByteArrayView b, Map map)
{
    const qsizetype n = std::max(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const auto ca = map(static_cast<std::uint8_t>(i < a.size() ? a[i] : ' '));
        const auto cb = map(static_cast<std::uint8_t>(i < b.size() ? b[i] : ' '));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return 0;
}

} // namespace

void setFixed(char *field, int width, QByteArrayView value)
{
    if (width <= 0)
        return;
    const qsizetype n = std::min<qsizetype>(width, value.size());
    if (n > 0)
        std::memcpy(field, value.data(), static_cast<size_t>(n));
    std::memset(field + n, ' ', static_cast<size_t>(width - n));
}

void setFixed(char *field, int width, QStringView value)
{
    setFixed(field, width, QByteArrayView(toCp1251(value)));
}

QByteArray clip(QByteArrayView value)
{
    return value.first(clippedSize(value)).toByteArray();
}

QString clipped(QStringView value)
{
    qsizetype n = value.size();
    while (n > 0 && value[n - 1] == u' ')
        --n;
    return value.first(n).toString();
}

QString fixedToString(const char *field, int width)
{
    if (width <= 0)
        return {};
    const QByteArrayView bytes(field, width);
    return fromCp1251(bytes.first(clippedSize(bytes)));
}

int compareFixed(QByteArrayView a, QByteArrayView b)
{
    return comparePadded(a, b, [](std::uint8_t c) { return c; });
}

int compareFixedIgnoringCase(QByteArrayView a, QByteArrayView b)
{
    return comparePadded(a, b, [](std::uint8_t c) { return foldCase(c); });
}

} // namespace zemor::runtime::text
