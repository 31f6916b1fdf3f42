#pragma once

// One report open in report entry, without any window: the report-in-use marker, the report
// held in memory (the whole-report queue, one entry per stored row, kept in row-id order), the
// table being entered (its entry rows, row list, column descriptions, column rules and
// calculations), the "modified" flag, and the operations of the entry window on them: changing
// tables, storing typed rows, the on-line row check, the table calculations, the whole-report
// check, saving, clearing, deleting and the carry-over of balances. The entry windows show a
// session and send it the user's commands; tests drive it directly.
//
// The session works on the caller's data context (one per window family) and never on
// process-wide file names. Files are opened for each operation and closed after it; every save
// is one transaction (ReportStore), and a failed save leaves the stored report as it was, keeps
// the session's data and the modified flag, and is reported through the prompter in place of the
// success message. Values are copied exactly: a DECIMAL(17,3) value reaches the file unchanged.
//
// The prompter is not owned; without one messages are not shown and questions take their first
// button. Destroying a session that still holds its marker releases it, so no way out leaves a
// marker behind.

#include "entry/ControlFailure.h"
#include "entry/ControlRules.h"
#include "entry/EntryColumns.h"
#include "entry/EntryRow.h"
#include "entry/FormCatalogue.h"
#include "entry/ReportMarker.h"
#include "entry/ReportStore.h"
#include "entry/ResolvedRules.h"
#include "entry/RowCatalogue.h"
#include "entry/RowOnlineCheck.h"
#include "entry/TableCalculations.h"

#include <QHash>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

namespace zemor::data {
class DataContext;
}
namespace zemor::runtime {
class Progress;
class Prompter;
} // namespace zemor::runtime

namespace zemor::entry {

// What the entry list shows of a row beside its values.
struct EntryRowText
{
    QString name;      // QT:S, STR:NAME
    QString sexCodes;  // QT:POL: STR:POL and STR:CODMKB, "*" first on a computed row
    QString shortName; // QS:NAMEL, STR:NAMEL
};

class ReportSession
{
public:
    enum class Opening { Opened, Refused };

    ReportSession(data::DataContext &context, runtime::Prompter *prompter = nullptr);
    ~ReportSession();
    ReportSession(const ReportSession &) = delete;
    ReportSession &operator=(const ReportSession &) = delete;

    // Takes the marker (asking the user over a marker found), then reads the form's tables,
    // the report and its first table. Refused: the user chose "&Выход". A failure after the
    // marker was taken releases it again; a form without tables is returned as that failure
    // ("Нет таблиц формы N"), for the caller to show. The on-line control switch is cleared
    // when the session is made, not by each opening: a change of form or institution keeps
    // the user's choice (the table load may still switch it as it always does).
    [[nodiscard]] runtime::Result<Opening> open(const ReportIdentity &identity);
    // The closing sequence: asks "СОХРАНИТЬ  ОТЧЕТ ?" when the report was modified and saves on
    // "&Да", then releases the marker and empties the queues. A failed save keeps everything
    // (marker, data) and is returned with the session still open, so that the window can stay
    // open. A marker that cannot be removed is returned after the session has closed all the
    // same (isOpen() is false then): the report is as saved, only the marker stayed.
    [[nodiscard]] runtime::Status leave();
    // A change of form or institution releases the marker before the new choice; when the
    // choice is cancelled the same report goes on: relock() takes the marker again (asking over
    // a marker found meanwhile) and keeps everything in memory. Refused: the user chose
    // "&Выход", and the session is to end.
    [[nodiscard]] runtime::Status releaseMarker();
    [[nodiscard]] runtime::Result<Opening> relock();
    // Releases the marker and empties the queues without asking; the session is closed even
    // when the marker cannot be removed, which is returned.
    [[nodiscard]] runtime::Status close();
    bool isOpen() const { return m_open; }

    const ReportIdentity &identity() const { return m_id; }
    ReportMarker *marker() { return m_marker.get(); }

    // --- the report in memory
    const ReportRows &reportRows() const { return m_report; }
    bool modified() const { return m_modified; }
    // Whether the report holds a value not 0, in the whole report or among the current table's
    // rows typed since the last copy; the single all-zero record of an empty report is no data.
    bool hasData() const;

    // --- tables
    // The operations below need an open report; they fail with InvalidArgument otherwise, and
    // currentTable() must not be asked for then.
    const QList<FormTable> &tables() const { return m_form.tables(); }
    // The form's catalogue as read at opening.
    const FormCatalogue &form() const { return m_form; }
    int currentTableIndex() const { return m_current; }
    const FormTable &currentTable() const { return m_form.tables()[m_current]; }
    // Copies the entry rows into the report and loads the table at `index` of tables().
    [[nodiscard]] runtime::Status stepToTable(int index);
    [[nodiscard]] runtime::Status chooseTable(qint64 code);

