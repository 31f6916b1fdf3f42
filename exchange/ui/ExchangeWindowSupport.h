#pragma once

// What the exchange windows share: the directory chooser behind "?VIBOR_DIR", the collaborators
// of a run, the user's own folders and a list (a QTableView over a QueueModel through a
// ListBinding) made in one call.

#include "runtime/ui/ListBinding.h"
#include "runtime/ui/QueueModel.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace zemor::data {
class DataContext;
}
namespace zemor::runtime {
class Prompter;
}
namespace zemor::shell {
struct AppState;
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

struct ExchangeServices
{
    shell::AppState &state;
    runtime::Prompter &prompter;
    DirectoryChooser &chooser;
};

// "?VIBOR_DIR": the chosen folder with "\" at its end, or an empty text after "Путь не выбран".
QString chooseFolder(const ExchangeServices &services, QWidget *parent);

// USE:S1 and USE:S2 of the user's settings (blank when there are none).
std::pair<QString, QString> userFolders(data::DataContext &context);

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

} // namespace zemor::exchange::ui
