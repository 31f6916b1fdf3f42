// zemor_demo <directory>: writes the demo working directory when the directory is absent.

#include "runtime/core/Prompter.h"
#include "runtime/fs/Paths.h"
#include "tools/DemoBuilder.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

// Failures of the builder go to the standard error stream; there is no one to answer.
class ConsolePrompter : public zemor::runtime::Prompter
{
public:
    int message(const QString &text, const QString &caption, const QString &,
                zemor::runtime::MessageIcon, int) override
    {
        QTextStream err(stderr);
        err << caption << ": " << QString(text).replace(QLatin1Char('|'), QLatin1Char('\n'))
            << '\n';
        return 1;
    }
    void beep() override {}
};

} // namespace

int main(int argc, char *argv[])
{
    // The help pictures are drawn with text, which needs a GUI application; no window is shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        err << "usage: zemor_demo <directory>\n";
        return 2;
    }
    const QString dir = QDir(args.at(1)).absolutePath();
    if (QFileInfo::exists(dir)) {
        out << dir << " exists; left as it is\n";
        return 0;
    }
    // The demo is built beside its place and given its name only when complete: a build that
    // fails leaves no half-written directory that a later run would take as the demo.
    const QFileInfo place(dir);
    if (!QDir().mkpath(place.absolutePath())) {
        err << "zemor_demo: " << place.absolutePath() << " cannot be made\n";
        return 1;
    }
    QTemporaryDir partial(place.absolutePath() + QStringLiteral("/.") + place.fileName() +
                          QStringLiteral(".part-XXXXXX"));
    if (!partial.isValid()) {
        err << "zemor_demo: " << partial.errorString() << " (" << place.absolutePath() << ")\n";
        return 1;
    }
    ConsolePrompter prompter;
    zemor::tools::DemoBuilder builder(&prompter);
    zemor::runtime::Status built = builder.build(partial.path());
    if (built)
        built = zemor::runtime::fs::renameFile(partial.path(), dir);
    if (!built) {
        err << "zemor_demo: " << built.error().message << " (" << built.error().where << ")\n";
        return 1;
    }
    // Readable like a directory made with the usual permissions, not only by its owner.
    QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                   QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                   QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                   QFileDevice::ExeOther);
    out << "demo working directory written: " << dir << '\n';
    return 0;
}
