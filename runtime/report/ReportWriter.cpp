#include "runtime/report/ReportWriter.h"

namespace zemor::runtime::report {

namespace {

// Lengths are millimetres; this much overlap still counts as fitting.
constexpr double kTolerance = 1e-6;

// Cuts an item at `limit` (the top of the page footer); false when nothing of it is left.
bool clipItem(ReportItem &item, double limit)
{
    if (item.kind == ReportItem::Kind::Line) {
        QPointF from = item.rect.topLeft();
        QPointF to = item.rect.bottomRight();
        if (from.y() > limit && to.y() > limit)
            return false;
        if (from.y() > limit || to.y() > limit) {
            if (from.y() != to.y() && from.x() == to.x()) {
                from.setY(qMin(from.y(), limit));
                to.setY(qMin(to.y(), limit));
                item.rect = QRectF(from, to);
            } else {
                return false;
            }
        }
        return true;
    }
    if (item.rect.top() >= limit)
        return false;
    if (item.rect.bottom() > limit)
        item.rect.setBottom(limit);
    return true;
}

} // namespace

ReportWriter::ReportWriter(ReportDefinition definition) : m_definition(std::move(definition)) {}

QString ReportWriter::expand(const QString &templ, const ReportRecord &record, int page, int pages)
{
    QString result;
    result.reserve(templ.size());
    qsizetype i = 0;
    while (i < templ.size()) {
        const QChar c = templ.at(i);
        if (c == u'{' && i + 1 < templ.size() && templ.at(i + 1) == u'{') {
            result += u'{';
            i += 2;
            continue;
        }
        if (c == u'}' && i + 1 < templ.size() && templ.at(i + 1) == u'}') {
            result += u'}';
            i += 2;
            continue;
        }
        if (c == u'{') {
            const qsizetype close = templ.indexOf(u'}', i + 1);
            if (close > i) {
                const QString name = templ.mid(i + 1, close - i - 1);
                if (name == u"page")
                    result += QString::number(page);
                else if (name == u"pages")
                    result += QString::number(pages);
                else
                    result += record.value(name);
                i = close + 1;
                continue;
            }
        }
        result += c;
        ++i;
    }
    return result;
}

double ReportWriter::bodyTop() const
{
    return m_definition.page.margins.top() + m_definition.pageHeader.height;
}

double ReportWriter::bodyBottom() const
{
    return m_definition.page.paperSize().height() - m_definition.page.margins.bottom() -
           m_definition.pageFooter.height;
}

bool ReportWriter::pageHasBody() const
{
    return m_pageOpen && m_y > bodyTop() + kTolerance;
}

double ReportWriter::headerRoom(int level) const
{
    double room = m_definition.detail.height;
    for (int j = level; j < m_definition.groups.size(); ++j)
        room += m_definition.groups.at(j).header.height;
    return room;
}

void ReportWriter::startPage(const ReportRecord &record)
{
    m_pages.append(Page{});
    m_pageOpen = true;
    m_y = m_definition.page.margins.top();
    const double left = m_definition.page.margins.left();
    for (const ReportItem &item : std::as_const(m_definition.pageHeader.items)) {
        ReportItem placed = item;
        placed.rect.translate(left, m_y);
        m_pages.back().items.append(Placed{placed, record});
    }
    m_y += m_definition.pageHeader.height;
    m_lastOnPage = record;
}

void ReportWriter::endPage()
{
    if (!m_pageOpen)
        return;
    const double top = bodyBottom();
    const double left = m_definition.page.margins.left();
    for (const ReportItem &item : std::as_const(m_definition.pageFooter.items)) {
        ReportItem placed = item;
        placed.rect.translate(left, top);
        m_pages.back().items.append(Placed{placed, m_lastOnPage});
    }
    m_pageOpen = false;
}

void ReportWriter::place(const Band &band, const ReportRecord &record, double keepWith)
{
    if (band.isEmpty())
        return;
    if (!m_pageOpen) {
        startPage(record);
    } else if (m_y + band.height + keepWith > bodyBottom() + kTolerance && pageHasBody()) {
        endPage();
        startPage(record);
    }
    const double left = m_definition.page.margins.left();
    const double limit = bodyBottom();
    for (const ReportItem &item : band.items) {
        ReportItem placed = item;
        placed.rect.translate(left, m_y);
        if (clipItem(placed, limit))
            m_pages.back().items.append(Placed{placed, record});
    }
    m_y += band.height;
    m_lastOnPage = record;
}

void ReportWriter::openGroupsFrom(int level, const ReportRecord &record)
{
    const bool first = !m_started;
    for (int j = level; j < m_definition.groups.size(); ++j) {
        const GroupLevel &group = m_definition.groups.at(j);
        if (group.startsPage && !first && pageHasBody())
            endPage();
        place(group.header, record, headerRoom(j + 1));
    }
}

void ReportWriter::closeGroupsFrom(int level)
{
    for (int j = int(m_definition.groups.size()) - 1; j >= level; --j)
        place(m_definition.groups.at(j).footer, m_previous);
}

void ReportWriter::add(const ReportRecord &record)
{
    if (!m_started) {
        place(m_definition.reportHeader, record, headerRoom(0));
        openGroupsFrom(0, record);
        m_started = true;
    } else {
        for (int level = 0; level < m_definition.groups.size(); ++level) {
            const QString &key = m_definition.groups.at(level).keyField;
            if (m_previous.value(key) != record.value(key)) {
                closeGroupsFrom(level);
                openGroupsFrom(level, record);
                break;
            }
        }
    }
    const bool tall = !m_definition.tallDetailField.isEmpty() &&
                      !record.value(m_definition.tallDetailField).isEmpty();
    place(tall ? m_definition.tallDetail : m_definition.detail, record);
    m_previous = record;
}

void ReportWriter::breakPage()
{
    if (pageHasBody())
        endPage();
}

PageList ReportWriter::finish()
{
    PageList result;
    result.setup = m_definition.page;
    const bool withoutRecords = !m_started && m_definition.pageWithoutRecords;
    if (withoutRecords) {
        startPage({});
        m_started = true;
        place(m_definition.reportHeader, {});
    }
    if (m_started) {
        if (!withoutRecords)
            closeGroupsFrom(0);
        place(m_definition.reportFooter, m_previous);
        endPage();
        const int pages = int(m_pages.size());
        result.pages.reserve(pages);
        for (int p = 0; p < pages; ++p) {
            ReportPage page;
            page.items.reserve(m_pages.at(p).items.size());
            for (const Placed &placed : std::as_const(m_pages.at(p).items)) {
                ReportItem item = placed.item;
                if (item.kind == ReportItem::Kind::Text)
                    item.text = expand(item.text, placed.record, p + 1, pages);
                page.items.append(std::move(item));
            }
            result.pages.append(std::move(page));
        }
    }
    m_pages.clear();
    m_pageOpen = false;
    m_started = false;
    m_y = 0;
    m_previous.clear();
    m_lastOnPage.clear();
    return result;
}

} // namespace zemor::runtime::report
