#include "shell/ui/PageOutput.h"

#include "runtime/report/PageRenderer.h"

#include <QPrinter>

namespace zemor::shell::ui {

runtime::Status PrinterOutput::print(const runtime::report::PageList &pages)
{
    QPrinter printer(QPrinter::HighResolution);
    return runtime::report::PageRenderer::print(pages, printer);
}

runtime::Status PdfOutput::print(const runtime::report::PageList &pages)
{
    return runtime::report::PageRenderer::writePdf(pages, m_path, m_title);
}

} // namespace zemor::shell::ui
