#pragma once

// The help window "Справка": the section titles of the working directory's "help.TXT" on the
// left (?LIST1), the chosen section's picture beside them (?IMAGE1), and the group
// "Контактные телефоны" with the installation's support contacts. A click on a title shows its
// picture; a click below the titles gives "Раздел не выбран".
//
// The window opens on the first section's picture, or with preselection on the picture of the
// given section (when the index has it); the list's current line is not moved there. A missing
// index shows an empty list, a missing or damaged picture shows none: neither stops the window.
// The index is read when the window is made (shell::HelpIndex); pictures are read when shown,
// through runtime::image::ImageLoader.

#include "runtime/ui/WidgetPrompter.h"
#include "shell/HelpIndex.h"

#include <QDialog>

class QLabel;
class QListWidget;

namespace zemor::runtime {
class Prompter;
}

namespace zemor::shell::ui {

class HelpWindow : public QDialog
{
    Q_OBJECT

public:
    static QString title() { return QStringLiteral("Справка"); }
    static QString noSectionText() { return QStringLiteral("Раздел не выбран"); }

    // `section` counts from 1; with `preselect` false the first section's picture is shown.
    HelpWindow(runtime::Prompter &prompter, int section, bool preselect, QWidget *parent = nullptr);

    const QList<HelpSection> &sections() const { return m_sections; }
    // The section whose picture is shown, from 0; -1 when none is.
    int shownSection() const { return m_shown; }
    // The picture file shown, empty when none is.
    QString shownPicture() const { return m_picture; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showSection(int index);

    runtime::ui::WindowPrompter m_prompter; // the boxes this window asks
    QList<HelpSection> m_sections;
    QListWidget *m_list = nullptr;
    QLabel *m_image = nullptr;
    int m_shown = -1;
    QString m_picture;
};

// ShowHelp: the help window, modal to `parent`; returns when it is closed. `noPreselection`
// is the flag byte 1 of the callers (the frame's help button).
void showHelp(runtime::Prompter &prompter, int section, bool noPreselection,
              QWidget *parent = nullptr);

} // namespace zemor::shell::ui
