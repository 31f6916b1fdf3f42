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

#include "runtime/core/Error.h"
#include "runtime/fs/FileError.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace zemor::runtime::fs {

// Names as the system holds them: bytes. Valid UTF-8 reads as its characters; a byte that is
// not part of valid UTF-8 (a folder named in Windows-1251, say) becomes the code unit
// U+DC00 + byte, which encodeName() turns back into that byte. So every name of the system
// survives the trip into a QString and back, and a path is always the bytes the system gave.
// Every file call of the program passes its names through these two.
QByteArray encodeName(const QString &name);
QString decodeName(const QByteArray &bytes);

// What a path names, following symbolic links; nothing exists when it cannot be looked at.
struct PathInfo
{
    bool exists = false;
    bool isDir = false;
    bool isFile = false;
    qint64 size = 0;
};
PathInfo pathInfo(const QString &path);
inline bool exists(const QString &path)
{
    return pathInfo(path).exists;
}
// A path of this system made absolute against the process's current directory (kept as the
// system's bytes) and cleaned of "." and ".." components.
QString absolutePath(const QString &path);
// The folder a path lies in ("/" for a name at the root), as a string operation.
QString folderOf(const QString &path);
// The names in a folder (without "." and ".."), in the order the system lists them.
[[nodiscard]] Result<QStringList> entryNames(const QString &dir);
// Sets the permission bits of a file or folder (chmod).
[[nodiscard]] Status setPermissions(const QString &path, unsigned mode);
// Removes a folder with everything in it (best effort, for cleaning up).
void removeTree(const QString &path);

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
// `dir` is resolved like any other name; a missing directory is FileNotFound.
[[nodiscard]] Result<QList<DirEntry>> list(const QString &dir,
                                           const QString &pattern = QStringLiteral("*"));
// The same for a name whose last component is the pattern ("\temp1\*.XLS").
[[nodiscard]] Result<QList<DirEntry>> listMatching(const QString &dirAndPattern);
// Whether `name` matches `pattern` ('*' any run of characters, '?' exactly one) ignoring case.
// "*.*" matches every name, also one without a dot.
bool matchesPattern(const QString &name, const QString &pattern);

// Removes a file (not a directory).
[[nodiscard]] Status removeFile(const QString &path);
// Copies; fails with AlreadyExists when `to` exists unless `overwrite` is set. The copy is
// written under a temporary name beside `to` and appears complete or not at all.
[[nodiscard]] Status copyFile(const QString &from, const QString &to, bool overwrite = false);
// Renames without ever replacing an existing file (AlreadyExists); across file systems the file
// is copied, flushed and then the source removed.
[[nodiscard]] Status renameFile(const QString &from, const QString &to);
// Creates a directory with its parents when absent.
[[nodiscard]] Status makeDir(const QString &path);

// Fixed Windows locations map to their counterparts here ("C:\WINDOWS\TEMP\" to the temporary
// directory); other names are returned unchanged. Any other drive name loses its drive
// ("D:\data\x" becomes "\data\x"), so it lies under the working directory: an installation moved
// here from another machine keeps the folders it had beside its data.
QString mapWindowsPath(const QString &name);

// Building blocks for writers that replace a file as a whole: the new content is written under
// a temporary name beside the target and renamed over it only when complete. All paths here are
// paths on disk (already resolved).
struct TempFile
{
    int fd = -1;  // open for writing; the caller closes it
    QString path; // the temporary name, in the target's directory
};
// Creates a new, empty file with a unique name in the directory of `targetPath`:
// ".<name>.<8 hex digits>.tmp". It stays locked while its descriptor is open, so that
// removeLeftoverTemps() never takes a file that is being written for a leftover.
[[nodiscard]] Result<TempFile> createTempBeside(const QString &targetPath, unsigned mode = 0666);
// Removes the temporary files beside `targetPath` (and their "-journal" files) that a writer
// left when it died before its file was in place: those that nobody holds any more.
void removeLeftoverTemps(const QString &targetPath);
// Renames `from` over `to` (replacing it) and flushes the directory, so that after a crash the
// name holds either the old or the new content.
[[nodiscard]] Status replaceWith(const QString &from, const QString &to);
// Flushes the written data of an open descriptor to the disk.
[[nodiscard]] Status syncFile(int fd, const QString &where);
// Writes all of `data` to an open descriptor, going on after short writes and interruptions.
[[nodiscard]] Status writeAll(int fd, const char *data, qint64 size, const QString &where);
// Makes the entries of `dir` durable after a rename or an unlink. Best effort: some file
// systems cannot sync a directory, and the data itself is on the disk by then.
void syncDirectory(const QString &dir);

} // namespace zemor::runtime::fs
