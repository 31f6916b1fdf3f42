#pragma once

// Reads a workbook file (the zipped XML workbook format, whatever the file's name ends in) into
// a Workbook: the first worksheet's cells with their values (shared and inline strings,
// numbers, the cached results of formulas and the formulas themselves), borders, bold, italic,
// underline, font name and size, horizontal alignment and wrapping, column widths, row heights
// and merged areas. Charts, pictures, number formats, colours and further sheets are not read.
//
// The file comes from outside and is checked as it is read: a file that is not a zip archive,
// a damaged archive, an entry larger than kMaxEntrySize, malformed XML, a string index or a
// cell position outside the sheet all give DamagedFile naming the file; a missing file gives
// FileNotFound. Nothing is returned half read.

#include "runtime/core/Error.h"
#include "runtime/office/Workbook.h"

#include <QString>

namespace zemor::runtime::office {

class XlsxReader
{
public:
    static constexpr qint64 kMaxEntrySize = qint64(64) << 20;

    [[nodiscard]] static Result<Workbook> read(const QString &path);
    // Whether the file starts like a zip archive (the only kind read() accepts).
    static bool looksLikeWorkbook(const QString &path);
};

} // namespace zemor::runtime::office
