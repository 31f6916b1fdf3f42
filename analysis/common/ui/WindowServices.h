#pragma once

// What the windows of the summaries and analysis work with besides their data context: the
// process state, the message boxes, the spreadsheet conversation, the pick lists and the page
// sink for printing. The sink is shared so that a modeless window keeps it; a window given none
// prints through the page preview.

#include <memory>

namespace zemor::runtime {
class Prompter;
namespace office {
class Conversation;
}
namespace report {
class PageSink;
}
} // namespace zemor::runtime
namespace zemor::shell {
struct AppState;
namespace ui {
class Choices;
}
} // namespace zemor::shell

namespace zemor::analysis::ui {

struct WindowServices
{
    shell::AppState &state;
    runtime::Prompter &prompter;
    runtime::office::Conversation &office;
    std::shared_ptr<shell::ui::Choices> choices;
    std::shared_ptr<runtime::report::PageSink> printer;
};

// The same services with the message boxes of `prompter` (a window's own).
inline WindowServices askingWith(const WindowServices &services, runtime::Prompter &prompter)
{
    return {services.state, prompter, services.office, services.choices, services.printer};
}

} // namespace zemor::analysis::ui
