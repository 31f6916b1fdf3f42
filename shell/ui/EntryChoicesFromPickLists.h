#pragma once

// Report entry's choices answered by the shell's windows: the form pick list (forms with their
// periodicity), the period window, the district pick lists and the institution pick list, and
// the help window. The settings are the process state's; the year report entry settles on is
// written back into it.
//
// Borrows the data context (the one of the entry window that asks), the process state and the
// prompter; each must outlive it. A pick list that could not be read has been reported by the
// context's error manager and answers "nothing chosen".

#include "entry/ui/EntryChoicesProvider.h"

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

class EntryChoicesFromPickLists : public entry::ui::EntryChoicesProvider
{
public:
    EntryChoicesFromPickLists(data::DataContext &data, AppState &state, runtime::Prompter &prompter)
        : m_data(data), m_state(state), m_prompter(prompter)
    {
    }

    entry::ui::EntrySettings settings() const override;
    void setYear(int year) override;
    entry::ui::FormChoice chooseForm(int year, QWidget *parent) override;
    qint32 choosePeriod(int periodKind, QString &kindWord, QWidget *parent) override;
    entry::ui::DistrictChoice chooseDistrict(int year, int listKind, QWidget *parent) override;
    qint32 chooseInstitution(qint64 district, qint64 form, QString &title, qint32 current,
                             QWidget *parent) override;
    void showHelp(int section, QWidget *parent) override;

private:
    data::DataContext &m_data;
    AppState &m_state;
    runtime::Prompter &m_prompter;
};

} // namespace zemor::shell::ui
