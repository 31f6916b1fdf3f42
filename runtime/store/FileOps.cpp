#include "runtime/store/FileOps.h"

#include "runtime/fs/Paths.h"

#include <QFile>

#include <algorithm>
#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zemor::runtime::store::fileops {

bool isBlankPath(QStringView path)
{
    return path.trimmed().isEmpty();
}

namespace {

// Whether `fd` is still the file named `path` (a cleaner may have removed the name between its
// creation and its locking).
bool stillNamed(int fd, const QString &path)
{
    struct stat byFd;
    struct stat byName;
    return ::fstat(fd, &byFd) == 0 && ::stat(fs::encodeName(path).constData(), &byName) == 0 &&
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

Result<QString> siblingTempName(const QString &path)
{
    auto temp = fs::createTempBeside(path);
    if (!temp)
        return std::unexpected(temp.error());
    ::close(temp->fd);
    return temp->path;
}

Result<SiblingTemp> siblingTemp(const QString &path)
{
    for (int attempt = 0; attempt < 10; ++attempt) {
        auto temp = fs::createTempBeside(path);
        if (!temp)
            return std::unexpected(temp.error());
        while (::flock(temp->fd, LOCK_EX) != 0 && errno == EINTR) {
        }
        if (stillNamed(temp->fd, temp->path))
            return SiblingTemp{temp->path, temp->fd};
        ::close(temp->fd);
    }
    return fail(ErrorCode::IoError, path,
                QStringLiteral("Could not create a temporary file beside it"));
}

void releaseTemp(SiblingTemp &temp)
{
    if (temp.lockFd >= 0)
        ::close(temp.lockFd);
    temp.lockFd = -1;
}

void removeStaleTemps(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString dir = slash < 0 ? QStringLiteral(".") : path.left(std::max<qsizetype>(slash, 1));
    const QString base = path.mid(slash + 1);
    DIR *listing = ::opendir(fs::encodeName(dir).constData());
    if (listing == nullptr)
        return;
    QStringList temps;
    QStringList journals;
    while (const dirent *entry = ::readdir(listing)) {
        if (entry->d_name[0] != '.')
            continue;
        const QString name = fs::decodeName(entry->d_name);
        QString tempName;
        if (!isTempOf(name, base, &tempName))
            continue;
        (name == tempName ? temps : journals).append(fs::join(dir, tempName));
    }
    ::closedir(listing);

    bool removed = false;
    for (const QString &temp : std::as_const(temps)) {
        const int fd = ::open(fs::encodeName(temp).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        // A creator that is alive holds its lock until the file is in place.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && stillNamed(fd, temp)) {
            removeWithJournal(temp);
            removed = true;
        }
        ::close(fd);
    }
    // A journal whose temporary file is gone belongs to nobody.
    for (const QString &temp : std::as_const(journals)) {
        if (!temps.contains(temp) && ::access(fs::encodeName(temp).constData(), F_OK) != 0) {
            ::unlink(fs::encodeName(temp + QStringLiteral("-journal")).constData());
            removed = true;
        }
    }
    if (removed)
        fs::syncDirectory(dir);
}

Result<bool> renameNoReplace(const QString &from, const QString &to)
{
    const Status renamed = fs::renameFile(from, to);
    if (renamed)
        return true;
    if (renamed.error().code == ErrorCode::AlreadyExists)
        return false;
    return std::unexpected(renamed.error());
}

void removeWithJournal(const QString &path)
{
    ::unlink(fs::encodeName(path).constData());
    ::unlink(fs::encodeName(path + QStringLiteral("-journal")).constData());
}

} // namespace zemor::runtime::store::fileops
