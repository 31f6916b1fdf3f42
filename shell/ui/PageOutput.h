#pragma once

// Where the previewed pages go when the user asks to print them. The preview does not know the
// printer: the program hands in PrinterOutput (the system's default printer, as it is set up in
// "Выбор принтера"), a test hands in PdfOutput with a path of its own. Both draw the pages with
// runtime::report::PageRenderer, so the printed sheet is the previewed one; a failure is
// returned, never swallowed.

#include "runtime/core/Error.h"

#include <QString>

namespace zemor::runtime::report {
struct PageList;
}

namespace zemor::shell::ui {

class PageOutput
{
public:
    virtual ~PageOutput() = default;
    [[nodiscard]] virtual runtime::Status print(const runtime::report::PageList &pages) = 0;
};

// The system's default printer.
class PrinterOutput : public PageOutput
{
public:
    [[nodiscard]] runtime::Status print(const runtime::report::PageList &pages) override;
};

// A PDF file at a path on disk, replaced only when written completely.
class PdfOutput : public PageOutput
{
public:
    explicit PdfOutput(QString path, QString title = {})
        : m_path(std::move(path)), m_title(std::move(title))
    {
    }
    [[nodiscard]] runtime::Status print(const runtime::report::PageList &pages) override;
    const QString &path() const { return m_path; }

private:
    QString m_path;
    QString m_title;
};

} // namespace zemor::shell::ui
