#include "runtime/store/TextLineFile.h"

#include "runtime/fs/DurableFile.h"
#include "runtime/fs/Paths.h"
#include "runtime/text/Cp1251.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace zemor::runtime::store {

namespace {

constexpr qsizetype kFlushSize = 64 * 1024;

} // namespace

TextLineFile::TextLineFile() = default;

TextLineFile::~TextLineFile()
{
    close();
}

Result<QList<QByteArray>> TextLineFile::readLines(const QString &path)
{
    TextLineFile file;
    if (auto opened = file.openForReading(path); !opened)
        return std::unexpected(opened.error());
    QList<QByteArray> lines;
    while (!file.atEnd()) {
        auto line = file.readLine();
        if (!line)
            return std::unexpected(line.error());
        lines.append(std::move(*line));
    }
    return lines;
}

Status TextLineFile::writeTextLines(const QString &path, const QStringList &lines)
{
    TextLineFile file;
    if (Status created = file.create(path); !created)
        return created;
    for (const QString &line : lines) {
        if (Status written = file.writeLine(QStringView(line)); !written)
            return written;
    }
    return file.commit();
}

Result<QStringList> TextLineFile::readTextLines(const QString &path)
{
    auto lines = readLines(path);
    if (!lines)
        return std::unexpected(lines.error());
    QStringList text;
    text.reserve(lines->size());
    for (const QByteArray &line : *lines)
        text.append(decode(line));
    return text;
}

QString TextLineFile::decode(QByteArrayView line)
{
    return text::fromCp1251(line);
}

Status TextLineFile::openForReading(const QString &path)
{
    close();
    const fs::PathInfo info = fs::pathInfo(path);
    if (!info.exists)
        return fail(ErrorCode::FileNotFound, path);
    if (info.isDir)
        return fs::failWithErrno(EISDIR, path);
    const int fd = ::open(fs::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return fs::failWithErrno(errno, path);
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fs::failWithDevice(*file, path);
    }
    m_reader = std::move(file);
    m_path = path;
    m_mode = Mode::Reading;
    return {};
}

Result<QByteArray> TextLineFile::readLine()
{
    if (m_mode != Mode::Reading)
        return fail(ErrorCode::FileNotOpen, m_path);
    if (m_reader->atEnd())
        return fail(ErrorCode::EndOfFile, m_path);
    // Without a size limit QIODevice::readLine() takes the whole line, however long.
    QByteArray line = m_reader->readLine();
    if (m_reader->error() != QFileDevice::NoError)
        return fs::failWithDevice(*m_reader, m_path);
    if (line.endsWith('\n')) {
        line.chop(1);
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return line;
}

bool TextLineFile::atEnd() const
{
    return m_mode != Mode::Reading || m_reader->atEnd();
}

Status TextLineFile::create(const QString &path)
{
    close();
    if (!fs::pathInfo(fs::folderOf(path)).isDir)
        return fail(ErrorCode::FileNotFound, path);
    auto file = fs::DurableFile::begin(path);
    if (!file)
        return std::unexpected(file.error());
    m_writer = std::make_unique<fs::DurableFile>(std::move(*file));
    m_path = path;
    m_mode = Mode::Writing;
    m_buffer.clear();
    m_writeStatus = {};
    return {};
}

Status TextLineFile::writeLine(QByteArrayView line)
{
    if (m_mode != Mode::Writing)
        return fail(ErrorCode::FileNotOpen, m_path);
    if (!m_writeStatus)
        return m_writeStatus;
    if (line.contains('\n') || line.contains('\r'))
        return fail(ErrorCode::InvalidArgument, m_path,
                    QStringLiteral("Записываемая строка содержит перевод строки"));
    m_buffer.append(line.data(), line.size());
    m_buffer.append("\r\n", 2);
    if (m_buffer.size() >= kFlushSize)
        return flushBuffer();
    return {};
}

Status TextLineFile::writeLine(QStringView line)
{
    return writeLine(QByteArrayView(text::toCp1251(line)));
}

Status TextLineFile::flushBuffer()
{
    if (m_buffer.isEmpty())
        return {};
    m_writeStatus = m_writer->write(m_buffer);
    m_buffer.clear();
    return m_writeStatus;
}

Status TextLineFile::commit()
{
    if (m_mode != Mode::Writing)
        return fail(ErrorCode::FileNotOpen, m_path);
    Status status = m_writeStatus;
    if (status)
        status = flushBuffer();
    if (status)
        status = m_writer->commit();
    m_writer.reset(); // an uncommitted file is removed; the old file stays
    m_buffer.clear();
    m_mode = Mode::Closed;
    return status;
}

void TextLineFile::close()
{
    if (m_writer) {
        // Dropping an uncommitted file removes it; the old file stays.
        m_writer.reset();
    }
    m_reader.reset();
    m_buffer.clear();
    m_mode = Mode::Closed;
}

} // namespace zemor::runtime::store
