#pragma once

// Loading old-format exchange files (`ImportReportsOldFormat` without its windows): one form per
// file, its form and period in the file's 8.3 name ("W0111x05.dat": form 111, period 5), the
// records the 330-byte report records alone. Every file is read and checked whole in that
// layout before its records are used; a file of the current layout (the export's own work file
// "W0284.dat" among them) is refused, never read as old records.
//
// A load never replaces a stored report: for one chosen institution an existing report of the
// file's period is left and the user told to delete it, unless the load completes reports (the
// captionless button: rows present stay, missing rows are added); for every institution found
// in the files an existing report is always left, and only the institutions that have rows in a
// file are looked up for it. Each file's rows of one institution are added
// in one transaction; a row whose key is taken is skipped and not counted. Institution 0 is
// never loaded.

#include "exchange/ImportReports.h"

namespace zemor::exchange {

// A file of the file list (`QS`).
struct OldFile
{
    qint64 form = 0;     // QS:UNICODFOR
    qint32 period = 0;   // QS:MES
    QString formName;    // QS:NAMEFOR
    bool marked = false; // QS:MARK
    QString path;        // QS:PATH, the file on disk
};

struct OldScan
{
    QList<ImportInstitution> institutions; // by code, then district; named
    QList<RefusedFile> refused;
    bool severalDistricts = false; // "Внимание на дискете ..."
};

class OldFormatImport
{
public:
    OldFormatImport(data::DataContext &context, runtime::Prompter &prompter, int year)
        : m_context(context), m_prompter(prompter), m_year(year)
    {
    }

    // The files of `dir` whose names are old-format names, sorted by form code, named from the
    // year's catalogue.
    [[nodiscard]] runtime::Result<QList<OldFile>> files(const QString &dir);
    // `ListInstitutionsInFiles`: every institution of every file that can be read.
    [[nodiscard]] runtime::Result<OldScan> institutions(const QList<OldFile> &files);

    // Where a load shows its control run's results before it asks whether to go on; null: they
    // are not shown.
    void setRunViewer(entry::RunResultsViewer *viewer) { m_viewer = viewer; }

    // The run of `RunImportControlsOld`: the marked files, each for its own period, of the one
    // institution or of every institution found in the files.
    static entry::RunRequest controlRequest(int year, const QList<OldFile> &files,
                                            const QList<ImportInstitution> &institutions);
    [[nodiscard]] runtime::Result<entry::RunOutcome>
    runControls(const QList<OldFile> &files, const QList<ImportInstitution> &institutions,
                runtime::Progress *progress = nullptr);

    // `LoadOldExchangeFiles` for one institution ("Выбрать из списка"); `complete` is the
    // captionless button's load, which adds the missing rows of an existing report.
    ImportOutcome loadOne(const QList<OldFile> &files, const ImportInstitution &institution,
                          bool complete, runtime::Progress *progress = nullptr);
    // `LoadOldExchangeFiles` for every institution found ("все ЛПУ").
    ImportOutcome loadAll(const QList<OldFile> &files, const QList<ImportInstitution> &institutions,
                          runtime::Progress *progress = nullptr);

    static QString severalDistrictsText()
    {
        return QStringLiteral(
            "Внимание на дискете отчеты из нескольких регионов. !!! Просмотрите список ЛПУ");
    }
    // "УДАЛИТЕ СТАРЫЙ ОТЧЕТ " + form + " ИЗ ЛПУ " + institution (+ "/" + the code of the report
    // found, for one institution).
    static QString existingText(qint64 form, qint32 institution, bool oneInstitution);

private:
    ImportOutcome load(const QList<OldFile> &files, const QList<ImportInstitution> &targets,
                       bool complete, bool all, runtime::Progress *progress);

    data::DataContext &m_context;
    runtime::Prompter &m_prompter;
    int m_year;
    entry::RunResultsViewer *m_viewer = nullptr;
};

} // namespace zemor::exchange
