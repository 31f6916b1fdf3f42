#pragma once

// The installation's settings record `USER1` as the program reads and applies it, and what the
// program does with it at start: the settings copied into the process-wide state, the year
// bounds found from the year directories of the working directory, the program-name record
// read for the frame, and the reminder when the installation has no own code yet. The window
// that edits the record is driven by SettingsEditor.
//
// Everything here works on the caller's data context and process state and shows its messages
// through the caller's prompter. A file that cannot be opened or read is reported by the
// context's error manager and returned: a failure is never taken for an empty file.

#include "runtime/core/Error.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace zemor::runtime {
class Prompter;
}
namespace zemor::data {
class DataContext;
}

namespace zemor::shell {

struct AppState;

class UserSettings
{
public:
    // The defaults of a blank work folder and a blank office folder.
    static QString defaultTemp() { return QStringLiteral("\\TEMP1\\"); }
    static QString defaultOffice()
    {
        return QStringLiteral("C:\\Program Files\\Microsoft Office\\OFFICE11\\");
    }
    static QString noYearDirectoryText()
    {
        return QStringLiteral("Отсутствует директория для ввода данных и форматами таблиц");
    }
    static QString noOwnCodeText()
    {
        return QStringLiteral(
            "Зайдите в меню \"Сервис\" \"Настройки пользователя\" укажите свое ЛПУ");
    }

    // Reads record 1 of `USER1` (opened and closed through its relation manager): the record,
    // or nullopt when the file holds none.
    [[nodiscard]] static runtime::Result<std::optional<QByteArray>>
    readRecord(data::DataContext &data);

    // The blank work and office folders of `record` get their defaults (a record of another
    // size is cleared first).
    static void fillDefaultFolders(QByteArray &record);

    // ApplyUserSettings: fillDefaultFolders (in `record` only), then the installation settings
    // are copied into `state`.
    static void apply(QByteArray &record, AppState &state);

    // The year bounds of `workDir` put into `state`; false when there is no year directory
    // (the bounds are then 0).
    [[nodiscard]] static runtime::Result<bool> scanYears(const QString &workDir, AppState &state);

    struct StartUp
    {
        QByteArray user1;    // the settings record as applied (blank when none could be read)
        QByteArray nameProg; // the first program-name record, blank when there is none
    };
    // The start-up run without a window, in the order the frame relies on. Failures of single
    // files are reported and passed over: the frame opens in any case.
    static StartUp startUp(data::DataContext &data, AppState &state, runtime::Prompter &prompter,
                           const QString &workDir);

    // Reads the first record of `NameProg` in file order; nullopt when the file holds none.
    [[nodiscard]] static runtime::Result<std::optional<QByteArray>>
    readNameProg(data::DataContext &data);
};

// USE:S1 and USE:S2 of the settings record, the user's own folders of the path choices (blank
// when there is no record or it cannot be read).
std::pair<QString, QString> userFolders(data::DataContext &data);
// The user's own folders of a path choice list: each of `s1` and `s2` when not blank.
QStringList userPaths(const QString &s1, const QString &s2);

} // namespace zemor::shell
