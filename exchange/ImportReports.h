#pragma once

// Loading exchange files (`ImportReports` without its windows): the scan of a folder's files
// into entries (form, period, institution) and institutions, the control run over the files,
// the load of the marked entries of an institution into the year's data files, and the move of
// the loaded files into "impfile".
//
// The scan walks the folder's "*.dat" files sorted by name from the last to the first, so that
// of two files holding one report the one sorted last is taken. Every file is read and checked
// whole before its records are used; a file that is refused (unreadable, damaged, of another
// layout, without records) is named with its reason and left out.
//
// A load reads the entry's rows first and then replaces the stored report by them, bytes of every
// record unchanged, through entry::ReportBatch: the reports of a load are written in batches of
// about a second of work, each data file's reports of a batch in one transaction, each report
// wholly old or wholly new. The batch holds the report-in-use markers of its reports from the
// question whether to replace a stored report until its commit, so that report entry cannot open
// a report being replaced; everything queued is written before the controls question, when the
// load is cancelled and at its end. An importer reads and checks each file once and keeps its rows
// by report; before it uses them it looks whether the file on disk is still the one it read
// (its size, time, and the header with the records' checksum) and reads it again when not. A row
// whose key is already taken (a row twice in the file) is skipped and not counted. A report open in
// report entry is not replaced: its entry stays marked and its file is not moved, so it can be
// loaded later. A failed write rolls back its batch, names each of its reports as not loaded,
// keeps their files where they are and stops the load.

#include "data/ExchangeFile.h"
#include "entry/ControlRun.h"
#include "exchange/ExchangeReportSource.h"
#include "runtime/core/Error.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>
#include <tuple>

namespace zemor::data {
class DataContext;
}
namespace zemor::runtime {
class Progress;
class Prompter;
} // namespace zemor::runtime

namespace zemor::exchange {

// An entry of the entry list (`QS`).
struct ImportEntry
{
    enum Mark { NotMarked = 0, Marked = 1, Loaded = 2 };
    qint32 period = 0;       // QS:MES
    qint64 form = 0;         // QS:UNICODFOR
    QString formName;        // QS:NAMEFOR
    int mark = NotMarked;    // QS:MARK
    qint32 institution = 0;  // QS:CODUCH
    QString path;            // QS:PATH, the file on disk
    QString institutionText; // QS:NAMEUCH (summary files)
    int kind = 0;            // OTC:TIP of its first row: a daily report's period is a date
};

// An institution found in the files (`QU`).
struct ImportInstitution
{
    int district = 0;       // QU:CODREG, from the file
    QString districtName;   // QU:NAMEREG
    qint32 code = 0;        // QU:COD
    QString name;           // QU:NAMEUCH
    int bolnDistrict = 0;   // QU:BCODREG
    qint32 firstPeriod = 0; // QU:MES
};

// A file the scan or a load could not take, and why.
struct RefusedFile
{
    QString name;
    QString reason;
};

// A file the scan read whole, and its stamp (exchangeFileStamp()) from before the read.
struct ScannedFile
{
    QString path;
    QByteArray stamp;
    std::optional<data::ExchangeFile> file;
};

struct ImportScan
{
    QList<ImportEntry> entries; // by form, period, institution
    QList<ImportInstitution> institutions;
    QStringList files; // every "*.dat" file that was not refused, as listed
    QList<RefusedFile> refused;
    // The files read, for the importer that names this scan to take rather than read again.
    QList<ScannedFile> read;
};

// A line of the result list (`QS1`).
struct ImportLine
{
    qint32 period = 0;
    qint64 form = 0;
    QString formName;
    qint32 institution = 0;
    QString institutionName;
    QString count; // rows loaded, or why none were
    int kind = 0;  // the period's kind (ImportEntry::kind)
};

struct ImportOutcome
{
    QList<ImportLine> lines;
    QStringList messages; // per entry, as the load met them
    int reportsLoaded = 0;
    qint64 rowsLoaded = 0;
    int duplicates = 0;    // rows skipped because their key was taken
    bool declined = false; // "НЕТ" to the controls question at least once
    bool cancelled = false;
    bool failed = false;     // a write failed and the load stopped
    QSet<QString> inUse;     // files of reports that were open in report entry
    QSet<QString> notLoaded; // files of reports whose write failed or was cancelled

    void add(const ImportOutcome &other);
};

struct MoveOutcome
{
    QStringList moved;  // names in "impfile"
    QStringList failed; // names that could not be moved
    // One message naming every file that was not moved; empty when all were.
    QString message() const;
};

class ImportReports
{
public:
    ImportReports(data::DataContext &context, runtime::Prompter &prompter, int year)
        : m_context(context), m_prompter(prompter), m_year(year), m_source(context)
    {
    }

    // `FillImportPathChoices`.
    static QStringList pathChoices(const QString &s1, const QString &s2);
    // The folder of a path as the user chose it: a drive is mapped, any other name lies under
    // the working directory.
    [[nodiscard]] static runtime::Result<QString> folder(const QString &path);

    // `ScanExchangeFiles` over the "*.dat" files of `dir`; summary mode takes only summary
    // files, the normal mode every other. Institutions are sorted by district, not yet named.
    [[nodiscard]] static runtime::Result<ImportScan> scan(const QString &dir, bool summaryMode);
    // Names the institutions (the table of district and pseudo-institution names) and the
    // entries' forms from the year's catalogue. The files the scan read are taken over (and
    // dropped from `scan`): the controls and the load use them while they stay unchanged on
    // disk, instead of reading them again.
    [[nodiscard]] runtime::Status name(ImportScan &scan);
    // Takes over the files the scan read (and drops them from `scan`), as name() does.
    void adopt(ImportScan &scan);
    // Summary mode: each entry's text is its institution's district name and name.
    static void nameSummaryEntries(ImportScan &scan);

