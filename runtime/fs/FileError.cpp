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

QString systemText(int errnum)
{
    switch (errnum) {
    case ENOENT:
        return QStringLiteral("нет такого файла или папки");
    case ENOTDIR:
        return QStringLiteral("часть пути не является папкой");
    case EACCES:
    case EPERM:
        return QStringLiteral("нет прав доступа");
    case EROFS:
        return QStringLiteral("диск доступен только для чтения");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("файл занят");
    case EISDIR:
        return QStringLiteral("это папка");
    case EEXIST:
        return QStringLiteral("такое имя уже есть");
    case ENOTEMPTY:
        return QStringLiteral("папка не пуста");
    case ENOSPC:
        return QStringLiteral("на диске нет места");
    case EDQUOT:
        return QStringLiteral("исчерпана квота на диске");
    case EFBIG:
        return QStringLiteral("файл слишком велик");
    case ENAMETOOLONG:
        return QStringLiteral("слишком длинное имя");
    case EILSEQ:
        return QStringLiteral("недопустимые символы в имени");
    case EIO:
        return QStringLiteral("сбой чтения или записи на диске");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("открыто слишком много файлов");
    case ENOMEM:
        return QStringLiteral("не хватает памяти");
    default:
        return qt_error_string(errnum);
    }
}

std::unexpected<Error> failWithErrno(int errnum, const QString &where)
{
    const ErrorCode code = codeForErrno(errnum);
    return fail(code, where, QStringLiteral("%1 (%2)").arg(errorText(code), systemText(errnum)));
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

QString deviceText(QFileDevice::FileError error)
{
    switch (error) {
    case QFileDevice::ReadError:
        return QStringLiteral("файл не читается");
    case QFileDevice::WriteError:
        return QStringLiteral("в файл не удается записать");
    case QFileDevice::ResourceError:
        return QStringLiteral("не хватает места на диске или памяти");
    case QFileDevice::OpenError:
        return QStringLiteral("файл не открывается");
    case QFileDevice::PermissionsError:
        return QStringLiteral("нет прав доступа");
    case QFileDevice::RemoveError:
        return QStringLiteral("файл не удаляется");
    case QFileDevice::RenameError:
        return QStringLiteral("файл не переименовывается");
    case QFileDevice::CopyError:
        return QStringLiteral("файл не копируется");
    case QFileDevice::ResizeError:
        return QStringLiteral("размер файла не меняется");
    default:
        return QStringLiteral("сбой работы с файлом");
    }
}

std::unexpected<Error> failWithDevice(const QFileDevice &device, const QString &where)
{
    const ErrorCode code = codeForFileDevice(device.error());
    return fail(code == ErrorCode::None ? ErrorCode::IoError : code, where,
                QStringLiteral("%1 (%2)").arg(
                    errorText(code == ErrorCode::None ? ErrorCode::IoError : code),
                    deviceText(device.error())));
}

} // namespace zemor::runtime::fs
