#pragma once

// An entry picked from a list: its code and its name as the list holds it.

#include <QString>
#include <QtGlobal>

namespace zemor::shell {

struct PickedEntry
{
    qint64 code = 0;
    QString name;
};

} // namespace zemor::shell
