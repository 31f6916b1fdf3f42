#pragma once

// The program's INI file ("zemor.INI" in the working directory): sections of "key=value" lines,
// where the frame and the windows keep their positions. Section and key names compare without
// regard to letter case; values are text. The file is Windows-1251.
//
// IniFile holds the whole file in memory and owns nothing else. A missing file reads as empty,
// so every value takes its default. Saving writes every line back as it was read, in its order
// (comments, blank lines, other sections and keys, spelling and spacing of untouched lines),
// with the changed values put in place, new keys added at the end of their section and new
// sections at the end of the file; lines end in CR LF. The new content is written to a
// temporary file in the same directory and renamed over the old file only when complete, so a
// failed save leaves the old file whole. Reading or writing failures are returned as errors;
// after a failed read (the file exists but could not be read) save() refuses, so content that
// was never seen is not replaced. Not thread-safe: use one instance from one thread.

#include "runtime/core/Error.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace zemor::runtime::ini {

class IniFile
{
public:
    // Reads the file at once; a failure leaves the defaults (see loadStatus()).
    explicit IniFile(QString path);

    const QString &path() const { return m_path; }
    // The outcome of the last read: success also for a missing file.
    const Status &loadStatus() const { return m_loadStatus; }

    // The value of the first `key` of the first section `section` that holds it, or the default.
    // Keys before the first section header belong to the section "".
    QString value(QStringView section, QStringView key, const QString &defaultValue = {}) const;
    // The value read as a decimal integer (blanks around it allowed); the default when the key
    // is missing or its value is not a number.
    int intValue(QStringView section, QStringView key, int defaultValue = 0) const;
    bool contains(QStringView section, QStringView key) const;
    // Section names in file order, each once, spelled as first written.
    QStringList sections() const;

    // Sets a value in memory; save() writes it. Line breaks in `value` become blanks, since a
    // value is one line of the file, and blanks around it are dropped, as a read drops them.
    void setValue(QStringView section, QStringView key, const QString &value);
    void setIntValue(QStringView section, QStringView key, int value);
    bool isModified() const { return m_modified; }

    // Writes the file, replacing the old one as a whole.
    [[nodiscard]] Status save();
    // Reads the file again, dropping unsaved changes. On failure the content stays as it was.
    Status reload();

private:
    struct Line
    {
        enum class Kind { Other, Section, Entry };
        Kind kind = Kind::Other;
        QString text;  // the line as it stands in the file
        QString name;  // section or key name
        QString value; // Entry only
    };

    static Line parseLine(const QString &text);
    // Index of the line of the entry, or -1.
    qsizetype findEntry(QStringView section, QStringView key) const;

    QString m_path;
    QList<Line> m_lines;
    Status m_loadStatus;
    bool m_modified = false;
};

} // namespace zemor::runtime::ini
