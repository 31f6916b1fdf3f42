#pragma once

// Loading report rows that the institutions' accounting program writes as dBase files
// (`ImportDbfReports` without its windows) into the report of one chosen institution.
//
// A file holds rows of the `import1` layout (form code, row id, 25 column values, all as text)
// or of the `VOV4000` layout (form, row, a person's name, 5 values); both come from the
// dictionary and are checked by the dBase reader before any record is used. The file's name
// ends in its month and year ("lpu052026.dBF"); a name without them gives year and month 0.
//
// scan() lists the "*.dBF" files of a folder sorted by name, each with the layout it opens in,
// the form of its first row and its number of rows; a file that opens in neither layout is
// listed with type 0 and the reason. load() takes the marked files in list order, each into
// either the year and period typed in the window or those of its name. Each file's forms are
// looked up in its target year's catalogue and checked against the period in both cases; a
// form of a file is written in one transaction: its rows are added to the stored report, a row
// already stored stays as it is and is counted apart, a row that the form does not have is
// listed with its form and not loaded, a row with a value that is not a number is listed and
// left out whole, and any other failure rolls that form back and is reported. A year without
// its catalogue is said in the load's words, without opening (or creating) the missing file.
// A file of the `VOV4000` layout, or one that can no longer be read, is reported as not
// loaded. Nothing is ever created in place of a file that vanished. The progress counts files;
// a load stopped between files keeps what it wrote.

#include "runtime/core/Error.h"
#include "runtime/store/DbaseReader.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

namespace zemor::data {
class DataContext;
}
namespace zemor::runtime {
class Progress;
}

namespace zemor::exchange {

// A file of the file list (`QP`).
struct DbfFile
{
    enum Type { Unreadable = 0, Rows = 1, Persons = 2 };

    bool marked = false;   // QP:MARK
    int year = 0;          // QP:YEAR, from the name
    int month = 0;         // QP:MES, from the name
    qint64 form = 0;       // QP:CODFORM, of the first row
    int type = Unreadable; // QP:TIP
    QString name;          // QP:S, the name on disk
    qint64 records = 0;    // QP:ZAP, rows not deleted
    QString path;          // the file on disk
    QString reason;        // why a file of type 0 opens in neither layout
};

// Where the rows go: the chosen district and institution.
struct DbfTarget
{
    int district = 0;       // OTC:CODREG of the rows
    qint32 institution = 0; // OTC:CODUCH
};

// The window's "Загружать в " with its year and period.
struct DbfPeriodChoice
{
    bool typed = true; // ?PLOC: every file into `year` and `period`; otherwise the name's
    int year = 0;      // ?PYEAR
    int period = 0;    // ?PMES
};

struct DbfLoadOutcome
{
    QStringList messages; // in the order the load met them
    // Of the last form written, as the window shows them.
    int added = 0;   // ?LOCZAP
    int present = 0; // ?ERR: rows already stored
    // Of the whole load.
    // ?ERR_STR: for each form with rows it does not have, "форма " + code + ":" and "," + row id
    // for each of them; forms apart by "; ".
    QString rowsNotFound;
    qint64 totalAdded = 0;
    int formsWritten = 0;
    int filesDone = 0;
    bool cancelled = false;
};

class DbfImport
{
public:
    DbfImport(data::DataContext &context, const DbfTarget &target)
        : m_context(context), m_target(target)
    {
    }

    // `FillDbfPathChoices`; the first is the path the window starts with.
    static QStringList pathChoices();
    // The month and year at the end of a file's name: the four characters before the first "."
    // and the two before them, all digits; {0, 0} otherwise.
    static std::pair<int, int> monthAndYear(const QString &fileName);
    // Whether `period` suits a form of `periodicity` (FOR:TIP).
    static bool periodFits(int periodicity, int period);

    // `ScanDbfFiles` over the folder on disk `dir`.
    [[nodiscard]] static runtime::Result<QList<DbfFile>> scan(const QString &dir);

    // `LoadMarkedDbfFiles`.
    DbfLoadOutcome load(const QList<DbfFile> &files, const DbfPeriodChoice &choice,
                        runtime::Progress *progress = nullptr);

    // The layouts of the dictionary as the dBase reader checks them.
    static QList<runtime::store::DbaseField> rowsLayout();
    static QList<runtime::store::DbaseField> personsLayout();

    static QString noFormText(qint64 form)
    {
        return QStringLiteral("В справочнике нет формы ") + QString::number(form);
    }
    static QString periodText(qint64 form)
    {
        return QStringLiteral("Укажите правильно месяц(квартал) для формы") + QString::number(form);
    }
    // `ReportDuplicateRow`.
    static QString duplicateText(qint64 form, int year, int period, const QString &rowText);
    static QString doneText(int added, int present);
    static QString cancelledText(const DbfLoadOutcome &outcome);
    static QString personsText(const QString &name);
    static QString notLoadedText(const QString &name, const QString &reason);
    static QString noYearText(const QString &name);

private:
    struct Form;
    struct Row;
    void loadFile(const DbfFile &file, const DbfPeriodChoice &choice, DbfLoadOutcome &out);
    void loadRows(const DbfFile &file, runtime::store::DbaseReader &reader, const Form &form,
                  DbfLoadOutcome &out);

    data::DataContext &m_context;
    DbfTarget m_target;
};

} // namespace zemor::exchange
