#pragma once

// The demo's sample XML files of form 62 as the federal portal writes them, in the working
// directory's "import" folder: Windows-1251 text with CRLF line ends, the institution's name under
// the code 62_str_01 and each cell of the demo's form 62 as a code line "row.column.62.table"
// followed by its value, the columns of the tables 8001 to 8006 given as columns of the portal's
// table 8000. "f62_503.xml" is for an institution without a form 62 report of its own,
// "f62_101.xml" for one whose report is replaced when it is loaded.

#include "runtime/core/Error.h"

#include <QList>
#include <QString>

namespace zemor::tools {

class DemoImportsXml
{
public:
    static QList<int> sampleInstitutions() { return {503, 101}; }
    [[nodiscard]] static runtime::Status write(const QString &root);
};

} // namespace zemor::tools
