#pragma once

// The state of the page preview: how many pages the report has, which one is shown, and the
// page number the user may type before pressing next or previous. Pages are numbered from 1;
// any number of pages is shown (the count is an int, not a byte). The window (ui::PreviewWindow)
// shows the page this object names and asks the report for its image; nothing here draws.
//
// Moving never leaves the range 1..pageCount(): next on the last page and previous on the
// first keep the page and report that nothing changed, so the window need not redraw. A typed
// page number is the starting point of the next move, clamped into the range first.

#include <QString>

namespace zemor::shell {

class PagePreview
{
public:
    explicit PagePreview(int pageCount) : m_count(pageCount < 0 ? 0 : pageCount) {}

    int pageCount() const { return m_count; }
    // The page shown now; 0 for an empty report.
    int currentPage() const { return m_count == 0 ? 0 : m_shown; }
    bool isEmpty() const { return m_count == 0; }
    // Next and previous are offered only when there is somewhere to go.
    bool showsPaging() const { return m_count >= 2; }

    // The page count followed directly by "страниц", cut to 10 characters.
    QString countText() const;

    // Takes a page number typed by the user as the page the next move counts from.
    void setTypedPage(int page);
    // One page on (back); true when the shown page changed.
    bool next();
    bool previous();

private:
    int clamped(int page) const;
    bool show(int page);

    int m_count = 0;
    int m_page = 1;  // where the next move counts from
    int m_shown = 1; // the page on the screen
};

} // namespace zemor::shell
