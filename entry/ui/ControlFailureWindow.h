#pragma once

// The list of failed control rules of one report (`P1$SCRL`, "Список"): the year, the list
// `?BROWSE:1` (rule id, table, deviation, text), the whole text of the chosen line in `?TEXT1`
// and `?PRNT1`, which prints the list through the page sink given and then closes the
// window. The list opens on its first line.
//
// showFailures() is the window mode of the whole-report check: "Ошибок нет" and a counter of 0
// when nothing failed, otherwise the window, modal, and the counter set to the number of
// failures when it closes. The window owns its copy of the failures; the prompter and the
// output belong to the caller and must outlive the window. A print that fails is reported
// through the prompter and leaves the window open; a print called off in the printer dialog
// leaves it open too.

#include "entry/ControlFailure.h"

#include <QDialog>
#include <QList>

class QPlainTextEdit;
class QTableView;

namespace zemor::runtime {
class Prompter;
namespace report {
class PageSink;
}
} // namespace zemor::runtime

namespace zemor::runtime::ui {
class ListBinding;
class QueueModel;
} // namespace zemor::runtime::ui

namespace zemor::entry::ui {

class ControlFailureWindow : public QDialog
{
    Q_OBJECT

public:
    // Rule ids are shown whole (up to 11 digits) and deviations with every digit a
    // DECIMAL(17,3) can have. The table and deviation columns are laid out narrow; the window
    // widens every column to its heading and its widest value, so nothing shown is cut.
    static QString listFormat()
    {
        return QStringLiteral("64L|M~код~@s11@21L|M~Таблица~@s5@E(,0BDFFDEH,,)"
                              "21L(1)|M~Откл~L(0)@s20@E(080H,,,)200L(1)M~наименование~@s220@");
    }
    static QString title() { return QStringLiteral("Список"); }
    static QString noFailuresText() { return QStringLiteral("Ошибок нет"); }

    ControlFailureWindow(QList<ControlFailure> failures, int year, runtime::Prompter &prompter,
                         runtime::report::PageSink &output, QWidget *parent = nullptr);

    // Window mode of the check; see above.
    static void showFailures(const QList<ControlFailure> &failures, int year, int &counter,
                             runtime::Prompter &prompter, runtime::report::PageSink &output,
                             QWidget *parent = nullptr);

    const QList<ControlFailure> &failures() const { return m_failures; }
    runtime::ui::ListBinding *binding() const { return m_binding; }
    // True once the list has been printed (the window then closes).
    bool printed() const { return m_printed; }

    // ?PRNT1.
    void print();

private:
    void showText(int row);
    void widenColumns(QTableView *view);

    QList<ControlFailure> m_failures;
    int m_year;
    runtime::Prompter &m_prompter;
    runtime::report::PageSink &m_output;
    runtime::ui::QueueModel *m_model = nullptr;
    runtime::ui::ListBinding *m_binding = nullptr;
    QPlainTextEdit *m_text = nullptr;
    bool m_printed = false;
};

} // namespace zemor::entry::ui
