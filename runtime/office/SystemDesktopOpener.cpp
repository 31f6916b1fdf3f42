#include "runtime/office/SystemDesktopOpener.h"

#include "runtime/fs/Paths.h"

#include <QProcess>
#include <QStandardPaths>

namespace zemor::runtime::office {

bool SystemDesktopOpener::desktopWanted()
{
    if (qEnvironmentVariableIsSet("ZEMOR_NO_DESKTOP") ||
        qEnvironmentVariableIsSet("ZEMOR_TEST_BINARY_DIR"))
        return false;
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (platform.startsWith(QStringLiteral("offscreen")) ||
        platform.startsWith(QStringLiteral("minimal")))
        return false;
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

QString SystemDesktopOpener::argumentFor(const QString &path)
{
    const QByteArray bytes = fs::encodeName(path);
    if (bytes.isValidUtf8())
        return path;
    return QStringLiteral("file://") + QString::fromLatin1(bytes.toPercentEncoding("/"));
}

Status SystemDesktopOpener::open(const QString &path)
{
    if (!fs::exists(path))
        return fail(ErrorCode::FileNotFound, path);
    if (!desktopWanted())
        return {};
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty())
        return fail(ErrorCode::FileNotFound, path,
                    QStringLiteral("Нет программы, которая открывает документы (xdg-open)"));
    if (!QProcess::startDetached(opener, {argumentFor(fs::absolutePath(path))}))
        return fail(ErrorCode::IoError, path,
                    QStringLiteral("Не удалось запустить программу, открывающую документ"));
    return {};
}

} // namespace zemor::runtime::office
