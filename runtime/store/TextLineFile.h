#pragma once

// Text files read or written line by line: the help index, the deadlines, the calculation
// list, the formula files, CSV imports and the like. Lines are bytes, Windows-1251 as stored;
// decode() turns one into text.
//
// Reading takes every line whole, whatever its length, and never cuts or splits one. A line
// ends at LF, with an optional CR before it; the last line may have no end; empty lines are
// lines. A missing file is FileNotFound.
//
// Writing creates the file or replaces it as a whole: the lines go to a temporary file in the
// same directory, which commit() renames over the old file once everything is written and on
// disk. Until then the old file stays as it was, and a writer that is closed, destroyed or
// fails before commit() leaves it untouched and removes its temporary file. Lines end in CR LF.
// A line that holds a CR or LF is refused, since it could not be read back as one line.
//
// Paths are paths of this system; resolve the program's DOS-style names with fs::resolve first.
// One TextLineFile is one open file, for one thread at a time.

#include "runtime/core/Error.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>

class QFile;

namespace zemor::runtime::fs {
class DurableFile;
}

namespace zemor::runtime::store {

class TextLineFile
{
public:
    enum class Mode { Closed, Reading, Writing };

    TextLineFile();
    ~TextLineFile();
    TextLineFile(const TextLineFile &) = delete;
    TextLineFile &operator=(const TextLineFile &) = delete;

    // The whole file at once.
    [[nodiscard]] static Result<QList<QByteArray>> readLines(const QString &path);
    [[nodiscard]] static Result<QStringList> readTextLines(const QString &path);
    static QString decode(QByteArrayView line);
    // Writes the whole file at once: the lines in Windows-1251, in place when all are written.
    [[nodiscard]] static Status writeTextLines(const QString &path, const QStringList &lines);

    [[nodiscard]] Status openForReading(const QString &path);
    // The next line without its end; EndOfFile after the last one.
    [[nodiscard]] Result<QByteArray> readLine();
    bool atEnd() const;

    [[nodiscard]] Status create(const QString &path);
    [[nodiscard]] Status writeLine(QByteArrayView line);
    // The text encoded in Windows-1251 (a character without a byte there becomes '?').
    [[nodiscard]] Status writeLine(QStringView line);
    // Puts the written file in place of the old one. The file is closed afterwards either way.
    [[nodiscard]] Status commit();

    // Closes a reader; a writer is abandoned and the old file stays.
    void close();

    Mode mode() const { return m_mode; }
    const QString &path() const { return m_path; }

private:
    [[nodiscard]] Status flushBuffer();

    Mode m_mode = Mode::Closed;
    QString m_path;
    std::unique_ptr<QFile> m_reader;
    std::unique_ptr<fs::DurableFile> m_writer;
    QByteArray m_buffer;  // lines waiting to be written
    Status m_writeStatus; // the first failure of the current writer
};

} // namespace zemor::runtime::store
