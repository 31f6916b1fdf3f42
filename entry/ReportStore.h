#pragma once

// The stored form of one report: the records of one institution and one period in the form's
// data file of the year (`otchet`, "F" + form in four digits + ".dat"). ReportStore replaces the
// report, writes one table of it, writes it as an empty report and deletes it (ReportReader
// reads reports; the imports write through ReportBatch). It holds no state of its own beyond the
// report's identity; the caller's data context owns the file, which is opened for each operation
// and closed after it.
//
// Every write is one transaction (runtime::store::Transaction): the deletes, updates and adds of an
// operation land together or not at all, so a failure half-way leaves the report exactly as it was
// stored, and another window reads the old or the new report, never a mixture. The failure is
// returned with the record or key concerned; a file that cannot be opened has also been reported by
// the context's error manager.
//
// A report stored as empty (its only records hold nothing but zeros) keeps its all-zero record
// when a save would leave it without any record: an empty report never vanishes by being saved
// again without data.

#include "entry/EntryRow.h"
#include "entry/ReportRows.h"
#include "runtime/core/Error.h"

namespace zemor::data {
class DataContext;
}
namespace zemor::runtime {
class Progress;
}

namespace zemor::entry {

// Which report: its file (year and form), its key (period number and institution), and what is
// written into new records besides.
struct ReportIdentity
{
    int year = 0;
    qint64 form = 0;
    qint32 institution = 0; // OTC:CODUCH
    int district = 0;       // OTC:CODREG of new records
    int periodKind = 0;     // OTC:TIP of new records
    qint32 period = 0;      // OTC:MES
};

class ReportStore
{
public:
    ReportStore(data::DataContext &context, const ReportIdentity &identity)
        : m_context(context), m_id(identity)
    {
    }

    // Replaces the whole report by `rows` (each written with its own table) and returns how many
    // records were written. `progress`, when given, is told the number of rows, then after each
    // record written how many are written and that record's row id as its text; when it asks to
    // stop, nothing is written and Cancelled is returned.
    [[nodiscard]] runtime::Result<int> replace(const ReportRows &rows,
                                               runtime::Progress *progress = nullptr);
    // Writes the rows of one table: a row with some value not 0 is added or has its values
    // replaced (its stored district, table and period kind stay); the stored record of a row
    // whose values are all 0 is deleted.
    [[nodiscard]] runtime::Status saveTable(qint64 table, const QList<EntryRow> &rows);
    // Replaces the report by one record of `rowId` in `table` with all values 0.
    [[nodiscard]] runtime::Status saveEmpty(qint64 table, int rowId);
    // The records replace() would write for `rows`, in their order (for a writer of its own).
    [[nodiscard]] runtime::Result<QList<QByteArray>> records(const ReportRows &rows) const;
    // Whether the report has any stored record.
    [[nodiscard]] runtime::Result<bool> exists();
    // Deletes every record of the report; returns how many there were.
    [[nodiscard]] runtime::Result<int> remove();

    const ReportIdentity &identity() const { return m_id; }

private:
    data::DataContext &m_context;
    ReportIdentity m_id;
};

} // namespace zemor::entry
