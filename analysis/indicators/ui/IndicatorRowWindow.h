#pragma once

// The row list of an indicator run by place (window P1$SCRV): the rows of the definition's form
// and table, then the lines of "<n>.MDS" for the kinds that list rows, one of which the run is
// about. Enter or a double click takes a row and closes the window; "Ok" closes it without a row
// while "печать показателей по отмеченным строкам" is set, otherwise it asks "Укажите строку"
// (a highlighted row is not taken by "Ok"). Closing the window ends the run. The marks
// ("Отметить все") stay in the list; nothing reads them. Every message box of the window is
// shown over it.

#include "analysis/indicators/IndicatorDefinition.h"
#include "analysis/indicators/IndicatorResult.h"
#include "runtime/core/Error.h"
#include "runtime/ui/ListWindow.h"
#include "runtime/ui/WidgetPrompter.h"

#include <optional>

class QCheckBox;
class QPushButton;

namespace zemor::analysis::ui {

// `IndicatorRowChoice`: the rows offered, in list order.
[[nodiscard]] runtime::Result<QList<ChosenRow>>
readIndicatorRowChoices(const IndicatorDefinition &definition, int table, int year);

// What the row list answers: the row taken, or none (an empty list, or "Ok" with the marks
// set), the run going on without it; `closed` when the user closed the list, which ends the run.
struct IndicatorRowAnswer
{
    std::optional<ChosenRow> row;
    bool closed = false;
};

class IndicatorRowWindow : public runtime::ui::ListWindow
{
    Q_OBJECT

public:
    static QString listFormat();
    static QString askRowText() { return QStringLiteral("Укажите строку"); }

    IndicatorRowWindow(QList<ChosenRow> rows, runtime::Prompter &prompter,
                       QWidget *parent = nullptr);

    // `ChooseIndicatorRow`: the row taken; no row when the list is empty (a beep) or "Ok" closed
    // it with the marks set.
    static IndicatorRowAnswer chooseIndicatorRow(const QList<ChosenRow> &rows,
                                                 runtime::Prompter &prompter,
                                                 QWidget *parent = nullptr);

    const QList<ChosenRow> &rows() const { return m_rows; }
    bool marked(int row) const;

private:
    void ok();
    void markAll();
    void marksToggled(bool on);

    QList<ChosenRow> m_rows;
    runtime::ui::WindowPrompter m_prompter; // the boxes this window asks
    QCheckBox *m_marks = nullptr;
    QPushButton *m_markAll = nullptr;
};

} // namespace zemor::analysis::ui
