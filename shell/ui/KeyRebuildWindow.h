#pragma once

// The key rebuilding window "Восстановление ключей": a form code with its button, which
// rebuilds that form's report data file of the year, and three groups to tick ("Все формы",
// "Справочники форм, контролей", "Справочники ЛПУ, показатели") with the start button; the
// counter of rebuilt files and the form being processed follow the run, and a progress window
// with "Отмена" shows it file by file. The window stays open after each run. The work and its
// messages are shell::KeyRebuild's.

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace zemor::runtime {
class Prompter;
}

namespace zemor::data {
class DataContext;
}

namespace zemor::shell::ui {

class KeyRebuildWindow : public QDialog
{
    Q_OBJECT

public:
    static QString title() { return QStringLiteral("Восстановление ключей"); }

    KeyRebuildWindow(data::DataContext &data, runtime::Prompter &prompter, int year,
                     QWidget *parent = nullptr);

private:
    void rebuildForm();
    void rebuildGroups();

    data::DataContext &m_data;
    runtime::Prompter &m_prompter;
    int m_year;
    QLineEdit *m_form = nullptr;
    QLineEdit *m_counter = nullptr;
    QLineEdit *m_current = nullptr;
    QCheckBox *m_allForms = nullptr;
    QCheckBox *m_catalogues = nullptr;
    QCheckBox *m_reference = nullptr;
};

// RebuildKeys: the window for the year `year`, modal to `parent`.
void rebuildKeys(data::DataContext &data, runtime::Prompter &prompter, int year,
                 QWidget *parent = nullptr);

} // namespace zemor::shell::ui
