#pragma once

// The numbered work files of the exports to the spreadsheet program ("1.XLS", "2.XLS", ... in
// "temp1"; "1.XL", ... in the program's temporary folder): one call clears a folder of the
// earlier files of an ending and reserves the next one.
//
// reserveWorkFile() creates the folder when it is missing and removes every file of the ending
// there, except the files an export of this process has reserved and not yet released and the
// files the desktop's spreadsheet program has open (its lock file beside them); a file that
// cannot be removed stays. The new number is the largest left + 1 (a name without a number counts
// as 0; folders are ignored), and its file is created only when absent, so that nobody else
// takes the number before the workbook is saved there. Everything runs under one process-wide
// lock: two windows exporting at once never get the same number. releaseWorkFile() gives a
// reservation back (the file stays).

#include "runtime/core/Error.h"

#include <QString>

namespace zemor::shell {

struct WorkFile
{
    qint64 number = 0;
    QString path;
};

// `ending` with its dot (".XLS", ".XL"); names are matched without regard to letter case.
[[nodiscard]] runtime::Result<WorkFile> reserveWorkFile(const QString &folder,
                                                        const QString &ending);
void releaseWorkFile(const QString &path);

// The number a work file name carries: the part before the first "." as a whole number; 0 when
// it is not one.
qint64 workFileNumber(const QString &fileName);

} // namespace zemor::shell
