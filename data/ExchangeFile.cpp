#include "data/ExchangeFile.h"

#include "data/RecordFields.h"

#include <algorithm>
#include <optional>
#include <utility>

using namespace Qt::StringLiterals;

namespace zemor::data {

using runtime::ErrorCode;
using runtime::Result;
using runtime::Status;
using runtime::store::FlatFile;

namespace {

std::unexpected<runtime::Error> refused(const QString &path, qint64 index, qint64 count,
                                        const runtime::Error &why)
{
    return runtime::fail(ErrorCode::DamagedFile, path,
                         u"Файл %1 поврежден: запись %2 из %3: в упакованном числе %4 цифра "
                         u"больше 9"_s.arg(path)
                             .arg(index + 1)
                             .arg(count)
                             .arg(why.where));
}

} // namespace

Result<ExchangeFile> ExchangeFile::read(const QString &name, ExchangeFormat format)
{
    const int size = exchangeRecordSize(format);
    const runtime::store::RecordLayout &layout = exchangeLayout(format);
    // The file is read once; each chunk's records are checked while fresh in the cache. The
    // first record that does not decode refuses the file, once the container's own checks
    // (the checksum above all) have passed.
    qint64 checked = 0;
    std::optional<std::pair<qint64, runtime::Error>> unsound;
    auto whole = FlatFile::readWhole(name, size, [&](const char *data, qint64 bytes) -> Status {
        for (qint64 at = 0; at + size <= bytes && !unsound; at += size, ++checked) {
            if (auto sound = checkDecimals(layout, data + at); !sound)
                unsound.emplace(checked, sound.error());
        }
        return {};
    });
    if (!whole)
        return std::unexpected(whole.error());
    if (unsound)
        return refused(whole->path, unsound->first, whole->count, unsound->second);

    ExchangeFile file;
    file.m_format = format;
    file.m_path = whole->path;
    file.m_count = whole->count;
    file.m_records = std::move(whole->records);
    return file;
}

QByteArray ExchangeFile::record(qint64 index) const
{
    if (index < 0 || index >= m_count)
        return {};
    const int size = recordSize();
    return m_records.mid(qsizetype(index * size), size);
}

Result<ExchangeFileWriter> ExchangeFileWriter::create(const QString &name, ExchangeFormat format)
{
    auto writer = FlatFile::Writer::create(name, exchangeRecordSize(format));
    if (!writer)
        return std::unexpected(writer.error());
    return ExchangeFileWriter(std::move(*writer), format);
}

Status ExchangeFileWriter::append(const QByteArray &record)
{
    if (m_error.code != ErrorCode::None)
        return std::unexpected(m_error);
    const int size = exchangeRecordSize(m_format);
    if (record.size() != size)
        return spoil({ErrorCode::InvalidArgument,
                      u"Запись %1 в %2: %3 байт, ожидалось %4"_s.arg(count() + 1)
                          .arg(path())
                          .arg(record.size())
                          .arg(size),
                      path()});
    if (auto sound = checkDecimals(exchangeLayout(m_format), record); !sound)
        return spoil({ErrorCode::InvalidData,
                      u"Запись %1 в %2: в упакованном числе %3 цифра больше 9"_s.arg(count() + 1)
                          .arg(path(), sound.error().where),
                      path()});
    if (auto added = m_writer.append(record); !added)
        return spoil(added.error());
    return {};
}

Status ExchangeFileWriter::appendReport(qint64 formCode, const QByteArray &report)
{
    if (m_error.code != ErrorCode::None)
        return std::unexpected(m_error);
    QByteArray record;
    if (auto set = ExchangeRecord(record, m_format).setReport(formCode, report); !set)
        return spoil(set.error());
    return append(record);
}

Status ExchangeFileWriter::commit()
{
    if (m_error.code != ErrorCode::None)
        return std::unexpected(m_error);
    if (auto done = m_writer.commit(); !done)
        return spoil(done.error());
    return {};
}

void ExchangeFileWriter::abandon()
{
    m_writer.abandon();
}

Status ExchangeFileWriter::spoil(runtime::Error error)
{
    m_error = error;
    m_writer.abandon();
    return std::unexpected(std::move(error));
}

} // namespace zemor::data
