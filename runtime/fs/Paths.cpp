#include "runtime/fs/Paths.h"

#include "runtime/fs/FileOperations.h"
#include "runtime/fs/PathParts.h"

#include <QDir>
#include <QMutex>

#include <cerrno>

#include <unistd.h>

namespace zemor::runtime::fs {

namespace {

QMutex g_workDirMutex;
QString g_workDir; // guarded by g_workDirMutex

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
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash <= 0)
        return QStringLiteral("/");
    return path.left(slash);
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

} // namespace zemor::runtime::fs
