// zemor: the program. Wires the real collaborators together (the message boxes, the INI file,
// the process state, the frame's data context) and runs the frame until it closes.
//
// ZEMOR_SMOKE=1 makes the program close its frame as soon as it is shown, answering every
// message on the standard error stream instead of in a box: the start-up check of the tests.

#include "app/IniPath.h"
#include "app/ProcedureTable.h"
#include "data/DataContext.h"
#include "runtime/core/Prompter.h"
#include "runtime/fs/Paths.h"
#include "runtime/ini/IniFile.h"
#include "runtime/office/OfficeServer.h"
#include "runtime/ui/WidgetPrompter.h"
#include "shell/AppState.h"
#include "shell/WindowDragging.h"
#include "shell/ui/MainFrame.h"

#include <QApplication>
#include <QDate>
#include <QTextStream>
#include <QTimer>

namespace {

class LoggingPrompter : public zemor::runtime::Prompter
{
public:
    int message(const QString &text, const QString &caption, const QString &,
                zemor::runtime::MessageIcon, int) override
    {
        QTextStream err(stderr);
        err << "zemor: message: " << caption << (caption.isEmpty() ? "" : ": ")
            << QString(text).replace(QLatin1Char('|'), QLatin1Char(' ')) << '\n';
        return 1;
    }
    void beep() override {}
};

} // namespace

int main(int argc, char *argv[])
{
    using namespace zemor;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zemor"));
    const bool smoke = qEnvironmentVariableIntValue("ZEMOR_SMOKE") == 1;

    runtime::fs::captureWorkDir();
    runtime::ini::IniFile ini(app::iniFilePath());
    shell::AppState state;
    runtime::office::OfficeServer office;

    runtime::ui::WidgetPrompter boxes;
    LoggingPrompter log;
    runtime::Prompter &prompter = smoke ? static_cast<runtime::Prompter &>(log) : boxes;

    int result = 0;
    {
        data::DataContext frameData(&prompter);

        const bool dragging = shell::fullWindowDragging();
        if (dragging)
            shell::setFullWindowDragging(false);

        shell::ui::MainFrame frame(state, frameData, prompter, ini,
                                   app::procedureTable({state, prompter, &office}));
        boxes.setParentWindow(&frame);
        frame.initialize(QDate::currentDate().year());
        frame.show();
        if (smoke) {
            QTimer::singleShot(0, &frame, [&frame] {
                QTextStream(stderr) << "zemor: main window shown: " << frame.windowTitle() << '\n';
                frame.close();
            });
        }
        result = app.exec();

        if (dragging)
            shell::setFullWindowDragging(true);
    }
    return result;
}
