#pragma once

// Reading stored reports: one report, or every report of a form over a range of periods and a
// set of institutions. Every reader of reports goes through here (report entry, the control
// runs, the summaries, the export), so that each report is read one way.
//
// Contract:
// - A report is the records of one institution and one period in the form's data file of the
//   year (`otchet`, "F" + form in four digits + ".dat"), in row-id order. The district and the
//   period kind of the records are not compared.
// - Each report is read inside one read transaction of its file: it is wholly the version
//   before or wholly the version after any save another window or program commits meanwhile,
//   never a mixture.
// - Values are exact: each value is the stored DECIMAL(17,3), unchanged.
// - Reports come in key order: by period, then institution.
// - The caller's data context owns the file; it is opened for each call and closed after it,
//   so the context's file-name variables are set (OtchetFileName) and nothing else is left
//   behind. A file that cannot be opened is an error (the context's error manager has reported
//   it); a report without records is an empty list, not an error.
// - rowRecords() reads the records of some rows of a form across every period and institution,
//   all in one read transaction, so every report it touches is one state. A data file that does
//   not exist reads as no records and is not created.
// - reports() hands each report to `take` after its read transaction has ended, so `take` may
//   read and write the same file. It stops at the first failure, or when `take` fails (its error is
//   returned), or when the progress asks to stop (Cancelled); the reports already given stay given.

#include "entry/ReportRows.h"
#include "runtime/core/Error.h"

#include <QList>

#include <functional>

namespace zemor::data {
class DataContext;
class OtchetRecord;
} // namespace zemor::data
namespace zemor::runtime {
class Progress;
}

namespace zemor::entry {

// One report as stored, with what its first record says of it.
struct StoredReport
{
    qint32 period = 0;      // OTC:MES
    qint32 institution = 0; // OTC:CODUCH
    int district = 0;       // OTC:CODREG of its first record
    int periodKind = 0;     // OTC:TIP of its first record
    ReportRows rows;        // in row-id order; never empty
};

// Which reports of a form: periods `periodFrom` to `periodTo` (both included) of the year's
// data file of `form`, of the institutions listed (any order, repeats ignored), or of every
// institution when the list is empty.
struct ReportRange
{
    int year = 0;
    qint64 form = 0;
    qint32 periodFrom = 0;
    qint32 periodTo = 0;
    QList<qint32> institutions;
};

// One stored record of a row, as rowRecords() hands it on. Its values are read from the record
// buffer when asked for, so the view is valid only during the call of `take`; row() copies the
// record out.
class RowRecord
{
public:
    explicit RowRecord(const data::OtchetRecord &record);

    qint32 period = 0;      // OTC:MES
    qint32 institution = 0; // OTC:CODUCH
    int district = 0;       // OTC:CODREG
    int rowId = 0;          // OTC:UNICODSTR

    // Value n (1 .. 35), exact; 0 outside that range.
    runtime::Decimal value(int n) const;
    ReportRow row() const;

private:
    const data::OtchetRecord &m_record;
};

class ReportReader
{
public:
    explicit ReportReader(data::DataContext &context) : m_context(context) {}

    // The report of `institution` for `period`.
    [[nodiscard]] runtime::Result<ReportRows> report(int year, qint64 form, qint32 period,
                                                     qint32 institution);

    // Every report of the range that has records, in key order, each handed to `take`.
    // `progress`, when given, counts the periods read.
    [[nodiscard]] runtime::Status
    reports(const ReportRange &range,
            const std::function<runtime::Status(const StoredReport &)> &take,
            runtime::Progress *progress = nullptr);

    // Every record of the rows `rowIds` of the year's data file of `form`, row by row (ascending
    // ids, repeats ignored) and within a row by period (key OTC:KEYCODSTR), each handed to
    // `take` inside the one read transaction; `take` must not use the file. A failure of `take`
    // ends the reading and is returned.
    [[nodiscard]] runtime::Status
    rowRecords(int year, qint64 form, QList<int> rowIds,
               const std::function<runtime::Status(const RowRecord &)> &take);

private:
    data::DataContext &m_context;
};

} // namespace zemor::entry
