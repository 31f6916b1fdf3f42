#pragma once

// Opening a keyed file of the dictionary by name for reading only, without its relation manager,
// so that a file that is not there is simply absent and never created empty: the summaries and
// the completeness count look into files that may not exist yet. The name is resolved as
// runtime/fs resolves names, with the file's default extension.

#include "data/Dictionary.h"
#include "runtime/core/Error.h"
#include "runtime/store/KeyedFile.h"

#include <QString>

#include <memory>

namespace zemor::analysis {

// The open file, nullptr when it does not exist; any other failure is an error that names the
// file.
[[nodiscard]] runtime::Result<std::unique_ptr<runtime::store::KeyedFile>>
openReadOnly(const QString &name, data::FileId id);

} // namespace zemor::analysis
