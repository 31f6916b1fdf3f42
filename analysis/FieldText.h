#pragma once

// A small helper that the cross-section and the list of submitting institutions share: a stored
// STRING field without its trailing blanks, as the texts built from it use it.

#include <QString>

namespace zemor::analysis {

// `text` without trailing blanks.
inline QString clipped(const QString &text)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == u' ')
        --end;
    return text.left(end);
}

} // namespace zemor::analysis
