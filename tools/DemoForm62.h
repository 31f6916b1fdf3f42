#pragma once

// The parts of the demo's form 62 that the federal imports address, and the sample files of
// those imports.
//
// `extend` completes the catalogue's form 62: staff table 1000 with ten rows and five columns,
// the wide federal table 8000 kept as the program's tables 8000 to 8006 (columns numbered from
// 3, value offset 2), table 8030 with its single row (row id 673) and the finance table 9000,
// whose values carry decimals. Tables follow in code order, as the catalogue lists them.
//
// `writeCsvSamples` writes into the working directory's "import" folder the CSV files of the
// federal portal for two demo institutions that have no form 62 report of their own (one file
// per institution and table, named "<institution>_<table>.csv"), and a summary file of several
// institutions into "import/svod". The files are Windows-1251 text with CRLF line ends, as the
// portal's files are saved from a spreadsheet: numbers with a decimal comma, row names quoted
// where they hold ";". A file that cannot be written is returned as the failure.

#include "runtime/core/Error.h"

#include <QList>
#include <QString>

namespace zemor::tools {

struct DemoForm;

class DemoForm62
{
public:
    static void extend(DemoForm &form);

    // The institutions of the per-table sample files, and those of the summary file.
    static QList<int> csvSampleInstitutions();
    static QList<int> summarySampleInstitutions();

    [[nodiscard]] static runtime::Status writeCsvSamples(const QString &root);
};

} // namespace zemor::tools
