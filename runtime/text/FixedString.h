#pragma once

// Blank-padded fixed-width strings, the STRING(n) fields of the records: n bytes, no terminator,
// padded with blanks on the right.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace zemor::runtime::text {

// Writes `value` into the `width` bytes at `field`: cut to width, padded with blanks.
void setFixed(char *field, int width, QByteArrayView value);
// The same from Unicode text, encoded in Windows-1251.
void setFixed(char *field, int width, QStringView value);
// The bytes without their trailing blanks.
QByteArray clip(QByteArrayView value);
// The text without its trailing blanks (U+0020 only; other white space stays).
QString clipped(QStringView value);
// Decoded from Windows-1251 without trailing blanks.
QString fixedToString(const char *field, int width);
// Compares as the platform does: trailing blanks do not count. <0, 0, >0. Bytes compare
// unsigned, the shorter value taken as padded with blanks, so the order is that of the two
// values written into fields of one width ("A" sorts after "A\x01", as its field "A " does).
int compareFixed(QByteArrayView a, QByteArrayView b);
int compareFixedIgnoringCase(QByteArrayView a, QByteArrayView b);

} // namespace zemor::runtime::text
