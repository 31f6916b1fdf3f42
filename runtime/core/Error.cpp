#include "runtime/core/Error.h"

namespace zemor::runtime {

QString errorText(ErrorCode code)
{
    switch (code) {
    case ErrorCode::None:
        return QStringLiteral("Нет ошибки");
    case ErrorCode::FileNotFound:
        return QStringLiteral("File Not Found");
    case ErrorCode::AccessDenied:
        return QStringLiteral("Access Denied");
    case ErrorCode::DuplicateKey:
        return QStringLiteral("Creates Duplicate Key");
    case ErrorCode::KeyFileMustBeRebuilt:
        return QStringLiteral("Key File Must Be Rebuilt");
    case ErrorCode::RecordNotFound:
        return QStringLiteral("Запись не найдена");
    case ErrorCode::EndOfFile:
        return QStringLiteral("Конец файла");
    case ErrorCode::FileNotOpen:
        return QStringLiteral("Файл не открыт");
    case ErrorCode::NoCurrentRecord:
        return QStringLiteral("Нет текущей записи");
    case ErrorCode::InvalidName:
        return QStringLiteral("Недопустимое имя файла");
    case ErrorCode::LayoutMismatch:
        return QStringLiteral("Структура записи не совпадает");
    case ErrorCode::IoError:
        return QStringLiteral("Ошибка ввода-вывода");
    case ErrorCode::DiskFull:
        return QStringLiteral("Нет места на диске");
    case ErrorCode::DamagedFile:
        return QStringLiteral("Файл поврежден");
    case ErrorCode::InvalidData:
        return QStringLiteral("Неверные данные");
    case ErrorCode::Overflow:
        return QStringLiteral("Значение не помещается в поле");
    case ErrorCode::InvalidArgument:
        return QStringLiteral("Неверный аргумент");
    case ErrorCode::AlreadyExists:
        return QStringLiteral("Файл уже существует");
    case ErrorCode::Cancelled:
        return QStringLiteral("Прервано пользователем");
    }
    return QStringLiteral("Ошибка %1").arg(static_cast<int>(code));
}

QString failureMessage(const QString &what, const Error &error)
{
    QString text = what + u'|' + error.message;
    if (!error.where.isEmpty())
        text += u'|' + error.where;
    return text;
}

std::unexpected<Error> fail(ErrorCode code, const QString &where, const QString &message)
{
    return std::unexpected(Error{code, message.isEmpty() ? errorText(code) : message, where});
}

} // namespace zemor::runtime
