#include "runtime/office/SystemDesktopOpener.h"

#include <QFileInfo>
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

Status SystemDesktopOpener::open(const QString &path)
{
    if (!QFileInfo::exists(path))
        return fail(ErrorCode::FileNotFound, path);
    if (!desktopWanted())
        return {};
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty())
        return fail(ErrorCode::FileNotFound, path,
                    QStringLiteral("No program of the desktop opens documents (xdg-open)"));
    if (!QProcess::startDetached(opener, {QFileInfo(path).absoluteFilePath()}))
        return fail(ErrorCode::IoError, path,
                    QStringLiteral("The desktop's program could not be started"));
    return {};
}

} // namespace zemor::runtime::office
