#pragma once

// Small helpers that the cross-section and the list of submitting institutions share: a stored
// STRING field without its trailing blanks, as the texts built from it use it, and whether a
// lookup failed only because the record is not there (which the lists answer with a text of
// their own, while every other failure is returned).

#include "runtime/core/Error.h"

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

// Whether a lookup found no record (and nothing else went wrong).
inline bool isRecordMissing(const runtime::Status &status)
{
    return !status && (status.error().code == runtime::ErrorCode::RecordNotFound ||
                       status.error().code == runtime::ErrorCode::EndOfFile);
}

} // namespace zemor::analysis
