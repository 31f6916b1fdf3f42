#pragma once

// One row of the table being entered (a `QT` entry): its printed code, its position in the
// table, its 35 values and its error mark. The on-line row check and the table calculations work
// on these; report entry owns them.

#include "entry/ReportRows.h"

#include <QString>

namespace zemor::entry {

struct EntryRow
{
    int rowId = 0;                                     // QT:UNICOD
    QString code;                                      // QT:CODSTR
    int number = 0;                                    // QT:NUMBER, STR:NUMBER of the row
    std::array<runtime::Decimal, valueCount> values{}; // value n at [n - 1]
    QString error; // QT:ERROR: "?" after a failed check, blank otherwise

    runtime::Decimal value(int n) const
    {
        return n >= 1 && n <= valueCount ? values[size_t(n - 1)] : runtime::Decimal();
    }
};

} // namespace zemor::entry
