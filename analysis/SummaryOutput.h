#pragma once

// What leaves the summary: the summary exchange file that a district or region installation
// hands on to the next level (one exchange record per summary row, as the report of a
// pseudo-institution), and the cells of one table of the summary in a workbook.
//
// The summary file is written whole or not at all: every value is checked against the 17-digit
// field of the exchange record first (a value that does not fit is an Overflow naming its row
// and column, and nothing is written); the records then go into a new file beside the old one,
// which takes the old one's place only when every record was added. A failed add, or a run
// cancelled through its progress, leaves the old file as it was.
//
// Workbook values are written with a decimal comma ("12,5"), never a point; zero values leave
// their cell empty.

#include "analysis/Summary.h"
#include "data/Codes.h"
#include "entry/FormCatalogue.h"
#include "runtime/core/Error.h"

#include <QList>
#include <QString>

namespace zemor::runtime {
class Progress;
}
namespace zemor::shell {
class ExcelLauncher;
}

namespace zemor::analysis {

// Who writes the summary file and where (the installation's settings and ExchangePath).
struct SummaryFileTarget
{
    data::UserType userType = data::UserType::District;
    int district = 0; // GLOBCODREG
    int ownCode = 0;  // GLOBKODUSER
    QString path;     // ExchangePath
};

struct SummaryFileWritten
{
    QString path;
    qint64 count = 0;

    // "Число записей:" & count & " в файле" & the file name.
    QString message() const;
};

// One cell of a workbook in R1C1 terms.
struct WorkbookCell
{
    int row = 0;
    int column = 0;
    QString text;
    bool isText = false; // a text whatever it looks like (row codes, names); else a value

    bool operator==(const WorkbookCell &) const = default;
};

class SummaryOutput
{
public:
    static QString generalTemplate() { return QStringLiteral("swod.xls"); }

    // The institution code of the summary's records: 21000 + district for a district
    // installation, 20000 for the whole region, the own code for an institution.
    static qint32 summaryInstitution(const SummaryFileTarget &target);
    // ExchangePath, one "\" unless it ends in a separator, "ssw" & own code & "F" & form & ".dat".
    static QString summaryFilePath(const QString &exchangePath, int ownCode, qint64 formCode);

    // ExportSummaryFile ("Продолжить"). `period` is T, the last period of the summary (0 for
    // annual forms).
    [[nodiscard]] static runtime::Result<SummaryFileWritten>
    writeSummaryFile(const Summary &summary, qint64 formCode, qint32 period,
                     const SummaryFileTarget &target, runtime::Progress *progress = nullptr);

    // A value as a workbook cell shows it: "12,5", "7", "-0,125".
    static QString workbookValue(const runtime::Decimal &value);
    // The template of a table: its own when it names one, "swod.xls" otherwise.
    static QString workbookTemplate(const entry::FormTable &table);
    // Every cell ExportSummaryToExcel writes for the table shown, in the order written.
    static QList<WorkbookCell> workbookCells(const entry::FormCatalogue &catalogue,
                                             const entry::FormTable &table,
                                             const QList<SummaryTableRow> &shown,
                                             const QString &title, qint64 formCode);
    // The framed range: R10C1 to row n + 10, column A + SM.
    static std::array<int, 4> workbookFrame(const entry::FormTable &table, int rows);
    // Writes the table through the launcher (launched here with its template). False when no
    // workbook resulted; the launcher has told the user why.
    static bool exportToExcel(shell::ExcelLauncher &excel, const entry::FormCatalogue &catalogue,
                              const entry::FormTable &table, const QList<SummaryTableRow> &shown,
                              const QString &title, qint64 formCode);
};

} // namespace zemor::analysis
