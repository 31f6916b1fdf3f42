#include "runtime/store/FileOps.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

namespace zemor::runtime::store::fileops {

namespace {

QString systemMessage(int e)
{
    return QStringLiteral("Input/Output Error: %1").arg(QString::fromLocal8Bit(std::strerror(e)));
}

} // namespace

bool isBlankPath(QStringView path)
{
    return path.trimmed().isEmpty();
}

Result<QString> siblingTempName(const QString &path, const char *tag)
{
    const QFileInfo info(path);
    QByteArray pattern = QFile::encodeName(info.absolutePath() + u'/' + u'.' + info.fileName()) +
                         '.' + tag + "-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        const int e = errno;
        if (e == ENOSPC)
            return fail(ErrorCode::DiskFull, path);
        if (e == EACCES || e == EPERM || e == EROFS)
            return fail(ErrorCode::AccessDenied, path);
        return fail(ErrorCode::IoError, path, systemMessage(e));
    }
    ::close(fd);
    return QFile::decodeName(pattern);
}

Result<bool> renameNoReplace(const QString &from, const QString &to)
{
    const QByteArray a = QFile::encodeName(from);
    const QByteArray b = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    if (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP) {
        // The file system cannot rename without replacing; a hard link refuses an existing name
        // as well.
        if (::link(a.constData(), b.constData()) == 0) {
            ::unlink(a.constData());
            return true;
        }
        if (errno == EEXIST)
            return false;
    }
    return fail(ErrorCode::IoError, to, systemMessage(errno));
}

void syncDirectory(const QString &dir)
{
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

void removeWithJournal(const QString &path)
{
    ::unlink(QFile::encodeName(path).constData());
    ::unlink(QFile::encodeName(path + QStringLiteral("-journal")).constData());
}

} // namespace zemor::runtime::store::fileops
