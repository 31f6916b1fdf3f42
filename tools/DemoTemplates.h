#pragma once

// The workbook templates of the demo working directory: "XLS/ras1.xls", "RAS.XLS", "swod.xls",
// "i1.XLS", "i2.XLS", "i3.XLS" and "rang.xls", the blank workbooks that the exports to Excel
// start from. Each is a workbook file (the zipped XML format, whatever its name ends in) that
// lays out the page the exports fill: bold title rows at the top, the heading rows formatted
// where the exports write their headings, the headings that the exports do not write
// themselves, and column widths that fit the columns.
//
// write() makes the folder when it is missing and writes every template, each complete or not
// at all; the first failure is returned and the templates after it are not written.

#include "runtime/core/Error.h"

#include <QString>
#include <QStringList>

namespace zemor::runtime::office {
class Workbook;
}

namespace zemor::tools {

class DemoTemplates
{
public:
    // The template names, as the exports ask for them.
    static QStringList names();
    // The template of that name (compared without regard to case); an empty workbook for a
    // name that is not one of names().
    static runtime::office::Workbook workbook(const QString &name);

    [[nodiscard]] static runtime::Status write(const QString &folder);
};

} // namespace zemor::tools
