#pragma once

// The share mode of one keyed-file handle, carried by open-file-description locks (fcntl
// F_OFD_SETLK) on a few bytes of the database file far beyond anything SQLite locks. Each
// ShareLock opens a descriptor of its own, so two handles of one process conflict like two
// processes do, and the kernel drops the locks of a process that ended, however it ended.
//
// The bytes: M, a short mutex held while an opener checks and takes its locks; P, held shared by
// every opener and exclusively by an Exclusive one; W, shared by every opener that writes; D,
// shared by every DenyWrite opener. "Nobody else writes" and "nobody else denies writing" are
// tested by converting W or D to an exclusive lock on the same description, which conflicts only
// with the other holders, and converting it back. A lock held by a live holder is never broken:
// a conflict is retried until the wait runs out and then answers AccessDenied.
//
// Closing a descriptor drops every POSIX lock the process holds on the file, SQLite's included.
// So a released ShareLock does not close its descriptor while any other handle of this process
// has the same file open; the descriptor is parked and closed with the last of them.

#include "runtime/core/Error.h"
#include "runtime/store/KeyedFile.h"

#include <QString>

#include <chrono>

namespace zemor::runtime::store {

class ShareLock
{
public:
    ShareLock() = default;
    ~ShareLock();
    ShareLock(const ShareLock &) = delete;
    ShareLock &operator=(const ShareLock &) = delete;

    // Opens a descriptor on `path` and takes the locks of `access` and `share`, retrying a
    // conflict for up to `wait`. FileNotFound when the file does not exist, AccessDenied on a
    // conflict that outlasts the wait or when the file may not be written and `access` or
    // `share` needs it.
    [[nodiscard]] Status acquire(const QString &path, Access access, Share share,
                                 std::chrono::milliseconds wait);
    // Drops the locks (the descriptor is closed as described above).
    void release();
    void swap(ShareLock &other);

private:
    enum class Attempt { Taken, Conflict, Failed };
    Attempt tryTake(Access access, Share share, Error &error);
    void unlockAll();

    int m_fd = -1;
    unsigned long long m_dev = 0;
    unsigned long long m_ino = 0;
    bool m_writableFd = false;
    QString m_path;
};

} // namespace zemor::runtime::store