    // --- the current table
    const QList<EntryRow> &entryRows() const { return m_rows; }
    const EntryRowText &rowText(int index) const { return m_texts[index]; }
    const EntryColumns &columns() const { return m_columns; }
    QString listFormat() const;
    bool hasCodes() const { return m_hasCodes; }
    bool hasCalculations() const { return !m_calcRules.isEmpty(); }
    const QList<CalcRule> &calculations() const { return m_calcRules; }
    // Value numbers filled by a column calculation; row positions filled by a row calculation.
    QSet<int> computedColumns() const;
    bool isComputedRow(int index) const;
    // The first row of the table with this printed code, -1 when there is none.
    int findRowByCode(const QString &code) const;

    bool controlOff() const { return m_controlOff; }
    void setControlOff(bool off) { m_controlOff = off; }

    // --- typing
    // A row stored from the row form (its values and error mark); counts as written back.
    void putRow(int index, const EntryRow &row);
    // A value stored in place in the list; marks the report modified.
    void storeValue(int index, int valueNumber, const runtime::Decimal &value);
    int rowsWrittenBack() const { return m_writtenBack; }
    // The row form closes: the entry rows reach the report when a row was written back.
    void rowFormClosed();

    // --- checks and calculations
    // The on-line check of a row (with messages unless silent); renews its error mark.
    RowOnlineCheck::Outcome checkRow(int index, bool silent);
    // Computes the table's totals on the entry rows.
    [[nodiscard]] runtime::Status calculateTotals();
    // Copies the entry rows into the report and checks the whole report.
    [[nodiscard]] runtime::Result<QList<ControlFailure>> checkReport();

    // --- saving, clearing, deleting
    // Copies the entry rows into the report (`SyncReportQueue`); marks the report modified.
    void syncReportQueue();
    // Writes the current table from the entry rows.
    [[nodiscard]] runtime::Status saveTable();
    // The whole report; a form with one table writes its table only, without a message, and
    // stays modified. Returns the number of records written (-1 for the one-table way).
    [[nodiscard]] runtime::Result<int> saveReport();
    // Told of each record a whole-report save writes, its row id as the step's text (the saving
    // window shows it); not owned, nullptr for none.
    void setSaveProgress(runtime::Progress *progress) { m_saveProgress = progress; }
    // Stores the report as one all-zero record of the current table's first row.
    [[nodiscard]] runtime::Status saveEmptyReport();
    // Deletes every record of the report and releases the marker. A failed deletion deletes
    // nothing and keeps the session open as it was; a marker that cannot be removed after the
    // deletion is returned with the session closed.
    [[nodiscard]] runtime::Status deleteReport();
    // Drops the current table from the report in memory and reloads it with all values 0; the
    // file is not changed until the next save.
    [[nodiscard]] runtime::Status clearTable();

    // --- carry-over of balances
    bool carryOverAvailable() const;
    // Values 1 to 3 of every entry row from the previous period's record of the row.
    [[nodiscard]] runtime::Status carryOverBalances();

private:
    runtime::Status loadTables();
    runtime::Status loadWholeReport();
    runtime::Status loadTable();
    runtime::Status loadRules();
    void freeQueues();
    void reportFailure(const QString &what, const runtime::Error &error);
    int ask(const QString &text, const QString &buttons);
    void tell(const QString &text);
    int reportIndex(int rowId) const;

    data::DataContext &m_context;
    runtime::Prompter *m_prompter;
    ReportIdentity m_id;
    std::unique_ptr<ReportMarker> m_marker;
    bool m_open = false;

    // The form (read once per opening): its catalogue, its control rules as read and as resolved
    // against the catalogue, and its calculations.
    FormCatalogue m_form;
    FormRules m_rules;
    ResolvedRules m_resolved;
    FormCalculations m_calculations;

    // The report (`QSU`), in row-id order, with the rows' error marks.
    ReportRows m_report;
    QHash<int, QString> m_reportErrors;
    bool m_modified = false;
    bool m_storedEmpty = false; // the file holds the report as one all-zero record

    // The current table.
    int m_current = 0;
    QList<EntryRow> m_rows;          // QT, in row position order
    QList<EntryRowText> m_texts;     // beside m_rows
    QList<ColumnRule> m_columnRules; // QC
    QList<CalcRule> m_calcRules;     // QRASH
    EntryColumns m_columns;
    bool m_hasCodes = false;
    bool m_controlOff = false;
    int m_writtenBack = 0;
    runtime::Progress *m_saveProgress = nullptr;
};

} // namespace zemor::entry
