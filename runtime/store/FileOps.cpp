#include "runtime/store/FileOps.h"

#include "runtime/fs/Paths.h"

#include <unistd.h>

namespace zemor::runtime::store::fileops {

bool isBlankPath(QStringView path)
{
    return path.trimmed().isEmpty();
}

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
    auto temp = fs::createTempBeside(path);
    if (!temp)
        return std::unexpected(temp.error());
    return SiblingTemp{temp->path, temp->fd};
}

void releaseTemp(SiblingTemp &temp)
{
    if (temp.lockFd >= 0)
        ::close(temp.lockFd);
    temp.lockFd = -1;
}

void removeStaleTemps(const QString &path)
{
    fs::removeLeftoverTemps(path);
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
