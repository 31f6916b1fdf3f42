#include "runtime/fs/DurableFile.h"

#include "runtime/fs/Paths.h"

#include <QFile>

#include <atomic>
#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zemor::runtime::fs {

namespace {

std::atomic<int> g_injectedWriteErrno{0};

} // namespace

void failDurableWritesForTesting(int errnum)
{
    g_injectedWriteErrno.store(errnum);
}

DurableFile::~DurableFile()
{
    discard();
}

DurableFile::DurableFile(DurableFile &&other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_target(std::move(other.m_target)),
      m_tempPath(std::move(other.m_tempPath)), m_status(std::move(other.m_status))
{
    other.m_tempPath.clear();
}

DurableFile &DurableFile::operator=(DurableFile &&other) noexcept
{
    if (this != &other) {
        discard();
        m_fd = std::exchange(other.m_fd, -1);
        m_target = std::move(other.m_target);
        m_tempPath = std::move(other.m_tempPath);
        other.m_tempPath.clear();
        m_status = std::move(other.m_status);
    }
    return *this;
}

Result<DurableFile> DurableFile::begin(const QString &target, unsigned mode)
{
    if (target.trimmed().isEmpty())
        return fail(ErrorCode::InvalidName, target, QStringLiteral("Имя файла не задано"));
    // The new file lies in the target's folder, also for a name relative to the current one;
    // what a writer of this target left there when it died goes first.
    const QString absolute = absolutePath(target);
    removeLeftoverTemps(absolute);
    auto temp = createTempBeside(absolute, mode);
    if (!temp)
        return std::unexpected(temp.error());
    DurableFile file;
    file.m_fd = temp->fd;
    file.m_target = target;
    file.m_tempPath = temp->path;
    // A file that replaces another keeps its permissions.
    struct stat st;
    if (::stat(encodeName(target).constData(), &st) == 0 && S_ISREG(st.st_mode)) {
        if (auto kept = file.setMode(st.st_mode & 07777); !kept)
            return std::unexpected(kept.error());
    }
    return file;
}

Status DurableFile::write(QByteArrayView bytes)
{
    if (m_fd < 0)
        return m_status ? fail(ErrorCode::FileNotOpen, m_target) : m_status;
    if (!m_status)
        return m_status;
    if (const int injected = g_injectedWriteErrno.load(); injected != 0 && !bytes.isEmpty())
        m_status = failWithErrno(injected, m_target);
    else
        m_status = writeAll(m_fd, bytes.data(), bytes.size(), m_target);
    return m_status;
}

Status DurableFile::writeAt(qint64 offset, QByteArrayView bytes)
{
    if (m_fd < 0)
        return m_status ? fail(ErrorCode::FileNotOpen, m_target) : m_status;
    if (!m_status)
        return m_status;
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::pwrite(m_fd, bytes.data() + done, size_t(bytes.size() - done), off_t(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            m_status = failWithErrno(errno, m_target);
            return m_status;
        }
        done += n;
    }
    return {};
}

Status DurableFile::setMode(unsigned mode)
{
    if (m_fd < 0)
        return m_status ? fail(ErrorCode::FileNotOpen, m_target) : m_status;
    if (::fchmod(m_fd, mode_t(mode)) != 0)
        m_status = failWithErrno(errno, m_target);
    return m_status;
}

Status DurableFile::commit()
{
    if (m_fd < 0)
        return m_status ? fail(ErrorCode::FileNotOpen, m_target) : m_status;
    Status status = m_status;
    if (status)
        status = syncFile(m_fd, m_target);
    if (::close(std::exchange(m_fd, -1)) != 0 && status)
        status = failWithErrno(errno, m_target);
    if (status &&
        ::rename(fs::encodeName(m_tempPath).constData(), fs::encodeName(m_target).constData()) != 0)
        status = failWithErrno(errno, m_target);
    if (!status) {
        ::unlink(fs::encodeName(m_tempPath).constData());
        m_tempPath.clear();
        m_status = status;
        return status;
    }
    m_tempPath.clear();
    syncDirectory(folderOf(absolutePath(m_target)));
    return {};
}

void DurableFile::discard()
{
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
    if (!m_tempPath.isEmpty())
        ::unlink(fs::encodeName(std::exchange(m_tempPath, QString())).constData());
}

Status writeWholeFile(const QString &target, QByteArrayView content, unsigned mode)
{
    auto file = DurableFile::begin(target, mode);
    if (!file)
        return std::unexpected(file.error());
    if (auto written = file->write(content); !written)
        return written;
    return file->commit();
}

Result<bool> createIfAbsent(const QString &path, unsigned mode)
{
    const int fd = ::open(fs::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                          static_cast<mode_t>(mode));
    if (fd < 0) {
        if (errno == EEXIST)
            return false;
        return failWithErrno(errno, path);
    }
    ::close(fd);
    syncDirectory(folderOf(absolutePath(path)));
    return true;
}

Result<QByteArray> readWholeFile(const QString &path)
{
    const int fd = ::open(fs::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return failWithErrno(errno, path);
    QByteArray content;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return failWithErrno(EISDIR, path);
    }
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            return failWithErrno(err, path);
        }
        if (n == 0)
            break;
        content.append(buffer, n);
    }
    ::close(fd);
    return content;
}

} // namespace zemor::runtime::fs
