#pragma once

// The current table of a report written into a new workbook of the spreadsheet program
// (`ExportTableToExcel`): the table's own template, or "swod.xls" with the column names and
// numbers in rows 9 and 10; the form and table in R2C1, the institution in R3C1; from row 11 on
// one line per row of the table, its leading descriptive columns (row name, code, ICD codes, sex
// by the column's kind; the fifth and further leading columns stay empty) and then its values.
// A value that is 0 is not written; the others go as plain decimal text with a comma ("1234,5").
//
// The workbook is saved first as the next numbered ".XL" file of a folder of the program's own
// under the system's temporary directory (shell::reserveWorkFile: earlier files removed, the
// largest left + 1), then filled. When no workbook results (the service cannot be reached even
// after "ЗАПУСТИТЕ Excel", the template or the copy is refused, a poke is refused) the user is told
// and the closing message "Выгрузка в Excel завершена" is not shown.

#include "entry/EntryRow.h"
#include "entry/FormCatalogue.h"
#include "runtime/decimal/Decimal.h"

#include <QList>
#include <QString>

namespace zemor::runtime {
class Prompter;
namespace office {
class Conversation;
}
} // namespace zemor::runtime

namespace zemor::entry {

struct TableExportRequest
{
    const FormCatalogue *catalogue = nullptr;
    qint64 table = 0;
    QList<EntryRow> rows; // the table's rows in position order, as they stand in memory
    QString institutionTitle;
    QString templateFolder; // where the templates are (the working directory's "XLS")
    QString workFolder;     // where the numbered workbooks go; blank: defaultWorkFolder()
};

class TableExport
{
public:
    static QString defaultTemplate() { return QStringLiteral("swod.xls"); }
    static QString ending() { return QStringLiteral(".XL"); }
    // "<system temporary directory>/zemor-xl".
    static QString defaultWorkFolder();
    // A value as its cell gets it: "1234,5", "0,125", "7", "-3,25".
    static QString valueText(const runtime::Decimal &value);

    TableExport(runtime::office::Conversation &office, runtime::Prompter &prompter)
        : m_office(office), m_prompter(prompter)
    {
    }

    // Writes the workbook; true when it was written whole ("Выгрузка в Excel завершена" shown).
    // The workbook's path is in `workbook` when one was made.
    bool run(const TableExportRequest &request, QString *workbook = nullptr);

private:
    bool fail(const QString &text);

    runtime::office::Conversation &m_office;
    runtime::Prompter &m_prompter;
};

} // namespace zemor::entry
