#pragma once

// How many reports of each switched-on form have come in for a range of periods of a reporting
// year, per district or per institution: the count over the forms' data files and the table
// built from it (one column per form, at most 30; the total row first).
//
// Counts are 32-bit. The files are opened for reading only and never created: a form without a
// data file has no reports. A data file that cannot be read (damaged, or of another layout) is
// named with its form and the reason in troubles(), and the form is left out of the table; it
// is never shown as a column of zeros. A count given a progress stops with Cancelled when asked.

#include "runtime/core/Error.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <utility>

namespace zemor::runtime {
class Progress;
}
namespace zemor::shell {
class ExcelLauncher;
}

namespace zemor::analysis {

inline constexpr int completenessColumnCount = 30;

// A form of the year's forms file.
struct CompletenessForm
{
    qint64 code = 0;     // FOR:UNICOD
    QString designation; // FOR:COD
    int periodicity = 0; // FOR:TIP
};

// One counted report (QAC).
struct CountedReport
{
    qint32 institution = 0; // QAC:CODUCH
    qint64 form = 0;        // QAC:FORMA
    int district = 0;       // QAC:CODREG
    int periodicity = 0;    // QAC:FORTIP
};

struct CompletenessCount
{
    QList<CompletenessForm> forms; // every form counted, in stored order
    QList<CountedReport> reports;
    QStringList troubles; // forms whose data file could not be read, with the reason
};

enum class CompletenessMode : int {
    ByDistrict = 1,    // "по районам"
    ByInstitution = 2, // "по ЛПУ"
};

// One row of the table (QS).
struct CompletenessRow
{
    qint32 key = 0; // district code, institution code, 0 for the total row
    QString name;
    std::array<qint32, completenessColumnCount> counts{};
    int district = 0;
};

struct CompletenessTable
{
    QList<CompletenessForm> columns; // the forms with a column, in column order
    QList<CompletenessRow> rows;     // the total row first
    QString format;
    int rowsWithoutTotal = 0; // WSEGO

    static QString totalName() { return QStringLiteral("Всего отчетов"); }
};

// Who the rows are named after.
struct CompletenessNames
{
    QList<std::pair<int, QString>> districts;            // region1, stored order
    QHash<qint32, std::pair<QString, int>> institutions; // code -> name, district
};

class Completeness
{
public:
    // The period range [P1, P2] of a form for the months (or days) `from`..`to`; nullopt when
    // the form is not counted for it (a quarterly form before the third month).
    static std::optional<std::pair<qint32, qint32>> periodRange(int periodicity, qint32 from,
                                                                qint32 to);
    // CountSubmittedReports over the forms of `year` (the forms file of the year directory).
    [[nodiscard]] static runtime::Result<CompletenessCount>
    countSubmittedReports(int year, qint32 from, qint32 to, runtime::Progress *progress = nullptr);
    // The reference names of districts and institutions (region1 and boln).
    [[nodiscard]] static runtime::Result<CompletenessNames> readNames();
    // BuildCompletenessFormat.
    static CompletenessTable buildTable(const CompletenessCount &count, CompletenessMode mode,
                                        const CompletenessNames &names);
    // ExportCompletenessToExcel through the launcher ("RAS.XLS"). False when no workbook
    // resulted.
    static bool exportToExcel(shell::ExcelLauncher &excel, const CompletenessTable &table,
                              CompletenessMode mode, qint32 from);
};

} // namespace zemor::analysis
