#include "runtime/report/PageSink.h"

#include "runtime/report/PageRenderer.h"

namespace zemor::runtime::report {

Result<bool> PdfSink::output(const PageList &pages, const QString &title)
{
    if (auto written = PageRenderer::writePdf(pages, m_path, title); !written)
        return std::unexpected(written.error());
    return true;
}

} // namespace zemor::runtime::report
