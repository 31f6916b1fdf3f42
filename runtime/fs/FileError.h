#pragma once

// The one translation of the system's file errors into error codes: errno values (ENOSPC and
// EDQUOT are DiskFull, EACCES/EPERM/EROFS AccessDenied, ENOENT FileNotFound, ...) and the
// errors of a QFileDevice, for the few readers that go through Qt.

#include "runtime/core/Error.h"

#include <QFileDevice>

namespace zemor::runtime::fs {

ErrorCode codeForErrno(int errnum);
// The system's reason for a failed call, in words for the user; errors the file work meets
// have texts of ours, the rest the system's own.
QString systemText(int errnum);
// The error for a failed system call, with `where` the path concerned and the system's text
// after ours.
std::unexpected<Error> failWithErrno(int errnum, const QString &where);
// The error of a QFileDevice that failed: its own text, with the code its error kind maps to.
ErrorCode codeForFileDevice(QFileDevice::FileError error);
std::unexpected<Error> failWithDevice(const QFileDevice &device, const QString &where);

} // namespace zemor::runtime::fs
