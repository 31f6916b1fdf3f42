#include "data/DataContext.h"

#include "data/FileManager.h"
#include "data/RelationManager.h"
#include "runtime/store/KeyedFile.h"

namespace zemor::data {

namespace {

int slot(FileId id)
{
    const int n = static_cast<int>(id) - 1;
    Q_ASSERT(n >= 0 && n < fileCount);
    return n;
}

} // namespace

DataContext::DataContext(runtime::Prompter *prompter) : m_errors(prompter)
{
    createFileManagers();
}

DataContext::~DataContext()
{
    destroyFileManagers();
}

void DataContext::createFileManagers()
{
    for (const FileDecl &decl : dictionary()) {
        const FileId id = decl.id;
        // The name is read at every opening, so a name set just before the opening is the one
        // used, and a file already open keeps its name.
        m_files[slot(id)] = std::make_unique<FileManager>(
            decl, [this, id] { return m_names.fileName(id); }, m_errors);
    }
    for (const FileDecl &decl : dictionary()) {
        m_relations[slot(decl.id)] = std::make_unique<RelationManager>(
            decl.id, [this](FileId other) -> FileManager & { return fileManager(other); });
    }
}

void DataContext::destroyFileManagers()
{
    for (auto &relation : m_relations)
        relation.reset();
    for (auto &file : m_files)
        file.reset();
}

FileManager &DataContext::fileManager(FileId id)
{
    return *m_files[slot(id)];
}

RelationManager &DataContext::relationManager(FileId id)
{
    return *m_relations[slot(id)];
}

runtime::store::KeyedFile &DataContext::file(FileId id)
{
    return fileManager(id).keyed();
}

QByteArray &DataContext::record(FileId id)
{
    return fileManager(id).record();
}

runtime::Status DataContext::open(FileId id)
{
    return relationManager(id).open();
}

void DataContext::close(FileId id)
{
    relationManager(id).close();
}

} // namespace zemor::data
