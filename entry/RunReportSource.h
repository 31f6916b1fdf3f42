#pragma once

// Where a control run takes the reports it checks: for one form of a reporting year, the report
// of one institution, of one district or of the whole region, its stored rows over a range of
// periods added up row by row. The year's data files are one source (DataFileReportSource); the
// exchange files will be another, chosen by the form entry's file name.
//
// A report is the sum of every stored record of the target whose period lies in the range:
// records with the same row id are added value by value, exactly, into one row (its table from
// the first record). A district's report takes every record stored under the district, the
// pseudo-institution totals included; the region's takes every record of the file. No record at
// all gives an empty report, not an error; a file that cannot be read is an error, which the
// caller's data context has reported. A cancelled progress stops the read with Cancelled.

#include "entry/ReportRows.h"
#include "runtime/core/Error.h"

#include <QString>

namespace zemor::data {
class DataContext;
}
namespace zemor::runtime {
class Progress;
}

namespace zemor::entry {

// One form of a run (`QF`): its code and name, the period a called run checks it for, the
// exchange file to read (blank: the year's data file), and how the run's notes name the period
// (blank: by its number; a daily report by its date).
struct RunForm
{
    qint64 code = 0;     // QF:COD
    QString name;        // QF:NAME
    qint32 period = 0;   // QF:MES
    QString path;        // QF:PATH
    QString periodLabel; // blank: the number
};

// Whose report: one institution, one district as a whole, or the whole region.
struct RunTarget
{
    enum class Kind { Institution, District, Region };
    Kind kind = Kind::Institution;
    qint32 code = 0; // the institution or the district; 0 for the region
};

struct SummedReport
{
    ReportRows rows;    // by row id
    qint64 records = 0; // the stored records added
};

class RunReportSource
{
public:
    virtual ~RunReportSource() = default;
    [[nodiscard]] virtual runtime::Result<SummedReport> report(int year, const RunForm &form,
                                                               const RunTarget &target,
                                                               qint32 periodFrom, qint32 periodTo,
                                                               runtime::Progress *progress) = 0;
};

// The year's data file of each form ("F" + form in four digits + ".dat"), read through
// ReportReader: every stored report in one read transaction of its own.
class DataFileReportSource : public RunReportSource
{
public:
    explicit DataFileReportSource(data::DataContext &context) : m_context(context) {}

    [[nodiscard]] runtime::Result<SummedReport> report(int year, const RunForm &form,
                                                       const RunTarget &target, qint32 periodFrom,
                                                       qint32 periodTo,
                                                       runtime::Progress *progress) override;

private:
    data::DataContext &m_context;
};

} // namespace zemor::entry
