#include "entry/TableExport.h"

#include "runtime/core/Prompter.h"
#include "runtime/fs/Paths.h"
#include "runtime/office/Conversation.h"
#include "shell/ExcelLauncher.h"
#include "shell/WorkFileNumbers.h"

#include <QDir>
#include <QHash>

namespace zemor::entry {

namespace {

QString quoted(const QString &text)
{
    QString doubled = text;
    doubled.replace(u'"', QStringLiteral("\"\""));
    return u'"' + doubled + u'"';
}

QString item(int row, int column)
{
    return QStringLiteral("R%1C%2").arg(row).arg(column);
}

constexpr int kLeadingKinds = 4;

} // namespace

QString TableExport::defaultWorkFolder()
{
    return QDir(QDir::tempPath()).filePath(QStringLiteral("zemor-xl"));
}

QString TableExport::valueText(const runtime::Decimal &value)
{
    QString text = value.toString();
    const qsizetype point = text.indexOf(u'.');
    if (point < 0)
        return text;
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u'.'))
        return text.left(text.size() - 1);
    text[point] = u',';
    return text.left(point + 4);
}

bool TableExport::fail(const QString &text)
{
    m_prompter.message(text + u'|' + shell::ExcelLauncher::notDoneText(), {}, {},
                       runtime::MessageIcon::Warning);
    return false;
}

bool TableExport::run(const TableExportRequest &request, QString *workbook)
{
    Q_ASSERT(request.catalogue);
    const FormTable *table = request.catalogue->table(request.table);
    if (!table)
        return fail(QStringLiteral("Таблица %1 не найдена").arg(request.table));
    const QString service = shell::ExcelLauncher::serviceName();
    const QString systemTopic = shell::ExcelLauncher::systemTopic();

    int system = m_office.open(service, systemTopic);
    if (system == 0) {
        m_prompter.message(shell::ExcelLauncher::startExcelText());
        system = m_office.open(service, systemTopic);
    }
    if (system == 0)
        return fail(QStringLiteral("Нет связи с Excel: книга не создана"));

    const QString folder = request.workFolder.isEmpty() ? defaultWorkFolder() : request.workFolder;
    const auto reserved = shell::reserveWorkFile(folder, ending());
    if (!reserved) {
        (void)m_office.close(system);
        return fail(QStringLiteral("Не удалось подготовить папку %1").arg(folder));
    }
    const QString path = reserved->path;
    struct Release
    {
        QString path;
        ~Release() { shell::releaseWorkFile(path); }
    } release{path};
    // The placeholder made for the number is removed when no workbook was saved over it.
    auto dropPlaceholder = [&] {
        if (runtime::fs::pathInfo(path).size == 0)
            (void)runtime::fs::removeFile(path);
    };

    const QString templateName =
        table->xls.trimmed().isEmpty() ? defaultTemplate() : table->xls.trimmed();
    const bool ownTemplate = templateName != defaultTemplate();
    const QString templatePath = QDir(request.templateFolder).filePath(templateName);
    if (!m_office.execute(system, QStringLiteral("[OPEN.TEXT(%1)]").arg(quoted(templatePath)))) {
        (void)m_office.close(system);
        dropPlaceholder();
        return fail(QStringLiteral("Не удалось открыть шаблон %1").arg(templatePath));
    }
    const bool saved =
        bool(m_office.execute(system, QStringLiteral("[Save.As(%1)]").arg(quoted(path))));
    const bool closed = bool(m_office.close(system));
    if (!saved || !closed) {
        dropPlaceholder();
        return fail(QStringLiteral("Не удалось сохранить книгу %1").arg(path));
    }
    if (workbook)
        *workbook = path;
    const int channel = m_office.open(service, path);
    if (channel == 0)
        return fail(QStringLiteral("Нет связи с книгой %1").arg(path));

    const auto asText = &shell::ExcelLauncher::asText;
    bool ok = true;
    auto poke = [&](int row, int column, const QString &value) {
        if (ok)
            ok = bool(m_office.poke(channel, item(row, column), value));
    };

    // The columns: headings with the common template, and the kinds of the leading ones.
    QHash<int, int> kinds; // leading column number 1..4 -> kind
    for (const FormColumn &c : request.catalogue->columns(table->code)) {
        if (!ownTemplate) {
            poke(9, c.storedColumn, asText(c.name.trimmed()));
            poke(10, c.storedColumn, QString::number(c.storedColumn));
        }
        if (c.storedColumn >= 1 && c.storedColumn <= std::min(table->offset, kLeadingKinds))
            kinds.insert(c.storedColumn, c.type); // GRA:TYPEGR
    }
    poke(3, 1, asText(request.institutionTitle.trimmed()));
    poke(2, 1,
         asText(QStringLiteral("Ф%1 Т%2 %3")
                    .arg(request.catalogue->form())
                    .arg(table->code)
                    .arg(table->name.trimmed())));

    // The leading columns of each row (the fifth and further stay empty), then its values.
    QHash<int, FormRow> catalogueRows;
    for (const FormRow &r : request.catalogue->rows(table->code))
        catalogueRows.insert(r.id, r);
    for (int i = 0; i < request.rows.size(); ++i) {
        const EntryRow &row = request.rows.at(i);
        const int line = i + 11;
        const auto found = catalogueRows.constFind(row.rowId);
        if (found != catalogueRows.constEnd()) {
            for (int c = 1; c <= std::min(table->offset, kLeadingKinds); ++c) {
                const QString text = found->descriptiveText(kinds.value(c));
                if (!text.isEmpty())
                    poke(line, c, asText(text)); // row codes such as "2.10" stay as written
            }
        }
        for (int c = 1; c <= table->columns && c <= valueCount; ++c) {
            const runtime::Decimal value = row.value(c);
            if (!value.isZero())
                poke(line, c + table->offset, valueText(value));
        }
    }

    const runtime::Status finished = m_office.close(channel);
    const bool notOpened = !finished && finished.error().code == runtime::ErrorCode::NotOpened;
    if (!ok || (!finished && !notOpened))
        return fail(QStringLiteral("Книга %1 записана не полностью").arg(path));
    if (notOpened)
        m_prompter.message(shell::ExcelLauncher::notOpenedText(finished.error(), path), {}, {},
                           runtime::MessageIcon::Warning);
    else
        m_prompter.message(shell::ExcelLauncher::doneText());
    return true;
}

} // namespace zemor::entry
