#pragma once

// Reading a dictionary file that has opened can still fail (a damaged record, a lost disk).
// Such a failure is reported like a failed opening, by the data context's error manager, so
// that a list that could not be read is never shown as an empty one without a word. Call it
// while the file is still open, so that the message names the file on disk; the error is
// handed back for the caller to return.

#include "data/DataContext.h"
#include "data/ErrorManager.h"
#include "runtime/store/KeyedFile.h"

namespace zemor::data {

inline runtime::Error reportReadFailure(DataContext &data, FileId id, const runtime::Error &error)
{
    data.errors().report(FileOperation::Open, declaration(id).label, data.file(id).path(), error);
    return error;
}

} // namespace zemor::data
