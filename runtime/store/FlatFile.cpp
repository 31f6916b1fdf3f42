#include "runtime/store/FlatFile.h"

#include "runtime/fs/Paths.h"

#include <QFile>
#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <functional>
#include <limits>
#include <utility>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace zemor::runtime::store {

namespace {

constexpr char magic[8] = {'Z', 'M', 'R', 'F', 'L', 'A', 'T', '\0'};
constexpr qsizetype chunkBytes = 1 << 16;

struct Header
{
    quint32 version = 0;
    quint32 recordLength = 0;
    quint64 count = 0;
    quint32 crc = 0;
    quint32 reserved = 0;
};

QByteArray encodeHeader(quint32 recordLength, quint64 count, quint32 crc)
{
    QByteArray bytes(FlatFile::headerSize, '\0');
    char *p = bytes.data();
    std::memcpy(p, magic, sizeof magic);
    qToLittleEndian<quint32>(FlatFile::formatVersion, p + 8);
    qToLittleEndian<quint32>(recordLength, p + 12);
    qToLittleEndian<quint64>(count, p + 16);
    qToLittleEndian<quint32>(crc, p + 24);
    return bytes;
}

// Records per read or write: whole records, about 64 KiB at a time.
qsizetype chunkFor(int recordLength)
{
    return std::max<qsizetype>(1, chunkBytes / recordLength) * recordLength;
}

std::unexpected<Error> damaged(const QString &path, const QString &reason)
{
    return fail(ErrorCode::DamagedFile, path,
                QStringLiteral("Файл %1 поврежден: %2").arg(path, reason));
}

QByteArray encoded(const QString &path)
{
    return fs::encodeName(path);
}

// Reads up to `size` bytes; fewer only at the end of the file.
Result<qint64> readSome(int fd, char *data, qint64 size, const QString &path)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, data + done, static_cast<size_t>(size - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fs::failWithErrno(errno, path);
        }
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

// Readies a big buffer about to be filled: large pages under it where they fit, and its pages
// made present in one call, so that a file of megabytes costs no page fault a page. Only hints;
// nothing fails without them.
void preferLargePages(char *data, qsizetype size)
{
    constexpr qsizetype large = qsizetype(2) << 20;
    if (size < large)
        return;
    const auto at = reinterpret_cast<quintptr>(data);
    const auto first = (at + large - 1) & ~quintptr(large - 1);
    const auto end = (at + quintptr(size)) & ~quintptr(large - 1);
    if (end > first)
        (void)::madvise(reinterpret_cast<void *>(first), size_t(end - first), MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
    const quintptr page = quintptr(::sysconf(_SC_PAGESIZE));
    const quintptr from = (at + page - 1) & ~(page - 1);
    const quintptr to = (at + quintptr(size)) & ~(page - 1);
    if (to > from)
        (void)::madvise(reinterpret_cast<void *>(from), size_t(to - from), MADV_POPULATE_WRITE);
#endif
}

using Sink = std::function<Status(const char *, qint64)>;

// Checks a whole flat file from its start: header, size and the checksum of the records, which
// are handed to `sink` (when given) as they are read. With `into` the records are read straight
// into it, all of them, instead of a chunk at a time into a buffer of the check's own. Nothing
// of a file that fails is trusted.
Result<Header> checkFile(int fd, const QString &path, int expectedRecordLength, const Sink &sink,
                         QByteArray *into = nullptr)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return fs::failWithErrno(errno, path);
    if (!S_ISREG(st.st_mode))
        return damaged(path, QStringLiteral("это не обычный файл"));
    const qint64 size = st.st_size;
    if (size == 0)
        return damaged(path, QStringLiteral("файл пуст"));

    char raw[FlatFile::headerSize];
    auto got = readSome(fd, raw, FlatFile::headerSize, path);
    if (!got)
        return std::unexpected(got.error());
    const qint64 magicBytes = std::min<qint64>(*got, sizeof magic);
    if (std::memcmp(raw, magic, static_cast<size_t>(magicBytes)) != 0)
        return damaged(path, QStringLiteral("это не файл записей этой программы"));
    if (*got < FlatFile::headerSize)
        return damaged(path, QStringLiteral("файл обрезан: %1 байт, короче заголовка").arg(*got));

    Header h;
    h.version = qFromLittleEndian<quint32>(raw + 8);
    h.recordLength = qFromLittleEndian<quint32>(raw + 12);
    h.count = qFromLittleEndian<quint64>(raw + 16);
    h.crc = qFromLittleEndian<quint32>(raw + 24);
    h.reserved = qFromLittleEndian<quint32>(raw + 28);
    if (h.version != FlatFile::formatVersion)
        return damaged(path, QStringLiteral("неизвестная версия формата %1").arg(h.version));
    if (h.reserved != 0 || h.recordLength == 0 ||
        h.recordLength > quint32(std::numeric_limits<int>::max()))
        return damaged(path, QStringLiteral("неверный заголовок"));
    if (expectedRecordLength > 0 && h.recordLength != quint32(expectedRecordLength))
        return damaged(path, QStringLiteral("не та длина записи: в файле %1 байт, "
                                            "ожидалось %2")
                                 .arg(h.recordLength)
                                 .arg(expectedRecordLength));

    const quint64 body = quint64(size - FlatFile::headerSize);
    if (h.count > body / h.recordLength)
        return damaged(path, QStringLiteral("файл обрезан: %1 байт, а записей %2 длиной %3 байт")
                                 .arg(size)
                                 .arg(h.count)
                                 .arg(h.recordLength));
    if (body != h.count * h.recordLength)
        return damaged(path, QStringLiteral("лишние %1 байт после записей (%2 длиной %3 байт)")
                                 .arg(body - h.count * h.recordLength)
                                 .arg(h.count)
                                 .arg(h.recordLength));

    // Bounded by what the file holds: a header claiming huge records must not make us allocate
    // them before the size check has said whether they exist.
    const qsizetype chunk = chunkFor(int(h.recordLength));
    QByteArray buffer;
    if (into) {
        *into = QByteArray(qsizetype(body), Qt::Uninitialized);
        preferLargePages(into->data(), qsizetype(body));
    } else
        buffer = QByteArray(qsizetype(std::min<quint64>(quint64(chunk), body)), Qt::Uninitialized);
    quint32 crc = quint32(::crc32(0, nullptr, 0));
    qint64 left = qint64(body);
    while (left > 0) {
        const qint64 want = std::min<qint64>(left, chunk);
        char *at = into ? into->data() + (qint64(body) - left) : buffer.data();
        auto n = readSome(fd, at, want, path);
        if (!n)
            return std::unexpected(n.error());
        if (*n != want)
            return damaged(path, QStringLiteral("файл обрезан во время чтения"));
        crc = quint32(::crc32(crc, reinterpret_cast<const Bytef *>(at), uInt(want)));
        if (sink) {
            if (auto passed = sink(at, want); !passed)
                return std::unexpected(passed.error());
        }
        left -= want;
    }
    if (crc != h.crc)
        return damaged(path, QStringLiteral("не сходится контрольная сумма: записи изменены"));
    return h;
}

void closeFd(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Writer

Result<FlatFile::Writer> FlatFile::Writer::create(const QString &name, int recordLength)
{
    if (recordLength <= 0)
        return fail(ErrorCode::InvalidArgument, name,
                    QStringLiteral("Длина записи %1 должна быть больше нуля").arg(recordLength));
    auto path = fs::resolve(name);
    if (!path)
        return std::unexpected(path.error());

    Writer writer;
    writer.m_path = *path;
    writer.m_recordLength = recordLength;
    writer.m_crc = quint32(::crc32(0, nullptr, 0));
    struct stat st;
    if (::stat(encoded(*path).constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return fail(ErrorCode::AccessDenied, *path, QStringLiteral("Это папка, а не файл"));
        writer.m_mode = int(st.st_mode & 07777);
    }
    auto file = fs::DurableFile::begin(*path);
    if (!file)
        return std::unexpected(file.error());
    writer.m_file = std::move(*file);
    // The header is written again with the count and checksum on commit.
    const QByteArray header = encodeHeader(quint32(recordLength), 0, 0);
    if (auto written = writer.m_file.write(header); !written)
        return std::unexpected(writer.spoil(written.error()).error());
    writer.m_buffer.reserve(chunkFor(recordLength) + recordLength);
    return writer;
}

Result<FlatFile::Writer> FlatFile::Writer::openForAppend(const QString &name, int recordLength)
{
    if (recordLength <= 0)
        return fail(ErrorCode::InvalidArgument, name,
                    QStringLiteral("Длина записи %1 должна быть больше нуля").arg(recordLength));
    auto path = fs::resolve(name);
    if (!path)
        return std::unexpected(path.error());
    int source = ::open(encoded(*path).constData(), O_RDONLY | O_CLOEXEC);
    if (source < 0)
        return fs::failWithErrno(errno, *path);

    auto writer = create(*path, recordLength);
    if (!writer) {
        closeFd(source);
        return writer;
    }
    fs::DurableFile &target = writer->m_file;
    auto checked = checkFile(source, *path, recordLength, [&](const char *data, qint64 size) {
        return target.write(QByteArrayView(data, size));
    });
    closeFd(source);
    if (!checked)
        return std::unexpected(writer->spoil(checked.error()).error());
    writer->m_count = qint64(checked->count);
    writer->m_crc = checked->crc;
    return writer;
}

FlatFile::Writer::Writer(Writer &&other) noexcept
{
    *this = std::move(other);
}

FlatFile::Writer &FlatFile::Writer::operator=(Writer &&other) noexcept
{
    if (this != &other) {
        release();
        m_file = std::move(other.m_file);
        m_path = std::move(other.m_path);
        m_recordLength = other.m_recordLength;
        m_count = other.m_count;
        m_crc = other.m_crc;
        m_mode = other.m_mode;
        m_buffer = std::move(other.m_buffer);
        m_error = std::move(other.m_error);
    }
    return *this;
}

FlatFile::Writer::~Writer()
{
    release();
}

Status FlatFile::Writer::append(const QByteArray &record)
{
    if (m_error.code != ErrorCode::None)
        return std::unexpected(m_error);
    if (!m_file.isOpen())
        return fail(ErrorCode::FileNotOpen, m_path);
    if (record.size() != m_recordLength)
        return spoil(Error{ErrorCode::InvalidArgument,
                           QStringLiteral("В %2 пишется запись длиной %1 байт, ожидалось %3 байт")
                               .arg(record.size())
                               .arg(m_path)
                               .arg(m_recordLength),
                           m_path});
    m_crc = quint32(
        ::crc32(m_crc, reinterpret_cast<const Bytef *>(record.constData()), uInt(record.size())));
    m_buffer.append(record);
    ++m_count;
    if (m_buffer.size() >= chunkBytes)
        return flushBuffer();
    return {};
}

Status FlatFile::Writer::flushBuffer()
{
    if (m_buffer.isEmpty())
        return {};
    if (auto written = m_file.write(m_buffer); !written)
        return spoil(written.error());
    m_buffer.clear();
    return {};
}

Status FlatFile::Writer::commit()
{
    if (m_error.code != ErrorCode::None)
        return std::unexpected(m_error);
    if (!m_file.isOpen())
        return fail(ErrorCode::FileNotOpen, m_path);
    if (auto flushed = flushBuffer(); !flushed)
        return flushed;
    const QByteArray header = encodeHeader(quint32(m_recordLength), quint64(m_count), m_crc);
    if (auto written = m_file.writeAt(0, header); !written)
        return spoil(written.error());
    if (m_mode >= 0) {
        if (auto kept = m_file.setMode(unsigned(m_mode)); !kept)
            return spoil(kept.error());
    }
    if (auto placed = m_file.commit(); !placed)
        return spoil(placed.error());
    m_buffer = QByteArray();
    return {};
}

Status FlatFile::Writer::spoil(Error error)
{
    m_error = error;
    release();
    return std::unexpected(std::move(error));
}

void FlatFile::Writer::release()
{
    m_file.discard();
    m_buffer.clear();
}

void FlatFile::Writer::abandon()
{
    release();
}

// ---------------------------------------------------------------------------------------------
// Reader

Result<FlatFile::Whole> FlatFile::readWhole(const QString &name, int expectedRecordLength,
                                            const std::function<Status(const char *, qint64)> &sink)
{
    auto path = fs::resolve(name);
    if (!path)
        return std::unexpected(path.error());
    int fd = ::open(encoded(*path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return fs::failWithErrno(errno, *path);
    Whole whole;
    auto checked = checkFile(fd, *path, expectedRecordLength, sink, &whole.records);
    closeFd(fd);
    if (!checked)
        return std::unexpected(checked.error());
    whole.path = *path;
    whole.recordLength = int(checked->recordLength);
    whole.count = qint64(checked->count);
    return whole;
}

Result<FlatFile::Reader> FlatFile::Reader::open(const QString &name, int expectedRecordLength)
{
    auto path = fs::resolve(name);
    if (!path)
        return std::unexpected(path.error());
    Reader reader;
    reader.m_path = *path;
    reader.m_fd = ::open(encoded(*path).constData(), O_RDONLY | O_CLOEXEC);
    if (reader.m_fd < 0)
        return fs::failWithErrno(errno, *path);
    // Writers never change a file in place (they rename a new one over it), so the descriptor
    // keeps the content that was checked here.
    auto checked = checkFile(reader.m_fd, *path, expectedRecordLength, {});
    if (!checked)
        return std::unexpected(checked.error());
    if (::lseek(reader.m_fd, FlatFile::headerSize, SEEK_SET) != FlatFile::headerSize)
        return fs::failWithErrno(errno, *path);
    reader.m_recordLength = int(checked->recordLength);
    reader.m_count = qint64(checked->count);
    return reader;
}

FlatFile::Reader::Reader(Reader &&other) noexcept
{
    *this = std::move(other);
}

FlatFile::Reader &FlatFile::Reader::operator=(Reader &&other) noexcept
{
    if (this != &other) {
        closeFd(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
        m_path = std::move(other.m_path);
        m_recordLength = other.m_recordLength;
        m_count = other.m_count;
        m_read = other.m_read;
        m_buffer = std::move(other.m_buffer);
        m_bufferPos = other.m_bufferPos;
    }
    return *this;
}

FlatFile::Reader::~Reader()
{
    closeFd(m_fd);
}

Result<bool> FlatFile::Reader::next(QByteArray &record)
{
    if (m_fd < 0)
        return fail(ErrorCode::FileNotOpen, m_path);
    if (m_read >= m_count)
        return false;
    if (m_bufferPos >= m_buffer.size()) {
        const qint64 records =
            std::min<qint64>(m_count - m_read, chunkFor(m_recordLength) / m_recordLength);
        m_buffer.resize(qsizetype(records * m_recordLength));
        m_bufferPos = 0;
        auto n = readSome(m_fd, m_buffer.data(), m_buffer.size(), m_path);
        if (!n)
            return std::unexpected(n.error());
        if (*n != m_buffer.size())
            return damaged(m_path, QStringLiteral("файл обрезан во время чтения"));
    }
    record = m_buffer.mid(m_bufferPos, m_recordLength);
    m_bufferPos += m_recordLength;
    ++m_read;
    return true;
}

Result<qint64> FlatFile::Reader::read(char *data, qint64 records)
{
    if (m_fd < 0)
        return fail(ErrorCode::FileNotOpen, m_path);
    qint64 done = 0;
    // Records already read ahead by next() come first.
    while (done < records && m_read < m_count && m_bufferPos < m_buffer.size()) {
        std::memcpy(data + done * m_recordLength, m_buffer.constData() + m_bufferPos,
                    size_t(m_recordLength));
        m_bufferPos += m_recordLength;
        ++m_read;
        ++done;
    }
    const qint64 direct = std::min(records - done, m_count - m_read);
    if (direct > 0) {
        const qint64 bytes = direct * m_recordLength;
        auto n = readSome(m_fd, data + done * m_recordLength, bytes, m_path);
        if (!n)
            return std::unexpected(n.error());
        if (*n != bytes)
            return damaged(m_path, QStringLiteral("файл обрезан во время чтения"));
        m_read += direct;
        done += direct;
    }
    return done;
}

} // namespace zemor::runtime::store
