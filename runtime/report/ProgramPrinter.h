#pragma once

// The printer of the program: one per process, the one the user chooses with the frame's
// printer set-up, and the one every print of the program goes to. Printing code takes its
// settings (the device, copies, paper) from here and sets only what belongs to one print (the
// document name, the orientation, the page range); the choice therefore outlives each print.
// Used on the GUI thread only.

class QPrinter;

namespace zemor::runtime::report {

class ProgramPrinter
{
public:
    static QPrinter &instance();
};

} // namespace zemor::runtime::report
