#pragma once

// The main window of report entry (`P1$SCRL`): the entry list of the current table with the
// report's particulars above it and the command buttons beside it. The window owns the
// ReportSession of the open report and shows it; every command is the session's, and the
// window only asks the questions, shows the messages and renews the list.
//
// The list (`?BROWSE:1`) follows the list format the session builds for the table: row code,
// error mark, name, sex mark and codes, then one column per value. Enter, or a double click on
// a fixed column, opens the row form on the selected row; a double click on a value column
// edits that value in place, and Enter or Down stores it and goes on down the same column, Tab
// and Backtab along the row. Text the column's picture cannot read is refused with a beep and
// the edit stays; a value left as it was shown is not stored again. A value still in its edit
// field is stored before the row form opens. The row's full name and codes below the list
// follow the selected line. Column widths set by the user stay until another table is loaded.
//
// The window's ways out: the closing sequence (closing the window asks "СОХРАНИТЬ  ОТЧЕТ ?"
// when the report was modified and releases the marker; moving to a table without rows runs it
// too), saving an empty report, deleting the report, and a change of form or institution that
// is not completed. Every opening, also after a change of form or institution, starts with
// row-wise entry; the on-line control switch is the user's until the procedure ends. A save that
// fails keeps the window open with everything typed. The data context, the prompter and the choices
// belong to the caller and must outlive the window.

#include "entry/ReportSession.h"
#include "shell/ui/Choices.h"
#include "shell/ui/Services.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace zemor::data {
class DataContext;
}
namespace zemor::runtime::ui {
class ListBinding;
class QueueModel;
} // namespace zemor::runtime::ui
namespace zemor::shell {
struct AppState;
}

namespace zemor::runtime::report {
class PageSink;
}

namespace zemor::runtime::office {
class Conversation;
}

namespace zemor::entry::ui {

// The open report as the window shows it.
struct EntryReport
{
    ReportIdentity id;
    bool given = false; // opened by its caller: no change of form or institution
    QString formCodeText;
    QString formName;
    QString periodWord;
    QString periodText;
    QString districtName;
    QString title;
};

class EntryWindow : public QDialog
{
    Q_OBJECT

public:
    static QString savedText() { return QStringLiteral("ЗАПИСАНО ."); }
    static QString tableSavedText() { return QStringLiteral("Данная таблица записана в базу"); }
    static QString saveQuestion() { return QStringLiteral("Сохранить отчет ?"); }

    EntryWindow(data::DataContext &context, const shell::ui::Services &services, EntryReport report,
                QWidget *parent = nullptr);
    ~EntryWindow() override;

    // Opens the report (the marker, the tables, the stored rows); false when the procedure
    // ended instead: the marker was refused, the report could not be read, or its table has
    // no rows (the closing sequence has run then).
    bool openReport();

    ReportSession &session() { return m_session; }
    const EntryReport &report() const { return m_report; }
    runtime::ui::ListBinding *binding() const { return m_binding; }
    // True once the procedure has ended through one of its ways out.
    bool ended() const { return m_ended; }
    // True once the report was deleted.
    bool reportDeleted() const { return m_deleted; }

    // The commands of the buttons, also reached without a mouse by the tests.
    void saveTable();
    void saveReport();
    void saveEmptyReport();
    void clearTable();
    void deleteReport();
    void calculateTotals();
    void checkReport();
    void carryOver();
    // "Печать" (?PRNT1): the print parameters, then the report's tables to the services' pages.
    void printTables();
    void chooseTable();
    // "Выгрузка таблицы в Excel" (?EXCEL): the current table to a new workbook, through the
    // services' office; without an office ?EXCEL stays disabled.
    void exportTable();
    void stepTable(int step);
    void changeForm();
    void changeInstitution();
    void setColumnWise(bool on);
    void openRowForm();
    void editInPlace(int row, int valueNumber);

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void reject() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildWindow();
    void showParticulars();
    void loadTableView();
    void refreshValues();
    void placeFixedColumns();
    void showRowText(int row);
    void valueEdited(const QModelIndex &index);
    void listDoubleClicked(const QModelIndex &index);
    bool editing() const;
    // Ends an edit in place, storing its value; false (with a beep, the edit kept open) when
    // the text does not read.
    bool finishEdit();
    bool reopen(); // the marker taken again after a cancelled change
    void end();
    // A way out that failed only at removing the report-in-use marker still ends the window:
    // the report is saved or deleted and the session closed. The user is told that the marker
    // stayed, since the next opening will meet it.
    void tellMarkerLeft(const runtime::Error &error);
    bool saveBeforeChange();
    // The closing sequence; false when a failed save keeps the report open.
    bool leaveReport();
    // A table without rows ends the window through the closing sequence; true when it ended.
    bool endWhenNoRows();

    data::DataContext &m_context;
    runtime::Prompter &m_prompter;
    shell::AppState &m_state;
    std::shared_ptr<shell::ui::Choices> m_choices;
    EntryReport m_report;
    ReportSession m_session;
    std::shared_ptr<runtime::report::PageSink> m_pages;
    runtime::office::Conversation *m_office = nullptr;
    QPushButton *m_excel = nullptr;
    bool m_ended = false;
    bool m_deleted = false;
    bool m_filling = false;
    // Where an edit in place goes on once its value is stored.
    enum class EditStep { Down, Next, Previous };
    int m_editColumn = -1; // the value being edited in place, -1 when none
    EditStep m_editStep = EditStep::Down;

    QLabel *m_year = nullptr;
    QLabel *m_formCode = nullptr;
    QLabel *m_periodWord = nullptr;
    QLineEdit *m_period = nullptr;
    QLabel *m_periodText = nullptr;
    QLabel *m_institution = nullptr;
    QLabel *m_tableText = nullptr;
    QLabel *m_formText = nullptr;
    QLabel *m_rowName = nullptr;
    QLabel *m_rowSexCodes = nullptr;
    QCheckBox *m_columnWise = nullptr;
    QCheckBox *m_controlOff = nullptr;
    QTableView *m_list = nullptr;
    runtime::ui::QueueModel *m_model = nullptr;
    runtime::ui::ListBinding *m_binding = nullptr;
    QPushButton *m_calc = nullptr;
    QPushButton *m_carry = nullptr;
    QPushButton *m_next = nullptr;
    QPushButton *m_previous = nullptr;
    QPushButton *m_newForm = nullptr;
    QPushButton *m_newInstitution = nullptr;
};

} // namespace zemor::entry::ui
