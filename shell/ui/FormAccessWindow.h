#pragma once

// The forms on/off list "Полный список форм": the year, the forms with their code, their flag
// (0 available, 1 not available, in red) and their name, and "Сохранить". A double click on a
// form switches its flag in the list; "Сохранить" writes the flags and leaves the window open.
// Closing the window drops what was not saved. When the flags could not be written the user is
// told so, and the window stays open for another try.
//
// The window shows a shell::FormAccess that the caller has loaded and owns.

#include <QDialog>

namespace zemor::runtime {
class Prompter;
namespace ui {
class ListBinding;
class QueueModel;
} // namespace ui
} // namespace zemor::runtime

namespace zemor::data {
class DataContext;
}

namespace zemor::shell {
class FormAccess;
}

namespace zemor::shell::ui {

class FormAccessWindow : public QDialog
{
    Q_OBJECT

public:
    static QString title() { return QStringLiteral("Полный список форм"); }
    static QString listFormat()
    {
        return QStringLiteral("21L|_FM~Код~L(1)@n_5@21L(7)|_FM~Доступ~L(0)@n1@E(0FFH,,,)"
                              "60L(1)|_FM~наименование~C(2)@s200@");
    }
    static QString notSavedText() { return QStringLiteral("Изменения не сохранены."); }

    FormAccessWindow(FormAccess &forms, runtime::Prompter &prompter, QWidget *parent = nullptr);

    runtime::ui::ListBinding *binding() const { return m_binding; }

protected:
    // Enter on the list does nothing: only a double click switches a form.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void toggle(int row);
    void save();

    FormAccess &m_forms;
    runtime::Prompter &m_prompter;
    runtime::ui::QueueModel *m_model = nullptr;
    runtime::ui::ListBinding *m_binding = nullptr;
};

// FormAccessList: the list of the year `year`'s forms, modal to `parent`.
void formAccessList(data::DataContext &data, runtime::Prompter &prompter, int year,
                    QWidget *parent = nullptr);

} // namespace zemor::shell::ui
