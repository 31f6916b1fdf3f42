#pragma once

// The choices answered by the shell's windows: the form and district pick lists, the period
// window, the institution pick list and the help window.
//
// Borrows the data context (the one of the window that asks), the process state and the
// prompter; each must outlive it. A pick list that could not be read has been reported by the
// context's error manager and answers "nothing chosen".

#include "shell/ui/Choices.h"

namespace zemor::data {
class DataContext;
}
namespace zemor::runtime {
class Prompter;
}
namespace zemor::shell {
struct AppState;
}

namespace zemor::shell::ui {

class PickListChoices : public Choices
{
public:
    PickListChoices(data::DataContext &data, const AppState &state, runtime::Prompter &prompter)
        : m_data(data), m_state(state), m_prompter(prompter)
    {
    }

    // Reads the catalogue of `year` whatever catalogue the context named before.
    std::optional<FormChoice> chooseForm(int year, QWidget *parent) override;
    PeriodChoice choosePeriod(int periodKind, QWidget *parent) override;
    std::optional<PickedEntry> chooseDistrict(int listKind, QWidget *parent) override;
    InstitutionChoice chooseInstitution(const InstitutionQuestion &question,
                                        QWidget *parent) override;
    void showHelp(int section, QWidget *parent) override;

private:
    data::DataContext &m_data;
    const AppState &m_state;
    runtime::Prompter &m_prompter;
};

} // namespace zemor::shell::ui
