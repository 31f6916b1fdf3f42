#pragma once

// What every procedure window works with besides its data context: the process state, the
// message boxes, the office programs, the pick lists, where printed pages go, the desktop that
// opens files and the clock. The program builds one per procedure call; a test builds its own
// over scripted answers and a PDF file.
//
// `pages` is where printed pages go: in the program the page preview, from which the user
// prints them on the system printer (a failed print is told there once and answered as not
// printed); pages that are printed without a preview go to its printing(). The pick lists and
// the pages are shared, so that a modeless window keeps them as long as it lives; the state,
// the prompter, the office and the desktop are borrowed and outlive every window. The program
// always has an office; a run without one (nullptr) has report entry offer no export, and is
// not for the windows that write workbooks. Without a desktop (nullptr) the desktop's own
// programs open files, and nothing is started in a headless run.
//
// `printer` makes the printer that the program's pages print on, over the window given; empty,
// it is the system printer. Windows never call it: they print through `pages`.

#include <QDateTime>

#include <functional>
#include <memory>

class QWidget;

namespace zemor::runtime {
class Prompter;
namespace office {
class Conversation;
class DesktopOpener;
} // namespace office
namespace report {
class PageSink;
}
} // namespace zemor::runtime

namespace zemor::shell {
struct AppState;
}

namespace zemor::shell::ui {

class Choices;

struct Services
{
    AppState &state;
    runtime::Prompter &prompter;
    runtime::office::Conversation *office;
    std::shared_ptr<Choices> choices;
    std::shared_ptr<runtime::report::PageSink> pages;
    runtime::office::DesktopOpener *desktop = nullptr;
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    std::function<std::unique_ptr<runtime::report::PageSink>(QWidget *over)> printer;

    // The same services asking through `other` (a window's own message boxes).
    Services askingWith(runtime::Prompter &other) const
    {
        Services asking{state, other, office, choices, pages, desktop, now, printer};
        return asking;
    }
};

} // namespace zemor::shell::ui
