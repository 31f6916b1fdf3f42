#pragma once

// The settings window "Реквизиты для выгрузки загрузки файлов": the user type, the own
// institution with its "Выбор ЛПУ" button, the own code and name and the two exchange folders.
// A thin view over shell::SettingsEditor, which holds the record and every rule; the picks of
// "Выбор ЛПУ" are asked of the Choices given. "Сохранить" leaves the window only after the
// record was stored; "Закрыть" leaves it without saving.

#include <QDialog>

class QButtonGroup;
class QLineEdit;
class QPushButton;

namespace zemor::shell {
class SettingsEditor;
} // namespace zemor::shell

namespace zemor::shell::ui {

class Choices;

class UserSettingsWindow : public QDialog
{
    Q_OBJECT

public:
    UserSettingsWindow(SettingsEditor &editor, Choices &choices, QWidget *parent = nullptr);

    // The settings window run from the menu: read, shown, saved. Returns at once when the record
    // cannot be read (the failure has been shown).
    static void run(SettingsEditor &editor, Choices &choices, QWidget *parent);

private:
    void showRecord();
    void takeFields();
    void typeChosen(int type);
    void chooseInstitution();
    void saveClicked();

    SettingsEditor &m_editor;
    Choices &m_choices;
    QButtonGroup *m_types = nullptr;
    QPushButton *m_choose = nullptr;
    QLineEdit *m_code = nullptr;
    QLineEdit *m_name = nullptr;
    QLineEdit *m_s1 = nullptr;
    QLineEdit *m_s2 = nullptr;
};

} // namespace zemor::shell::ui
