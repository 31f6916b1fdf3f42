#pragma once

// What the demo working directory holds for the printed and exported tables, the control runs
// and the blank forms, on top of the catalogue of DemoCatalogue.h:
//   - every column of the catalogue gets its printed width (`GRA:L`, the width of its picture);
//   - form 30 (annual) for printing: table 1000 with two descriptive columns before its values
//     (row code, then row name) and 80 rows; table 2000 of type 1 (one value a line); table
//     3000 with 30 values, a gap in its column numbers (no column 10) and a name column; table
//     4000 with its own workbook template ("kadry.xls"); table 5000 with the four descriptive
//     kinds (name, code, disease codes, sex). Its control rule 12345 (every row of table 1000:
//     column 5 is column 3 plus column 4) holds in every stored report;
//   - reports of form 30 for 2025 from the institutions 101 and 102, and the total of their
//     district 1 under its summary code, so that a region sum holds both;
//   - form 901, beyond the forms a control run offers;
//   - "doc\blanki.txt" listing a Word blank ("f12\f12.doc", a text document in RTF), an Excel
//     blank ("f62.xls", written by our workbook writer), a blank of another kind and a line
//     without "!".
//
// write() runs after the rest of the demo is written, with the demo root as the working
// directory; every keyed file is written through a data context in one transaction per file.

#include "runtime/core/Error.h"

#include <QString>

namespace zemor::runtime {
class Prompter;
}

namespace zemor::tools {

class DemoOutputs
{
public:
    static constexpr int printForm = 30;
    static constexpr int printRows = 80;
    static constexpr int hiddenForm = 901;
    static constexpr qint64 wideRuleId = 12345;

    [[nodiscard]] static runtime::Status write(const QString &root,
                                               runtime::Prompter *prompter = nullptr);
};

} // namespace zemor::tools
