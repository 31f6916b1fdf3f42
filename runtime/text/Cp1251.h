#pragma once

// The code pages of the stored data. Every record, text file and INI file of the program is
// Windows-1251; files from older programs may be DOS 866. These tables cover all 256 byte values
// both ways; a Unicode character with no Windows-1251 byte becomes '?' when encoded.
//
// Case folding is that of Windows-1251 letters: ASCII A-Z, Cyrillic А-Я (0xC0-0xDF) with а-я
// (0xE0-0xFF), Ё/ё (0xA8/0xB8) and the other letter pairs of the code page (Ђ/ђ, Ѓ/ѓ, Љ/љ, Њ/њ,
// Ќ/ќ, Ћ/ћ, Џ/џ, Ў/ў, Ј/ј, Ґ/ґ, Є/є, Ѕ/ѕ, І/і, Ї/ї). Case-insensitive keys compare folded bytes.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace zemor::runtime::text {

char16_t cp1251ToUnicode(std::uint8_t byte);
std::optional<std::uint8_t> unicodeToCp1251(char16_t ch);
QString fromCp1251(QByteArrayView bytes);
QByteArray toCp1251(QStringView text);

// DOS 866 to Windows-1251, byte by byte (box-drawing characters without a counterpart become '?').
// fromCp866 decodes DOS 866 straight to Unicode, box-drawing characters included.
std::uint8_t cp866ToCp1251(std::uint8_t byte);
QByteArray cp866ToCp1251(QByteArrayView bytes);
QString fromCp866(QByteArrayView bytes);

// Folds a Windows-1251 byte to its upper-case letter (other bytes unchanged).
std::uint8_t foldCase(std::uint8_t byte);
std::uint8_t toLowerCase(std::uint8_t byte);
QByteArray foldCase(QByteArrayView bytes);
QByteArray toLowerCase(QByteArrayView bytes);

} // namespace zemor::runtime::text
