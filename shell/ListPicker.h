#pragma once

// The settings window's choices answered by the two pick lists: the district list of kind 22
// and the institution list of one district. The choosers decide how the lists are shown.
// Borrows everything it is given; each must outlive it.

#include "shell/SettingsPicker.h"

namespace zemor::runtime {
class Prompter;
}
namespace zemor::data {
class DataContext;
}

namespace zemor::shell {

struct AppState;
class ListChooser;
class InstitutionChooser;

class ListPicker : public SettingsPicker
{
public:
    ListPicker(data::DataContext &data, const AppState &state, runtime::Prompter &prompter,
               ListChooser &lists, InstitutionChooser &institutions);

    std::optional<PickedEntry> pickDistrict() override;
    std::optional<PickedEntry> pickInstitution(qint64 district) override;

private:
    data::DataContext &m_data;
    const AppState &m_state;
    runtime::Prompter &m_prompter;
    ListChooser &m_lists;
    InstitutionChooser &m_institutions;
};

} // namespace zemor::shell
