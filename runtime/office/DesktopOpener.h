#pragma once

// How a finished document reaches the user: it is opened with the desktop's own program for
// its kind (the spreadsheet program for a workbook, the word processor for a document). The
// office conversations hand documents to an opener; the program uses SystemDesktopOpener, tests
// hand in one that records.

#include "runtime/core/Error.h"

#include <QString>

namespace zemor::runtime::office {

class DesktopOpener
{
public:
    virtual ~DesktopOpener() = default;
    // Opens the file at `path` (a path on disk) without waiting for the program.
    [[nodiscard]] virtual Status open(const QString &path) = 0;
};

} // namespace zemor::runtime::office
