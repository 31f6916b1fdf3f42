#include "data/ErrorManager.h"

#include "runtime/core/Prompter.h"

namespace zemor::data {

using runtime::Error;

ErrorManager::ErrorManager(runtime::Prompter *prompter) : m_prompter(prompter) {}

void ErrorManager::setProcedureName(const QString &name)
{
    m_procedures.append(name);
}

void ErrorManager::removeProcedureName()
{
    if (!m_procedures.isEmpty())
        m_procedures.removeLast();
}

QString ErrorManager::procedureName() const
{
    return m_procedures.isEmpty() ? QString() : m_procedures.last();
}

QString ErrorManager::messageTemplate(FileOperation operation)
{
    switch (operation) {
    case FileOperation::Open:
    case FileOperation::Create:
        return QStringLiteral("File Access Error");
    case FileOperation::Add:
        return QStringLiteral("Record Was Not Added");
    case FileOperation::Update:
        return QStringLiteral("Record Was Not Updated");
    case FileOperation::Delete:
        return QStringLiteral("Record Was Not Deleted");
    }
    return QStringLiteral("File Access Error");
}

QString ErrorManager::messageText(const ErrorStatus &status) const
{
    QStringList lines;
    lines << messageTemplate(status.operation);
    QString file = status.label;
    if (!status.fileName.trimmed().isEmpty())
        file += file.isEmpty() ? status.fileName : QStringLiteral(" (%1)").arg(status.fileName);
    else
        file += QStringLiteral(" (имя файла не задано)");
    lines << QStringLiteral("Файл: %1").arg(file);
    if (!status.key.isEmpty())
        lines << QStringLiteral("Ключ: %1").arg(status.key);
    const QString platformText = runtime::errorText(status.error.code);
    lines << QStringLiteral("Ошибка %1: %2").arg(status.error.number()).arg(platformText);
    // The detail says more than the platform's text only when it is something else (the
    // operating system's reason, the path that could not be created).
    if (!status.error.message.isEmpty() && status.error.message != platformText)
        lines << status.error.message;
    if (!status.error.where.isEmpty() && status.error.where != status.fileName &&
        !status.error.message.contains(status.error.where))
        lines << status.error.where;
    const QString procedure = procedureName();
    if (!procedure.isEmpty())
        lines << QStringLiteral("Процедура: %1").arg(procedure);
    return lines.join(QLatin1Char('|'));
}

void ErrorManager::record(FileOperation operation, const QString &label, const QString &fileName,
                          const Error &error, const QString &key)
{
    m_status = ErrorStatus{operation, label, fileName, key, error};
}

void ErrorManager::report(FileOperation operation, const QString &label, const QString &fileName,
                          const Error &error, const QString &key)
{
    record(operation, label, fileName, error, key);
    if (m_prompter)
        m_prompter->message(messageText(m_status), caption(m_status), {},
                            runtime::MessageIcon::Error);
}

} // namespace zemor::data
