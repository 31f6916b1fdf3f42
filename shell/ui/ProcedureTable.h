#pragma once

// The table of every procedure the frame can start, built once in main(). Each entry captures
// the process-wide collaborators it needs (the process state, the message boxes, the INI file)
// and receives its data context from the frame (see Procedures.h). A procedure that is not in
// the table is shown disabled on the frame.

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

namespace zemor::shell::ui {

struct ProcedureServices
{
    AppState &state;
    runtime::Prompter &prompter;
    runtime::ini::IniFile &ini;
    runtime::office::Conversation &office; // the office programs (Excel, Word)
};

Procedures procedureTable(const ProcedureServices &services);

} // namespace zemor::shell::ui
