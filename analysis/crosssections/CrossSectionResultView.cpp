#include "analysis/crosssections/CrossSectionResultView.h"

namespace zemor::analysis {

namespace {

constexpr int textColumns = 2;

} // namespace

CrossSectionResultView::CrossSectionResultView(CrossSectionResult result,
                                               CrossSectionHeading heading, qint64 form,
                                               qint64 table)
    : m_result(std::move(result)), m_heading(std::move(heading)), m_form(form), m_table(table)
{
    CrossSectionOutput::sortRows(m_result.rows, RowOrder::Districts);
    m_range = CrossSectionOutput::valueRange(m_result.rows, m_result.markCount());
    m_columns = CrossSectionOutput::resultColumns(m_result, m_form, m_table);
}

QString CrossSectionResultView::listFormat() const
{
    return CrossSectionOutput::resultFormat(m_result, m_form, m_table);
}

void CrossSectionResultView::sort(RowOrder order)
{
    CrossSectionOutput::sortRows(m_result.rows, order);
}

void CrossSectionResultView::removeEmptyRows()
{
    CrossSectionOutput::removeEmptyRows(m_result.rows);
}

CrossSectionResultView::Click CrossSectionResultView::click(int row, int listColumn, bool general,
                                                            bool oneRow)
{
    Click shown;
    if (row < 0 || row >= m_result.rows.size())
        return shown;
    const int column = listColumn - textColumns;
    if (column >= 0 && column < m_columns.size())
        m_slot = m_columns[column].slot;
    shown.rowLine = CrossSectionOutput::rowText(m_result.rows[row]);
    if (m_slot >= 1 && m_slot <= m_result.markCount())
        shown.caption =
            CrossSectionOutput::caption(m_result.marks[m_slot - 1], m_heading.periodKind);
    shown.chart = CrossSectionOutput::chart(m_result.rows, row, m_result.markCount(), m_range,
                                            general, oneRow);
    return shown;
}

QList<CrossSectionPage> CrossSectionResultView::pages() const
{
    return CrossSectionOutput::pages(m_result, m_result.rows, m_heading);
}

bool CrossSectionResultView::exportToExcel(shell::ExcelLauncher &excel) const
{
    return CrossSectionOutput::exportToExcel(m_result, m_result.rows, m_heading, excel);
}

} // namespace zemor::analysis
