#include "runtime/fs/FileError.h"

#include <cerrno>

namespace zemor::runtime::fs {

ErrorCode codeForErrno(int errnum)
{
    switch (errnum) {
    case ENOENT:
    case ENOTDIR:
        return ErrorCode::FileNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EBUSY:
    case ETXTBSY:
    case EISDIR:
        return ErrorCode::AccessDenied;
    case EEXIST:
    case ENOTEMPTY:
        return ErrorCode::AlreadyExists;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return ErrorCode::DiskFull;
    case ENAMETOOLONG:
    case EILSEQ:
        return ErrorCode::InvalidName;
    default:
        return ErrorCode::IoError;
    }
}

std::unexpected<Error> failWithErrno(int errnum, const QString &where)
{
    const ErrorCode code = codeForErrno(errnum);
    return fail(code, where,
                QStringLiteral("%1 (%2)").arg(errorText(code), qt_error_string(errnum)));
}

ErrorCode codeForFileDevice(QFileDevice::FileError error)
{
    switch (error) {
    case QFileDevice::NoError:
        return ErrorCode::None;
    case QFileDevice::PermissionsError:
        return ErrorCode::AccessDenied;
    case QFileDevice::ResourceError:
        return ErrorCode::DiskFull;
    default:
        return ErrorCode::IoError;
    }
}

std::unexpected<Error> failWithDevice(const QFileDevice &device, const QString &where)
{
    const ErrorCode code = codeForFileDevice(device.error());
    return fail(code == ErrorCode::None ? ErrorCode::IoError : code, where, device.errorString());
}

} // namespace zemor::runtime::fs
