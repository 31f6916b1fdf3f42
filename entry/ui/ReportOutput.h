#pragma once

// Where the pages of a printed list go once they are laid out: the printer, a PDF file, and
// later the page preview. The windows that print take one of these as an argument, so that
// the program hands in the real printer and a test a PDF file.
//
// output() answers true when the pages went out, false when the user called it off (closed the
// printer dialog), and an error when the printer or the file refused them; nothing has been
// printed or written then. Implementations own nothing of the pages.

#include "runtime/core/Error.h"

#include <QString>

namespace zemor::runtime::report {
struct PageList;
}

namespace zemor::entry::ui {

class ReportOutput
{
public:
    virtual ~ReportOutput() = default;
    [[nodiscard]] virtual runtime::Result<bool> output(const runtime::report::PageList &pages,
                                                       const QString &title) = 0;
};

} // namespace zemor::entry::ui
