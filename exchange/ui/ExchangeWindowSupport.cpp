#include "exchange/ui/ExchangeWindowSupport.h"

#include "data/records/User1Record.h"
#include "runtime/core/Prompter.h"
#include "runtime/ui/Controls.h"
#include "shell/UserSettings.h"

#include <QDir>
#include <QFileDialog>
#include <QHeaderView>

namespace zemor::exchange::ui {

QString DialogDirectoryChooser::choose(QWidget *parent)
{
    const QString saved = QDir::currentPath();
    const QString chosen = QFileDialog::getExistingDirectory(parent, title());
    QDir::setCurrent(saved);
    return chosen;
}

QString chooseFolder(const ExchangeServices &services, QWidget *parent)
{
    const QString chosen = services.chooser.choose(parent);
    if (chosen.isEmpty()) {
        services.prompter.message(DirectoryChooser::noneChosenText());
        return {};
    }
    return withSeparator(chosen);
}

std::pair<QString, QString> userFolders(data::DataContext &context)
{
    const auto read = shell::UserSettings::readRecord(context);
    if (!read || !read->has_value())
        return {};
    QByteArray bytes = **read;
    const data::User1Record user(bytes);
    return {user.s1(), user.s2()};
}

QString withSeparator(const QString &path)
{
    if (path.endsWith(QLatin1Char('\\')) || path.endsWith(QLatin1Char('/')))
        return path;
    return path + QLatin1Char('\\');
}

ExchangeList makeList(QWidget *window, const QString &equate, int fields, const QString &format)
{
    ExchangeList list;
    list.view = runtime::ui::createControl<QTableView>(window, equate);
    list.model = new runtime::ui::QueueModel(fields, window);
    const auto parsed = runtime::ui::ListFormat::parse(format);
    Q_ASSERT(parsed);
    list.binding = new runtime::ui::ListBinding(list.view, list.model,
                                                parsed.value_or(runtime::ui::ListFormat()));
    list.view->horizontalHeader()->setStretchLastSection(true);
    return list;
}

} // namespace zemor::exchange::ui
