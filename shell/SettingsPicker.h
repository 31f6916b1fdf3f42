#pragma once

// The two choices behind "Выбор ЛПУ" of the settings window: a district from the district list
// headed by the whole region, then an institution of that district. The program answers them
// with the pick list windows (ListPicker); tests answer them directly.

#include <QString>

#include <optional>

namespace zemor::shell {

struct PickedEntry
{
    qint64 code = 0;
    QString name; // without trailing blanks
};

class SettingsPicker
{
public:
    virtual ~SettingsPicker() = default;
    // nullopt when the user made no choice.
    virtual std::optional<PickedEntry> pickDistrict() = 0;
    virtual std::optional<PickedEntry> pickInstitution(qint64 district) = 0;
};

} // namespace zemor::shell
