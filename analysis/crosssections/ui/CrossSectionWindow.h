#pragma once

// The cross-section window "Разрез" (P1$SCRL): cells of a form's tables are marked in a grid
// (?BROWSE:1) one table at a time, with a year and a period each; the marks (?LIST2) are
// ordered, added for a period or a series of periods, deleted, saved under a name and loaded;
// "Готово" (?OK) builds the result, by districts, institutions or the rows of the current table,
// and the same window turns to its result: the result list, the caption of the clicked cell, the
// chart of the clicked row, the row order, the removal of empty rows, printing and the workbook.
// Closing the window ends the procedure. Every message box of the window is shown over it.
//
// Everything the window shows comes from analysis/crosssections/ (CrossSectionMarks,
// CrossSectionBuild, SavedCrossSections, CrossSectionResultView); the window hands them the user's
// actions and shows their messages. The build runs under a progress window and may be called off;
// the chart is drawn on a DrawingSurface from the items the result view computes. Printed pages go
// to the services' pages (the page preview in the program, which opens again at the page it was
// left at; a PDF file in tests).
//
// run() is the report list's way in: it takes the report list's choices as values (the form
// chosen here is written back to `call`) and returns when the window has closed.

#include "analysis/crosssections/CrossSectionBuild.h"
#include "analysis/crosssections/CrossSectionMarks.h"
#include "analysis/crosssections/CrossSectionResultView.h"
#include "analysis/crosssections/SavedCrossSections.h"
#include "runtime/ui/WidgetPrompter.h"
#include "shell/ui/Services.h"

#include <QDialog>

#include <memory>
#include <optional>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableView;

namespace zemor::data {
class DataContext;
}
namespace zemor::runtime::ui {
class DrawingSurface;
class ListBinding;
class QueueModel;
} // namespace zemor::runtime::ui

namespace zemor::analysis::ui {

// What the report list hands over.
struct CrossSectionCall
{
    QString formName; // shown in the title and the headings; a form chosen here writes its name
    qint64 form = 0;  // the form shown first
    QString title;    // the summary title (?LOCNAME:2)
    int districtFilter = 0; // 0, a district, or 500 with a selection
    qint32 from = 0;        // the report list's period range
    qint32 to = 0;
    QList<qint32> selection; // the chosen institutions; empty: all
    int periodKind = 0;      // the form's period kind; a form chosen here writes its own
};

class CrossSectionWindow : public QDialog
{
    Q_OBJECT

public:
    static QString title() { return QStringLiteral("Разрез"); }

    static void run(data::DataContext &context, const shell::ui::Services &services,
                    CrossSectionCall &call, QWidget *parent = nullptr);

    CrossSectionWindow(data::DataContext &context, shell::ui::Services services,
                       CrossSectionCall &call, QWidget *parent = nullptr);
    ~CrossSectionWindow() override;

    const CrossSectionMarks &marks() const { return m_marks; }
    // The result mode's state; nullptr while marking.
    const CrossSectionResultView *result() const { return m_result.get(); }
    CrossSectionInUse inUse() const { return m_inUse; }
    runtime::ui::ListBinding *gridBinding() const { return m_gridBinding; }
    runtime::ui::ListBinding *markBinding() const { return m_markBinding; }
    runtime::ui::ListBinding *resultBinding() const { return m_resultBinding; }
    runtime::ui::DrawingSurface *chart() const { return m_chart; }

    // What the controls do.
    void markCell(int row, int listColumn);
    void addMark();
    void addSeries();
    void removeMark();
    void resetMarks();
    void setOrder(MarkOrder order);
    void chooseForm();
    void chooseTable();
    void nextTable(int step);
    void changeYear(int year);
    bool build();
    void saveMarks();
    void loadMarks();
    // Result mode.
    void clickResult(int row, int listColumn);
    void sortResult(RowOrder order);
    void removeEmptyRows();
    bool print();
    bool exportToExcel();

private:
    void buildControls();
    void loadTables();
    void showTable();
    void showGrid();
    void showMarks();
    void showMessages(const QStringList &messages);
    void showResultMode();
    void showResultRows();
    void placeChart();
    int selectedMark() const;
    QString periodWord() const;

    data::DataContext &m_context;
    runtime::ui::WindowPrompter m_prompter; // the boxes this window asks
    shell::ui::Services m_services;
    CrossSectionCall &m_call;
    int m_callerKind = 0;
    qint32 m_callerFrom = 0;
    qint32 m_callerTo = 0;
    CrossSectionMarks m_marks;
    CrossSectionInUse m_inUse;
    std::unique_ptr<CrossSectionResultView> m_result;

    // Marking.
    QPushButton *m_newForm = nullptr;
    QLineEdit *m_nameTip = nullptr;
    QLineEdit *m_nameTip2 = nullptr;
    QPushButton *m_newTable = nullptr;
    QPushButton *m_upTable = nullptr;
    QPushButton *m_downTable = nullptr;
    QLineEdit *m_tableLine = nullptr; // ?TEXT1
    QLineEdit *m_rowLine = nullptr;   // ?QAC:UCH
    QGroupBox *m_markMode = nullptr;
    QButtonGroup *m_markModes = nullptr;
    QGroupBox *m_periodGroup = nullptr;
    QSpinBox *m_year = nullptr;
    QSpinBox *m_from = nullptr;
    QSpinBox *m_to = nullptr;
    QGroupBox *m_seriesGroup = nullptr;
    QSpinBox *m_seriesFrom = nullptr;
    QSpinBox *m_seriesTo = nullptr;
    QTableView *m_grid = nullptr;
    runtime::ui::QueueModel *m_gridModel = nullptr;
    runtime::ui::ListBinding *m_gridBinding = nullptr;
    QTableView *m_markList = nullptr;
    runtime::ui::QueueModel *m_markModel = nullptr;
    runtime::ui::ListBinding *m_markBinding = nullptr;
    QPushButton *m_deleteMark = nullptr;
    QPushButton *m_reset = nullptr;
    QGroupBox *m_sortGroup = nullptr;
    QButtonGroup *m_sortChoices = nullptr;
    QLineEdit *m_markCount = nullptr;
    QCheckBox *m_byRows = nullptr;
    QGroupBox *m_grouping = nullptr;
    QButtonGroup *m_groupings = nullptr;
    QPushButton *m_ok = nullptr;

    // Result.
    QTableView *m_resultList = nullptr;
    runtime::ui::QueueModel *m_resultModel = nullptr;
    runtime::ui::ListBinding *m_resultBinding = nullptr;
    runtime::ui::DrawingSurface *m_chart = nullptr;
    QCheckBox *m_chartAll = nullptr;
    QCheckBox *m_chartRow = nullptr;
    QCheckBox *m_onlyFilled = nullptr;
    QPushButton *m_print = nullptr;
    QPushButton *m_excel = nullptr;
    QLabel *m_rowCount = nullptr; // ?STRING1
    int m_previewPage = 1;        // the preview opens where the last one was left
};

} // namespace zemor::analysis::ui
