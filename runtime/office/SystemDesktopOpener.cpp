#include "runtime/office/SystemDesktopOpener.h"

#include "runtime/fs/Paths.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

namespace zemor::runtime::office {

namespace {

// xdg-open's exit codes: 3 when no program is there for the kind, 4 when the program failed.
QString openerFailure(int exitCode)
{
    switch (exitCode) {
    case 3:
        return QStringLiteral("Нет программы, которая открывает этот документ");
    case 4:
        return QStringLiteral("Программа не смогла открыть документ");
    default:
        return QStringLiteral("Программа, открывающая документ, завершилась с ошибкой %1")
            .arg(exitCode);
    }
}

} // namespace

SystemDesktopOpener::SystemDesktopOpener(QString program, int wait)
    : m_program(std::move(program)), m_wait(wait)
{
}

SystemDesktopOpener::~SystemDesktopOpener()
{
    for (const auto &process : m_running) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(1000);
        }
    }
}

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
    if (m_program.isEmpty() && !desktopWanted())
        return {};
    const QString opener = m_program.isEmpty()
                               ? QStandardPaths::findExecutable(QStringLiteral("xdg-open"))
                               : m_program;
    if (opener.isEmpty())
        return fail(ErrorCode::NotOpened, path,
                    QStringLiteral("Нет программы, которая открывает документы (xdg-open)"));
    std::erase_if(m_running, [](const auto &p) { return p->state() == QProcess::NotRunning; });

    auto process = std::make_unique<QProcess>();
    // Nothing is read from the opener: a program it runs may write for as long as it runs.
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start(opener, {argumentFor(fs::absolutePath(path))});
    if (!process->waitForStarted())
        return fail(ErrorCode::NotOpened, path,
                    QStringLiteral("Не удалось запустить программу, открывающую документ"));
    if (QCoreApplication::instance()) {
        QEventLoop loop;
        QObject::connect(process.get(), &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(m_wait, &loop, &QEventLoop::quit);
        if (process->state() != QProcess::NotRunning)
            loop.exec(QEventLoop::ExcludeUserInputEvents);
    } else {
        process->waitForFinished(m_wait);
    }
    if (process->state() != QProcess::NotRunning) {
        m_running.push_back(std::move(process));
        return {};
    }
    if (process->exitStatus() != QProcess::NormalExit)
        return fail(ErrorCode::NotOpened, path,
                    QStringLiteral("Программа, открывающая документ, прервана"));
    if (process->exitCode() != 0)
        return fail(ErrorCode::NotOpened, path, openerFailure(process->exitCode()));
    return {};
}

} // namespace zemor::runtime::office
