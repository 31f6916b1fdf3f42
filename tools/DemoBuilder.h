#pragma once

// Writes the demo working directory: the reference files of the working directory (districts,
// institution kinds, institutions, the settings of a district installation, the program name,
// the empty marker and analysis files), and for each demo year a year directory with the form
// catalogue, the control rules of every kind, the calculation rules ("Rash.txt" and `Rash`),
// the inter-form formulas ("ContrMF.dat", listed in "SpisMF.TXT" of the working directory), the
// deadlines ("sroki.txt") and the sample reports. The content is that of DemoCatalogue.h and
// DemoReports.h.
//
// Every keyed file is written through a DataContext, opened by its relation manager under the
// names the program itself uses, so the files are exactly what the program makes and reads.
// Each file's records are added in one transaction.
//
// The target must be absent or an empty directory (AlreadyExists otherwise: an existing
// working directory is never written into). While it builds, the builder makes the target the
// working directory of runtime/fs and sets the previous one back when it is done; nothing else
// may work on files meanwhile. A failure is returned (and reported through the prompter, when
// one is given); the directory is then incomplete.

#include "runtime/core/Error.h"

#include <QString>

namespace zemor::runtime {
class Prompter;
}

namespace zemor::tools {

class DemoBuilder
{
public:
    explicit DemoBuilder(runtime::Prompter *prompter = nullptr) : m_prompter(prompter) {}

    [[nodiscard]] runtime::Status build(const QString &directory);

private:
    runtime::Prompter *m_prompter;
};

} // namespace zemor::tools
