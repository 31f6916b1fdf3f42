#pragma once

// The settings window's logic: the `USER1` record being edited, the rules that tie the user
// type, the district, the own code and the name together, and the save. The window
// (ui/UserSettingsWindow) shows the record and hands every change here.
//
// load() reads the record; a file without one gives a new record (type "ЛПУ"). Blank work and
// office folders get their defaults, as the program applies them at start. A file that cannot
// be opened or read is reported by the context's error manager and load() fails: the window
// then does not open, so that no second settings record can be added beside one that could
// not be read.
//
// save() checks the folders, writes the record in one transaction (record 1 updated in place,
// or added when the file holds none) and, only after the write succeeded, says "Записано" and
// applies the settings to the process state. A refused or failed save keeps the window open
// and leaves the process state as it was.

#include "data/records/User1Record.h"
#include "runtime/core/Error.h"
#include "shell/Picked.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

#include <functional>
#include <optional>

namespace zemor::runtime {
class Prompter;
}
namespace zemor::data {
class DataContext;
}

namespace zemor::shell {

struct AppState;

class SettingsEditor
{
public:
    static constexpr int nameLength = 70;

    static QString windowTitle()
    {
        return QStringLiteral("Реквизиты для выгрузки загрузки файлов");
    }
    static QString savedText() { return QStringLiteral("Записано"); }
    static QString pathRefusedText() { return QStringLiteral("Проверте путь-последний знак \\"); }

    SettingsEditor(data::DataContext &data, AppState &state, runtime::Prompter &prompter);

    [[nodiscard]] runtime::Status load();
    bool isNew() const { return m_isNew; }

    QByteArray &record() { return m_record; }
    const QByteArray &record() const { return m_record; }
    data::User1Record user();

    int userType() const;
    // "Выбор ЛПУ" is offered to district and institution installations.
    bool institutionChoiceOffered() const { return userType() != 0; }

    // The type chosen in the window. A type other than the one last seen clears the district,
    // the own code and the name.
    void changeUserType(int type);

    // "Выбор ЛПУ" with the district picked from the list headed by the whole region (nullopt:
    // none). An institution installation then picks an institution of that district through
    // `pickInstitution` (nullopt: none). The district, the own code and the name change only
    // when every pick the type needs was made; true when they changed. Names without trailing
    // blanks.
    using InstitutionPick = std::function<std::optional<PickedEntry>(qint64 district)>;
    bool chooseInstitution(const std::optional<PickedEntry> &district,
                           const InstitutionPick &pickInstitution);

    enum class SaveOutcome { Saved, Refused, Failed };
    SaveOutcome save();

    // Whether a folder as typed ends in a separator; a blank one passes when `blankAllowed`.
    static bool folderEndsWithSeparator(const QString &folder, bool blankAllowed);

private:
    runtime::Status write();

    data::DataContext &m_data;
    AppState &m_state;
    runtime::Prompter &m_prompter;
    QByteArray m_record;
    bool m_isNew = false;
    int m_seenType = 0;
};

} // namespace zemor::shell
