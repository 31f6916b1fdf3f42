#pragma once

// What the exchange windows share: the directory chooser behind "?VIBOR_DIR" and the path row it
// serves, the collaborators of a run, the user's own folders and a list (a QTableView over a
// QueueModel through a ListBinding) made in one call.

#include "exchange/ImportReports.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/QueueModel.h"
#include "shell/UserSettings.h"
#include "shell/ui/Services.h"

#include <QString>
#include <QStringList>

#include <memory>

class QButtonGroup;
class QBoxLayout;
class QComboBox;
class QPushButton;
class QVBoxLayout;
class QWidget;

namespace zemor::data {
class DataContext;
}

namespace zemor::exchange::ui {

// Asks for a folder. The program's chooser opens the folder dialog; tests hand in their own.
class DirectoryChooser
{
public:
    virtual ~DirectoryChooser() = default;
    // The folder chosen, or an empty text when the user chose none.
    virtual QString choose(QWidget *parent) = 0;

    static QString title() { return QStringLiteral("Выбор директории "); }
    static QString noneChosenText() { return QStringLiteral("Путь не выбран"); }
};

// The folder dialog; the process's current directory is the same after it as before.
class DialogDirectoryChooser : public DirectoryChooser
{
public:
    QString choose(QWidget *parent) override;
};

// The services of every window, a control run's results printed to their pages (none: not
// printed), and the exchange's own: the folder chooser and what shows a control run's results
// before the question whether to go on (null: the run's result window, runResults()).
struct ExchangeServices : shell::ui::Services
{
    DirectoryChooser &chooser;
    entry::RunResultsViewer *runViewer = nullptr;
};

// The viewer of the control runs' results for windows of `services` modal to `parent`: the
// services' own, or `own` made to show the run's result window.
entry::RunResultsViewer &runResults(const ExchangeServices &services,
                                    std::unique_ptr<entry::RunResultsViewer> &own, QWidget *parent);

// "?VIBOR_DIR": the chosen folder with "\" at its end, or an empty text after "Путь не выбран".
QString chooseFolder(const ExchangeServices &services, QWidget *parent);

// USE:S1 and USE:S2 of the user's settings (blank when there are none).
using shell::userFolders;

// A path with "\" at its end.
QString withSeparator(const QString &path);

struct ExchangeList
{
    QTableView *view = nullptr;
    runtime::ui::QueueModel *model = nullptr;
    runtime::ui::ListBinding *binding = nullptr;
};

// A list named `equate` of `fields` values a line laid out by `format`.
ExchangeList makeList(QWidget *window, const QString &equate, int fields, const QString &format);

// "Год" and the year shown under `equate`, in a row of its own.
void addYearRow(QWidget *window, QBoxLayout *layout, const QString &equate, int year);

// "ПУТЬ :" and the editable drop list `equate` of `choices` showing `text`, with "?VIBOR_DIR"
// beside it putting the folder chosen (see chooseFolder) into the list's text; in a row of its
// own. The list is the window's.
QComboBox *addPathRow(QWidget *window, QBoxLayout *layout, const ExchangeServices &services,
                      const QString &equate, const QStringList &choices, const QString &text);

// The loads' lists and controls: the result list (period, form, its name, institution, its
// name, rows or why none), the institution list "?LIST3" with its count "?KOL_QU" under it, and
// the option "?OPTION1" "Загрузить" ("все ЛПУ" 2, `oneText` 1).
ExchangeList makeResultList(QWidget *window, const QString &equate);
// A period as the entry and result lists show it: a daily report's as its date.
QVariant periodValue(int kind, qint32 period);
void showResults(const ExchangeList &list, const QList<ImportLine> &lines, bool append = false);
ExchangeList addInstitutionList(QWidget *window, QVBoxLayout *column,
                                const QList<ImportInstitution> &institutions);
QButtonGroup *addLoadOption(QWidget *window, QVBoxLayout *column, const QString &oneText,
                            int value);
// The line of `list` that is highlighted (current and selected, by a click or the keys); -1
// when none is.
int highlightedRow(const ExchangeList &list);
// What a load met and how it ended: its messages, then "ГОТОВО" or what a stopped load wrote.
void tellOutcome(runtime::Prompter &prompter, const ImportOutcome &outcome);

} // namespace zemor::exchange::ui
