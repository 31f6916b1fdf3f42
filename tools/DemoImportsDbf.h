#pragma once

// The dBase files of the demo's "import" folder, as the institutions' accounting program writes
// them for the load of dBase files, and the small dBase IV writer they are made with (tests make
// their own files with it too).
//
// For the Озёрская ЦРБ (501, district 5), which has sent no report:
//   - "lpu501_002025.dBF": rows of the annual forms 12 and 62 for 2025 (month 00);
//   - "lpu501_032026.dBF": rows of the monthly form 7 for March 2026, and a row 99 that the form
//     does not have;
//   - "fio501_032026.dBF": a list of persons with their values (the layout with FIO), names in
//     DOS 866 as a DOS program writes them; it is listed but not loaded.

#include "runtime/core/Error.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>

namespace zemor::tools {

struct DbaseColumn
{
    QByteArray name; // up to 10 characters
    int length = 1;  // a text column ('C') of this many bytes
};

// The bytes of a dBase IV file (version 0x03, no memo) of text columns: the header, one
// descriptor per column, the terminator, the records (each value cut to its column and padded
// with blanks on the right) and the end marker. `languageDriver` is the byte at offset 29 (0x26
// DOS 866, 0xC9 Windows-1251).
QByteArray dbaseFile(const QList<DbaseColumn> &columns, const QList<QList<QByteArray>> &rows,
                     std::uint8_t languageDriver = 0xC9);

// The columns of the two layouts: FORMA, NUMBSTR and COL1 .. COL25 (persons = false), or
// FORMA, NUMBSTR, FIO and COL1 .. COL5.
QList<DbaseColumn> dbaseImportColumns(bool persons = false);

// Unicode text in DOS 866 (characters without a place there become '?').
QByteArray toCp866(QStringView text);

class DemoImportsDbf
{
public:
    static constexpr int institution = 501;
    static constexpr int district = 5;

    // Writes the files into "import" under `root`.
    [[nodiscard]] static runtime::Status write(const QString &root);
};

} // namespace zemor::tools
