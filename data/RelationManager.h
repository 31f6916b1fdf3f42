#pragma once

// The relation manager of one dictionary file in one data context: it opens and closes the
// file together with the files connected to it through the dictionary's relations. This is
// how procedures open dictionary files.
//
// The connected groups follow from the declared relations: `forma`, `tabl`, `grafa`, `stroka`,
// `indik`, `Rash`, `ContrGr`, `Pokas`; `viduch`, `region1`, `boln`; `spravoh`, `Docum`; every
// other file is alone. open() opens the file itself first, then the others of its group in
// dictionary order, each through its own FileManager under its current name, each once per
// opening (nested openings are counted by the file managers). A related file whose name is
// blank stays closed, without a message; the file's own blank name is an error.
//
// open() is all or nothing: when the file or a related file cannot be opened (the failure is
// reported by that file's manager), the openings this call had already made are undone and the
// error is returned; the procedure then has nothing open to close. close() undoes exactly the
// openings of the latest open() still in force, whatever the name variables say meanwhile.
//
// The relation modes (cascade, restrict, ...) are declared in the dictionary and shown by
// relations(); no record is ever changed or deleted through a relation manager, so they never
// act.

#include "data/Dictionary.h"
#include "runtime/core/Error.h"

#include <QList>

#include <functional>
#include <utility>

namespace zemor::data {

class FileManager;

class RelationManager
{
public:
    // `files` gives the file manager of every file of the context.
    using FileManagers = std::function<FileManager &(FileId)>;

    RelationManager(FileId id, FileManagers files);
    RelationManager(const RelationManager &) = delete;
    RelationManager &operator=(const RelationManager &) = delete;

    FileId id() const { return m_id; }
    FileManager &fileManager() const { return m_files(m_id); }

    // The file itself first, then the files connected to it in dictionary order.
    const QList<FileId> &group() const { return m_group; }
    // The declared relations in which the file is the parent or the child.
    QList<RelationDecl> relations() const;

    [[nodiscard]] runtime::Status open();
    void close();
    int openCount() const { return int(m_openings.size()); }

    // The connected group of a file, computed from relations().
    static QList<FileId> connectedGroup(FileId id);

private:
    using Opening = QList<std::pair<FileId, quint64>>; // file and its file manager's ticket

    void undo(const Opening &opening);

    FileId m_id;
    FileManagers m_files;
    QList<FileId> m_group;
    QList<Opening> m_openings;
};

} // namespace zemor::data
