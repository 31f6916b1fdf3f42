#pragma once

// A helper that the cross-section, the ratings and the list of submitting institutions share:
// whether a lookup failed only because the record is not there (which the lists answer with a
// text of their own, while every other failure is returned).

#include "runtime/core/Error.h"

namespace zemor::analysis {

// Whether a lookup found no record (and nothing else went wrong).
inline bool isRecordMissing(const runtime::Status &status)
{
    return !status && (status.error().code == runtime::ErrorCode::RecordNotFound ||
                       status.error().code == runtime::ErrorCode::EndOfFile);
}

} // namespace zemor::analysis
