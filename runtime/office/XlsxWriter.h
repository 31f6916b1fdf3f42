#pragma once

// Writes a Workbook as a workbook file (the zipped XML format every spreadsheet program opens)
// through libxlsxwriter: values, formulas, borders, fonts, alignment, column widths, row heights
// and merged areas.
//
// The file is written under a temporary name in the target's directory, flushed to the disk and
// only then renamed over the target, so a failure (no such directory, no permission, disk full,
// a text too long for a cell) leaves no half-written file and an existing file as it was.
// Numbers are written in the file's own notation whatever the user's locale.

#include "runtime/core/Error.h"
#include "runtime/office/Workbook.h"

#include <QString>

namespace zemor::runtime::office {

class XlsxWriter
{
public:
    // The longest text a cell holds.
    static constexpr int kMaxTextLength = 32767;

    [[nodiscard]] static Status write(const Workbook &book, const QString &path);
};

} // namespace zemor::runtime::office
