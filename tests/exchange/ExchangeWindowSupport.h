#pragma once

// What the exchange window tests share: a folder chooser that answers a set folder, the
// collaborators of a run held to one year, the program's procedures as its menu gets them, and a
// window's lists and labels found by equate.
//
//     test::ExchangeRun<> run;                 // the demo's year, a ScriptedPrompter
//     run.chooser.answer = u"D:\\1"_s;         // "?VIBOR_DIR" answers this folder
//     ui::ExportPeriodWindow window(run.services(), ...);
//     test::modelOf(&window, u"?LIST1")->rowCount();

#include "app/ProcedureTable.h"
#include "data/DataContext.h"
#include "exchange/ui/ExchangeWindowSupport.h"
#include "runtime/ini/IniFile.h"
#include "runtime/office/OfficeServer.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/QueueModel.h"
#include "shell/AppState.h"
#include "support/DemoWorkDir.h"
#include "support/ScriptedPrompter.h"
#include "tests/analysis/ui/WindowTestSupport.h"

#include <QLabel>
#include <QTableView>

namespace zemor::test {

// Answers every folder question with `answer`; left blank, no folder is chosen.
class FixedChooser : public exchange::ui::DirectoryChooser
{
public:
    QString answer;
    QString choose(QWidget *) override { return answer; }
};

// The state held to `year` (the smallest and largest year too), a prompter of the test's kind,
// the chooser and a data context.
template <class Prompter = ScriptedPrompter> struct ExchangeRun
{
    shell::AppState state;
    Prompter prompter;
    FixedChooser chooser;
    data::DataContext context;

    explicit ExchangeRun(int year = demoYear)
    {
        state.globYear = qint16(year);
        state.globYearS = qint16(year);
        state.globYearE = qint16(year);
    }
    exchange::ui::ExchangeServices services() { return {{state, prompter, nullptr}, chooser}; }
    // The services asking `choices` (the test's own) for districts and institutions.
    exchange::ui::ExchangeServices services(shell::ui::Choices &choices)
    {
        exchange::ui::ExchangeServices s = services();
        s.choices = std::shared_ptr<shell::ui::Choices>(std::shared_ptr<void>(), &choices);
        return s;
    }
};

// The state, a prompter, the working directory's "zemor.ini" and an office that opens nothing on
// the desktop: what the program's procedures are built over for its menu.
struct MenuRun
{
    shell::AppState state;
    ScriptedPrompter prompter;
    runtime::ini::IniFile ini;
    NoDesktop desktop;
    runtime::office::OfficeServer office;

    explicit MenuRun(const WorkDir &work)
        : ini(work.filePath(QStringLiteral("zemor.ini"))), office(&desktop)
    {
    }
    shell::ui::Procedures procedures() { return app::procedureTable({state, prompter, &office}); }
};

// The model of the list named `equate`; null when the window has none.
inline runtime::ui::QueueModel *modelOf(QWidget *window, QStringView equate)
{
    auto *view = runtime::ui::findControl<QTableView>(window, equate);
    return view ? qobject_cast<runtime::ui::QueueModel *>(view->model()) : nullptr;
}

// The text of the label named `equate`; "<none>" when the window has none.
inline QString labelText(QWidget *window, QStringView equate)
{
    auto *label = runtime::ui::findControl<QLabel>(window, equate);
    return label ? label->text() : QStringLiteral("<none>");
}

} // namespace zemor::test
