#pragma once

// The page preview "Просмотр" (P1$VIEW1): one page of a laid-out report at a time, with next
// and previous (hidden for a report of fewer than two pages), the page count, the page number
// (which the user may type: the next move counts from it) and the print button, which closes
// the window and asks the caller to print. Closing it otherwise asks for nothing.
//
// The window shows the caller's PageList and does not own it; each page is drawn only when it
// is shown, so a report of any length costs one page image at a time. Paging itself is
// shell::PagePreview.
//
// A preview may open at a page other than the first (a report previewed again opens where the
// user left it); the page is clamped into the report.
//
// previewPages() is the procedure that callers use: an empty report is told to the user instead
// of showing an empty window; previewAndPrint() adds the printing through a page sink and tells
// the user when the pages could not be printed. PreviewSink is the preview as a page sink of its
// own, for the windows that print through one.

#include "runtime/core/Error.h"
#include "runtime/report/PageSink.h"
#include "shell/PagePreview.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;

namespace zemor::runtime {
class Prompter;
namespace report {
struct PageList;
}
} // namespace zemor::runtime

namespace zemor::shell::ui {

class PreviewWindow : public QDialog
{
    Q_OBJECT

public:
    static QString title() { return QStringLiteral("Просмотр"); }
    static QString emptyReportText() { return QStringLiteral("Нет страниц для просмотра"); }
    static QString printFailedText() { return QStringLiteral("Страницы не напечатаны."); }

    explicit PreviewWindow(const runtime::report::PageList &pages, QWidget *parent = nullptr,
                           int firstPage = 1);

    // The print flag: 1 once the print button was pressed.
    bool printRequested() const { return m_print; }
    const PagePreview &paging() const { return m_paging; }

private:
    void showPage();
    void takeTypedPage();
    void next();
    void previous();

    const runtime::report::PageList &m_pages;
    PagePreview m_paging;
    bool m_print = false;
    QLabel *m_image = nullptr;
    QScrollArea *m_scroll = nullptr;
    QLineEdit *m_number = nullptr;
};

// Shows the pages modally; true when the user asked to print them. An empty report gives the
// message emptyReportText() and false. With `page`, the preview opens at *page and leaves there
// the page shown last.
bool previewPages(const runtime::report::PageList &pages, runtime::Prompter &prompter,
                  QWidget *parent = nullptr, int *page = nullptr);

// previewPages(), then the pages sent to `output` under `title` when printing was asked for.
// A failed print is told to the user and returned.
[[nodiscard]] runtime::Status previewAndPrint(const runtime::report::PageList &pages,
                                              runtime::Prompter &prompter,
                                              runtime::report::PageSink &output,
                                              QWidget *parent = nullptr, const QString &title = {});

// The preview, printing through the sink given when the user asks to print. Answers false when
// the preview was closed without printing. Borrows the prompter and the printing sink, and the
// page the preview opens at and leaves the last page shown in, when given (outputFrom() takes
// its caller's page instead). Pages printed without a preview go to the printing sink.
class PreviewSink : public runtime::report::PageSink
{
public:
    PreviewSink(runtime::Prompter &prompter, runtime::report::PageSink &printing,
                QWidget *parent = nullptr, int *page = nullptr)
        : m_prompter(prompter), m_printing(printing), m_parent(parent), m_page(page)
    {
    }
    [[nodiscard]] runtime::Result<bool> output(const runtime::report::PageList &pages,
                                               const QString &title) override;
    [[nodiscard]] runtime::Result<bool> outputFrom(const runtime::report::PageList &pages,
                                                   const QString &title, int &page) override;
    runtime::report::PageSink &printing() override { return m_printing; }

private:
    runtime::Result<bool> shown(const runtime::report::PageList &pages, const QString &title,
                                int *page);

    runtime::Prompter &m_prompter;
    runtime::report::PageSink &m_printing;
    QWidget *m_parent;
    int *m_page;
};

} // namespace zemor::shell::ui
