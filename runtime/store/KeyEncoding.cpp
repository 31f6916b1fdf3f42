#include "runtime/store/KeyEncoding.h"

#include "runtime/text/Cp1251.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>

namespace zemor::runtime::store {

namespace {

using Bytes = const std::uint8_t *;

// Folding is looked up once per byte of every case-insensitive key; a local table keeps that
// to one load.
const std::array<std::uint8_t, 256> &foldTable()
{
    static const std::array<std::uint8_t, 256> table = [] {
        std::array<std::uint8_t, 256> t{};
        for (int i = 0; i < 256; ++i)
            t[i] = text::foldCase(static_cast<std::uint8_t>(i));
        return t;
    }();
    return table;
}

int elementMaxLength(FieldType type, int size)
{
    switch (type) {
    case FieldType::Byte:
        return 1;
    case FieldType::Short:
        return 2;
    case FieldType::Long:
        return 4;
    case FieldType::Real:
        return 8;
    case FieldType::Decimal:
        return size;
    case FieldType::String:
        return 2 * size + 1;
    }
    return 0;
}

bool packedDigitsValid(Bytes p, int size)
{
    if ((p[0] & 0x0F) > 9)
        return false;
    for (int i = 1; i < size; ++i) {
        if ((p[i] >> 4) > 9 || (p[i] & 0x0F) > 9)
            return false;
    }
    return true;
}

bool packedIsZero(Bytes p, int size)
{
    if ((p[0] & 0x0F) != 0)
        return false;
    for (int i = 1; i < size; ++i) {
        if (p[i] != 0)
            return false;
    }
    return true;
}

} // namespace

KeyEncoding::KeyEncoding(const RecordLayout &layout, int key)
{
    const KeyDef &k = layout.keys.at(key);
    m_parts.reserve(k.components.size());
    for (int c : k.components) {
        const FieldDef &f = layout.fields.at(c);
        m_parts.append(Part{f.type, f.offset, f.size, f.dim,
                            k.caseInsensitive && f.type == FieldType::String});
    }
}

int KeyEncoding::maxLength(int components) const
{
    const int n = components < 0 ? componentCount() : std::min(components, componentCount());
    int total = 0;
    for (int i = 0; i < n; ++i)
        total += elementMaxLength(m_parts[i].type, m_parts[i].size) * m_parts[i].dim;
    return total;
}

Status KeyEncoding::encode(const char *record, int components, QByteArray &out, bool *blank) const
{
    const int n = components < 0 ? componentCount() : std::min(components, componentCount());
    out.resize(maxLength(n));
    auto *o = reinterpret_cast<std::uint8_t *>(out.data());
    bool allBlank = true;

    for (int i = 0; i < n; ++i) {
        const Part &part = m_parts[i];
        for (int e = 0; e < part.dim; ++e) {
            const auto *p = reinterpret_cast<Bytes>(record) + part.offset + e * part.size;
            switch (part.type) {
            case FieldType::Byte:
                allBlank = allBlank && p[0] == 0;
                *o++ = p[0];
                break;
            case FieldType::Short: {
                std::uint16_t v;
                std::memcpy(&v, p, 2);
                allBlank = allBlank && v == 0;
                v ^= 0x8000u;
                *o++ = static_cast<std::uint8_t>(v >> 8);
                *o++ = static_cast<std::uint8_t>(v);
                break;
            }
            case FieldType::Long: {
                std::uint32_t v;
                std::memcpy(&v, p, 4);
                allBlank = allBlank && v == 0;
                v ^= 0x80000000u;
                *o++ = static_cast<std::uint8_t>(v >> 24);
                *o++ = static_cast<std::uint8_t>(v >> 16);
                *o++ = static_cast<std::uint8_t>(v >> 8);
                *o++ = static_cast<std::uint8_t>(v);
                break;
            }
            case FieldType::Real: {
                double d;
                std::memcpy(&d, p, 8);
                // -0 and +0 are one value.
                const std::uint64_t raw = d != 0.0 ? std::bit_cast<std::uint64_t>(d) : 0;
                allBlank = allBlank && d == 0.0;
                std::uint64_t bits = raw;
                bits = (bits >> 63) != 0 ? ~bits : bits ^ (std::uint64_t{1} << 63);
                for (int b = 7; b >= 0; --b)
                    *o++ = static_cast<std::uint8_t>(bits >> (8 * b));
                break;
            }
            case FieldType::Decimal: {
                if (!packedDigitsValid(p, part.size)) {
                    out.clear();
                    return fail(ErrorCode::InvalidData, {},
                                QStringLiteral("В упакованном числе ключа цифра больше 9"));
                }
                const bool zero = packedIsZero(p, part.size);
                allBlank = allBlank && zero;
                if (zero || (p[0] >> 4) == 0) {
                    *o++ = static_cast<std::uint8_t>(0x10 | (p[0] & 0x0F));
                    std::memcpy(o, p + 1, part.size - 1);
                    o += part.size - 1;
                } else {
                    *o++ = static_cast<std::uint8_t>(9 - (p[0] & 0x0F));
                    for (int b = 1; b < part.size; ++b)
                        *o++ = static_cast<std::uint8_t>(0x99 - p[b]);
                }
                break;
            }
            case FieldType::String: {
                int len = part.size;
                while (len > 0 && p[len - 1] == ' ')
                    --len;
                const auto &fold = foldTable();
                for (int b = 0; b < len; ++b) {
                    std::uint8_t c = part.fold ? fold[p[b]] : p[b];
                    if (c != 0)
                        allBlank = false;
                    if (c <= 1) {
                        *o++ = 1;
                        *o++ = static_cast<std::uint8_t>(c + 1);
                    } else {
                        *o++ = c;
                    }
                }
                *o++ = 0;
                break;
            }
            }
        }
    }
    out.resize(static_cast<qsizetype>(o - reinterpret_cast<std::uint8_t *>(out.data())));
    if (blank)
        *blank = allBlank;
    return {};
}

std::optional<qint64> KeyEncoding::integerValue(const char *record) const
{
    if (m_parts.isEmpty())
        return std::nullopt;
    const Part &part = m_parts.first();
    const auto *p = reinterpret_cast<Bytes>(record) + part.offset;
    switch (part.type) {
    case FieldType::Byte:
        return p[0];
    case FieldType::Short: {
        std::int16_t v;
        std::memcpy(&v, p, 2);
        return v;
    }
    case FieldType::Long: {
        std::int32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
    case FieldType::Decimal: {
        if (!packedDigitsValid(p, part.size))
            return std::nullopt;
        std::uint64_t v = p[0] & 0x0F;
        constexpr auto limit = static_cast<std::uint64_t>(std::numeric_limits<qint64>::max());
        for (int b = 1; b < part.size; ++b) {
            if (v > (limit - 99) / 100)
                return std::nullopt;
            v = v * 100 + (p[b] >> 4) * 10 + (p[b] & 0x0F);
        }
        const auto value = static_cast<qint64>(v);
        return (p[0] >> 4) != 0 ? -value : value;
    }
    case FieldType::Real:
    case FieldType::String:
        break;
    }
    return std::nullopt;
}

qint64 KeyEncoding::integerLimit() const
{
    if (m_parts.isEmpty())
        return 0;
    const Part &part = m_parts.first();
    switch (part.type) {
    case FieldType::Byte:
        return 255;
    case FieldType::Short:
        return std::numeric_limits<std::int16_t>::max();
    case FieldType::Long:
        return std::numeric_limits<std::int32_t>::max();
    case FieldType::Decimal: {
        const int digits = 2 * part.size - 1;
        if (digits >= 19)
            return std::numeric_limits<qint64>::max();
        qint64 limit = 1;
        for (int i = 0; i < digits; ++i)
            limit *= 10;
        return limit - 1;
    }
    case FieldType::Real:
    case FieldType::String:
        break;
    }
    return 0;
}

QByteArray KeyEncoding::prefixEnd(const QByteArray &prefix)
{
    QByteArray end = prefix;
    while (!end.isEmpty()) {
        const auto last = static_cast<std::uint8_t>(end.back());
        if (last != 0xFF) {
            end.back() = static_cast<char>(last + 1);
            return end;
        }
        end.chop(1);
    }
    return end;
}

} // namespace zemor::runtime::store
