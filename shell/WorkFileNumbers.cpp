#include "shell/WorkFileNumbers.h"

#include "runtime/fs/DurableFile.h"
#include "runtime/fs/Paths.h"

#include <QMutex>
#include <QMutexLocker>
#include <QSet>

#include <algorithm>

namespace zemor::shell {

using runtime::ErrorCode;
using runtime::Result;
using runtime::Status;
namespace fs = runtime::fs;

namespace {

// Numbers longer than this are not taken for workbook numbers: the number after them would
// not fit the callers' number text.
constexpr qint64 kLargestNumber = 999'999'999;

// Workbooks that an export of this process has reserved and not yet finished. They are open
// in the spreadsheet service, so the cleaning of another export must leave them alone, as it
// must leave a workbook the desktop program has open.
QMutex &numberLock()
{
    static QMutex lock;
    return lock;
}

QSet<QString> &reservedPaths()
{
    static QSet<QString> paths;
    return paths;
}

// The desktop's spreadsheet program marks a document it has open with a lock file beside it.
bool openOnDesktop(const QString &folder, const QString &name)
{
    return fs::exists(fs::join(folder, QStringLiteral(".~lock.") + name + u'#'));
}

} // namespace

Result<WorkFile> reserveWorkFile(const QString &folder, const QString &ending)
{
    const QMutexLocker locker(&numberLock());
    if (Status made = fs::makeDir(folder); !made)
        return std::unexpected(made.error());

    const QString pattern = u'*' + ending;
    auto before = fs::list(folder, pattern);
    if (!before)
        return std::unexpected(before.error());
    for (const fs::DirEntry &entry : *before) {
        const QString path = fs::join(folder, entry.name);
        if (entry.isDir || reservedPaths().contains(path) || openOnDesktop(folder, entry.name))
            continue;
        // A file that cannot be removed is still in use somewhere; it stays and keeps its number.
        (void)fs::removeFile(path);
    }

    auto left = fs::list(folder, pattern);
    if (!left)
        return std::unexpected(left.error());
    qint64 largest = 0;
    QSet<QString> taken; // every name left, folded, so that no second spelling is made
    for (const fs::DirEntry &entry : *left) {
        taken.insert(entry.name.toCaseFolded());
        if (!entry.isDir)
            largest = std::max(largest, workFileNumber(entry.name));
    }

    for (qint64 number = largest + 1; number <= kLargestNumber + 1; ++number) {
        const QString name = QString::number(number) + ending;
        if (taken.contains(name.toCaseFolded()))
            continue;
        const QString path = fs::join(folder, name);
        auto created = fs::createIfAbsent(path);
        if (!created)
            return std::unexpected(created.error());
        if (!*created)
            continue;
        reservedPaths().insert(path);
        return WorkFile{number, path};
    }
    return runtime::fail(
        ErrorCode::AlreadyExists, folder,
        QStringLiteral("В папке %1 не осталось свободных номеров книг").arg(folder));
}

void releaseWorkFile(const QString &path)
{
    const QMutexLocker locker(&numberLock());
    reservedPaths().remove(path);
}

qint64 workFileNumber(const QString &fileName)
{
    const qsizetype dot = fileName.indexOf(u'.');
    const QString head = dot < 0 ? fileName : fileName.left(dot);
    if (head.isEmpty())
        return 0;
    for (const QChar c : head) {
        if (c < u'0' || c > u'9')
            return 0;
    }
    bool ok = false;
    const qint64 value = head.toLongLong(&ok);
    return ok && value <= kLargestNumber ? value : 0;
}

} // namespace zemor::shell
