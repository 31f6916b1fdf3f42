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
// then renamed into place, named ".<name>.<8 hex digits>.tmp". siblingTemp() keeps it locked
// (`lockFd`, closed by releaseTemp() once the file is in place or removed) so that
// removeStaleTemps() of another process never takes it for a leftover.
[[nodiscard]] Result<QString> siblingTempName(const QString &path);
// The same, held: the file is locked against removeStaleTemps() while `lockFd` is open.
struct SiblingTemp
{
    QString path;
    int lockFd = -1;
};
[[nodiscard]] Result<SiblingTemp> siblingTemp(const QString &path);
void releaseTemp(SiblingTemp &temp);

// Removes the temporary files (and their rollback journals) that a creator of `path` left when
// it died before its file was in place: those of that name whose creator no longer holds them.
void removeStaleTemps(const QString &path);

// Gives `from` the name `to` only when no file has that name: true when renamed, false when
// `to` exists (and `from` is left).
[[nodiscard]] Result<bool> renameNoReplace(const QString &from, const QString &to);

// Removes a database file and its rollback journal, ignoring errors (cleaning up after a
// failure).
void removeWithJournal(const QString &path);

} // namespace zemor::runtime::store::fileops
