#include "runtime/fs/FileOperations.h"

#include "runtime/fs/PathParts.h"
#include "runtime/fs/Paths.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace zemor::runtime::fs {

namespace {

// Entries with equal names when case is ignored are ordered by their exact spelling, so that a
// listing and a lookup always agree on which of them comes first.
bool nameLess(const QString &a, const QString &b)
{
    const int ci = QString::compare(a, b, Qt::CaseInsensitive);
    if (ci != 0)
        return ci < 0;
    return a < b;
}

QString lastComponent(const QString &path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

bool pathExists(const QString &path, struct stat *st = nullptr)
{
    struct stat local;
    return ::lstat(encodeName(path).constData(), st ? st : &local) == 0;
}

int renameNoReplace(const QString &from, const QString &to)
{
    return static_cast<int>(::syscall(SYS_renameat2, AT_FDCWD, encodeName(from).constData(),
                                      AT_FDCWD, encodeName(to).constData(), RENAME_NOREPLACE));
}

// Moves a file onto a name that must not exist; 0 or the errno of the failure. Falls back to
// link()+unlink() where the file system has no no-replace rename.
int moveNoReplace(const QString &from, const QString &to, bool isDir)
{
    if (renameNoReplace(from, to) == 0)
        return 0;
    const int err = errno;
    if (err != EINVAL && err != ENOSYS && err != ENOTSUP)
        return err;
    if (!isDir) {
        if (::link(encodeName(from).constData(), encodeName(to).constData()) == 0) {
            ::unlink(encodeName(from).constData());
            return 0;
        }
        const int linkErr = errno;
        if (linkErr != EPERM && linkErr != ENOTSUP && linkErr != EOPNOTSUPP)
            return linkErr;
    }
    // Neither a no-replace rename nor hard links: check, then rename.
    if (pathExists(to))
        return EEXIST;
    if (::rename(encodeName(from).constData(), encodeName(to).constData()) != 0)
        return errno;
    return 0;
}

std::unexpected<Error> failedMove(int err, const QString &from, const QString &to)
{
    return failWithErrno(err, err == EEXIST ? to : from);
}

// Copies the regular file `from` to a temporary beside `to`, flushes it and then puts it under
// `to`: replacing an existing file when `overwrite` is set, never otherwise.
Status copyRegular(const QString &from, const struct stat &srcStat, const QString &to,
                   bool overwrite)
{
    const int in = ::open(encodeName(from).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return failWithErrno(errno, from);
    auto temp = createTempBeside(to, srcStat.st_mode & 07777);
    if (!temp) {
        ::close(in);
        return std::unexpected(temp.error());
    }
    const auto discard = [&] {
        ::close(in);
        ::close(temp->fd);
        ::unlink(encodeName(temp->path).constData());
    };
    QByteArray buffer(1 << 16, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), static_cast<size_t>(buffer.size()));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            discard();
            return failWithErrno(err, from);
        }
        if (n == 0)
            break;
        if (auto written = writeAll(temp->fd, buffer.constData(), n, to); !written) {
            discard();
            return written;
        }
    }
    // A copy keeps the time of its source, as the listings show it.
    const struct timespec times[2] = {srcStat.st_atim, srcStat.st_mtim};
    ::futimens(temp->fd, times);
    if (auto synced = syncFile(temp->fd, to); !synced) {
        discard();
        return synced;
    }
    ::close(in);
    if (::close(temp->fd) != 0) {
        const int err = errno;
        ::unlink(encodeName(temp->path).constData());
        return failWithErrno(err, to);
    }
    Status placed = overwrite ? replaceWith(temp->path, to) : Status{};
    if (!overwrite) {
        if (const int err = moveNoReplace(temp->path, to, false); err != 0)
            placed = failWithErrno(err, to);
    }
    if (!placed) {
        ::unlink(encodeName(temp->path).constData());
        return placed;
    }
    syncDirectory(folderOf(to));
    return {};
}

// Whether `fd` is still the file named `path` (a cleaner may have removed the name between its
// creation and its locking).
bool stillNamed(int fd, const QString &path)
{
    struct stat byFd;
    struct stat byName;
    return ::fstat(fd, &byFd) == 0 && ::stat(encodeName(path).constData(), &byName) == 0 &&
           byFd.st_ino == byName.st_ino && byFd.st_dev == byName.st_dev;
}