    // The list window's order: by institution, form, period.
    static void sortForList(QList<ImportEntry> &entries);
    // A chosen institution: exactly its entries marked.
    static void markInstitution(QList<ImportEntry> &entries, qint32 institution);

    // Where a load shows its control run's results before it asks whether to go on; null: they
    // are not shown.
    void setRunViewer(entry::RunResultsViewer *viewer) { m_viewer = viewer; }

    // The run of `RunImportControls`: the marked entries of the institution, each in its own
    // file and for its own period.
    static entry::RunRequest controlRequest(int year, const QList<ImportEntry> &entries,
                                            const ImportInstitution &institution);
    [[nodiscard]] runtime::Result<entry::RunOutcome>
    runControls(const QList<ImportEntry> &entries, qint32 institution,
                runtime::Progress *progress = nullptr);
    // `LoadSelectedReports` for one institution: the controls, their results and their question
    // when a report failed or was not checked, then each marked entry of the institution (mark 2
    // once loaded). The progress counts the entries (for "все ЛПУ" those of every institution,
    // once) and can stop the load between reports. Within one load (for "все ЛПУ"
    // over every institution) the control rules of each form are read once, and the data files
    // written stay open from their first report to the load's end.
    ImportOutcome load(QList<ImportEntry> &entries, const ImportInstitution &institution,
                       runtime::Progress *progress = nullptr);
    // "все ЛПУ": load() for every institution in list order.
    ImportOutcome loadAll(QList<ImportEntry> &entries, const QList<ImportInstitution> &institutions,
                          runtime::Progress *progress = nullptr);

    // The summary window's "Загрузить": the chosen entry marked and loaded for its
    // (pseudo-)institution; nothing when `index` names no entry.
    ImportOutcome loadSummary(QList<ImportEntry> &entries, qsizetype index,
                              const QList<ImportInstitution> &institutions,
                              runtime::Progress *progress = nullptr);

    // `MoveLoadedFiles`: each file into "impfile" under the working directory, never over an
    // existing file: a taken name gets "_1" before its first "."; files in `keep` stay.
    static MoveOutcome moveFiles(const QStringList &files, const QSet<QString> &keep = {});
    // The name a file takes in "impfile" when its own name is taken: "a.b.dat" -> "a_1.b.dat".
    static QString secondName(const QString &name);

    static QString noFilesText()
    {
        return QStringLiteral("Отсутствует директория для ввода данных и форматами таблиц");
    }
    static QString controlsQuestion()
    {
        return QStringLiteral("Ошибки в формах! Продолжить загрузку?");
    }
    static QString replaceQuestion(qint32 institution, qint64 form, qint32 period);
    static QString keepOldText() { return QStringLiteral("УДАЛИТЕ СТАРЫЙ ОТЧЕТ "); }
    static QString inUseText() { return QStringLiteral("занят"); }
    static QString noInstitutionText() { return QStringLiteral("Вы не выбрали ЛПУ"); }
    static QString doneText() { return QStringLiteral("ГОТОВО"); }
    static QString cancelledText(const ImportOutcome &outcome);
    static QString emptyText() { return QStringLiteral(" пустой"); }
    // A period as the lists show it: a daily report's as its date, any other as its number.
    static QString periodText(int kind, qint32 period);
    // Why a file was refused, without the file's name that `error` may carry: the lists put
    // the name before it once.
    static QString reasonOf(const runtime::Error &error);
    // A report of `file` that was not written, and why.
    static QString notLoadedText(const QString &file, const ImportEntry &entry,
                                 const runtime::Error &error);
    // What a load says of a file it cannot take: name + " ошибка ?" + code and the reason, or
    // name + " пустой"; empty for a file with records.
    static QString refusal(const QString &name, const runtime::Result<data::ExchangeFile> &file);
    static QString refusal(const QString &name, const data::ExchangeFile *file,
                           const runtime::Error &error);

private:
    // What one load keeps from report to report: its control run and its open data files.
    class Session;

    // One institution's part of a load, told into `out`; false when a write failed and the load
    // is to stop.
    bool load(Session &session, QList<ImportEntry> &entries, const ImportInstitution &institution,
              runtime::Progress &progress, ImportOutcome &out);

    // A file as read: what refused it, or its rows by report (form, period, institution) as
    // 330-byte report records in file order (views into the file's records, not copies); and
    // how the file looked on disk when read.
    struct TakenFile
    {
        QByteArray stamp;   // empty when the file could not be looked at
        QString refusal;    // refusal(); empty for a file with records
        QByteArray records; // the file's records, which the rows below point into
        std::map<std::tuple<qint64, qint32, qint32>, QList<QByteArray>> rows;
    };
    // The file at `path` as it is now: kept from an earlier read while its stamp is the same,
    // else grouped again from the file as the control runs' source holds it (read and checked
    // anew when it changed on disk).
    const TakenFile &take(const QString &path);

    data::DataContext &m_context;
    runtime::Prompter &m_prompter;
    int m_year;
    entry::RunResultsViewer *m_viewer = nullptr;
    QHash<QString, TakenFile> m_files;
    ExchangeReportSource m_source; // the control runs' files, kept the same way
};

} // namespace zemor::exchange
