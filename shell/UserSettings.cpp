#include "shell/UserSettings.h"

#include "data/DataContext.h"
#include "data/FileNames.h"
#include "data/OpenedFile.h"
#include "data/records/NameProgRecord.h"
#include "data/records/User1Record.h"
#include "runtime/core/Prompter.h"
#include "runtime/store/KeyedFile.h"
#include "shell/AppState.h"

namespace zemor::shell {

using runtime::ErrorCode;
using runtime::Result;

namespace {

// The first record of a keyed file in file order, with the file opened and closed around it.
Result<std::optional<QByteArray>> readFirst(data::DataContext &data, data::FileId id)
{
    data::OpenedFile opened(data, id);
    if (!opened.status())
        return std::unexpected(opened.status().error());
    std::optional<QByteArray> first;
    const runtime::Status read = opened.scanPhysical([&] {
        first = opened.file().record();
        return false; // the first record is all
    });
    if (!read)
        return std::unexpected(read.error());
    return first;
}

} // namespace

Result<std::optional<QByteArray>> UserSettings::readRecord(data::DataContext &data)
{
    return readFirst(data, data::FileId::USER1);
}

Result<std::optional<QByteArray>> UserSettings::readNameProg(data::DataContext &data)
{
    return readFirst(data, data::FileId::NameProg);
}

void UserSettings::fillDefaultFolders(QByteArray &record)
{
    data::User1Record user(record);
    if (record.size() != data::User1Record::recordSize)
        user.clear();
    if (user.temp().trimmed().isEmpty())
        user.setTemp(defaultTemp());
    if (user.office().trimmed().isEmpty())
        user.setOffice(defaultOffice());
}

void UserSettings::apply(QByteArray &record, AppState &state)
{
    fillDefaultFolders(record);
    const data::User1Record user(record);
    state.globKodUser = user.kodUser();
    state.globTipUser = user.tipUser();
    state.globCodReg = user.codReg();
    state.globNameObl = user.nameObl();
}

Result<bool> UserSettings::scanYears(const QString &workDir, AppState &state)
{
    state.globYearS = 0;
    state.globYearE = 0;
    const Result<QList<int>> years = data::yearDirectories(workDir);
    if (!years)
        return std::unexpected(years.error());
    if (years->isEmpty())
        return false;
    state.globYearS = static_cast<qint16>(years->first());
    state.globYearE = static_cast<qint16>(years->last());
    return true;
}

UserSettings::StartUp UserSettings::startUp(data::DataContext &data, AppState &state,
                                            runtime::Prompter &prompter, const QString &workDir)
{
    StartUp result;
    data::User1Record(result.user1).clear();
    // A USER1 that cannot be opened has been reported by the error manager; the program goes
    // on with blank settings, and the reminder below tells the user to set them.
    if (const auto read = readRecord(data); read && read->has_value())
        result.user1 = **read;
    apply(result.user1, state);

    const Result<bool> found = scanYears(workDir, state);
    if (!found || !*found)
        prompter.message(noYearDirectoryText());

    data::NameProgRecord(result.nameProg).clear();
    if (const auto read = readNameProg(data); read && read->has_value())
        result.nameProg = **read;

    if (state.globKodUser == 0)
        prompter.message(noOwnCodeText());
    return result;
}

std::pair<QString, QString> userFolders(data::DataContext &data)
{
    const auto read = UserSettings::readRecord(data);
    if (!read || !read->has_value())
        return {};
    QByteArray bytes = **read;
    const data::User1Record user(bytes);
    return {user.s1(), user.s2()};
}

QStringList userPaths(const QString &s1, const QString &s2)
{
    QStringList out;
    for (const QString &s : {s1, s2}) {
        if (!s.trimmed().isEmpty())
            out.append(s.trimmed());
    }
    return out;
}

} // namespace zemor::shell