bool isTempOf(const QString &entry, const QString &base, QString *tempName)
{
    // ".<base>.<8 hex>.tmp", or that with "-journal" after it.
    static const QString journal = QStringLiteral("-journal");
    QString name = entry;
    if (name.endsWith(journal))
        name.chop(journal.size());
    const qsizetype fixed = 1 + base.size() + 1 + 8 + 4;
    if (name.size() != fixed || !name.startsWith(u'.') || !name.endsWith(u".tmp") ||
        name.at(1 + base.size()) != u'.' ||
        QStringView(name).sliced(1, base.size()).compare(base, Qt::CaseInsensitive) != 0)
        return false;
    for (const QChar c : QStringView(name).sliced(2 + base.size(), 8)) {
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')))
            return false;
    }
    *tempName = name;
    return true;
}

} // namespace

PathInfo pathInfo(const QString &path)
{
    struct stat st;
    PathInfo info;
    if (::stat(encodeName(path).constData(), &st) != 0)
        return info;
    info.exists = true;
    info.isDir = S_ISDIR(st.st_mode);
    info.isFile = S_ISREG(st.st_mode);
    info.size = info.isFile ? qint64(st.st_size) : 0;
    return info;
}

Result<FileHead> readHead(const QString &path, qsizetype length)
{
    const int fd = ::open(encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return failWithErrno(errno, path);
    const auto failed = [&] {
        const int err = errno;
        ::close(fd);
        return failWithErrno(err, path);
    };
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return failed();
    FileHead head;
    head.bytes.resize(length);
    qsizetype got = 0;
    while (got < length) {
        const ssize_t n = ::pread(fd, head.bytes.data() + got, size_t(length - got), off_t(got));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return failed();
        }
        if (n == 0)
            break;
        got += n;
    }
    ::close(fd);
    head.bytes.truncate(got);
    head.device = qint64(st.st_dev);
    head.inode = qint64(st.st_ino);
    head.size = qint64(st.st_size);
    head.modifiedSeconds = qint64(st.st_mtim.tv_sec);
    head.modifiedNanoseconds = qint64(st.st_mtim.tv_nsec);
    return head;
}

Result<QStringList> entryNames(const QString &dir)
{
    DIR *listing = ::opendir(encodeName(dir).constData());
    if (listing == nullptr)
        return failWithErrno(errno, dir);
    QStringList names;
    while (const dirent *entry = ::readdir(listing)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        names.append(decodeName(QByteArray(entry->d_name)));
    }
    ::closedir(listing);
    return names;
}

Status setPermissions(const QString &path, unsigned mode)
{
    if (::chmod(encodeName(path).constData(), mode_t(mode)) != 0)
        return failWithErrno(errno, path);
    return {};
}

