#pragma once

// A workbook held in memory: one worksheet with its cells, column widths, row heights and
// merged areas. Templates are read into it (XlsxReader), the program's pokes and commands
// change it, and it is written out as a workbook file (XlsxWriter). Cells are kept sparse, in
// row-major order; only cells with a value or a format take room.
//
// Positions are checked by the callers (CellRange parsing keeps them inside the sheet); a
// position outside the sheet is a programming error.

#include "runtime/office/Cell.h"
#include "runtime/office/CellRange.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QString>

#include <map>
#include <utility>

namespace zemor::runtime::office {

class Workbook
{
public:
    using Position = std::pair<int, int>; // row, column

    QString sheetName() const { return m_sheetName; }
    void setSheetName(const QString &name) { m_sheetName = name; }

    // The cell at a position; nullptr when nothing is stored there.
    const Cell *cell(int row, int column) const;
    // The cell at a position, created empty when absent.
    Cell &cellAt(int row, int column);
    // Sets a value as the program sends it (Cell::setEntry); the cell's format stays.
    void setEntry(int row, int column, const QString &value);
    // Drops cells that hold neither a value nor a format.
    void compact();

    const std::map<Position, Cell> &cells() const { return m_cells; }
    // The last row and column that hold a cell (0 when the sheet is empty).
    int lastRow() const;
    int lastColumn() const;

    // Widths in the spreadsheet's character units, heights in points; absent means default.
    const QMap<int, double> &columnWidths() const { return m_columnWidths; }
    void setColumnWidth(int column, double width);
    const QMap<int, double> &rowHeights() const { return m_rowHeights; }
    void setRowHeight(int row, double height);

    const QList<CellRange> &mergedRanges() const { return m_merged; }
    // False (and nothing changes) when the range overlaps one that is merged already or is a
    // single cell.
    bool addMergedRange(const CellRange &range);

private:
    QString m_sheetName;
    std::map<Position, Cell> m_cells;
    QMap<int, double> m_columnWidths;
    QMap<int, double> m_rowHeights;
    QList<CellRange> m_merged;
    // Where the merged ranges lie, so that a new one is checked against its neighbours only:
    // the indexes into m_merged of the ranges that touch each block of kMergeBlock x kMergeBlock
    // cells; ranges over more blocks than kMaxMergeBlocks are kept apart and always checked.
    static constexpr int kMergeBlock = 32;
    static constexpr qint64 kMaxMergeBlocks = 256;
    QHash<quint64, QList<qsizetype>> m_mergeBlocks;
    QList<qsizetype> m_wideMerges;
};

} // namespace zemor::runtime::office
