#pragma once

// The file manager of one dictionary file in one data context: it opens the file under the
// current value of the file's name, creates it when it is missing and may be created, counts
// nested openings and closes the file when the last of them is undone. Procedures normally
// open through the file's RelationManager, which opens the related files the same way.
//
// Opening:
//  - The name is the file's fixed name or the current value of its name variable in the
//    context's FileNames, resolved by runtime/fs (letter case ignored, ".DAT" or ".TPS" added by
//    the extension rule of the keyed drivers). A blank name is InvalidName and creates nothing.
//  - A missing file is created empty (never truncating an existing one) only when its
//    declaration allows it and it is not a dBase file (`import1` and `VOV4000` are never
//    created), and only in an existing directory; then it is opened. A missing file that may not
//    be created, or whose directory is missing, fails with FileNotFound.
//  - A file that another holder keeps with writing denied or exclusively makes the open wait
//    (KeyedFile::shareWait(), 10 seconds) and then fail with AccessDenied; a lock is never broken.
//  - Every failure is reported through the context's ErrorManager and also returned.
//  - Keyed files are opened read-write, shared with every other holder.
//
// Names and handles: a handle keeps the name it was opened with, whatever the name variable
// says later. Opening again under a name that resolves to a file already open here only counts
// the opening. Opening under a name that resolves to another file while the first is open opens
// that file on a handle of its own, which becomes the current one (keyed(), record()) until
// that opening is undone; nesting is counted per file. Openings are undone last first: close()
// undoes the latest opening still in force, and the handle of the opening before it becomes
// current again.
//
// Text and dBase files (`TxtFile`, `import1`, `VOV4000`) have no handle here: the manager keeps
// their name, path and state, and the procedure reads them with the text or dBase reader.
//
// Not thread-safe: a manager belongs to one data context, which belongs to one window family.

#include "data/Dictionary.h"
#include "runtime/core/Error.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace zemor::runtime::store {
class KeyedFile;
}

namespace zemor::data {

class ErrorManager;

class FileManager
{
public:
    using NameSource = std::function<QString()>;

    // `name` gives the file's current name each time the file is opened.
    FileManager(const FileDecl &declaration, NameSource name, ErrorManager &errors);
    ~FileManager(); // closes every handle
    FileManager(const FileManager &) = delete;
    FileManager &operator=(const FileManager &) = delete;

    const FileDecl &declaration() const { return m_decl; }
    FileId id() const { return m_decl.id; }
    QString label() const { return m_decl.label; }
    bool isKeyed() const;

    // Whether a missing file is created: the declaration's setting, never for dBase files.
    bool mayCreate() const;
    // The name an opening would use now.
    QString currentName() const { return m_nameSource ? m_nameSource() : QString(); }

    [[nodiscard]] runtime::Status open();
    void close();

    // Opening with a ticket, for the relation manager: the opening is undone by its ticket, so
    // that a group closes exactly the openings it made.
    [[nodiscard]] runtime::Result<quint64> openCounted();
    void closeOpening(quint64 ticket);

    bool isOpen() const;     // the current handle is open
    int openCount() const;   // openings in force, over every handle
    int handleCount() const; // open handles (more than one while files of two names are open)
    QString name() const;    // the name the current handle was opened with; blank when closed
    QString path() const;    // its path on disk; blank when closed

    // The current handle of a keyed file. Always usable: while nothing is open it is the
    // file's closed instance, and every operation on it fails with FileNotOpen.
    runtime::store::KeyedFile &keyed();
    // The current record buffer (for text and dBase files a buffer of the record size).
    QByteArray &record();

private:
    struct Handle;
    struct Opening
    {
        quint64 ticket;
        Handle *handle;
    };

    Handle *current() const;
    Handle *findOpen(const QString &path) const;
    Handle *freeHandle();
    runtime::Status openHandle(Handle &handle, const QString &name, const QString &path);
    runtime::Status createMissing(const QString &path);
    runtime::Status failed(runtime::Error error, const QString &fileName, bool create = false);
    void release(Handle *handle);

    FileDecl m_decl;
    NameSource m_nameSource;
    ErrorManager &m_errors;
    std::vector<std::unique_ptr<Handle>> m_handles; // [0] is the file's own instance
    QList<Opening> m_openings;                      // in the order they were made
    quint64 m_nextTicket = 1;
};

} // namespace zemor::data
