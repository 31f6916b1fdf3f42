#include "runtime/office/Workbook.h"

#include <algorithm>

namespace zemor::runtime::office {

const Cell *Workbook::cell(int row, int column) const
{
    const auto it = m_cells.find({row, column});
    return it == m_cells.end() ? nullptr : &it->second;
}

Cell &Workbook::cellAt(int row, int column)
{
    Q_ASSERT(row >= 1 && row <= CellRange::kMaxRows);
    Q_ASSERT(column >= 1 && column <= CellRange::kMaxColumns);
    return m_cells[{row, column}];
}

void Workbook::setEntry(int row, int column, const QString &value)
{
    if (value.isEmpty()) {
        const auto it = m_cells.find({row, column});
        if (it != m_cells.end()) {
            it->second.clearValue();
            if (it->second.isBlank())
                m_cells.erase(it);
        }
        return;
    }
    cellAt(row, column).setEntry(value);
}

void Workbook::compact()
{
    std::erase_if(m_cells, [](const auto &entry) { return entry.second.isBlank(); });
}

int Workbook::lastRow() const
{
    return m_cells.empty() ? 0 : m_cells.rbegin()->first.first;
}

int Workbook::lastColumn() const
{
    int last = 0;
    for (const auto &[position, cell] : m_cells)
        last = qMax(last, position.second);
    return last;
}

void Workbook::setColumnWidth(int column, double width)
{
    if (width < 0)
        m_columnWidths.remove(column);
    else
        m_columnWidths.insert(column, width);
}

void Workbook::setRowHeight(int row, double height)
{
    if (height < 0)
        m_rowHeights.remove(row);
    else
        m_rowHeights.insert(row, height);
}

bool Workbook::addMergedRange(const CellRange &range)
{
    if (range.rowCount() == 1 && range.columnCount() == 1)
        return false;
    const int top = (range.top - 1) / kMergeBlock;
    const int bottom = (range.bottom - 1) / kMergeBlock;
    const int left = (range.left - 1) / kMergeBlock;
    const int right = (range.right - 1) / kMergeBlock;
    const bool wide = qint64(bottom - top + 1) * (right - left + 1) > kMaxMergeBlocks;
    const auto key = [](int row, int column) {
        return (quint64(quint32(row)) << 32) | quint32(column);
    };
    const auto overlapsAny = [&](const QList<qsizetype> &indexes) {
        return std::any_of(indexes.begin(), indexes.end(),
                           [&](qsizetype i) { return m_merged.at(i).intersects(range); });
    };

    if (overlapsAny(m_wideMerges))
        return false;
    if (wide) {
        // Few blocks hold ranges compared with the blocks this one covers: check them all.
        for (const QList<qsizetype> &indexes : std::as_const(m_mergeBlocks)) {
            if (overlapsAny(indexes))
                return false;
        }
        m_wideMerges.append(m_merged.size());
        m_merged.append(range);
        return true;
    }
    for (int row = top; row <= bottom; ++row) {
        for (int column = left; column <= right; ++column) {
            const auto found = m_mergeBlocks.constFind(key(row, column));
            if (found != m_mergeBlocks.cend() && overlapsAny(*found))
                return false;
        }
    }
    for (int row = top; row <= bottom; ++row) {
        for (int column = left; column <= right; ++column)
            m_mergeBlocks[key(row, column)].append(m_merged.size());
    }
    m_merged.append(range);
    return true;
}

} // namespace zemor::runtime::office
