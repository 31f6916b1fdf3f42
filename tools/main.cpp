// zemor_demo <directory>: writes the demo working directory when the directory is absent.

#include "runtime/core/Prompter.h"
#include "runtime/fs/Paths.h"
#include "tools/DemoBuilder.h"

#include <QDir>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QScopeGuard>
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
    if (argc != 2) {
        err << "usage: zemor_demo <directory>\n";
        return 2;
    }
    // The directory as the bytes it was given in: a name that is not UTF-8 (a folder named in
    // Windows-1251) is written where it was asked for, not under a look-alike name.
    namespace fs = zemor::runtime::fs;
    fs::captureWorkDir();
    QString dir = fs::decodeName(QByteArray(argv[1]));
    if (!dir.startsWith(u'/'))
        dir = fs::join(fs::workDir(), dir);
    dir = QDir::cleanPath(dir);
    if (fs::exists(dir)) {
        out << dir << " exists; left as it is\n";
        return 0;
    }
    // The demo is built beside its place and given its name only when complete: a build that
    // fails leaves no half-written directory that a later run would take as the demo.
    const QString parent = fs::folderOf(dir);
    if (zemor::runtime::Status made = fs::makeDir(parent); !made) {
        err << "zemor_demo: " << parent << " cannot be made\n";
        return 1;
    }
    const QString partial =
        fs::join(parent, QStringLiteral(".%1.part-%2")
                             .arg(dir.mid(parent.size() + 1))
                             .arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0')));
    if (zemor::runtime::Status made = fs::makeDir(partial); !made) {
        err << "zemor_demo: " << made.error().message << " (" << parent << ")\n";
        return 1;
    }
    const auto cleanUp = qScopeGuard([&] { fs::removeTree(partial); });
    ConsolePrompter prompter;
    zemor::tools::DemoBuilder builder(&prompter);
    zemor::runtime::Status built = builder.build(partial);
    if (built)
        built = fs::renameFile(partial, dir);
    if (!built) {
        err << "zemor_demo: " << built.error().message << " (" << built.error().where << ")\n";
        return 1;
    }
    // Readable like a directory made with the usual permissions, not only by its owner.
    (void)fs::setPermissions(dir, 0755);
    out << "demo working directory written: " << dir << '\n';
    return 0;
}
