#pragma once

// Opening a keyed file of the dictionary by name for reading only, without a data context or a
// relation manager, so that a file that is not there is simply absent and never created empty:
// the summaries, the completeness count and the indicators look into files that may not exist
// yet. The name is resolved as runtime/fs resolves names, with the file's default extension.
//
// The open file is returned, nullptr when no file of that name exists. A file that exists but
// cannot be opened (FileNotFound from the store: a folder of that name, no permission) counts as
// absent too, unless the caller asks for it to be an error. Any other failure is returned, its
// `where` naming the file as the caller gave it when the store named no place.

#include "data/Dictionary.h"
#include "runtime/core/Error.h"
#include "runtime/store/KeyedFile.h"

#include <QString>

#include <memory>

namespace zemor::data {

enum class Unopenable {
    Absent, // a file that exists and cannot be opened is treated as missing
    Error,  // ... is an error
};

[[nodiscard]] runtime::Result<std::unique_ptr<runtime::store::KeyedFile>>
openExisting(const QString &name, FileId id, Unopenable unopenable = Unopenable::Absent);

} // namespace zemor::data
