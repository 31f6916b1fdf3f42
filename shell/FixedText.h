#pragma once

// Texts handed back into a caller's fixed-length field: cut to the field's length and padded
// with blanks, as the field holds them. A length of 0 or below leaves the text as it is.

#include <QString>

namespace zemor::shell {

inline QString fixedText(const QString &text, int length)
{
    if (length <= 0)
        return text;
    return text.left(length).leftJustified(length, QLatin1Char(' '));
}

} // namespace zemor::shell
