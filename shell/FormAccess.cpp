#include "shell/FormAccess.h"

#include "data/DataContext.h"
#include "data/FileNames.h"
#include "data/records/FormaRecord.h"
#include "runtime/fs/Paths.h"
#include "runtime/store/KeyedFile.h"
#include "shell/ReadFailure.h"

#include <QFileInfo>

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

    if (Status opened = m_data.open(data::FileId::forma); !opened)
        return opened;
    KeyedFile &file = m_data.file(data::FileId::forma);
    Status result = file.setPhysical();
    while (result) {
        const Status read = file.next();
        if (!read) {
            if (read.error().code != ErrorCode::EndOfFile)
                result = read;
            break;
        }
        const data::FormaRecord form(file.record());
        m_entries.append(FormAccessEntry{qint32(form.unicod()), quint8(form.vkl()),
                                         form.name().left(nameLength)});
    }
    if (!result) {
        reportReadFailure(m_data, data::FileId::forma, result.error());
        m_entries.clear();
    }
    m_data.close(data::FileId::forma);
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
    if (!QFileInfo::exists(*path))
        return runtime::fail(ErrorCode::FileNotFound, *path);

    KeyedFile file(data::declaration(data::FileId::forma).layout);
    if (Status opened =
            file.open(*path, runtime::store::Access::ReadWrite, runtime::store::Share::DenyWrite);
        !opened)
        return std::unexpected(opened.error());
    if (Status begun = file.begin(); !begun)
        return std::unexpected(begun.error());

    int updated = 0;
    for (const FormAccessEntry &entry : m_entries) {
        data::FormaRecord form(file.record());
        form.clear();
        Status step = form.setUnicod(entry.unicod);
        if (step)
            step = file.get(data::FormaRecord::KeyUnicod);
        if (!step && step.error().code == ErrorCode::RecordNotFound)
            continue;
        if (step) {
            form.setVkl(entry.vkl);
            step = file.put();
        }
        if (!step) {
            (void)file.rollback();
            return std::unexpected(step.error());
        }
        ++updated;
    }
    if (Status committed = file.commit(); !committed) {
        (void)file.rollback();
        return std::unexpected(committed.error());
    }
    return updated;
}

} // namespace zemor::shell
