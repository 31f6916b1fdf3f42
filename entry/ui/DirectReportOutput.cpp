#include "entry/ui/DirectReportOutput.h"

#include "runtime/report/PageList.h"
#include "runtime/report/PageRenderer.h"
#include "runtime/report/ProgramPrinter.h"

#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>

namespace zemor::entry::ui {

runtime::Result<bool> DirectReportOutput::output(const runtime::report::PageList &pages,
                                                 const QString &title)
{
    using runtime::report::PageRenderer;
    if (!m_pdfPath.isEmpty()) {
        if (auto written = PageRenderer::writePdf(pages, m_pdfPath, title); !written)
            return std::unexpected(written.error());
        return true;
    }

    // The printer chosen on the frame; this print sets only what belongs to it.
    QPrinter &printer = runtime::report::ProgramPrinter::instance();
    printer.setDocName(title);
    printer.setPageOrientation(pages.setup.orientation == runtime::report::Orientation::Landscape
                                   ? QPageLayout::Landscape
                                   : QPageLayout::Portrait);
    QPrintDialog dialog(&printer, m_parent);
    dialog.setWindowTitle(title);
    dialog.setMinMax(1, pages.count());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (auto printed = PageRenderer::print(pages, printer); !printed)
        return std::unexpected(printed.error());
    return true;
}

} // namespace zemor::entry::ui
