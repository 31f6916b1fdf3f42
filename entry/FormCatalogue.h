#pragma once

// The catalogue of one form in one reporting year: its tables (`tabl`), the rows of each table
// (`stroka`) and the columns of each table (`grafa`), read once when a form is opened and then
// asked as often as needed. Report entry keeps one per open report; the control checks, the
// calculations, the summaries and the exports read the same one.
//
// read() takes the files of a year; a caller with its own copy of the catalogue (such as the
// indicator copies "TablP.dat" and "GrafaP.dat") names the files instead. Each file is opened
// through the caller's data context under the name given (the context's name variables are set
// to it), read in key order within one read transaction and closed again. A blank name reads
// nothing from that file (a copy without rows has none). A file that cannot be opened or read is
// an error, which the context's error manager has reported; a form without records is an empty
// catalogue.
//
// Tables come by table code, rows of a table by position (STR:NUMBER, rows without a position
// left out), columns of a table by stored column number. Texts are kept as stored, trailing
// blanks included.

#include "entry/ReportRows.h"
#include "entry/RowCatalogue.h"
#include "runtime/core/Error.h"

#include <QHash>
#include <QList>
#include <QString>

namespace zemor::data {
class DataContext;
}

namespace zemor::entry {

// A table of the form (`QST`).
struct FormTable
{
    qint64 code = 0; // TAB:CODTABL
    QString name;    // TAB:NAME
    int offset = 0;  // TAB:SM
    int columns = 0; // TAB:A
    int type = 0;    // TAB:TYPE
    QString xls;     // the first 15 characters of TAB:NAMEL
    qint32 id = 0;   // TAB:UNICODT

    TableEntry entry() const { return TableEntry{code, offset, columns}; }
};

// A row of a table as `stroka` holds it.
struct FormRow
{
    int id = 0;        // STR:UNICOD
    qint64 table = 0;  // STR:CODTABL
    QString code;      // STR:CODSTR
    int number = 0;    // STR:NUMBER
    QString name;      // STR:NAME
    QString shortName; // STR:NAMEL
    QString sex;       // STR:POL
    QString codes;     // STR:CODMKB

    // What a descriptive column of kind `kind` (GRA:TYPEGR) shows of the row: 1 the name, 2 the
    // code, 3 the ICD codes, 4 the sex mark; any other kind nothing.
    QString descriptiveText(int kind) const
    {
        switch (kind) {
        case 1:
            return name.trimmed();
        case 2:
            return code.trimmed();
        case 3:
            return codes.trimmed();
        case 4:
            return sex.trimmed();
        default:
            return {};
        }
    }
};

// A column of a table as `grafa` holds it.
struct FormColumn
{
    int storedColumn = 0; // GRA:COD
    QString name;         // GRA:NAME
    QString shortName;    // GRA:NAMEL
    QString picture;      // GRA:FORMAT
    int width = 0;        // GRA:L, in characters
    int kind = 0;         // GRA:VID: how a summary adds the column over periods
    int type = 0;         // GRA:TYPEGR: 0 a value column, others descriptive
};

// The names of the catalogue files to read, as the data context opens them.
struct CatalogueFiles
{
    QString tabl;
    QString stroka;
    QString grafa;

    // The files of a reporting year.
    static CatalogueFiles ofYear(int year);
};

class FormCatalogue
{
public:
    [[nodiscard]] static runtime::Result<FormCatalogue> read(data::DataContext &context, int year,
                                                             qint64 form);
    [[nodiscard]] static runtime::Result<FormCatalogue>
    read(data::DataContext &context, const CatalogueFiles &files, qint64 form);

    qint64 form() const { return m_form; }
    const QList<FormTable> &tables() const { return m_tables; }
    const FormTable *table(qint64 code) const;
    FormTables tableEntries() const;
    // The rows of a table in position order; empty for a table without rows.
    QList<FormRow> rows(qint64 table) const { return m_rows.value(table); }
    QList<FormColumn> columns(qint64 table) const { return m_columns.value(table); }
    // Every row of the form by id, as the checks look rows up.
    const RowCatalogue &rowCatalogue() const { return m_catalogue; }

private:
    qint64 m_form = 0;
    QList<FormTable> m_tables;
    QHash<qint64, QList<FormRow>> m_rows;
    QHash<qint64, QList<FormColumn>> m_columns;
    RowCatalogue m_catalogue;
};

} // namespace zemor::entry
