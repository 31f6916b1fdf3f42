#include "runtime/fs/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
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

QMutex g_workDirMutex;
QString g_workDir; // guarded by g_workDirMutex

bool isSeparator(QChar c)
{
    return c == u'/' || c == u'\\';
}

QByteArray encoded(const QString &path)
{
    return encodeName(path);
}

// The length of the valid UTF-8 sequence at `p` (of `left` bytes), 0 when there is none.
int utf8Length(const unsigned char *p, qsizetype left, char32_t *code)
{
    const unsigned char c = p[0];
    int length = 0;
    char32_t value = 0;
    if (c < 0x80) {
        *code = c;
        return 1;
    } else if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
        value = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        value = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        value = c & 0x07;
    } else {
        return 0;
    }
    if (left < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (p[i] & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are no valid UTF-8.
    static constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < smallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *code = value;
    return length;
}

// Entries with equal names when case is ignored are ordered by their exact spelling, so that a
// listing and a lookup always agree on which of them comes first.
bool nameLess(const QString &a, const QString &b)
{
    const int ci = QString::compare(a, b, Qt::CaseInsensitive);
    if (ci != 0)
        return ci < 0;
    return a < b;
}

QString parentOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash <= 0)
        return QStringLiteral("/");
    return path.left(slash);
}

QString lastComponent(const QString &path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString childOf(const QString &dir, const QString &name)
{
    return dir.endsWith(u'/') ? dir + name : dir + u'/' + name;
}

// The entry of `dir` that `component` names, ignoring case; empty when there is none.
QString findEntry(const QString &dir, const QString &component)
{
    const auto names = entryNames(dir);
    if (!names)
        return {};
    QString best;
    for (const QString &candidate : *names) {
        if (QString::compare(candidate, component, Qt::CaseInsensitive) != 0)
            continue;
        if (best.isEmpty() || candidate < best)
            best = candidate;
    }
    return best;
}

bool pathExists(const QString &path, struct stat *st = nullptr)
{
    struct stat local;
    return ::lstat(encoded(path).constData(), st ? st : &local) == 0;
}

QString cleanDir(const QString &dir)
{
    QString clean = absolutePath(dir);
    while (clean.size() > 1 && clean.endsWith(u'/'))
        clean.chop(1);
    return clean;
}

// The prefix of `abs` from which components are matched: the working directory or the
// temporary directory when the path lies under one of them (they exist as spelled), else "/".
QString anchorOf(const QString &abs)
{
    QString best = QStringLiteral("/");
    for (const QString &anchor : {workDir(), cleanDir(QDir::tempPath())}) {
        if (anchor.size() <= best.size())
            continue;
        if (abs == anchor || abs.startsWith(anchor + u'/'))
            best = anchor;
    }
    return best;
}

int renameNoReplace(const QString &from, const QString &to)
{
    return static_cast<int>(::syscall(SYS_renameat2, AT_FDCWD, encoded(from).constData(), AT_FDCWD,
                                      encoded(to).constData(), RENAME_NOREPLACE));
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
        if (::link(encoded(from).constData(), encoded(to).constData()) == 0) {
            ::unlink(encoded(from).constData());
            return 0;
        }
        const int linkErr = errno;
        if (linkErr != EPERM && linkErr != ENOTSUP && linkErr != EOPNOTSUPP)
            return linkErr;
    }
    // Neither a no-replace rename nor hard links: check, then rename.
    if (pathExists(to))
        return EEXIST;
    if (::rename(encoded(from).constData(), encoded(to).constData()) != 0)
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
    const int in = ::open(encoded(from).constData(), O_RDONLY | O_CLOEXEC);
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
        ::unlink(encoded(temp->path).constData());
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
        ::unlink(encoded(temp->path).constData());
        return failWithErrno(err, to);
    }
    Status placed = overwrite ? replaceWith(temp->path, to) : Status{};
    if (!overwrite) {
        if (const int err = moveNoReplace(temp->path, to, false); err != 0)
            placed = failWithErrno(err, to);
    }
    if (!placed) {
        ::unlink(encoded(temp->path).constData());
        return placed;
    }
    syncDirectory(parentOf(to));
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

QByteArray encodeName(const QString &name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    const qsizetype n = name.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = name.at(i).unicode();
        const bool pairs = QChar::isHighSurrogate(u) && i + 1 < n &&
                           QChar::isLowSurrogate(name.at(i + 1).unicode());
        if (!pairs && u >= 0xDC80 && u <= 0xDCFF) {
            bytes.append(char(u - 0xDC00)); // a byte that was not UTF-8, given back
            continue;
        }
        const qsizetype length = pairs ? 2 : 1;
        bytes.append(QStringView(name).sliced(i, length).toUtf8());
        i += length - 1;
    }
    return bytes;
}

