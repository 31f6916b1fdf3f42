#pragma once

// File-system steps of the keyed-file layer that must not lose a file: building a file under a
// name of its own beside the target and giving it the target's name only when complete, and
// cleaning up after a failed build. Free functions over runtime/fs; they own nothing and report
// failures as errors naming the path concerned.

#include "runtime/core/Error.h"

#include <QString>
#include <QStringView>

namespace zemor::runtime::store::fileops {

// A name that is empty or blanks only: never opened, never created.
bool isBlankPath(QStringView path);

// A new, empty file beside `path` (mode 0666 less the umask), for a file that is built there and
// then renamed into place.
[[nodiscard]] Result<QString> siblingTempName(const QString &path);

// Gives `from` the name `to` only when no file has that name: true when renamed, false when
// `to` exists (and `from` is left).
[[nodiscard]] Result<bool> renameNoReplace(const QString &from, const QString &to);

// Removes a database file and its rollback journal, ignoring errors (cleaning up after a
// failure).
void removeWithJournal(const QString &path);

} // namespace zemor::runtime::store::fileops
