#pragma once

// A report held in memory for checking: its rows with their values, and the tables of its form
// with their column offsets and counts. The caller owns both; the checks only read them.
//
// Stored column c of a table is value c - `offset` of the table's rows; it is valid for the
// table when 1 <= c - offset <= columns, and `columns` never counts beyond the 35 values a row
// holds, whatever the catalogue says.

#include "runtime/decimal/Decimal.h"

#include <QList>

#include <array>

namespace zemor::entry {

inline constexpr int valueCount = 35;

struct ReportRow
{
    int rowId = 0;                                     // STR:UNICOD of the row
    qint64 table = 0;                                  // its table code
    std::array<runtime::Decimal, valueCount> values{}; // value n at [n - 1]

    // Value n (1 .. 35); 0 outside that range.
    runtime::Decimal value(int n) const
    {
        return n >= 1 && n <= valueCount ? values[size_t(n - 1)] : runtime::Decimal();
    }
};

struct TableEntry
{
    qint64 code = 0; // QST:CODTABL
    int offset = 0;  // QST:SM
    int columns = 0; // QST:A

    // The column count in force: at most the 35 values of a row.
    int valueColumns() const
    {
        return columns < 0 ? 0 : (columns > valueCount ? valueCount : columns);
    }
    // The value number of stored column c, 0 when c is not a column of this table.
    int valueIndex(int storedColumn) const
    {
        const int n = storedColumn - offset;
        return n >= 1 && n <= valueColumns() ? n : 0;
    }
};

using ReportRows = QList<ReportRow>;
using FormTables = QList<TableEntry>;

} // namespace zemor::entry
