#pragma once

// The data context of one window family: the frame with the procedures it calls, or one
// procedure window that runs on its own with the procedures it calls. It owns what the program
// keeps per window family and never shares: its own file-name variables (FileNames), its error
// manager with the error status, and, for each of the 28 dictionary files, the file's instance
// with its record buffer, its FileManager and its RelationManager. Two contexts are fully
// independent: each opens its own handles, a name set or a record read in one is never seen by
// the other, and closing one leaves the other's files open.
//
// Constructing a context builds the 56 managers (createFileManagers), destroying it closes every
// file still open and tears them down (destroyFileManagers). The process-wide state (the year,
// its bounds, the user settings, the working directory) lives elsewhere.
//
// The prompter is where the error manager shows failures; it is not owned and must outlive the
// context (nullptr: failures are recorded in the status and returned, not shown). A context is
// used on one thread.

#include "data/Dictionary.h"
#include "data/ErrorManager.h"
#include "data/FileNames.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <memory>

namespace zemor::runtime {
class Prompter;
namespace store {
class KeyedFile;
}
} // namespace zemor::runtime

namespace zemor::data {

class FileManager;
class RelationManager;

class DataContext
{
public:
    explicit DataContext(runtime::Prompter *prompter = nullptr);
    ~DataContext();
    DataContext(const DataContext &) = delete;
    DataContext &operator=(const DataContext &) = delete;

    FileNames &names() { return m_names; }
    const FileNames &names() const { return m_names; }
    ErrorManager &errors() { return m_errors; }

    FileManager &fileManager(FileId id);
    RelationManager &relationManager(FileId id);

    // Shorthands for the file's current handle (FileManager::keyed(), record()).
    runtime::store::KeyedFile &file(FileId id);
    QByteArray &record(FileId id);

    // Opening and closing through the file's relation manager, the usual way.
    [[nodiscard]] runtime::Status open(FileId id);
    void close(FileId id);

private:
    void createFileManagers();
    void destroyFileManagers();

    FileNames m_names;
    ErrorManager m_errors;
    std::array<std::unique_ptr<FileManager>, fileCount> m_files;
    std::array<std::unique_ptr<RelationManager>, fileCount> m_relations;
};

} // namespace zemor::data
