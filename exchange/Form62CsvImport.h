#pragma once

// Loading form 62 from the CSV files of the federal reporting portal (`ImportForm62Csv` without
// its window) into the data file of form 62 of one reporting year, all rows with period 0.
//
// Two kinds of file: one institution and one table per file, named by the institution code in
// three characters, "_", the table code in four characters and ".csv" (the header lines end at
// the line that begins "1;2;3;4;5;6;7;", the n-th line after it is row n of the table; the wide
// table 8000 is split over the program's tables 8000 to 8006, and a line "(8030)" after its rows
// carries table 8030), and a summary file of many institutions (each line: table, institution,
// row number, then the values).
//
// Fields are split at ";" outside double quotes, and a quoted field loses its quotes; a quoted
// field may hold line breaks (a name that wraps in its cell), and the lines it spans are one
// line of the file. A quote still open at the end of the file refuses the file. The table code
// of line 2 and the column numbers are read after unquoting, as a spreadsheet that quotes every
// text cell writes them. Lines are read whole, whatever their length. A decimal comma is the
// decimal point in every table; a value that is not a number is not stored and is listed with the
// file, table, row and column. A file with NUL bytes is not text and is refused whole.
//
// Each file is read and checked whole first, then its records are added in one transaction
// through entry::ReportStore: rows already stored stay and are counted as the file's errors
// (`QP:ERR`), a report open in report entry is left alone and named. A load stops between
// files when its progress asks; what was committed stays and is said.

#include "entry/FormCatalogue.h"
#include "runtime/core/Error.h"
#include "runtime/decimal/Decimal.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace zemor::data {
class DataContext;
}
namespace zemor::runtime {
class Progress;
}

namespace zemor::exchange {

// A line of the file list (`QP`).
struct CsvFile
{
    QString name;           // QP:NAMEFILE
    qint32 institution = 0; // QP:CODUCH, from the name
    qint32 table = 0;       // QP:CODTABL, from the name
    qint32 errors = 0;      // QP:ERR: rows that could not be added
};

// The lines of a file's table, or why the file is not loaded.
struct CsvLines
{
    QList<QByteArray> lines;
    QString refusal; // empty when the lines are sound
};

// What a load did.
struct CsvLoad
{
    QStringList messages; // in the order met, each naming its file
    QStringList loaded;   // files whose rows were committed, none left in use
    int rowsAdded = 0;
    int rowsPresent = 0;
    bool cancelled = false;
};

class Form62CsvImport
{
public:
    static constexpr qint64 form = 62;

    Form62CsvImport(data::DataContext &context, int year) : m_context(context), m_year(year) {}

    // The fields of a line: split at ";" outside double quotes, quotes around a field removed
    // and doubled quotes inside one made single. A line without quotes splits at every ";".
    static QList<QByteArray> splitFields(QByteArrayView line);
    // The lines of a table from the lines of its file: the lines a quoted field spans joined
    // into one, with the line break kept inside the field. A file with NUL bytes, or with a
    // quote still open at its end, is refused.
    static CsvLines tableLines(const QList<QByteArray> &physical);
    // `SplitTable8000Column`: the program's table and column of field `field` of a line of
    // table 8000 (fields 3 to 106), or nothing.
    static std::optional<std::pair<int, int>> splitTable8000Column(int field);
    // The number of leading text fields of a table's lines; nothing for a group outside 1 to 9.
    static std::optional<int> leadingFields(qint64 table);
    // A field's value: blanks around dropped, a decimal comma read as the point, kept to the
    // three places of the data file. Blank is 0; nothing when it is not a number.
    static std::optional<runtime::Decimal> value(QByteArrayView field);

    // `ScanCsvFiles`: the "*.csv" files of the folder, by name from the last to the first.
    [[nodiscard]] runtime::Result<QList<CsvFile>> scan(const QString &folder) const;
    // `LoadForm62Tables` with the rows of each table.
    [[nodiscard]] runtime::Result<entry::FormCatalogue> catalogue();

    // `LoadMarkedCsvFiles`: every listed file of `folder`, in list order; each file's `errors`
    // is set. Stops between files when `progress` asks.
    CsvLoad loadFiles(const QString &folder, QList<CsvFile> &files,
                      runtime::Progress *progress = nullptr);
    // `LoadSummaryCsvFile`: one summary file of many institutions.
    CsvLoad loadSummary(const QString &folder, CsvFile &file);

    // The texts the load shows.
    static QString doneText() { return QStringLiteral("Alles"); }
    static QString blankPathText() { return QStringLiteral("Путь и имя файла"); }
    static QString unknownInstitutionText(const QString &code)
    {
        return QStringLiteral("MO c кодом ") + code + QStringLiteral(" нет в boln");
    }

private:
    void loadFile(const QString &path, CsvFile &file, const entry::FormCatalogue &catalogue,
                  int district, CsvLoad &load);
    bool readLines(const QString &path, const QString &name, QList<QByteArray> &lines,
                   CsvLoad &load) const;
    // Adds the records of one file in one transaction; false when the file is not loaded whole
    // (nothing written, or a report left because it is open in report entry).
    bool store(const QString &name, const QList<QByteArray> &records, CsvFile &file, CsvLoad &load);

    data::DataContext &m_context;
    int m_year;
};

} // namespace zemor::exchange
