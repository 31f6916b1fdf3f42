#pragma once

// The rank table window "Ранговая таблица" (P1$SCRL): one column of values of another window's
// list, each line with its value, rank and range number (?BROWSE:1), the year and the two titles
// (?PYEAR, ?PNAME, ?PNAMEGR), and the group "Группы" with the minimum, the maximum, the range
// count, the step and the bounds of the five ranges (?LOCMIN:2, ?LOCMAX:2, ?KOLDIAP, ?DI:2,
// ?D1_1 .. ?D2_5). "Расчет " (?RASH1) splits the ranges evenly and assigns them, ?RASHDIAP
// assigns the bounds as they stand, "Карта" (?KARTA, only for districts) draws the map through
// MapWindow, Excel (?EXCEL) writes "rang.xls"; "Печать" (?PRNT1) has nothing to print.
//
// Everything shown comes from analysis::RankTable, which the window owns for its lifetime; the
// caller's lines are only read. A value the user types goes into the table as typed: the fields
// show the table's values through their pictures, but the shown text is never read back.

#include "analysis/common/RankTable.h"
#include "runtime/ui/WidgetPrompter.h"
#include "shell/ui/Services.h"

#include <QDialog>
#include <QList>

#include <array>

class QLineEdit;
class QPushButton;
class QSpinBox;

namespace zemor::runtime::ui {
class ListBinding;
class QueueModel;
} // namespace zemor::runtime::ui

namespace zemor::analysis::ui {

class RankTableWindow : public QDialog
{
    Q_OBJECT

public:
    static QString title() { return QStringLiteral("Ранговая таблица"); }

    // ShowRankTable: the window over `source`, modal; returns when it is closed.
    static void run(const shell::ui::Services &services, const RankTableSource &source,
                    QWidget *parent = nullptr);

    RankTableWindow(const shell::ui::Services &services, const RankTableSource &source,
                    QWidget *parent = nullptr);
    ~RankTableWindow() override;

    const RankTable &table() const { return m_table; }
    runtime::ui::ListBinding *binding() const { return m_binding; }

private:
    enum class Typed { None, Minimum, Maximum, Step, Count, Bound };

    QLineEdit *numberField(const QString &equate, int width);
    void typedInto(Typed field, int bound = 0);
    // Takes what was typed into the field last edited into the table (leaving the field, or
    // pressing a button while still in it).
    void acceptTyped();
    void showFigures();
    void showBounds();
    void showRows();
    void calculate();
    void assign();
    void openMap();
    void exportToExcel();

    runtime::ui::WindowPrompter m_prompter; // the boxes this window asks
    shell::ui::Services m_services;
    RankTable m_table;
    struct Pending
    {
        Typed field = Typed::None;
        int bound = 0; // 0..9: lower 1..5, then upper 1..5
    };
    QList<Pending> m_pending; // typed into, not yet taken; in the order typed
    QLineEdit *m_minimum = nullptr;
    QLineEdit *m_maximum = nullptr;
    QLineEdit *m_step = nullptr;
    QSpinBox *m_count = nullptr;
    std::array<QLineEdit *, 2 * RankTable::maxRangeCount> m_bounds{};
    runtime::ui::QueueModel *m_model = nullptr;
    runtime::ui::ListBinding *m_binding = nullptr;
};

} // namespace zemor::analysis::ui
