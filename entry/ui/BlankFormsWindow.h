#pragma once

// "Печать бланков": the blanks of "doc\blanki.txt" in the list "Список"; Enter or a double
// click on a line opens a fresh copy of that blank in the word processor or the spreadsheet
// program (entry::BlankForms). The window stays open for further choices until it is closed.

#include "entry/BlankForms.h"
#include "shell/ui/Services.h"

#include <QDialog>

namespace zemor::runtime::ui {
class ListBinding;
}

namespace zemor::entry::ui {

class BlankFormsWindow : public QDialog
{
    Q_OBJECT

public:
    BlankFormsWindow(runtime::office::Conversation &office, runtime::Prompter &prompter,
                     QWidget *parent = nullptr);

    const QList<BlankEntry> &entries() const { return m_entries; }

private:
    void open(int row);

    BlankForms m_blanks;
    runtime::Prompter &m_prompter;
    QList<BlankEntry> m_entries;
};

// BlankForms from the frame, modal to `parent`.
void blankForms(const shell::ui::Services &services, QWidget *parent = nullptr);

} // namespace zemor::entry::ui
