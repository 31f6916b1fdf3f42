#pragma once

// A text without its trailing blanks, as the summaries show the STRING fields they read.

#include <QString>

namespace zemor::analysis {

inline QString clipped(const QString &text)
{
    qsizetype n = text.size();
    while (n > 0 && text.at(n - 1) == u' ')
        --n;
    return text.left(n);
}

} // namespace zemor::analysis
