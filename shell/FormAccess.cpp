#include "shell/FormAccess.h"

#include "data/DataContext.h"
#include "data/FileNames.h"
#include "data/OpenedFile.h"
#include "data/records/FormaRecord.h"
#include "runtime/fs/Paths.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/store/Scan.h"
#include "runtime/store/Transaction.h"

namespace zemor::shell {

using runtime::ErrorCode;
using runtime::Status;
using runtime::store::KeyedFile;

namespace {
constexpr int nameLength = 100;
}

QString FormAccess::formaFileName(int year)
{
    return data::FileNames::workDirPrefix() + QStringLiteral("\\%1\\Forma").arg(year);
}

Status FormAccess::load(int year)
{
    m_entries.clear();
    m_year = year;
    m_formaName = formaFileName(year);
    m_data.names().setFormaFileName(m_formaName);

    data::OpenedFile forma(m_data, data::FileId::forma);
    if (!forma.status())
        return forma.status();
    const Status result = forma.scanPhysical([&] {
        const data::FormaRecord form(forma.file().record());
        m_entries.append(FormAccessEntry{qint32(form.unicod()), quint8(form.vkl()),
                                         form.name().left(nameLength)});
        return true;
    });
    if (!result)
        m_entries.clear();
    return result;
}

void FormAccess::toggle(int row)
{
    if (row < 0 || row >= m_entries.size())
        return;
    FormAccessEntry &entry = m_entries[row];
    entry.vkl = entry.vkl == 0 ? 1 : 0;
}

runtime::Result<int> FormAccess::save() const
{
    const auto path =
        runtime::fs::resolve(m_formaName, data::defaultExtension(data::Driver::Keyed));
    if (!path)
        return std::unexpected(path.error());
    if (!runtime::fs::exists(*path))
        return runtime::fail(ErrorCode::FileNotFound, *path);

    KeyedFile file(data::declaration(data::FileId::forma).layout);
    if (Status opened =
            file.open(*path, runtime::store::Access::ReadWrite, runtime::store::Share::DenyWrite);
        !opened)
        return std::unexpected(opened.error());
    auto transaction = runtime::store::Transaction::begin(file);
    if (!transaction)
        return std::unexpected(transaction.error());

    int updated = 0;
    for (const FormAccessEntry &entry : m_entries) {
        data::FormaRecord form(file.record());
        form.clear();
        Status step = form.setUnicod(entry.unicod);
        if (step) {
            const runtime::Result<bool> found =
                runtime::store::find(file, data::FormaRecord::KeyUnicod);
            if (found && !*found)
                continue;
            if (found) {
                form.setVkl(entry.vkl);
                step = file.put();
            } else {
                step = std::unexpected(found.error());
            }
        }
        if (!step)
            return std::unexpected(step.error()); // rolled back by the guard
        ++updated;
    }
    if (Status committed = transaction->commit(); !committed)
        return std::unexpected(committed.error());
    return updated;
}

} // namespace zemor::shell
