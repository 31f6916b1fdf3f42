#include "shell/ui/PageOutput.h"

#include "runtime/report/PageRenderer.h"
#include "runtime/report/ProgramPrinter.h"

namespace zemor::shell::ui {

runtime::Status PrinterOutput::print(const runtime::report::PageList &pages)
{
    return runtime::report::PageRenderer::print(pages, runtime::report::ProgramPrinter::instance());
}

runtime::Status PdfOutput::print(const runtime::report::PageList &pages)
{
    return runtime::report::PageRenderer::writePdf(pages, m_path, m_title);
}

} // namespace zemor::shell::ui
