#include "runtime/store/TextLineFile.h"

#include "runtime/text/Cp1251.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace zemor::runtime::store {

namespace {

constexpr qsizetype kFlushSize = 64 * 1024;

ErrorCode codeFor(QFileDevice::FileError error)
{
    switch (error) {
    case QFileDevice::PermissionsError:
        return ErrorCode::AccessDenied;
    case QFileDevice::ResourceError:
        return ErrorCode::DiskFull;
    default:
        return ErrorCode::IoError;
    }
}

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
    if (!QFileInfo::exists(path))
        return fail(ErrorCode::FileNotFound, path);
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        return fail(codeFor(file->error()), path, file->errorString());
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
        return fail(codeFor(m_reader->error()), m_path, m_reader->errorString());
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
    const QFileInfo info(path);
    if (!info.absoluteDir().exists())
        return fail(ErrorCode::FileNotFound, path);
    // Unbuffered, with a buffer of our own: every short write is seen where it happens. A
    // buffered QSaveFile can lose the error of its final flush and commit a cut file.
    auto file = std::make_unique<QSaveFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(codeFor(file->error()), path, file->errorString());
    m_writer = std::move(file);
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
                    QStringLiteral("A line to write holds a line break"));
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
    const qint64 written = m_writer->write(m_buffer);
    if (written != m_buffer.size())
        return writeFailed();
    m_buffer.clear();
    return {};
}

Status TextLineFile::writeFailed(const QString &message)
{
    const QFileDevice::FileError error = m_writer->error();
    m_writeStatus = fail(error == QFileDevice::NoError ? ErrorCode::IoError : codeFor(error),
                         m_path, message.isEmpty() ? m_writer->errorString() : message);
    return m_writeStatus;
}

Status TextLineFile::commit()
{
    if (m_mode != Mode::Writing)
        return fail(ErrorCode::FileNotOpen, m_path);
    Status status = m_writeStatus;
    if (status)
        status = flushBuffer();
    if (status && ::fsync(m_writer->handle()) != 0 && errno != EINVAL) {
        const int err = errno;
        status = fail(err == ENOSPC ? ErrorCode::DiskFull : ErrorCode::IoError, m_path,
                      QString::fromLocal8Bit(std::strerror(err)));
    }
    if (status && !m_writer->commit())
        status = fail(codeFor(m_writer->error()), m_path, m_writer->errorString());
    if (!status && m_writer->isOpen())
        m_writer->cancelWriting();
    m_writer.reset();
    m_buffer.clear();
    m_mode = Mode::Closed;
    return status;
}

void TextLineFile::close()
{
    if (m_writer) {
        // Dropping an uncommitted QSaveFile removes its temporary file; the old file stays.
        m_writer->cancelWriting();
        m_writer.reset();
    }
    m_reader.reset();
    m_buffer.clear();
    m_mode = Mode::Closed;
}

} // namespace zemor::runtime::store
