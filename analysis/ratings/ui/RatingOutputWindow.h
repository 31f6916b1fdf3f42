#pragma once

// The rating window "Оценка качества работы ЛПУ" (P1$SCRL) of one rating run: the period text
// (?LOCNAME), "Excel" (?EXCEL), the rank table (?RANG), the indicator's name (?QST:NAME) and
// three tabs (?SHEET1):
//
// - "Рейтинговая оценка" (?TAB1): the rating rows (?LISTQR), best first; a click on the header
//   of one of the first nine columns sorts by it (lowest first; "N" restores the rating order);
// - "Индексы достижения цели" (?TAB2): the goal indices (?LISTQC), the current line's name and
//   settings, and with "График" (?GRAFIKQC) the line's chart with its mean (?STR_C);
// - "Значения показателей" (?TAB3): the member values (?LISTQI), likewise with "График"
//   (?GRAFIK) and the line's norm (?STR_I);
//
// and the number of members (?KOLUCH). Per institution the member columns are the set's
// members in number order; per district they are the region's districts.
//
// The chart's geometry comes from analysis/ratings/RatingOutput (goalChart(), valueChart()) and is
// drawn on a DrawingSurface below the list, which then takes two thirds of the tab's height. ?RANG
// hands the rank-table source of the current tab (ratingRankSource(), goalRankSource(),
// valueRankSource()) to the caller's `openRankTable`; with none the button is disabled. ?EXCEL
// sends the current tab to "i1.XLS", "i2.XLS" or "i3.XLS" through the spreadsheet conversation.
// The window shows the run it is given and never changes its values; nothing is written to any
// file.

#include "analysis/common/RankTable.h"
#include "analysis/ratings/Rating.h"
#include "analysis/ratings/RatingOutput.h"
#include "shell/ui/Services.h"

#include <QDialog>
#include <QHash>

#include <array>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableView;

namespace zemor::runtime::ui {
class DrawingSurface;
class ListBinding;
class QueueModel;
} // namespace zemor::runtime::ui

namespace zemor::analysis::ui {

// Opens the rank table of a source over `parent`; an empty function disables ?RANG.
using OpenRankTable = std::function<void(const analysis::RankTableSource &source, QWidget *parent)>;

class RatingOutputWindow : public QDialog
{
    Q_OBJECT

public:
    enum Tab { RatingTab = 1, GoalTab = 2, ValueTab = 3 };

    static QString title() { return QStringLiteral("Оценка качества работы ЛПУ"); }

    // `districtNames` titles the member columns of a per-district indicator.
    RatingOutputWindow(RatingRun run, const QHash<int, QString> &districtNames,
                       shell::ui::Services services, OpenRankTable openRankTable,
                       QWidget *parent = nullptr);

    const RatingRun &run() const { return m_run; }
    // The rating rows in the rating list's current order.
    const QList<RatingRow> &ratingRows() const { return m_rows; }
    int currentTab() const;
    void setCurrentTab(int tab);

    runtime::ui::ListBinding *ratingList() const { return m_lists[0]; }
    runtime::ui::ListBinding *goalList() const { return m_lists[1]; }
    runtime::ui::ListBinding *valueList() const { return m_lists[2]; }
    runtime::ui::DrawingSurface *goalSurface() const { return m_surfaces[0]; }
    runtime::ui::DrawingSurface *valueSurface() const { return m_surfaces[1]; }
    // The chart drawn last on tab 2 or 3 (empty while none is).
    const LineChart &chart(int tab) const { return m_charts[tab == GoalTab ? 0 : 1]; }

    // What a click on the header of rating-list column `column` (0-based) does.
    void clickRatingHeader(int column);
    // Makes `row` the current line of the goal-index or value list.
    void chooseLine(int tab, int row);
    // ?RANG for the current tab.
    void openRankTable();
    // ?EXCEL for the current tab; true when the workbook was written.
    bool exportToExcel();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildRatingTab();
    QWidget *buildLineTab(int tab);
    QList<int> shownWhole(int leading, QList<int> columns) const;
    void showRatingRows();
    void showGoalRows();
    void showValueRows();
    void lineChosen(int tab, int row);
    void chartToggled(int tab, bool on);
    void tabChanged(int index);
    void drawChart(int tab);
    void blankCharts();
    bool chartOn(int tab) const;

    RatingRun m_run;
    QList<RatingRow> m_rows;
    QList<MemberColumn> m_members;
    shell::ui::Services m_services;
    OpenRankTable m_openRankTable;

    QLineEdit *m_text = nullptr;
    QTabWidget *m_tabs = nullptr;
    std::array<runtime::ui::QueueModel *, 3> m_models{};
    std::array<runtime::ui::ListBinding *, 3> m_lists{};
    std::array<QTableView *, 3> m_views{};
    std::array<QCheckBox *, 2> m_chartBoxes{};
    std::array<runtime::ui::DrawingSurface *, 2> m_surfaces{};
    std::array<QLabel *, 2> m_markLabels{};
    std::array<QLineEdit *, 2> m_lineNames{};
    std::array<QList<QLineEdit *>, 2> m_lineFields{};
    std::array<LineChart, 2> m_charts{};
    int m_lastTab = RatingTab;
};

} // namespace zemor::analysis::ui
