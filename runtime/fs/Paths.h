#pragma once

// File names as the program writes them, resolved on this system. Names come in DOS style
// ("\XLS\ras1.xls", "2015\Forma", "C:\WINDOWS\TEMP\"): "\" and "/" both separate components, a
// leading separator means the working directory captured at start, a relative name lies under
// the working directory too, and every component is matched without regard to letter case
// against what exists, so "Forma", "Forma.dat" and "FORMA.DAT" are one file and no second file
// is ever made beside an existing one. A component that does not exist keeps its spelling.
// Paths have no length limit.

#include "runtime/core/Error.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace zemor::runtime::fs {

// The working directory: captured once at start (the process's current directory), or set by
// tests. Every relative or "\"-rooted name resolves against it.
void captureWorkDir();
void setWorkDir(const QString &dir);
QString workDir();

// Resolves a DOS-style name to a path on disk. With `defaultExtension` (".DAT", ".TPS") the
// extension rule applies: when the last component has no extension, the extension is added
// before matching. A blank name is InvalidName and creates nothing.
[[nodiscard]] Result<QString> resolve(const QString &name, const QString &defaultExtension = {});
// Joins a directory and a name with exactly one separator between them.
QString join(const QString &dir, const QString &name);
// The directory as the program shows and builds names from it (the "short form" of the Parts:
// on this system simply the directory itself, with "\" separators replaced by "/").
QString shortForm(const QString &dir);

struct DirEntry
{
    QString name; // the name as it is on disk
    qint64 size = 0;
    QDateTime modified;
    bool isDir = false;
    bool readOnly = false;
    bool hidden = false;
};

// The entries of `dir` whose names match `pattern` ("*.XLS", "F????.dat", "*.*") without regard
// to case, sorted by name without regard to case. Directories are included; "." and ".." not.
[[nodiscard]] Result<QList<DirEntry>> list(const QString &dir, const QString &pattern = QStringLiteral("*"));

[[nodiscard]] Status removeFile(const QString &path);
// Copies; fails with AlreadyExists when `to` exists unless `overwrite` is set.
[[nodiscard]] Status copyFile(const QString &from, const QString &to, bool overwrite = false);
// Renames without ever replacing an existing file (AlreadyExists); across file systems the file
// is copied, flushed and then the source removed.
[[nodiscard]] Status renameFile(const QString &from, const QString &to);
// Creates a directory with its parents when absent.
[[nodiscard]] Status makeDir(const QString &path);

// Fixed Windows locations map to their counterparts here ("C:\WINDOWS\TEMP\" to the temporary
// directory); other names are returned unchanged.
QString mapWindowsPath(const QString &name);

} // namespace zemor::runtime::fs
