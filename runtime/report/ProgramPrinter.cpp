#include "runtime/report/ProgramPrinter.h"

#include <QPrinter>

namespace zemor::runtime::report {

QPrinter &ProgramPrinter::instance()
{
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}

} // namespace zemor::runtime::report