void removeTree(const QString &path)
{
    struct stat st;
    if (::lstat(encodeName(path).constData(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode)) {
        if (auto names = entryNames(path)) {
            for (const QString &name : std::as_const(*names))
                removeTree(childOf(path, name));
        }
        ::rmdir(encodeName(path).constData());
    } else {
        ::unlink(encodeName(path).constData());
    }
}

Result<QList<DirEntry>> list(const QString &dir, const QString &pattern)
{
    auto resolved = resolve(dir);
    if (!resolved)
        return std::unexpected(resolved.error());
    if (!pathInfo(*resolved).isDir)
        return fail(ErrorCode::FileNotFound, *resolved);
    const auto names = entryNames(*resolved);
    if (!names)
        return std::unexpected(names.error());

    QList<DirEntry> entries;
    for (const QString &entryName : *names) {
        if (!matchesPattern(entryName, pattern))
            continue;
        struct stat st;
        if (::stat(encodeName(childOf(*resolved, entryName)).constData(), &st) != 0 &&
            ::lstat(encodeName(childOf(*resolved, entryName)).constData(), &st) != 0)
            continue; // gone meanwhile
        DirEntry entry;
        entry.name = entryName;
        entry.isDir = S_ISDIR(st.st_mode);
        entry.size = entry.isDir ? 0 : qint64(st.st_size);
        entry.modified = QDateTime::fromMSecsSinceEpoch(qint64(st.st_mtim.tv_sec) * 1000 +
                                                        st.st_mtim.tv_nsec / 1'000'000);
        // Ownership decides, not who asks: a file without write permission is read-only even
        // for a user (root) who could write it anyway.
        entry.readOnly = !(st.st_mode & S_IWUSR);
        entry.hidden = entryName.startsWith(u'.');
        entries.append(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(),
              [](const DirEntry &a, const DirEntry &b) { return nameLess(a.name, b.name); });
    return entries;
}

Result<QList<DirEntry>> listMatching(const QString &dirAndPattern)
{
    QString text = dirAndPattern;
    while (!text.isEmpty() && text.back().isSpace())
        text.chop(1);
    qsizetype cut = text.size();
    while (cut > 0 && !isSeparator(text.at(cut - 1)))
        --cut;
    const QString pattern = text.mid(cut);
    QString dir = text.left(cut);
    if (dir.isEmpty())
        dir = workDir();
    return list(dir, pattern.isEmpty() ? QStringLiteral("*") : pattern);
}

Status removeFile(const QString &path)
{
    auto resolved = resolve(path);
    if (!resolved)
        return std::unexpected(resolved.error());
    struct stat st;
    if (!pathExists(*resolved, &st))
        return fail(ErrorCode::FileNotFound, *resolved);
    if (S_ISDIR(st.st_mode))
        return fail(ErrorCode::AccessDenied, *resolved, QStringLiteral("Это папка, а не файл"));
    if (::unlink(encodeName(*resolved).constData()) != 0)
        return failWithErrno(errno, *resolved);
    return {};
}

Status copyFile(const QString &from, const QString &to, bool overwrite)
{
    auto source = resolve(from);
    if (!source)
        return std::unexpected(source.error());
    auto target = resolve(to);
    if (!target)
        return std::unexpected(target.error());
    struct stat srcStat;
    if (::stat(encodeName(*source).constData(), &srcStat) != 0)
        return failWithErrno(errno, *source);
    if (!S_ISREG(srcStat.st_mode))
        return fail(ErrorCode::AccessDenied, *source, QStringLiteral("Это не обычный файл"));
    struct stat dstStat;
    if (pathExists(*target, &dstStat)) {
        if (!overwrite)
            return fail(ErrorCode::AlreadyExists, *target);
        if (S_ISDIR(dstStat.st_mode))
            return fail(ErrorCode::AccessDenied, *target, QStringLiteral("Это папка, а не файл"));
        if (*target == *source)
            return {};
    }
    return copyRegular(*source, srcStat, *target, overwrite);
}

Status renameFile(const QString &from, const QString &to)
{
    auto source = resolve(from);
    if (!source)
        return std::unexpected(source.error());
    auto target = resolve(to);
    if (!target)
        return std::unexpected(target.error());
    struct stat srcStat;
    if (!pathExists(*source, &srcStat))
        return fail(ErrorCode::FileNotFound, *source);

    if (*target == *source) {
        // The target names the source itself in another letter case: only the spelling
        // changes.
        QString spelling = to;
        while (!spelling.isEmpty() && (spelling.back().isSpace() || isSeparator(spelling.back())))
            spelling.chop(1);
        spelling = lastComponent(QString(spelling).replace(u'\\', u'/'));
        const QString respelled = childOf(folderOf(*source), spelling);
        if (respelled == *source)
            return {};
        *target = respelled;
    } else if (pathExists(*target)) {
        return fail(ErrorCode::AlreadyExists, *target);
    }

    const int err = moveNoReplace(*source, *target, S_ISDIR(srcStat.st_mode));
    if (err == 0) {
        syncDirectory(folderOf(*target));
        if (folderOf(*target) != folderOf(*source))
            syncDirectory(folderOf(*source));
        return {};
    }
    if (err != EXDEV)
        return failedMove(err, *source, *target);
    if (!S_ISREG(srcStat.st_mode))
        return fail(ErrorCode::IoError, *source,
                    QStringLiteral("Папку нельзя перенести на другой диск"));
    // Another file system: copy, flush, then remove the source. When the source cannot be
    // removed the copy goes again, so that the file never ends up in two places.
    if (auto copied = copyRegular(*source, srcStat, *target, false); !copied)
        return copied;
    if (::unlink(encodeName(*source).constData()) != 0) {
        const int unlinkErr = errno;
        ::unlink(encodeName(*target).constData());
        return failWithErrno(unlinkErr, *source);
    }
    syncDirectory(folderOf(*source));
    return {};
}

Status makeDir(const QString &path)
{
    auto resolved = resolve(path);
    if (!resolved)
        return std::unexpected(resolved.error());
    QStringList missing;
    QString current = *resolved;
    struct stat st;
    while (!pathExists(current, &st)) {
        missing.prepend(current);
        const QString parent = folderOf(current);
        if (parent == current)
            break;
        current = parent;
    }
    if (missing.isEmpty() || current != missing.front()) {
        // `current` exists: it must be a directory (following a link to one is fine).
        struct stat target;
        if (::stat(encodeName(current).constData(), &target) != 0 || !S_ISDIR(target.st_mode))
            return fail(ErrorCode::AlreadyExists, current, QStringLiteral("Это не папка"));
    }
    for (const QString &dir : std::as_const(missing)) {
        if (::mkdir(encodeName(dir).constData(), 0777) != 0 && errno != EEXIST)
            return failWithErrno(errno, dir);
    }
    return {};
}

void removeLeftoverTemps(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString dir = slash < 0 ? QStringLiteral(".") : path.left(std::max<qsizetype>(slash, 1));
    const QString base = path.mid(slash + 1);
    DIR *listing = ::opendir(encodeName(dir).constData());
    if (listing == nullptr)
        return;
    QStringList temps;
    QStringList journals;
    while (const dirent *entry = ::readdir(listing)) {
        if (entry->d_name[0] != '.')
            continue;
        const QString name = decodeName(entry->d_name);
        QString tempName;
        if (!isTempOf(name, base, &tempName))
            continue;
        (name == tempName ? temps : journals).append(join(dir, tempName));
    }
    ::closedir(listing);

    bool removed = false;
    for (const QString &temp : std::as_const(temps)) {
        const int fd = ::open(encodeName(temp).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        // A creator that is alive holds its lock until the file is in place.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && stillNamed(fd, temp)) {
            ::unlink(encodeName(temp).constData());
            ::unlink(encodeName(temp + QStringLiteral("-journal")).constData());
            removed = true;
        }
        ::close(fd);
    }
    // A journal whose temporary file is gone belongs to nobody.
    for (const QString &temp : std::as_const(journals)) {
        if (!temps.contains(temp) && ::access(encodeName(temp).constData(), F_OK) != 0) {
            ::unlink(encodeName(temp + QStringLiteral("-journal")).constData());
            removed = true;
        }
    }
    if (removed)
        syncDirectory(dir);
}

Result<TempFile> createTempBeside(const QString &targetPath, unsigned mode)
{
    const QString dir = folderOf(targetPath);
    const QString base = lastComponent(targetPath);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate =
            childOf(dir, QStringLiteral(".%1.%2.tmp")
                             .arg(base)
                             .arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0')));
        const int fd = ::open(encodeName(candidate).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode));
        if (fd < 0) {
            if (errno != EEXIST)
                return failWithErrno(errno, targetPath);
            continue;
        }
        // Held while it is open, so that removeLeftoverTemps() of another process never takes
        // it for a leftover; a cleaner that removed the name before the lock was taken makes
        // this try again.
        while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
        }
        if (stillNamed(fd, candidate))
            return TempFile{fd, candidate};
        ::close(fd);
    }
    return fail(ErrorCode::IoError, targetPath,
                QStringLiteral("Рядом с ним не удалось создать временный файл"));
}

Status replaceWith(const QString &from, const QString &to)
{
    if (::rename(encodeName(from).constData(), encodeName(to).constData()) != 0)
        return failWithErrno(errno, to);
    syncDirectory(folderOf(to));
    return {};
}

Status writeAll(int fd, const char *data, qint64 size, const QString &where)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return failWithErrno(errno, where);
        }
        data += n;
        size -= n;
    }
    return {};
}

void syncDirectory(const QString &dir)
{
    const int fd = ::open(encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

Status syncFile(int fd, const QString &where)
{
    while (::fsync(fd) != 0) {
        if (errno != EINTR)
            return failWithErrno(errno, where);
    }
    return {};
}

} // namespace zemor::runtime::fs