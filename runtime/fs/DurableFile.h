#pragma once

// The one way a whole file is written: the content goes to a new file beside the target, is
// synced to the disk, renamed over the target and the folder is synced, so that after a crash
// the target holds either its old or its new content, never a part. A writer that fails, is
// discarded or is destroyed before commit() removes its file and leaves the target as it was;
// the file of a writer that died is removed when the target is next written.
//
// Paths are paths of this system (resolve DOS-style names with fs::resolve first). Every
// failure is an Error mapped from the system's errno (FileError.h): a full disk is DiskFull.

#include "runtime/core/Error.h"
#include "runtime/fs/FileError.h"

#include <QByteArrayView>
#include <QString>

namespace zemor::runtime::fs {

class DurableFile
{
public:
    DurableFile() = default;
    ~DurableFile();
    DurableFile(DurableFile &&other) noexcept;
    DurableFile &operator=(DurableFile &&other) noexcept;
    DurableFile(const DurableFile &) = delete;
    DurableFile &operator=(const DurableFile &) = delete;

    // Starts a file that will replace `target` (which may not exist yet). The new file gets
    // the permissions of the file it replaces, or `mode` less the umask when there is none. A
    // missing folder is FileNotFound.
    [[nodiscard]] static Result<DurableFile> begin(const QString &target, unsigned mode = 0666);

    // Appends bytes; after a failure every later call returns that failure.
    [[nodiscard]] Status write(QByteArrayView bytes);
    // Overwrites bytes already written, at `offset` from the start (a header filled in last).
    [[nodiscard]] Status writeAt(qint64 offset, QByteArrayView bytes);
    // Gives the new file these permission bits (those of the file it replaces).
    [[nodiscard]] Status setMode(unsigned mode);
    // Syncs, closes and renames the file over the target, then syncs the folder. The writer is
    // finished afterwards, whatever the outcome; on failure the target is untouched.
    [[nodiscard]] Status commit();
    // Drops the new file; the target stays as it was.
    void discard();

    bool isOpen() const { return m_fd >= 0; }
    const QString &target() const { return m_target; }
    // The name of the new file, for a library that writes a file by name (it opens, truncates
    // and writes that same file; commit() then syncs and places it).
    const QString &tempPath() const { return m_tempPath; }
    // The open descriptor of the new file, for a writer that needs one (QFile::open(fd)).
    int handle() const { return m_fd; }

private:
    int m_fd = -1;
    QString m_target;
    QString m_tempPath;
    Status m_status;
};

// Writes `content` as the whole of `target` through a DurableFile.
[[nodiscard]] Status writeWholeFile(const QString &target, QByteArrayView content,
                                    unsigned mode = 0666);

// Creates an empty file at `path` only when no entry of that name exists: true when it was
// created, false when something was there already. The folder entry is synced.
[[nodiscard]] Result<bool> createIfAbsent(const QString &path, unsigned mode = 0666);

// The whole content of a file (a missing file is FileNotFound).
[[nodiscard]] Result<QByteArray> readWholeFile(const QString &path);

// For tests: every write of a DurableFile fails with `errnum` while it is set (0 clears it), as
// a full disk would make it fail.
void failDurableWritesForTesting(int errnum);

} // namespace zemor::runtime::fs
