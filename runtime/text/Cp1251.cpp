#include "runtime/text/Cp1251.h"

#include <algorithm>
#include <array>
#include <utility>

namespace zemor::runtime::text {

namespace {

// Upper half of Windows-1251. 0x98 has no character in the code page; it maps to the C1 control
// U+0098 so that every byte of a stored record survives a decode and encode unchanged.
constexpr std::array<char16_t, 128> kCp1251High = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, // 0x80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, // 0x88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 0x90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, // 0x98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, // 0xA0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, // 0xA8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, // 0xB0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, // 0xB8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, // 0xC0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, // 0xC8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, // 0xD0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, // 0xD8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, // 0xE0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, // 0xE8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, // 0xF0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F, // 0xF8
};

// Upper half of DOS 866.
constexpr std::array<char16_t, 128> kCp866High = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, // 0x80
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, // 0x88
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, // 0x90
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, // 0x98
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, // 0xA0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, // 0xA8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, // 0xB0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, // 0xB8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, // 0xC0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, // 0xC8
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, // 0xD0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580, // 0xD8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, // 0xE0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F, // 0xE8
    0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E, // 0xF0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0, // 0xF8
};

using ReversePair = std::pair<char16_t, std::uint8_t>;

// Unicode to Windows-1251 for the upper half, sorted by character for a binary search.
constexpr std::array<ReversePair, 128> makeReverse()
{
    std::array<ReversePair, 128> pairs{};
    for (int i = 0; i < 128; ++i)
        pairs[i] = {kCp1251High[i], static_cast<std::uint8_t>(0x80 + i)};
    std::sort(pairs.begin(), pairs.end());
    return pairs;
}
constexpr std::array<ReversePair, 128> kCp1251Reverse = makeReverse();

// Upper-case partner of each lower-case letter of the code page (the rest map to themselves).
constexpr std::array<std::pair<std::uint8_t, std::uint8_t>, 15> kLetterPairs = {{
    {0x80, 0x90}, // Ђ ђ
    {0x81, 0x83}, // Ѓ ѓ
    {0x8A, 0x9A}, // Љ љ
    {0x8C, 0x9C}, // Њ њ
    {0x8D, 0x9D}, // Ќ ќ
    {0x8E, 0x9E}, // Ћ ћ
    {0x8F, 0x9F}, // Џ џ
    {0xA1, 0xA2}, // Ў ў
    {0xA3, 0xBC}, // Ј ј
    {0xA5, 0xB4}, // Ґ ґ
    {0xA8, 0xB8}, // Ё ё
    {0xAA, 0xBA}, // Є є
    {0xAF, 0xBF}, // Ї ї
    {0xB2, 0xB3}, // І і
    {0xBD, 0xBE}, // Ѕ ѕ
}};

struct CaseTables
{
    std::array<std::uint8_t, 256> upper{};
    std::array<std::uint8_t, 256> lower{};
};

constexpr CaseTables makeCaseTables()
{
    CaseTables t;
    for (int b = 0; b < 256; ++b) {
        t.upper[b] = static_cast<std::uint8_t>(b);
        t.lower[b] = static_cast<std::uint8_t>(b);
    }
    auto pair = [&t](int up, int low) {
        t.upper[low] = static_cast<std::uint8_t>(up);
        t.lower[up] = static_cast<std::uint8_t>(low);
    };
    for (int b = 'A'; b <= 'Z'; ++b)
        pair(b, b + 0x20);
    for (int b = 0xC0; b <= 0xDF; ++b)
        pair(b, b + 0x20);
    for (const auto &[up, low] : kLetterPairs)
        pair(up, low);
    return t;
}
constexpr CaseTables kCase = makeCaseTables();

// DOS 866 to Windows-1251 through the characters both share; the rest become '?'.
constexpr std::array<std::uint8_t, 256> makeCp866ToCp1251()
{
    std::array<std::uint8_t, 256> t{};
    for (int b = 0; b < 128; ++b)
        t[b] = static_cast<std::uint8_t>(b);
    for (int i = 0; i < 128; ++i) {
        const char16_t ch = kCp866High[i];
        t[0x80 + i] = '?';
        for (const auto &[u, byte] : kCp1251Reverse) {
            if (u == ch)
                t[0x80 + i] = byte;
        }
    }
    return t;
}
constexpr std::array<std::uint8_t, 256> kCp866To1251 = makeCp866ToCp1251();

} // namespace

char16_t cp1251ToUnicode(std::uint8_t byte)
{
    return byte < 0x80 ? char16_t(byte) : kCp1251High[byte - 0x80];
}

std::optional<std::uint8_t> unicodeToCp1251(char16_t ch)
{
    if (ch < 0x80)
        return static_cast<std::uint8_t>(ch);
    if (ch >= 0x0410 && ch <= 0x044F)
        return static_cast<std::uint8_t>(ch - 0x0410 + 0xC0);
    const auto it =
        std::lower_bound(kCp1251Reverse.begin(), kCp1251Reverse.end(), ReversePair{ch, 0});
    if (it != kCp1251Reverse.end() && it->first == ch)
        return it->second;
    return std::nullopt;
}

QString fromCp1251(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(cp1251ToUnicode(static_cast<std::uint8_t>(bytes[i])));
    return text;
}

QByteArray toCp1251(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i].unicode();
        // A character outside the basic plane is one unknown character, not two.
        if (QChar::isHighSurrogate(ch) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text[i + 1].unicode()))
            ++i;
        const auto byte = unicodeToCp1251(ch);
        bytes.append(byte ? static_cast<char>(*byte) : '?');
    }
    return bytes;
}

std::uint8_t cp866ToCp1251(std::uint8_t byte)
{
    return kCp866To1251[byte];
}

QByteArray cp866ToCp1251(QByteArrayView bytes)
{
    QByteArray out(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = static_cast<char>(kCp866To1251[static_cast<std::uint8_t>(bytes[i])]);
    return out;
}

QString fromCp866(QByteArrayView bytes)
{
    // Straight to Unicode, so box-drawing characters keep their shape.
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<std::uint8_t>(bytes[i]);
        out[i] = QChar(byte < 0x80 ? char16_t(byte) : kCp866High[byte - 0x80]);
    }
    return text;
}

std::uint8_t foldCase(std::uint8_t byte)
{
    return kCase.upper[byte];
}

std::uint8_t toLowerCase(std::uint8_t byte)
{
    return kCase.lower[byte];
}

QByteArray foldCase(QByteArrayView bytes)
{
    QByteArray out(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = static_cast<char>(kCase.upper[static_cast<std::uint8_t>(bytes[i])]);
    return out;
}

QByteArray toLowerCase(QByteArrayView bytes)
{
    QByteArray out(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = static_cast<char>(kCase.lower[static_cast<std::uint8_t>(bytes[i])]);
    return out;
}

} // namespace zemor::runtime::text
