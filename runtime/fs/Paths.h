#pragma once

// File names as the program writes them, resolved on this system. Names come in DOS style
// ("\XLS\ras1.xls", "2015\Forma", "C:\WINDOWS\TEMP\"): "\" and "/" both separate components, a
// leading separator means the working directory captured at start, a relative name lies under
// the working directory too, and every component is matched without regard to letter case
// against what exists, so "Forma", "Forma.dat" and "FORMA.DAT" are one file and no second file
// is ever made beside an existing one. A component that does not exist keeps its spelling.
// Paths have no length limit.
//
// The one exception to "a leading separator means the working directory" is a name that starts
// with "/": that is a path of this system ("/tmp/x", or a name built from workDir()) and stays
// absolute. A leading "\" always means the working directory. A drive name ("C:\...") goes
// through mapWindowsPath(). The functions here never throw; every failure is an Error whose
// `where` is the path concerned.
//
// The file operations on these names are declared in FileOperations.h, which this header brings
// along, so that a caller that resolves a name and then works on the file includes one header.

#include "runtime/core/Error.h"
#include "runtime/fs/FileOperations.h"

#include <QByteArray>
#include <QString>

namespace zemor::runtime::fs {

// Names as the system holds them: bytes. Valid UTF-8 reads as its characters; a byte that is
// not part of valid UTF-8 (a folder named in Windows-1251, say) becomes the code unit
// U+DC00 + byte, which encodeName() turns back into that byte. So every name of the system
// survives the trip into a QString and back, and a path is always the bytes the system gave.
// Every file call of the program passes its names through these two.
QByteArray encodeName(const QString &name);
QString decodeName(const QByteArray &bytes);

// A path of this system made absolute against the process's current directory (kept as the
// system's bytes) and cleaned of "." and ".." components.
QString absolutePath(const QString &path);
// The folder a path lies in ("/" for a name at the root), as a string operation.
QString folderOf(const QString &path);

// The working directory: captured once at start (the process's current directory), or set by
// tests. Every relative or "\"-rooted name resolves against it. Safe to call from any thread;
// workDir() captures the current directory itself when nothing was captured or set before.
void captureWorkDir();
void setWorkDir(const QString &dir);
QString workDir();

// Resolves a DOS-style name to a path on disk. With `defaultExtension` (".DAT", ".TPS") the
// extension rule applies: when the last component has no extension, the extension is added
// before matching. A blank name is InvalidName and creates nothing.
// Trailing blanks are dropped (names come from blank-padded fields), "." components are skipped
// and ".." steps up, but a DOS-style name never leaves the working directory (nor a name in
// the Windows temporary folder that folder): "\..\x" or "a\..\..\x" is InvalidName. When several
// entries of a directory differ only in letter case, the first of them in
// case-insensitive-then-exact order is taken, so every spelling names the same one. The result is
// an absolute, clean path with "/" separators and no trailing separator.
[[nodiscard]] Result<QString> resolve(const QString &name, const QString &defaultExtension = {});
// Joins a directory and a name with exactly one separator between them.
QString join(const QString &dir, const QString &name);
// The directory as the program shows and builds names from it (its "short form":
// on this system simply the directory itself, with "\" separators replaced by "/").
QString shortForm(const QString &dir);

// Whether `name` matches `pattern` ('*' any run of characters, '?' exactly one) ignoring case.
// "*.*" matches every name, also one without a dot.
bool matchesPattern(const QString &name, const QString &pattern);

// Fixed Windows locations map to their counterparts here ("C:\WINDOWS\TEMP\" to the temporary
// directory); other names are returned unchanged. Any other drive name loses its drive
// ("D:\data\x" becomes "\data\x"), so it lies under the working directory: an installation moved
// here from another machine keeps the folders it had beside its data.
QString mapWindowsPath(const QString &name);

} // namespace zemor::runtime::fs
