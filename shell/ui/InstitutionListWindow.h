#pragma once

// The window of the list of institutions, "Список ЛПУ. <year>год.": the number of institutions
// (?KOL), the list (?LIST1) and "Excel" (?EXCEL), which sends the list to a workbook through
// the office conversation. The list comes from shell::InstitutionList; the window only shows
// it. Closing the window ends the procedure.
//
// run() is the procedure as the frame starts it: it builds the list through the caller's data
// context and shows the window modally; when the list cannot be read (the data context has
// reported why) no window opens. The window does not own the conversation or the prompter.

#include "shell/InstitutionList.h"

#include <QDialog>

namespace zemor::data {
class DataContext;
}

namespace zemor::runtime {
class Prompter;
namespace office {
class Conversation;
}
namespace ui {
class ListBinding;
class QueueModel;
} // namespace ui
} // namespace zemor::runtime

namespace zemor::shell::ui {

class InstitutionListWindow : public QDialog
{
    Q_OBJECT

public:
    InstitutionListWindow(QList<InstitutionListEntry> entries, int year,
                          runtime::office::Conversation &office, runtime::Prompter &prompter,
                          QWidget *parent = nullptr);

    static void run(data::DataContext &data, int year, runtime::office::Conversation &office,
                    runtime::Prompter &prompter, QWidget *parent);

    const QList<InstitutionListEntry> &entries() const { return m_entries; }
    runtime::ui::ListBinding *binding() const { return m_binding; }
    // Sends the list to Excel, as the button does; true when the workbook was made.
    bool exportToExcel();

private:
    QList<InstitutionListEntry> m_entries;
    runtime::office::Conversation &m_office;
    runtime::Prompter &m_prompter;
    runtime::ui::QueueModel *m_model = nullptr;
    runtime::ui::ListBinding *m_binding = nullptr;
};

} // namespace zemor::shell::ui
