#pragma once

// The inter-form controls in their windows:
// - "Список межформенных контролей" (P1$SCRL): the formulas of "SpisMF.TXT", the current one's
//   text, the scope (default every institution) and "Контроль", which evaluates the current
//   formula over the year's reports under a progress window with "Отмена";
// - "Межформенные контроли" (P1$SCRL1): the formula, its name, the institutions or districts
//   whose sum fails its relation, the terms of the current line, and "Печать" to the page sink.
// The work is entry::InterFormControls'; the year is the one the window was opened with.

#include "entry/InterFormControls.h"
#include "shell/ui/Services.h"

#include <QDialog>

#include <memory>

class QButtonGroup;
class QLineEdit;
class QTableView;

namespace zemor::data {
class DataContext;
}
namespace zemor::runtime {
class Prompter;
}
namespace zemor::runtime::report {
class PageSink;
}
namespace zemor::runtime::ui {
class QueueModel;
}
namespace zemor::shell::ui {
class Choices;
}

namespace zemor::entry::ui {

class InterFormResultWindow : public QDialog
{
    Q_OBJECT

public:
    InterFormResultWindow(const InterFormEntry &formula, const QList<InterFormLine> &failed,
                          int year, runtime::Prompter &prompter, runtime::report::PageSink &sink,
                          QWidget *parent = nullptr);

private:
    InterFormEntry m_formula;
    QList<InterFormLine> m_failed;
    int m_year;
    runtime::Prompter &m_prompter;
    runtime::report::PageSink &m_sink;
    QTableView *m_list = nullptr;
    QLineEdit *m_terms = nullptr;
};

class InterFormWindow : public QDialog
{
    Q_OBJECT

public:
    static QString title() { return QStringLiteral("Список межформенных контролей"); }
    static QString promptText()
    {
        return QStringLiteral("Установите курсор на нужный контроль и нажмите кнопку < Контроль>");
    }

    InterFormWindow(data::DataContext &data, int year, runtime::Prompter &prompter,
                    std::shared_ptr<shell::ui::Choices> choices, runtime::report::PageSink &sink,
                    QWidget *parent = nullptr);

private:
    void showCurrent();
    void check();

    data::DataContext &m_data;
    int m_year;
    runtime::Prompter &m_prompter;
    std::shared_ptr<shell::ui::Choices> m_choices;
    runtime::report::PageSink &m_sink;
    QList<InterFormEntry> m_entries;
    QTableView *m_list = nullptr;
    QLineEdit *m_formula = nullptr;
    QButtonGroup *m_scope = nullptr;
    qint32 m_institution = 0; // the institution chosen last (scope 1)
};

// InterFormControls from the frame: the formula list of the process state's year, modal to
// `parent`.
void interFormControls(data::DataContext &data, const shell::ui::Services &services,
                       QWidget *parent = nullptr);

} // namespace zemor::entry::ui
