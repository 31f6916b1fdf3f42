#pragma once

// Exchange files: the flat files (runtime/store/FlatFile) in which reports travel between
// installations, one exchange record (data/records/ExchangeRecord.h) per report row.
//
// ExchangeFile::read() takes a whole file or nothing. Besides the container's own checks
// (magic, version, size, checksum) it checks that the records have the length of the expected
// layout (332 bytes, 330 for the old format) and that every packed decimal of every record
// decodes, before the caller sees a single record. A file that fails is refused as a whole with
// DamagedFile (or the error that kept it from being opened: FileNotFound, AccessDenied, ...),
// whose message names the file and the reason and whose `where` is the file. A sound file
// without records is read as such; callers that need rows say so themselves.
//
// ExchangeFileWriter writes a file that this reader accepts: it refuses a record of another
// length or with a packed decimal that does not decode, and from then on refuses to commit, so
// that a file with a row missing is never put under its name. Until commit() the old file of
// that name stays as it was.

#include "data/records/ExchangeRecord.h"
#include "runtime/core/Error.h"
#include "runtime/store/FlatFile.h"

#include <QByteArray>
#include <QString>

namespace zemor::data {

class ExchangeFile
{
public:
    // Reads and checks the whole file `name` (resolved as runtime/fs resolves names).
    [[nodiscard]] static runtime::Result<ExchangeFile>
    read(const QString &name, ExchangeFormat format = ExchangeFormat::Current);

    ExchangeFormat format() const { return m_format; }
    int recordSize() const { return exchangeRecordSize(m_format); }
    QString path() const { return m_path; } // the file as found on disk
    qint64 count() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }
    // Record `index` (0 .. count() - 1) as written; empty outside that range.
    QByteArray record(qint64 index) const;
    // The bytes of record `index` (0 .. count() - 1, unchecked) inside this file's buffer: valid
    // while this file (or a copy, which shares the buffer) lives. For loops over many records
    // that only read them, without a copy of each.
    const char *recordData(qint64 index) const
    {
        return m_records.constData() + index * recordSize();
    }
    // Every record, one after the other, shared (not copied): keeps recordData() valid.
    const QByteArray &records() const { return m_records; }

private:
    ExchangeFile() = default;

    ExchangeFormat m_format = ExchangeFormat::Current;
    QString m_path;
    qint64 m_count = 0;
    QByteArray m_records; // every record, one after the other
};

class ExchangeFileWriter
{
public:
    // Starts a file that replaces `name` on commit().
    [[nodiscard]] static runtime::Result<ExchangeFileWriter>
    create(const QString &name, ExchangeFormat format = ExchangeFormat::Current);

    // Adds one exchange record of the format's length whose decimals all decode.
    [[nodiscard]] runtime::Status append(const QByteArray &record);
    // Adds the exchange record of a report row: the form code, then the 330-byte report record
    // unchanged (the old format holds the report record alone).
    [[nodiscard]] runtime::Status appendReport(qint64 formCode, const QByteArray &report);
    // Completes the file and puts it under its name; fails when any append failed.
    [[nodiscard]] runtime::Status commit();
    // Drops the file being written; the old one stays.
    void abandon();

    ExchangeFormat format() const { return m_format; }
    qint64 count() const { return m_writer.count(); }
    QString path() const { return m_writer.path(); }

private:
    ExchangeFileWriter(runtime::store::FlatFile::Writer writer, ExchangeFormat format)
        : m_writer(std::move(writer)), m_format(format)
    {
    }
    runtime::Status spoil(runtime::Error error);

    runtime::store::FlatFile::Writer m_writer;
    ExchangeFormat m_format;
    runtime::Error m_error; // set once an append failed
};

} // namespace zemor::data
