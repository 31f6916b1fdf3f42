#include "runtime/core/Error.h"

namespace zemor::runtime {

QString errorText(ErrorCode code)
{
    switch (code) {
    case ErrorCode::None:
        return QStringLiteral("No Error");
    case ErrorCode::FileNotFound:
        return QStringLiteral("File Not Found");
    case ErrorCode::AccessDenied:
        return QStringLiteral("Access Denied");
    case ErrorCode::DuplicateKey:
        return QStringLiteral("Creates Duplicate Key");
    case ErrorCode::KeyFileMustBeRebuilt:
        return QStringLiteral("Key File Must Be Rebuilt");
    case ErrorCode::RecordNotFound:
        return QStringLiteral("Record Not Found");
    case ErrorCode::EndOfFile:
        return QStringLiteral("End Of File");
    case ErrorCode::FileNotOpen:
        return QStringLiteral("File Not Open");
    case ErrorCode::NoCurrentRecord:
        return QStringLiteral("No Current Record");
    case ErrorCode::InvalidName:
        return QStringLiteral("Invalid File Name");
    case ErrorCode::LayoutMismatch:
        return QStringLiteral("Record Layout Mismatch");
    case ErrorCode::IoError:
        return QStringLiteral("Input/Output Error");
    case ErrorCode::DiskFull:
        return QStringLiteral("Disk Full");
    case ErrorCode::DamagedFile:
        return QStringLiteral("Damaged File");
    case ErrorCode::InvalidData:
        return QStringLiteral("Invalid Data");
    case ErrorCode::Overflow:
        return QStringLiteral("Value Out Of Range");
    case ErrorCode::InvalidArgument:
        return QStringLiteral("Invalid Argument");
    case ErrorCode::AlreadyExists:
        return QStringLiteral("File Already Exists");
    case ErrorCode::Cancelled:
        return QStringLiteral("Cancelled");
    }
    return QStringLiteral("Error %1").arg(static_cast<int>(code));
}

std::unexpected<Error> fail(ErrorCode code, const QString &where, const QString &message)
{
    return std::unexpected(Error{code, message.isEmpty() ? errorText(code) : message, where});
}

} // namespace zemor::runtime
