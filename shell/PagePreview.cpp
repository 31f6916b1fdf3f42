#include "shell/PagePreview.h"

#include <algorithm>

namespace zemor::shell {

QString PagePreview::countText() const
{
    return (QString::number(m_count) + QStringLiteral("страниц")).left(10);
}

int PagePreview::clamped(int page) const
{
    return m_count == 0 ? 1 : std::clamp(page, 1, m_count);
}

void PagePreview::setTypedPage(int page)
{
    m_page = clamped(page);
}

bool PagePreview::show(int page)
{
    m_page = clamped(page);
    const bool changed = m_page != m_shown;
    m_shown = m_page;
    return changed;
}

bool PagePreview::next()
{
    return show(m_page + 1);
}

bool PagePreview::previous()
{
    return show(m_page - 1);
}

} // namespace zemor::shell