QString decodeName(const QByteArray &bytes)
{
    QString name;
    name.reserve(bytes.size());
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        char32_t code = 0;
        const int length = utf8Length(p + i, n - i, &code);
        if (length == 0) {
            name.append(QChar(char16_t(0xDC00 + p[i])));
            ++i;
            continue;
        }
        name.append(QString::fromUcs4(&code, 1));
        i += length;
    }
    return name;
}

PathInfo pathInfo(const QString &path)
{
    struct stat st;
    PathInfo info;
    if (::stat(encoded(path).constData(), &st) != 0)
        return info;
    info.exists = true;
    info.isDir = S_ISDIR(st.st_mode);
    info.isFile = S_ISREG(st.st_mode);
    info.size = info.isFile ? qint64(st.st_size) : 0;
    return info;
}

QString absolutePath(const QString &path)
{
    QString absolute = path;
    if (!absolute.startsWith(u'/')) {
        QByteArray bytes(4096, Qt::Uninitialized);
        absolute = (::getcwd(bytes.data(), size_t(bytes.size())) ? decodeName(bytes.constData())
                                                                 : QDir::currentPath()) +
                   u'/' + path;
    }
    return QDir::cleanPath(absolute);
}

QString folderOf(const QString &path)
{
    return parentOf(path);
}

Result<QStringList> entryNames(const QString &dir)
{
    DIR *listing = ::opendir(encoded(dir).constData());
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
    if (::chmod(encoded(path).constData(), mode_t(mode)) != 0)
        return failWithErrno(errno, path);
    return {};
}

