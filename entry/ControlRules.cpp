#include "entry/ControlRules.h"

namespace zemor::entry {

bool isEveryRowCode(const QString &rowCode)
{
    const QString code = rowCode.trimmed();
    if (code.isEmpty())
        return true;
    bool ok = false;
    const double value = code.toDouble(&ok);
    return ok && value == 0.0;
}

} // namespace zemor::entry
