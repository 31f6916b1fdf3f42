#include "runtime/store/ShareLock.h"
#include "runtime/fs/Paths.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zemor::runtime::store {

namespace {

// Far above SQLite's lock bytes (0x40000000 to 0x400001FF) and above any real file of ours; a
// lock beyond the end of a file is allowed and changes nothing in it.
constexpr off_t lockBase = 0x7FFF0000;
constexpr off_t byteM = lockBase;
constexpr off_t byteP = lockBase + 1;
constexpr off_t byteW = lockBase + 2;
constexpr off_t byteD = lockBase + 3;
constexpr off_t lockSpan = 4;

constexpr auto retryPause = std::chrono::milliseconds(20);

// 0 when taken, EAGAIN when another description holds a conflicting lock, another errno on
// failure.
int setLock(int fd, short type, off_t start, off_t length = 1)
{
    struct flock fl;
    std::memset(&fl, 0, sizeof fl);
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = start;
    fl.l_len = length;
    fl.l_pid = 0; // required for open-file-description locks
    if (::fcntl(fd, F_OFD_SETLK, &fl) == 0)
        return 0;
    const int e = errno;
    return e == EACCES ? EAGAIN : e;
}

// The descriptors of one file that may not be closed yet, see the header.
class DescriptorRegistry
{
public:
    static DescriptorRegistry &instance()
    {
        static DescriptorRegistry registry;
        return registry;
    }

    void enter(unsigned long long dev, unsigned long long ino)
    {
        std::lock_guard guard(m_mutex);
        ++m_files[{dev, ino}].users;
    }

    void leave(unsigned long long dev, unsigned long long ino, int fd)
    {
        std::vector<int> toClose;
        {
            std::lock_guard guard(m_mutex);
            auto it = m_files.find({dev, ino});
            if (it == m_files.end()) {
                toClose.push_back(fd);
            } else {
                it->second.parked.push_back(fd);
                if (--it->second.users <= 0) {
                    toClose = std::move(it->second.parked);
                    m_files.erase(it);
                }
            }
        }
        for (int f : toClose)
            ::close(f);
    }

private:
    struct Entry
    {
        int users = 0;
        std::vector<int> parked;
    };
    std::mutex m_mutex;
    std::map<std::pair<unsigned long long, unsigned long long>, Entry> m_files;
};

Error openError(int e, const QString &path)
{
    if (e == EISDIR)
        return fail(ErrorCode::InvalidName, path,
                    QStringLiteral("Недопустимое имя файла: это имя папки"))
            .error();
    return fs::failWithErrno(e, path).error();
}

} // namespace

ShareLock::~ShareLock()
{
    release();
}

Status ShareLock::acquire(const QString &path, Access access, Share share,
                          std::chrono::milliseconds wait)
{
    release();
    const QByteArray native = fs::encodeName(path);
    const bool needsWrite = access == Access::ReadWrite || share != Share::DenyNone;
    const auto deadline = std::chrono::steady_clock::now() + wait;

    for (;;) {
        int fd = ::open(native.constData(), O_RDWR | O_CLOEXEC);
        bool writable = true;
        if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
            fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
            writable = false;
        }
        if (fd < 0)
            return std::unexpected(openError(errno, path));
        struct stat st;
        if (::fstat(fd, &st) != 0) {
            const int e = errno;
            ::close(fd);
            return std::unexpected(openError(e, path));
        }
        if (!S_ISREG(st.st_mode)) {
            ::close(fd);
            return std::unexpected(openError(EISDIR, path));
        }
        if (!writable && needsWrite) {
            ::close(fd);
            return fail(ErrorCode::AccessDenied, path,
                        QStringLiteral("Access Denied: запись в файл запрещена"));
        }
        m_fd = fd;
        m_dev = st.st_dev;
        m_ino = st.st_ino;
        m_writableFd = writable;
        m_path = path;
        DescriptorRegistry::instance().enter(m_dev, m_ino);

        for (;;) {
            Error error;
            const Attempt attempt = tryTake(access, share, error);
            if (attempt == Attempt::Failed) {
                release();
                return std::unexpected(error);
            }
            if (attempt == Attempt::Taken) {
                // The name may have been given to another file while we waited (a removal or a
                // key rebuild that replaced the file): the locks must be on the file that the
                // name now leads to.
                struct stat now;
                if (::stat(native.constData(), &now) != 0) {
                    const int e = errno;
                    release();
                    return std::unexpected(openError(e, path));
                }
                if (now.st_dev == st.st_dev && now.st_ino == st.st_ino)
                    return {};
                release();
                break; // open the name again
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                release();
                return fail(ErrorCode::AccessDenied, path);
            }
            std::this_thread::sleep_for(retryPause);
        }
    }
}

ShareLock::Attempt ShareLock::tryTake(Access access, Share share, Error &error)
{
    auto failed = [&](int e) {
        unlockAll();
        error = fail(ErrorCode::IoError, m_path,
                     QStringLiteral("Ошибка ввода-вывода: файл не удается заблокировать (%1)")
                         .arg(fs::systemText(e)))
                    .error();
        return Attempt::Failed;
    };
    auto conflict = [&] {
        unlockAll();
        return Attempt::Conflict;
    };

    // Without write permission on the file no exclusive lock can be taken, and none is needed:
    // such an opener only reads and denies nothing.
    if (m_writableFd) {
        if (const int e = setLock(m_fd, F_WRLCK, byteM))
            return e == EAGAIN ? Attempt::Conflict : failed(e);
    }

    if (const int e = setLock(m_fd, share == Share::Exclusive ? F_WRLCK : F_RDLCK, byteP))
        return e == EAGAIN ? conflict() : failed(e);

    if (share != Share::Exclusive && access == Access::ReadWrite) {
        // Nobody else may deny writing.
        if (const int e = setLock(m_fd, F_WRLCK, byteD))
            return e == EAGAIN ? conflict() : failed(e);
        if (const int e = setLock(m_fd, F_UNLCK, byteD))
            return failed(e);
        if (const int e = setLock(m_fd, F_RDLCK, byteW))
            return failed(e);
    }
    if (share == Share::DenyWrite) {
        // Nobody else may write. Converting our own shared lock on W conflicts only with the
        // other writers.
        if (const int e = setLock(m_fd, F_WRLCK, byteW))
            return e == EAGAIN ? conflict() : failed(e);
        if (const int e = setLock(m_fd, access == Access::ReadWrite ? F_RDLCK : F_UNLCK, byteW))
            return failed(e);
        if (const int e = setLock(m_fd, F_RDLCK, byteD))
            return failed(e);
    }

    if (m_writableFd)
        setLock(m_fd, F_UNLCK, byteM);
    return Attempt::Taken;
}

void ShareLock::unlockAll()
{
    if (m_fd >= 0)
        setLock(m_fd, F_UNLCK, lockBase, lockSpan);
}

void ShareLock::release()
{
    if (m_fd < 0)
        return;
    unlockAll();
    DescriptorRegistry::instance().leave(m_dev, m_ino, m_fd);
    m_fd = -1;
    m_dev = m_ino = 0;
    m_writableFd = false;
    m_path.clear();
}

void ShareLock::swap(ShareLock &other)
{
    std::swap(m_fd, other.m_fd);
    std::swap(m_dev, other.m_dev);
    std::swap(m_ino, other.m_ino);
    std::swap(m_writableFd, other.m_writableFd);
    std::swap(m_path, other.m_path);
}

} // namespace zemor::runtime::store
