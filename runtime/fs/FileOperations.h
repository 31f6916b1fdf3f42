#pragma once

// The file operations of the program, on paths of this system or on DOS-style names that they
// resolve first (Paths.h): what a path is, folder listings, removing, copying, renaming and
// making folders, the reading of a file's identity with its first bytes, and the building
// blocks of the writers that replace a file whole. Copies and renames never leave a half file
// under the target's name and never replace an existing file unless told to. The functions
// here never throw; every failure is an Error whose `where` is the path concerned, with the
// system's reason translated by FileError.h.

#include "runtime/core/Error.h"
#include "runtime/fs/FileError.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace zemor::runtime::fs {

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
// A file as one opening of it saw it: its first bytes and what tells one state of it from the
// next, for a reader that keeps what it read until the file changes.
struct FileHead
{
    QByteArray bytes; // the length asked for, fewer when the file is shorter
    qint64 device = 0;
    qint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedSeconds = 0;
    qint64 modifiedNanoseconds = 0;
};
// The first `length` bytes of the file at `path` (a path on disk) and its identity, both taken
// through one descriptor, so they belong to one file even when the name is replaced meanwhile.
[[nodiscard]] Result<FileHead> readHead(const QString &path, qsizetype length);
// The names in a folder (without "." and ".."), in the order the system lists them.
[[nodiscard]] Result<QStringList> entryNames(const QString &dir);
// Sets the permission bits of a file or folder (chmod).
[[nodiscard]] Status setPermissions(const QString &path, unsigned mode);
// Removes a folder with everything in it (best effort, for cleaning up).
void removeTree(const QString &path);

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
