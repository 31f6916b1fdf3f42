#include "runtime/report/ProgramPrinter.h"

#include "runtime/report/PageList.h"
#include "runtime/report/PageRenderer.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

namespace zemor::runtime::report {

namespace {

// The pages from/to of the printer's range as indexes into `count` pages.
std::pair<int, int> printedRange(const QPrinter &printer, int count)
{
    int first = 0;
    int last = count - 1;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = printer.fromPage() - 1;
        if (printer.toPage() > 0)
            last = qMin(last, printer.toPage() - 1);
    }
    return {first, last};
}

} // namespace

QPrinter &ProgramPrinter::instance()
{
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}

Status ProgramPrinter::print(const PageList &pages, QPrinter &printer)
{
    const QString where = printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName()
                                                                        : printer.printerName();
    if (pages.isEmpty())
        return fail(ErrorCode::InvalidArgument, where, QStringLiteral("В отчете нет страниц"));
    const auto [first, last] = printedRange(printer, pages.count());
    if (first > last)
        return fail(ErrorCode::InvalidArgument, where,
                    QStringLiteral("В выбранном диапазоне нет ни одной страницы отчета"));

    printer.setFullPage(true);
    if (!printer.setPageLayout(PageRenderer::pageLayout(pages.setup)))
        return fail(ErrorCode::IoError, where, QStringLiteral("Принтер не печатает на листах A4"));
    QPainter painter;
    if (!painter.begin(&printer))
        return fail(ErrorCode::IoError, where, QStringLiteral("Не удалось запустить печать"));
    Status painted =
        PageRenderer::paintPages(painter, printer, pages, first, last, printer.resolution(), where);
    if (!painter.end() && painted)
        painted = fail(ErrorCode::IoError, where, QStringLiteral("Печать не удалась"));
    return painted;
}

Result<bool> PrinterSink::output(const PageList &pages, const QString &title)
{
    QPrinter &printer = ProgramPrinter::instance();
    if (m_dialog == Dialog::Ask) {
        // The printer chosen on the frame; this print sets only what belongs to it.
        printer.setDocName(title);
        printer.setPageOrientation(pages.setup.orientation == Orientation::Landscape
                                       ? QPageLayout::Landscape
                                       : QPageLayout::Portrait);
        QPrintDialog dialog(&printer, m_parent);
        dialog.setWindowTitle(title);
        dialog.setMinMax(1, pages.count());
        if (dialog.exec() != QDialog::Accepted)
            return false;
    }
    if (auto printed = ProgramPrinter::print(pages, printer); !printed)
        return std::unexpected(printed.error());
    return true;
}

} // namespace zemor::runtime::report
