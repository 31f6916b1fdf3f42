#pragma once

// The table of every procedure the frame can start, built once in main(): the only place that
// knows every subsystem. Each entry captures the process-wide collaborators it needs (the
// process state, the message boxes, the INI file) and receives its data context from the frame
// (see shell/ui/Procedures.h). A procedure that is not in the table is shown disabled on the
// frame.

#include "shell/ui/Procedures.h"

namespace zemor::runtime {
class Prompter;
namespace ini {
class IniFile;
}
namespace office {
class Conversation;
}
} // namespace zemor::runtime

namespace zemor::shell {
struct AppState;
}

namespace zemor::app {

struct ProcedureServices
{
    shell::AppState &state;
    runtime::Prompter &prompter;
    runtime::ini::IniFile &ini;
    runtime::office::Conversation &office; // the office programs (Excel, Word)
};

shell::ui::Procedures procedureTable(const ProcedureServices &services);

} // namespace zemor::app
