// zemor_demo <directory>: writes the demo working directory when the directory is absent.

#include "runtime/core/Prompter.h"
#include "tools/DemoBuilder.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
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
    ConsolePrompter prompter;
    zemor::tools::DemoBuilder builder(&prompter);
    if (const zemor::runtime::Status built = builder.build(dir); !built) {
        err << "zemor_demo: " << built.error().message << " (" << built.error().where << ")\n";
        return 1;
    }
    out << "demo working directory written: " << dir << '\n';
    return 0;
}
