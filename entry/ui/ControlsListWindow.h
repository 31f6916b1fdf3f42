#pragma once

// "Список  контролей": the control rules of one form of a year as readable conditions on three
// tabs ("По графам", "По строкам", "Межтабличный"), "Форма" to take another form, and "Печать"
// with its options "Параметры печати", which sends the ticked lists to the page sink. The window
// runs on a data context of its own, which its caller keeps alive while the window lives; the
// lists are entry::ControlsList's.

#include "entry/ControlsList.h"
#include "shell/ui/Services.h"

#include <QDialog>

#include <memory>

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

class ControlsListWindow : public QDialog
{
    Q_OBJECT

public:
    ControlsListWindow(data::DataContext &data, int year, runtime::Prompter &prompter,
                       std::shared_ptr<shell::ui::Choices> choices,
                       std::shared_ptr<runtime::report::PageSink> sink, QWidget *parent = nullptr);

    // Asks for a form (`?FORM`) and shows its lists; false when none was chosen.
    bool chooseForm();
    // `?PRN`: the print options, then the ticked lists to the sink.
    void print();

    const ControlLists &lists() const { return m_lists; }

private:
    void showLists(const ControlLists &lists);

    data::DataContext &m_data;
    int m_year;
    runtime::Prompter &m_prompter;
    std::shared_ptr<shell::ui::Choices> m_choices;
    std::shared_ptr<runtime::report::PageSink> m_sink;
    ControlLists m_lists;
    QString m_formName;
    QLineEdit *m_name = nullptr;
    QLineEdit *m_code = nullptr;
    runtime::ui::QueueModel *m_columns = nullptr;
    runtime::ui::QueueModel *m_rows = nullptr;
    runtime::ui::QueueModel *m_tables = nullptr;
};

// ControlsList from the frame: a form of the process state's year asked for first; no form:
// nullptr. Otherwise the window, modeless and deleted when closed.
QWidget *controlsList(data::DataContext &data, const shell::ui::Services &services,
                      QWidget *parent = nullptr);

} // namespace zemor::entry::ui
