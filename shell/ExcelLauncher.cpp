#include "shell/ExcelLauncher.h"

#include "shell/WorkFileNumbers.h"

#include "runtime/core/Prompter.h"
#include "runtime/fs/DurableFile.h"
#include "runtime/fs/Paths.h"
#include "runtime/office/Conversation.h"

#include <QFile>

namespace zemor::shell {

using runtime::Error;
using runtime::ErrorCode;
using runtime::MessageIcon;
using runtime::Result;
using runtime::Status;
namespace fs = runtime::fs;

namespace {

QString quoted(const QString &text)
{
    QString doubled = text;
    doubled.replace(u'"', QStringLiteral("\"\""));
    return u'"' + doubled + u'"';
}

QString reason(const Error &error)
{
    return error.message.isEmpty() ? runtime::errorText(error.code) : error.message;
}

} // namespace

ExcelLauncher::ExcelLauncher(runtime::office::Conversation &office, runtime::Prompter &prompter,
                             std::function<void()> wait, std::function<void()> opening)
    : m_office(office), m_prompter(prompter), m_wait(std::move(wait)), m_opening(std::move(opening))
{
}

ExcelLauncher::~ExcelLauncher()
{
    if (m_channel != 0)
        (void)m_office.close(m_channel);
    release();
}

qint64 ExcelLauncher::numberOf(const QString &fileName)
{
    return workFileNumber(fileName);
}

QString ExcelLauncher::selectCommand(int firstRow, int firstColumn, int lastRow, int lastColumn)
{
    return QStringLiteral("[SELECT(\"R%1C%2:R%3C%4\")]")
        .arg(firstRow)
        .arg(firstColumn)
        .arg(lastRow)
        .arg(lastColumn);
}

int ExcelLauncher::launch(const QString &templateName)
{
    Q_ASSERT_X(m_number == 0 && !m_finished, "ExcelLauncher::launch", "one launch per launcher");
    const QString root = fs::shortForm(fs::workDir());
    // The folder as it is spelt on disk, when it exists in another spelling already.
    const auto resolved = fs::resolve(u'\\' + workFolderName());
    const QString folder = resolved ? *resolved : fs::join(root, workFolderName());

    auto reserved = reserveWorkFile(folder, QStringLiteral(".XLS"));
    if (!reserved)
        return fail(QStringLiteral("Не удалось подготовить папку %1").arg(folder),
                    reserved.error());
    m_number = reserved->number;
    m_path = reserved->path;
    m_reserved = true;

    const QString service = serviceName();
    int system = m_office.open(service, systemTopic());
    if (system == 0) {
        // The program may still be starting: give it a moment, then ask the user to start it.
        if (m_wait)
            m_wait();
        system = m_office.open(service, systemTopic());
    }
    if (system == 0) {
        m_prompter.message(startExcelText());
        system = m_office.open(service, systemTopic());
    }
    if (system == 0)
        return fail(QStringLiteral("Нет связи с Excel: книга не создана"),
                    Error{ErrorCode::FileNotOpen, QStringLiteral("Excel недоступен"), service});

    const QString templatePath =
        fs::join(root, templateFolderName() + u'/' + templateName.trimmed());
    if (Status opened =
            m_office.execute(system, QStringLiteral("[OPEN.TEXT(%1)]").arg(quoted(templatePath)));
        !opened) {
        (void)m_office.close(system);
        return fail(QStringLiteral("Не удалось открыть шаблон %1").arg(templatePath),
                    opened.error());
    }
    if (m_opening)
        m_opening();
    const Status saved =
        m_office.execute(system, QStringLiteral("[Save.As(%1)]").arg(quoted(m_path)));
    const Status systemClosed = m_office.close(system);
    if (!saved)
        return fail(QStringLiteral("Не удалось сохранить книгу %1").arg(m_path), saved.error());
    if (!systemClosed)
        return fail(QStringLiteral("Не удалось сохранить книгу %1").arg(m_path),
                    systemClosed.error());

    m_channel = m_office.open(service, m_path);
    if (m_channel == 0)
        return fail(QStringLiteral("Нет связи с книгой %1").arg(m_path),
                    Error{ErrorCode::FileNotOpen, QStringLiteral("Excel не отвечает"), m_path});
    return m_channel;
}

int ExcelLauncher::fail(const QString &text, const Error &error)
{
    m_failure = error;
    m_finished = true; // nothing more is sent, and no success is announced
    if (m_reserved && fs::pathInfo(m_path).size == 0)
        (void)fs::removeFile(m_path); // only the placeholder made for the number, never a workbook
    release();
    m_number = 0;
    m_path.clear();
    m_prompter.message(text + u'|' + reason(error) + u'|' + notDoneText(), {}, {},
                       MessageIcon::Warning);
    return 0;
}

void ExcelLauncher::keep(const Status &status)
{
    if (!status && m_failure.code == ErrorCode::None)
        m_failure = status.error();
}

void ExcelLauncher::poke(int row, int column, const QString &value)
{
    if (!ok())
        return;
    keep(m_office.poke(m_channel, QStringLiteral("R%1C%2").arg(row).arg(column), value));
}

QString ExcelLauncher::asText(const QString &value)
{
    return value.isEmpty() ? value : u'\'' + value;
}

void ExcelLauncher::pokeText(int row, int column, const QString &text)
{
    poke(row, column, asText(text));
}

QString ExcelLauncher::notOpenedText(const Error &notOpened, const QString &path)
{
    const QString file = notOpened.where.isEmpty() ? path : notOpened.where;
    return doneText() + u'|' + reason(notOpened) + u'|' +
           QStringLiteral("Книга записана в файл %1").arg(fs::absolutePath(file));
}

void ExcelLauncher::execute(const QString &command)
{
    if (!ok())
        return;
    keep(m_office.execute(m_channel, command));
}

void ExcelLauncher::frame(int firstRow, int firstColumn, int lastRow, int lastColumn)
{
    execute(selectCommand(firstRow, firstColumn, lastRow, lastColumn));
    execute(borderCommand());
}

bool ExcelLauncher::finish()
{
    if (m_finished || m_channel == 0)
        return false;
    m_finished = true;
    const Status closed = m_office.close(m_channel);
    m_channel = 0;
    release();
    if (m_failure.code != ErrorCode::None) {
        m_prompter.message(QStringLiteral("Книга %1 заполнена не полностью").arg(m_path) + u'|' +
                               reason(m_failure) + u'|' + notDoneText(),
                           {}, {}, MessageIcon::Warning);
        return false;
    }
    if (!closed && closed.error().code == ErrorCode::NotOpened) {
        m_prompter.message(notOpenedText(closed.error(), m_path), {}, {}, MessageIcon::Warning);
        return true;
    }
    if (!closed) {
        m_failure = closed.error();
        m_prompter.message(QStringLiteral("Книга %1 не записана").arg(m_path) + u'|' +
                               reason(m_failure) + u'|' + notDoneText(),
                           {}, {}, MessageIcon::Warning);
        return false;
    }
    m_prompter.message(doneText());
    return true;
}

void ExcelLauncher::release()
{
    if (!m_reserved)
        return;
    m_reserved = false;
    releaseWorkFile(m_path);
}

} // namespace zemor::shell
