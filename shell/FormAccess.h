#pragma once

// The forms on/off list of one reporting year: every form of the year's `forma` with its code,
// its flag `FOR:VKL` (0 available, 1 switched off, so the form pick list leaves it out) and the
// first 100 characters of its name. The list is read once, when it is loaded; toggles change
// only the list, and save() writes every flag of the list back into the forms of the year it
// was read from, whatever year the frame shows by then.
//
// Loading opens `forma` through its relation manager in the given data context (a missing
// file of an existing year directory is created empty, so the list is empty). A file that
// cannot be opened or read fails the load with an empty list; the context's error manager has
// shown the failure.
//
// Saving opens the file directly, for reading and writing with others denied writing, and
// never creates it. All flags go in one transaction: a file that cannot be opened that way
// (another window or program has it open for writing) or an update that fails leaves every
// stored flag as it was and returns the error, so the caller can tell the user and let the
// save be repeated. A form that is no longer in the file is skipped silently.

#include "runtime/core/Error.h"

#include <QList>
#include <QString>
#include <QtGlobal>

namespace zemor::data {
class DataContext;
}

namespace zemor::shell {

struct FormAccessEntry
{
    qint32 unicod = 0; // QS:UNICOD
    quint8 vkl = 0;    // QS:VKL
    QString name;      // QS:NAME, STRING(100)
};

class FormAccess
{
public:
    explicit FormAccess(data::DataContext &data) : m_data(data) {}

    // FormaFileName for a year: the working directory, "\", the year, "\Forma".
    static QString formaFileName(int year);

    [[nodiscard]] runtime::Status load(int year);
    int year() const { return m_year; }
    const QList<FormAccessEntry> &entries() const { return m_entries; }

    // Switches a form on when it is off and off when it is on (in the list only).
    void toggle(int row);

    // Writes the flags of the list; the number of forms updated.
    [[nodiscard]] runtime::Result<int> save() const;

private:
    data::DataContext &m_data;
    int m_year = 0;
    QString m_formaName; // the name the list was read under
    QList<FormAccessEntry> m_entries;
};

} // namespace zemor::shell
