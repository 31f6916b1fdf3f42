#pragma once

// Prepares one spreadsheet workbook for an export and carries the export to its end. Every
// export of lists and summaries to Excel goes through it:
//
//   ExcelLauncher excel(office, prompter);
//   if (excel.launch(QStringLiteral("ras1.xls")) == 0)
//       return;                       // the user has been told why; nothing was made
//   excel.poke(9, 1, QStringLiteral("N"));
//   ...
//   excel.frame(9, 1, lastRow, 6);    // [SELECT("R9C1:R<last>C6")][BORDER(1,1,1,1,1,0,...)]
//   excel.finish();                   // "Выгрузка в Excel завершена", or why not
//
// launch() clears the work folder "temp1" of the working directory of earlier exports (it is
// created when missing; files that cannot be removed stay, and so do workbooks that another
// export of this program is still writing or that the desktop's spreadsheet program has open),
// gives the new workbook the number after the largest one left there, reserves that name,
// connects to the "Excel" service, has it open the template from "XLS/" and save it under the
// new name, and opens a conversation on the new workbook. Numbers are chosen under one
// process-wide lock, so two windows exporting at once never get the same workbook.
//
// When no workbook results (the service cannot be reached even after the user was asked to
// start it, the template cannot be opened, the copy cannot be saved) the user gets a message
// saying so, launch() answers channel 0 and the reserved name is given back. After a failed
// launch every further call does nothing, and finish() shows no success message. The same
// holds when a poke or command is refused or when the workbook cannot be written as the
// conversation ends: the export is reported as not done, never as finished. A workbook that was
// written but that no program could be started to show is reported as finished, with the
// reason and the file where it was written.
//
// The launcher owns the conversation it opened: finish() closes it, and the destructor closes
// it when finish() was not called (the workbook is then kept as the service keeps it, without
// a message). The Conversation and the Prompter belong to the caller and must outlive it.

#include "runtime/core/Error.h"

#include <QString>

#include <functional>

namespace zemor::runtime {
class Prompter;
namespace office {
class Conversation;
}
} // namespace zemor::runtime

namespace zemor::shell {

class ExcelLauncher
{
public:
    static QString serviceName() { return QStringLiteral("Excel"); }
    static QString systemTopic() { return QStringLiteral("SYSTEM"); }
    static QString workFolderName() { return QStringLiteral("temp1"); }
    static QString templateFolderName() { return QStringLiteral("XLS"); }
    static QString startExcelText() { return QStringLiteral("ЗАПУСТИТЕ Excel"); }
    static QString doneText() { return QStringLiteral("Выгрузка в Excel завершена"); }
    static QString notDoneText() { return QStringLiteral("Выгрузка в Excel не выполнена."); }
    // The closing message when the workbook was written but not shown (`notOpened` says why and
    // names the file shown; `path` stands in when it names none).
    static QString notOpenedText(const runtime::Error &notOpened, const QString &path);
    // Also texts: a leading apostrophe keeps the text from being read as a number (row codes
    // "2.10", "007") or losing an apostrophe of its own.
    static QString asText(const QString &value);
    static QString borderCommand() { return QStringLiteral("[BORDER(1,1,1,1,1,0,0,0,0,0,0)]"); }

    // `wait` lets a moment pass while the spreadsheet program starts, `opening` once it has
    // been told to open the template (one tick of the caller's waiting window each); none: no
    // pause.
    ExcelLauncher(runtime::office::Conversation &office, runtime::Prompter &prompter,
                  std::function<void()> wait = {}, std::function<void()> opening = {});
    ~ExcelLauncher();
    ExcelLauncher(const ExcelLauncher &) = delete;
    ExcelLauncher &operator=(const ExcelLauncher &) = delete;

    // Prepares the workbook from the template `templateName` ("ras1.xls"; trailing blanks are
    // dropped). Returns the channel of the new workbook, or 0. Call once per launcher.
    int launch(const QString &templateName);

    int channel() const { return m_channel; }
    // The workbook's number as text ("4") and its file; empty before a successful launch.
    QString number() const { return m_number > 0 ? QString::number(m_number) : QString(); }
    QString workbookPath() const { return m_path; }
    // Whether everything sent so far was accepted.
    bool ok() const { return m_channel != 0 && m_failure.code == runtime::ErrorCode::None; }

    // Writes into the workbook; after the first refusal the rest is skipped and finish()
    // reports that refusal.
    void poke(int row, int column, const QString &value);
    // Pokes `text` as a text, whatever it looks like.
    void pokeText(int row, int column, const QString &text);
    void execute(const QString &command);
    // SELECT of the range from (firstRow, firstColumn) to (lastRow, lastColumn), then BORDER.
    void frame(int firstRow, int firstColumn, int lastRow, int lastColumn);

    // Ends the conversation. Shows doneText() and answers true only when the workbook was
    // written with everything sent; otherwise tells the user what failed and answers false.
    bool finish();

    // The command that selects a range in R1C1 notation: [SELECT("R9C1:R40C6")].
    static QString selectCommand(int firstRow, int firstColumn, int lastRow, int lastColumn);
    // The number a work folder name carries: the part before the first "." as a whole number;
    // 0 when it is not one.
    static qint64 numberOf(const QString &fileName);

private:
    int fail(const QString &text, const runtime::Error &error);
    void keep(const runtime::Status &status);
    void release();

    runtime::office::Conversation &m_office;
    runtime::Prompter &m_prompter;
    std::function<void()> m_wait;
    std::function<void()> m_opening;
    int m_channel = 0;
    qint64 m_number = 0;
    QString m_path;
    bool m_reserved = false;
    bool m_finished = false;
    runtime::Error m_failure;
};

} // namespace zemor::shell
