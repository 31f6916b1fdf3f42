#pragma once

// The value columns of the table being entered and the list format of the entry list built
// from them. Position n (1 to 35) describes value n of the rows, which is stored column
// n + the table's column offset: a column is placed by its own number, never by the order in
// which the catalogue lists it, so a gap in the numbering leaves a blank heading over its value
// and every other heading over its own. A plain value, rebuilt with every table load.

#include "entry/ReportRows.h"

#include <QSet>
#include <QString>

#include <array>

namespace zemor::entry {

struct ColumnDescription
{
    bool present = false;                      // a `grafa` record describes it
    int storedColumn = 0;                      // GRA:COD
    QString name;                              // GRA:NAME
    QString shortName;                         // GRA:NAMEL
    QString picture = QStringLiteral("@n_12"); // GRA:FORMAT, or the default
};

class EntryColumns
{
public:
    void clear(int offset, int columns);
    // Places a catalogue column; false when it lies outside the table.
    bool place(int storedColumn, const QString &name, const QString &shortName,
               const QString &picture);

    int offset() const { return m_offset; }
    int count() const { return m_count; }
    const ColumnDescription &at(int n) const { return m_columns[size_t(n - 1)]; }

    // The list format: the fixed columns (row code, error mark, name, sex mark and codes), then
    // one column per value; `computed` holds the value numbers that a column calculation fills.
    // The text is never cut: a table of 35 columns needs more than a thousand characters.
    QString listFormat(bool hasCodes, const QSet<int> &computed) const;

private:
    int m_offset = 0;
    int m_count = 0;
    std::array<ColumnDescription, valueCount> m_columns{};
};

} // namespace zemor::entry
