#include "data/FileManager.h"

#include "data/ErrorManager.h"
#include "runtime/fs/DurableFile.h"
#include "runtime/fs/Paths.h"
#include "runtime/store/KeyedFile.h"

namespace zemor::data {

using runtime::Error;
using runtime::ErrorCode;
using runtime::fail;
using runtime::Result;
using runtime::Status;
using runtime::store::KeyedFile;

struct FileManager::Handle
{
    QString name; // as the file was opened
    QString path; // on disk
    int count = 0;
    std::unique_ptr<KeyedFile> keyed; // keyed drivers only
    QByteArray record;                // the buffer of text and dBase files
};

FileManager::FileManager(const FileDecl &declaration, NameSource name, ErrorManager &errors)
    : m_decl(declaration), m_nameSource(std::move(name)), m_errors(errors)
{
    auto own = std::make_unique<Handle>();
    if (isKeyed()) {
        own->keyed = std::make_unique<KeyedFile>(m_decl.layout);
        own->keyed->clearRecord();
    } else {
        own->record = m_decl.layout.clearedRecord();
    }
    m_handles.push_back(std::move(own));
}

FileManager::~FileManager()
{
    for (auto &handle : m_handles) {
        if (handle->keyed)
            handle->keyed->close();
    }
}

bool FileManager::isKeyed() const
{
    return data::isKeyed(m_decl.driver);
}

bool FileManager::mayCreate() const
{
    // A dBase file is the user's file from another program: an empty one made here would be
    // read as a file without rows.
    return m_decl.createWhenMissing && m_decl.driver != Driver::Dbase;
}

FileManager::Handle *FileManager::current() const
{
    return m_openings.isEmpty() ? m_handles.front().get() : m_openings.last().handle;
}

FileManager::Handle *FileManager::findOpen(const QString &path) const
{
    for (const auto &handle : m_handles) {
        if (handle->count > 0 && handle->path == path)
            return handle.get();
    }
    return nullptr;
}

FileManager::Handle *FileManager::freeHandle()
{
    if (m_handles.front()->count == 0)
        return m_handles.front().get();
    auto extra = std::make_unique<Handle>();
    if (isKeyed()) {
        extra->keyed = std::make_unique<KeyedFile>(m_decl.layout);
        extra->keyed->clearRecord();
    } else {
        extra->record = m_decl.layout.clearedRecord();
    }
    m_handles.push_back(std::move(extra));
    return m_handles.back().get();
}

Status FileManager::failed(Error error, const QString &fileName, bool create)
{
    m_errors.report(create ? FileOperation::Create : FileOperation::Open, m_decl.label, fileName,
                    error);
    return std::unexpected(std::move(error));
}

Status FileManager::createMissing(const QString &path)
{
    if (isKeyed())
        return KeyedFile::create(path, m_decl.layout);
    // A text file: created empty, and only when absent, so that a file another holder has
    // just made is never truncated.
    auto created = runtime::fs::createIfAbsent(path);
    if (!created)
        return std::unexpected(created.error());
    return {};
}

Status FileManager::openHandle(Handle &handle, const QString &name, const QString &path)
{
    bool created = false;
    if (!runtime::fs::exists(path)) {
        if (!mayCreate())
            return failed(fail(ErrorCode::FileNotFound, path).error(), name);
        if (auto made = createMissing(path); !made)
            return failed(made.error(), name, true);
        created = true;
    }
    if (handle.keyed) {
        Status opened = handle.keyed->open(path, runtime::store::Access::ReadWrite,
                                           runtime::store::Share::DenyNone);
        // The file can vanish between the look and the open (another program removed it).
        if (!opened && opened.error().code == ErrorCode::FileNotFound && mayCreate() && !created) {
            if (auto made = createMissing(path); !made)
                return failed(made.error(), name, true);
            opened = handle.keyed->open(path, runtime::store::Access::ReadWrite,
                                        runtime::store::Share::DenyNone);
        }
        if (!opened)
            return failed(opened.error(), name);
    }
    handle.name = name;
    handle.path = path;
    return {};
}

Result<quint64> FileManager::openCounted()
{
    const QString name = currentName();
    if (name.trimmed().isEmpty()) {
        Error error = fail(ErrorCode::InvalidName, m_decl.label,
                           QStringLiteral("Не задано имя файла %1").arg(m_decl.label))
                          .error();
        m_errors.report(FileOperation::Open, m_decl.label, QString(), error);
        return std::unexpected(std::move(error));
    }
    // A file open under this very name is the one it names: counted without resolving the name
    // on disk again (which lists its directory).
    Handle *handle = nullptr;
    for (const auto &open : m_handles) {
        if (open->count > 0 && open->name == name)
            handle = open.get();
    }
    Result<QString> path;
    if (!handle) {
        path = runtime::fs::resolve(name, defaultExtension(m_decl.driver));
        if (!path)
            return std::unexpected(failed(path.error(), name).error());
        handle = findOpen(*path);
    }
    if (!handle) {
        handle = freeHandle();
        if (Status opened = openHandle(*handle, name, *path); !opened) {
            release(handle);
            return std::unexpected(opened.error());
        }
    }
    ++handle->count;
    const quint64 ticket = m_nextTicket++;
    m_openings.append(Opening{ticket, handle});
    return ticket;
}

Status FileManager::open()
{
    if (auto ticket = openCounted(); !ticket)
        return std::unexpected(ticket.error());
    return {};
}

void FileManager::release(Handle *handle)
{
    if (handle->count > 0)
        return;
    if (handle->keyed)
        handle->keyed->close();
    handle->name.clear();
    handle->path.clear();
    if (handle != m_handles.front().get()) {
        for (auto it = m_handles.begin(); it != m_handles.end(); ++it) {
            if (it->get() == handle) {
                m_handles.erase(it);
                break;
            }
        }
    }
}

void FileManager::closeOpening(quint64 ticket)
{
    for (qsizetype i = m_openings.size() - 1; i >= 0; --i) {
        if (m_openings[i].ticket != ticket)
            continue;
        Handle *handle = m_openings[i].handle;
        m_openings.removeAt(i);
        --handle->count;
        release(handle);
        return;
    }
}

void FileManager::close()
{
    if (!m_openings.isEmpty())
        closeOpening(m_openings.last().ticket);
}

bool FileManager::isOpen() const
{
    return current()->count > 0;
}

int FileManager::openCount() const
{
    return int(m_openings.size());
}

int FileManager::handleCount() const
{
    int open = 0;
    for (const auto &handle : m_handles)
        open += handle->count > 0 ? 1 : 0;
    return open;
}

QString FileManager::name() const
{
    return current()->name;
}

QString FileManager::path() const
{
    return current()->path;
}

KeyedFile &FileManager::keyed()
{
    Q_ASSERT(isKeyed());
    return *current()->keyed;
}

QByteArray &FileManager::record()
{
    Handle *handle = current();
    return handle->keyed ? handle->keyed->record() : handle->record;
}

} // namespace zemor::data