void removeTree(const QString &path)
{
    struct stat st;
    if (::lstat(encoded(path).constData(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode)) {
        if (auto names = entryNames(path)) {
            for (const QString &name : std::as_const(*names))
                removeTree(childOf(path, name));
        }
        ::rmdir(encoded(path).constData());
    } else {
        ::unlink(encoded(path).constData());
    }
}

void captureWorkDir()
{
    // The bytes of the current directory as the system has them (Qt would replace those that
    // are not UTF-8).
    QByteArray bytes(4096, Qt::Uninitialized);
    while (::getcwd(bytes.data(), size_t(bytes.size())) == nullptr) {
        if (errno != ERANGE) {
            setWorkDir(QDir::currentPath());
            return;
        }
        bytes.resize(bytes.size() * 2);
    }
    setWorkDir(decodeName(QByteArray(bytes.constData())));
}

void setWorkDir(const QString &dir)
{
    const QString clean = cleanDir(dir);
    QMutexLocker lock(&g_workDirMutex);
    g_workDir = clean;
}

QString workDir()
{
    {
        QMutexLocker lock(&g_workDirMutex);
        if (!g_workDir.isEmpty())
            return g_workDir;
    }
    captureWorkDir();
    QMutexLocker lock(&g_workDirMutex);
    return g_workDir;
}

QString mapWindowsPath(const QString &name)
{
    if (name.size() < 2 || name.at(1) != u':' || !name.at(0).isLetter() ||
        name.at(0).unicode() > 0x7f)
        return name;
    const QString rest = name.mid(2);
    static const QString windowsTemp = QStringLiteral("\\WINDOWS\\TEMP");
    QString normalized = rest;
    normalized.replace(u'/', u'\\');
    if (normalized.startsWith(windowsTemp, Qt::CaseInsensitive) &&
        (normalized.size() == windowsTemp.size() ||
         isSeparator(normalized.at(windowsTemp.size())))) {
        const QString tail = rest.mid(windowsTemp.size());
        return tail.isEmpty() ? QDir::tempPath() : join(QDir::tempPath(), tail);
    }
    return rest;
}

Result<QString> resolve(const QString &name, const QString &defaultExtension)
{
    QString text = name;
    while (!text.isEmpty() && text.back().isSpace())
        text.chop(1);
    if (text.trimmed().isEmpty())
        return fail(ErrorCode::InvalidName, name, QStringLiteral("Имя файла не задано"));
    if (text.contains(QChar(0)))
        return fail(ErrorCode::InvalidName, name,
                    QStringLiteral("Имя файла содержит нулевой символ"));

    // The folder the name must stay inside: the working directory for a DOS-style name, the
    // temporary folder for a name in the Windows temporary folder; none for a path of this
    // system (one that starts with "/").
    const bool hasDrive = mapWindowsPath(text) != text;
    QString root;
    text = mapWindowsPath(text);
    if (text.isEmpty()) // a bare drive ("C:") names its current directory
        text = QStringLiteral("\\");
    if (hasDrive && text.startsWith(u'/'))
        root = cleanDir(QDir::tempPath());
    else if (!text.startsWith(u'/'))
        root = workDir();
    const bool namesDirectory = isSeparator(text.back());
    QString abs;
    if (root.isEmpty()) {
        abs = QDir::cleanPath(QString(text).replace(u'\\', u'/'));
    } else {
        QString rel = text;
        rel.replace(u'\\', u'/');
        if (rel.startsWith(root + u'/') || rel == root)
            rel = rel.mid(root.size());
        // "." is skipped and ".." steps up, but never above the root: such a name would make
        // the program read or write files that are not its own.
        QStringList kept;
        for (const QString &component : rel.split(u'/', Qt::SkipEmptyParts)) {
            if (component == u".")
                continue;
            if (component == u"..") {
                if (kept.isEmpty())
                    return fail(ErrorCode::InvalidName, name,
                                QStringLiteral("Имя %1 ведет за пределы папки %2")
                                    .arg(name.trimmed(), root));
                kept.removeLast();
                continue;
            }
            kept.append(component);
        }
        abs = kept.isEmpty() ? root : (root == u"/" ? QString() : root) + u'/' + kept.join(u'/');
    }

    const QString anchor = anchorOf(abs);
    QStringList components = abs.mid(anchor.size()).split(u'/', Qt::SkipEmptyParts);
    if (!defaultExtension.isEmpty() && !namesDirectory && !components.isEmpty() &&
        !components.back().contains(u'.')) {
        components.back() +=
            defaultExtension.startsWith(u'.') ? defaultExtension : u'.' + defaultExtension;
    }

    QString current = anchor;
    bool exists = true;
    for (const QString &component : std::as_const(components)) {
        if (exists) {
            const QString match = findEntry(current, component);
            if (!match.isEmpty()) {
                current = childOf(current, match);
                continue;
            }
            exists = false;
        }
        current = childOf(current, component);
    }
    return current;
}

QString join(const QString &dir, const QString &name)
{
    if (dir.isEmpty())
        return name;
    if (name.isEmpty())
        return dir;
    qsizetype end = dir.size();
    while (end > 0 && isSeparator(dir.at(end - 1)))
        --end;
    qsizetype start = 0;
    while (start < name.size() && isSeparator(name.at(start)))
        ++start;
    // A directory that is only a separator ("/" or "\") keeps it.
    const QString head = end == 0 ? dir.left(1) : dir.left(end) + u'/';
    return head + name.mid(start);
}

QString shortForm(const QString &dir)
{
    QString form = dir;
    form.replace(u'\\', u'/');
    return form;
}

bool matchesPattern(const QString &name, const QString &pattern)
{
    if (pattern.isEmpty() || pattern == u"*" || pattern == u"*.*")
        return true;
    const QString n = name.toCaseFolded();
    const QString p = pattern.toCaseFolded();
    // Greedy match with backtracking to the last '*'.
    qsizetype ni = 0, pi = 0, starPi = -1, starNi = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p.at(pi) == u'?' || p.at(pi) == n.at(ni))) {
            ++ni;
            ++pi;
        } else if (pi < p.size() && p.at(pi) == u'*') {
            starPi = pi++;
            starNi = ni;
        } else if (starPi >= 0) {
            pi = starPi + 1;
            ni = ++starNi;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p.at(pi) == u'*')
        ++pi;
    return pi == p.size();
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
        if (::stat(encoded(childOf(*resolved, entryName)).constData(), &st) != 0 &&
            ::lstat(encoded(childOf(*resolved, entryName)).constData(), &st) != 0)
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
    if (::unlink(encoded(*resolved).constData()) != 0)
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
    if (::stat(encoded(*source).constData(), &srcStat) != 0)
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
        const QString respelled = childOf(parentOf(*source), spelling);
        if (respelled == *source)
            return {};
        *target = respelled;
    } else if (pathExists(*target)) {
        return fail(ErrorCode::AlreadyExists, *target);
    }

    const int err = moveNoReplace(*source, *target, S_ISDIR(srcStat.st_mode));
    if (err == 0) {
        syncDirectory(parentOf(*target));
        if (parentOf(*target) != parentOf(*source))
            syncDirectory(parentOf(*source));
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
    if (::unlink(encoded(*source).constData()) != 0) {
        const int unlinkErr = errno;
        ::unlink(encoded(*target).constData());
        return failWithErrno(unlinkErr, *source);
    }
    syncDirectory(parentOf(*source));
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
        const QString parent = parentOf(current);
        if (parent == current)
            break;
        current = parent;
    }
    if (missing.isEmpty() || current != missing.front()) {
        // `current` exists: it must be a directory (following a link to one is fine).
        struct stat target;
        if (::stat(encoded(current).constData(), &target) != 0 || !S_ISDIR(target.st_mode))
            return fail(ErrorCode::AlreadyExists, current, QStringLiteral("Это не папка"));
    }
    for (const QString &dir : std::as_const(missing)) {
        if (::mkdir(encoded(dir).constData(), 0777) != 0 && errno != EEXIST)
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
    const QString dir = parentOf(targetPath);
    const QString base = lastComponent(targetPath);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate =
            childOf(dir, QStringLiteral(".%1.%2.tmp")
                             .arg(base)
                             .arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0')));
        const int fd = ::open(encoded(candidate).constData(),
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
    if (::rename(encoded(from).constData(), encoded(to).constData()) != 0)
        return failWithErrno(errno, to);
    syncDirectory(parentOf(to));
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
    const int fd = ::open(encoded(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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
