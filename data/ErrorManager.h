#pragma once

// The error manager of one data context: it reports a failed file operation to the user and
// keeps the error status of its context (file, key and error of the last failure), so that a
// failure is always reported, and remembered, in the window family where it happened.
//
// A report is one message box through the injected runtime::Prompter: the caption is the
// operation's message template ("File Access Error", "Record Was Not Updated", ...), the text
// names the template, the file's label and name, the key where one was used, the error code
// with the platform's text for it, and the detail of the failure when it says more. The
// procedure name, when one is set, is named too. The manager never decides anything: the
// failed operation still returns its error to the caller.
//
// The manager does not own the prompter; the prompter must outlive it. Without a prompter
// (nullptr) failures are only recorded in the status.

#include "runtime/core/Error.h"

#include <QString>
#include <QStringList>

namespace zemor::runtime {
class Prompter;
}

namespace zemor::data {

// The file operations the manager has a message template for.
enum class FileOperation {
    Open,   // opening, reading, closing: "File Access Error"
    Create, // creating a missing file: "File Access Error" too
    Add,    // "Record Was Not Added"
    Update, // "Record Was Not Updated"
    Delete, // "Record Was Not Deleted"
};

// The last failure of a context. `failed()` is false until something fails and after clear().
struct ErrorStatus
{
    FileOperation operation = FileOperation::Open;
    QString label;    // the dictionary file's label ("forma")
    QString fileName; // the name the file was opened with, or the path on disk
    QString key;      // the key of the operation, when it had one ("FOR:KEYUNICOD")
    runtime::Error error;

    bool failed() const { return error.code != runtime::ErrorCode::None; }
};

class ErrorManager
{
public:
    explicit ErrorManager(runtime::Prompter *prompter = nullptr);

    runtime::Prompter *prompter() const { return m_prompter; }

    // The procedure whose failures are being reported ("Main"). Procedures nest: set pushes,
    // remove pops back to the name before.
    void setProcedureName(const QString &name);
    void removeProcedureName();
    QString procedureName() const;

    // Records the failure as the context's status and shows it.
    void report(FileOperation operation, const QString &label, const QString &fileName,
                const runtime::Error &error, const QString &key = {});
    // The same without a message box (a failure the caller reports in its own words).
    void record(FileOperation operation, const QString &label, const QString &fileName,
                const runtime::Error &error, const QString &key = {});

    const ErrorStatus &status() const { return m_status; }
    void clear() { m_status = {}; }

    static QString messageTemplate(FileOperation operation);
    // The text and caption report() shows for a status.
    QString messageText(const ErrorStatus &status) const;
    static QString caption(const ErrorStatus &status) { return messageTemplate(status.operation); }

private:
    runtime::Prompter *m_prompter = nullptr;
    QStringList m_procedures;
    ErrorStatus m_status;
};

} // namespace zemor::data
