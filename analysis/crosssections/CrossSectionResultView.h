#pragma once

// The result mode of a cross-section without widgets: the result rows in their shown order, the
// value range of the whole table, the mark of the value column clicked last with its caption,
// the chart of the clicked row, the removal of empty rows and the page the preview showed last.
// The window shows this state and hands it the user's clicks and ticks.
//
// The rows start sorted by district and kind (the total last) and the range is taken once over
// the whole table; a one-row chart never changes it. A re-sort and the removal of empty rows
// last for the rest of the result mode and apply to printing and the workbook. A click on one
// of the two text columns keeps the mark of the click before.

#include "analysis/crosssections/CrossSectionBuild.h"
#include "analysis/crosssections/CrossSectionOutput.h"

namespace zemor::analysis {

class CrossSectionResultView
{
public:
    // `form` and `table` are the current ones (the columns of a build by rows).
    CrossSectionResultView(CrossSectionResult result, CrossSectionHeading heading, qint64 form,
                           qint64 table);

    const CrossSectionResult &result() const { return m_result; }
    const QList<CrossSectionRow> &rows() const { return m_result.rows; }
    const QList<CrossSectionOutput::Column> &columns() const { return m_columns; }
    QString listFormat() const;
    ValueRange tableRange() const { return m_range; }
    QString rowCountText() const { return CrossSectionOutput::rowCountText(m_result.rows); }

    void sort(RowOrder order);
    // "Только заполненные строки" (ticked or not): rows whose values are all 0 go for good.
    void removeEmptyRows();

    struct Click
    {
        QString rowLine;        // ?QAC:UCH
        QString caption;        // ?TEXT1, the caption of the current mark
        QList<ChartItem> chart; // what the chart area shows now
    };
    // A click on `row` in list column `listColumn` (0 and 1 are the text columns, then one per
    // entry of columns()), with the chart boxes as they are ticked.
    Click click(int row, int listColumn, bool general, bool oneRow);
    // The slot (1 ..) of the current mark; 0 before any value column was clicked.
    int currentSlot() const { return m_slot; }

    QList<CrossSectionPage> pages() const;
    bool exportToExcel(shell::ExcelLauncher &excel) const;

    // The preview starts at the page it showed last in this result mode (1 at first).
    int previewPage() const { return m_previewPage; }
    void setPreviewPage(int page) { m_previewPage = page < 1 ? 1 : page; }

private:
    CrossSectionResult m_result;
    CrossSectionHeading m_heading;
    qint64 m_form = 0;
    qint64 m_table = 0;
    QList<CrossSectionOutput::Column> m_columns;
    ValueRange m_range;
    int m_slot = 0;
    int m_previewPage = 1;
};

} // namespace zemor::analysis
