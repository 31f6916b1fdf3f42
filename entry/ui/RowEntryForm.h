#pragma once

// The one-row form of report entry (`P1$SCRADD`): the table code, the row code, one field per
// value column of the table (in three columns of fields, each with its stored column number
// and its name), the row's name, sex mark and codes, and the buttons "Стр/F5", "F2-сохранить"
// and "Таб/F4".
//
// Values typed reach the session's entry rows only when the row is stored: with F2 or
// "F2-сохранить", or when the focus leaves the last value field forward (Tab, Enter or Down),
// which also brings the focus back to the row code for the next row. A stored row is checked
// with messages when the on-line control is on, and the fields of a failed rule are flagged
// beside them ("?" and the relation with the terms' sum at its left column, "?" at its terms)
// until the row is checked again or another row is shown. Enter and Down move on like Tab, Up
// moves back.
// Only the fields the user changed are read back through their pictures; the others keep
// their values exactly, also the places a picture does not show. A value too wide for its
// picture is shown whole. A typed value that its column's picture does not read is not
// stored: the form beeps and keeps the focus on that field. Typing another row code jumps to that
// row (an unknown code opens the row list); another table code opens the table list.
//
// run() shows the form modal and, when it closes, lets the session copy the rows stored in it
// into the report. The session and the prompter belong to the caller.

#include "entry/ReportSession.h"

#include <QDialog>
#include <QList>
#include <QStringList>

class QGridLayout;
class QLabel;
class QLineEdit;
class QWidget;

namespace zemor::entry::ui {

class RowEntryForm : public QDialog
{
    Q_OBJECT

public:
    RowEntryForm(ReportSession &session, int row, const QString &title, runtime::Prompter &prompter,
                 QWidget *parent = nullptr);

    static void run(ReportSession &session, int row, const QString &title,
                    runtime::Prompter &prompter, QWidget *parent = nullptr);

    int currentRow() const { return m_row; }
    // F2: the shown values stored into the row (checked when the control is on); false when a
    // value could not be read.
    bool storeRow();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildFields();
    void showRow(int row);
    void acceptRowCode();
    void acceptTableCode();
    void pickRow();
    void pickTable();
    void changedTable();
    void checkShownRow();
    int valueField(QObject *watched) const; // 1-based, 0 when not a value field

    ReportSession &m_session;
    runtime::Prompter &m_prompter;
    int m_row = 0;
    QString m_rememberedCode;

    QLineEdit *m_tableCode = nullptr;
    QLabel *m_tableName = nullptr;
    QLineEdit *m_rowCode = nullptr;
    QLabel *m_rowName = nullptr;
    QLabel *m_rowSexCodes = nullptr;
    QWidget *m_fieldsBox = nullptr;
    QGridLayout *m_fieldsLayout = nullptr;
    QList<QLineEdit *> m_values; // value n at [n - 1]
    QStringList m_shown;         // the text each value field was given for the row shown
    QList<QLabel *> m_flags;     // beside value n at [n - 1]: what the last check found there
};

} // namespace zemor::entry::ui
