#pragma once

// Draws the pages of a PageList: into a page image for the preview, onto any paged device (the
// system printer's library draws through paintPages()), or into a PDF file. Every output draws the
// same items at the same places on the A4 sheet; the resolution only decides how fine the result
// is.
//
// Failures are values: a printer that cannot be started or refuses a page, a PDF that cannot be
// written. A PDF replaces an existing file only when it has been written completely; a failure
// leaves the old file as it was. Must run on the thread that owns the QGuiApplication, as all
// text drawing in Qt does.

#include "runtime/core/Error.h"
#include "runtime/report/PageList.h"

#include <QImage>
#include <QList>
#include <QPageLayout>

class QPainter;
class QPagedPaintDevice;

namespace zemor::runtime::report {

class PageRenderer
{
public:
    // Draws `page` with `painter`, whose device has its origin at the sheet's top-left corner
    // and `dpi` device pixels per inch.
    static void paint(QPainter &painter, const ReportPage &page, double dpi);

    // The height in millimetres that `text` takes when drawn as `item` draws its text (its
    // font, alignment and word wrap, within its rectangle's width).
    static double textHeight(const ReportItem &item, const QString &text);

    // The page `index` (from 0) as a white sheet at `dpi`; an empty image for an index outside
    // the list.
    static QImage pageImage(const PageList &pages, int index, int dpi = 96);

    // The whole A4 sheet of `setup`'s orientation, without margins.
    static QPageLayout pageLayout(const PageSetup &setup);

    // Draws pages [first, last] onto a painter open on `device`, starting a new device page
    // between them; `where` names the output in an error.
    [[nodiscard]] static Status paintPages(QPainter &painter, QPagedPaintDevice &device,
                                           const PageList &pages, int first, int last, double dpi,
                                           const QString &where);

    // Writes the pages as a PDF document at `path` (a path on disk).
    [[nodiscard]] static Status writePdf(const PageList &pages, const QString &path,
                                         const QString &title = {});
};

} // namespace zemor::runtime::report
