#pragma once

// The result window of an indicator run ("Показатели"): the year, the caller's title, the
// current row's name, the list of display rows, "Печать", "Excel", "Ранг" (disabled until the
// rank table has a window), "График" and "только заполненные строки". A click on the list takes
// the clicked column as the chosen one and, with "График", draws the row's chart below the
// buttons. Everything shown comes from IndicatorOutput; closing the window empties the rows. Every
// message box of the window is shown over it.

#include "analysis/indicators/IndicatorDisplay.h"
#include "analysis/indicators/IndicatorOutput.h"
#include "runtime/ui/WidgetPrompter.h"
#include "shell/ui/Services.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTableView;

namespace zemor::runtime::ui {
class DrawingSurface;
class ListBinding;
class QueueModel;
} // namespace zemor::runtime::ui

namespace zemor::analysis::ui {

class IndicatorResultWindow : public QDialog
{
    Q_OBJECT

public:
    IndicatorResultWindow(IndicatorOutputInput input, IndicatorDisplay display,
                          const std::optional<QString> &storedFormat, shell::ui::Services services,
                          QWidget *parent = nullptr);

    const QList<IndicatorDisplayRow> &rows() const { return m_rows; }
    int cells() const { return m_cells; }
    // The list column clicked last (0-based; the value columns from 2 on), -1 none.
    int chosenColumn() const { return m_chosenColumn; }
    runtime::ui::DrawingSurface *chart() const { return m_chart; }
    runtime::ui::ListBinding *binding() const { return m_binding; }

    // What a click on the list does, for row `row` and list column `column`.
    void clickCell(int row, int column);

protected:
    void done(int result) override;

private:
    void showRows();
    void drawChart(int row);
    void chartToggled(bool on);
    void onlyFilled();
    void print();
    void exportToExcel();

    IndicatorOutputInput m_input;
    IndicatorDisplay m_display;
    runtime::ui::WindowPrompter m_prompter; // the boxes this window asks
    shell::ui::Services m_services;
    QList<IndicatorDisplayRow> m_rows;
    int m_cells = 0;
    int m_chosenColumn = -1;
    std::pair<double, double> m_range{0, 0};
    QLineEdit *m_rowName = nullptr;
    QTableView *m_view = nullptr;
    runtime::ui::QueueModel *m_model = nullptr;
    runtime::ui::ListBinding *m_binding = nullptr;
    runtime::ui::DrawingSurface *m_chart = nullptr;
    QCheckBox *m_graph = nullptr;
    QCheckBox *m_filled = nullptr;
};

} // namespace zemor::analysis::ui
