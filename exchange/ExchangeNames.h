#pragma once

// Names the exchange windows show beside codes: districts from `region1` (read once, on the
// first question), institutions from `boln`, forms from the year's `forma`. A code that is not
// found has no name (an empty optional); a file that cannot be read is an error.

#include "data/ReferenceNames.h"
#include "runtime/core/Error.h"
#include "shell/UserSettings.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace zemor::data {
class DataContext;
}

namespace zemor::exchange {

struct InstitutionName
{
    QString name;     // BOL:NAZV
    int district = 0; // BOL:CODREG
};

// The user's own folders of the path choices (USE:S1, USE:S2), each when not blank.
using shell::userPaths;

class ExchangeNames
{
public:
    explicit ExchangeNames(data::DataContext &context) : m_context(context) {}

    [[nodiscard]] runtime::Result<std::optional<QString>> district(int code);
    [[nodiscard]] runtime::Result<std::optional<InstitutionName>> institution(qint32 code);
    // Every form of the year's catalogue by code: its name.
    [[nodiscard]] runtime::Result<QHash<qint64, QString>> forms(int year);

private:
    data::DataContext &m_context;
    std::optional<data::ReferenceNames> m_districts;
};

} // namespace zemor::exchange
