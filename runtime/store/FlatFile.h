#pragma once

// A flat file of fixed-length records, the form in which exchange files travel between
// installations. The file starts with a header of our own, all integers little-endian:
//
//   offset size
//        0    8  magic "ZMRFLAT" and a zero byte
//        8    4  format version (1)
//       12    4  record length in bytes
//       16    8  record count
//       24    4  CRC-32 (zlib) of all record bytes, in order
//       28    4  reserved, zero
//
// followed by count * length record bytes and nothing else.
//
// FlatFile::Writer builds a whole file under a temporary name in the target's directory and
// renames it over the target only on commit(), after flushing it to the disk: a writer that
// fails or is dropped without commit() removes its temporary and leaves the old file exactly as
// it was. Appending copies the existing (checked) records into the temporary first.
// FlatFile::Reader checks the whole file when it opens it (magic, version, record length, size,
// checksum) and refuses a damaged file as a whole with DamagedFile, naming the file and the
// reason, before the caller has seen a single record. Both own their open descriptor; they can
// be moved, not copied. Names are resolved through runtime/fs (letter case ignored).

#include "runtime/core/Error.h"
#include "runtime/fs/DurableFile.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace zemor::runtime::store {

class FlatFile
{
public:
    static constexpr int headerSize = 32;
    static constexpr quint32 formatVersion = 1;

    class Writer
    {
    public:
        // Starts a new file that will replace `name` on commit (whether or not it exists).
        [[nodiscard]] static Result<Writer> create(const QString &name, int recordLength);
        // Starts from the records of the existing file `name`, which must be a sound flat file
        // with records of `recordLength` bytes (FileNotFound, DamagedFile otherwise).
        [[nodiscard]] static Result<Writer> openForAppend(const QString &name, int recordLength);

        Writer(Writer &&other) noexcept;
        Writer &operator=(Writer &&other) noexcept;
        Writer(const Writer &) = delete;
        Writer &operator=(const Writer &) = delete;
        ~Writer(); // abandons an uncommitted file

        // Adds one record of exactly recordLength() bytes. Any failure, a record of another
        // length included, spoils the writer: commit() then fails and the old file stays.
        [[nodiscard]] Status append(const QByteArray &record);
        // Completes the file, flushes it and puts it under its name.
        [[nodiscard]] Status commit();
        // Drops the file being written; the old one stays as it was.
        void abandon();

        qint64 count() const { return m_count; }
        int recordLength() const { return m_recordLength; }
        QString path() const { return m_path; }

    private:
        Writer() = default;
        Status flushBuffer();
        Status spoil(Error error);
        void release();

        fs::DurableFile m_file;
        QString m_path;
        int m_recordLength = 0;
        qint64 m_count = 0;
        quint32 m_crc = 0;
        int m_mode = -1; // the mode of the file being replaced, kept on commit
        QByteArray m_buffer;
        Error m_error; // set once the writer is spoilt
    };

    // A whole file, checked as Reader::open checks it and read in the same pass.
    struct Whole
    {
        QByteArray records; // count * recordLength bytes, in the order written
        qint64 count = 0;
        int recordLength = 0;
        QString path;
    };
    // Opens, checks and reads the whole file at once: the file is read once, each chunk handed
    // to `sink` (when given) after its checksum was taken; a failure of `sink` refuses the file.
    [[nodiscard]] static Result<Whole>
    readWhole(const QString &name, int expectedRecordLength = 0,
              const std::function<Status(const char *, qint64)> &sink = {});

    class Reader
    {
    public:
        // Opens and checks the whole file. With `expectedRecordLength` > 0 a file with another
        // record length is refused.
        [[nodiscard]] static Result<Reader> open(const QString &name, int expectedRecordLength = 0);

        Reader(Reader &&other) noexcept;
        Reader &operator=(Reader &&other) noexcept;
        Reader(const Reader &) = delete;
        Reader &operator=(const Reader &) = delete;
        ~Reader();

        // The next record, in the order written: true with `record` filled, false after the last.
        [[nodiscard]] Result<bool> next(QByteArray &record);
        // Up to `records` next records, in the order written, straight into `data` (room for
        // `records` * recordLength() bytes); returns how many were read, 0 after the last.
        [[nodiscard]] Result<qint64> read(char *data, qint64 records);

        qint64 count() const { return m_count; }
        int recordLength() const { return m_recordLength; }
        QString path() const { return m_path; }

    private:
        Reader() = default;

        int m_fd = -1;
        QString m_path;
        int m_recordLength = 0;
        qint64 m_count = 0;
        qint64 m_read = 0;
        QByteArray m_buffer;
        qsizetype m_bufferPos = 0;
    };
};

} // namespace zemor::runtime::store
