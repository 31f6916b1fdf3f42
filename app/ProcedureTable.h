#pragma once

// The table of every procedure the frame can start, built once in main(): the only place that
// knows every subsystem. It is given the process-wide services (the process state, the message
// boxes, the office programs, the desktop); each procedure call hands its windows a copy with
// pick lists over the call's data context (given by the frame, see shell/ui/Procedures.h) and
// the program's pages: the page preview over the window in front, printing on the system
// printer (or on the one the services' printer makes). A procedure that is not in the table is
// shown disabled on the frame.

#include "shell/ui/Procedures.h"
#include "shell/ui/Services.h"

namespace zemor::app {

shell::ui::Procedures procedureTable(const shell::ui::Services &process);

} // namespace zemor::app
