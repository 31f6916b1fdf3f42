#pragma once

// The application frame: the menu bar from which every procedure is reached, the toolbar with
// the reporting year, its bounds, the version text and the installation's mail address, the
// shortcut buttons, and the background picture. Closing it ends the program.
//
// The frame borrows the process state, its data context, the prompter and the INI file from
// main(); it owns the data contexts of the procedures it starts on windows of their own.
// initialize() runs the start-up of the settings and restores the frame's placement; the
// placement is stored again when the frame closes. Before the frame closes, every procedure
// window still open is asked to close through its own way out; one that stays open keeps the
// frame open too.

#include "shell/ui/Procedures.h"

#include <QByteArray>
#include <QList>
#include <QMainWindow>
#include <QPointer>

class QAction;
class QSpinBox;
class QToolButton;

namespace zemor::runtime {
class Prompter;
namespace ini {
class IniFile;
}
} // namespace zemor::runtime

namespace zemor::shell {
struct AppState;
}

namespace zemor::shell::ui {

class MainFrame : public QMainWindow
{
    Q_OBJECT

public:
    static QString defaultTitle()
    {
        return QStringLiteral("Мониторинг системы здравоохранения Таргинской области");
    }
    static QString placementLabel() { return QStringLiteral("Main"); }
    static QString backgroundFile() { return QStringLiteral("karta.bmp"); }

    MainFrame(AppState &state, data::DataContext &data, runtime::Prompter &prompter,
              runtime::ini::IniFile &ini, Procedures procedures = {}, QWidget *parent = nullptr);
    ~MainFrame() override;

    // The frame's start: the settings start-up, the year clamped to the bounds, the program
    // name record for the title and the mail field, the placement restored.
    void initialize(int todayYear);

    // Starts a registered procedure the way its item does; the window it opened when it runs on
    // a window of its own.
    QWidget *startProcedure(const QString &name, bool ownWindow);
    // The procedure windows still open.
    QList<QWidget *> procedureWindows() const;

    // The menu items and toolbar buttons, by their texts, for the window's tests.
    QAction *menuAction(const QString &text) const;

    // Opens the settings window from the menu.
    void openUserSettings();
    void choosePrinter();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void buildToolBar();
    void showBackground();
    QAction *addItem(QWidget *menu, const QString &text, const QString &procedure, bool ownWindow);
    void finish();

    AppState &m_state;
    data::DataContext &m_data;
    runtime::Prompter &m_prompter;
    runtime::ini::IniFile &m_ini;
    Procedures m_procedures;
    QByteArray m_nameProg;
    bool m_filesOpened = false;
    bool m_initialized = false;
    bool m_finished = false;
    QSpinBox *m_year = nullptr;
    QList<QAction *> m_actions;
    QList<QPointer<QWidget>> m_windows;
};

} // namespace zemor::shell::ui
