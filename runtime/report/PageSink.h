#pragma once

// Where laid-out pages go: the page preview, the system printer or a PDF file. Every window
// that prints takes a PageSink, so that the program hands in the preview or the printer and a
// test a PDF file of its own.
//
// output() answers true when the pages went out, false when the user called it off (closed the
// preview without printing, closed the printer dialog), and an error when the printer or the
// file refused them; nothing has been printed or written then. A sink owns nothing of the
// pages.
//
// A sink that shows the pages before they are printed (the preview) also opens them at a page
// its caller keeps (outputFrom()) and hands out the printer behind it (printing()), for the
// pages that go straight to the printer; every other sink outputs them as output() does and is
// its own printer.

#include "runtime/core/Error.h"

#include <QString>

namespace zemor::runtime::report {

struct PageList;

class PageSink
{
public:
    virtual ~PageSink() = default;
    [[nodiscard]] virtual Result<bool> output(const PageList &pages, const QString &title) = 0;

    // output(), a preview opening at `page` and leaving there the page shown last.
    [[nodiscard]] virtual Result<bool> outputFrom(const PageList &pages, const QString &title,
                                                  int &page)
    {
        (void)page;
        return output(pages, title);
    }

    // Where pages go without being shown first.
    virtual PageSink &printing() { return *this; }
};

// A PDF file at a path on disk, replaced only when written whole.
class PdfSink : public PageSink
{
public:
    explicit PdfSink(QString path) : m_path(std::move(path)) {}
    const QString &path() const { return m_path; }

    [[nodiscard]] Result<bool> output(const PageList &pages, const QString &title) override;

private:
    QString m_path;
};

} // namespace zemor::runtime::report
