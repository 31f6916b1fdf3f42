#include "shell/SettingsEditor.h"

#include "data/Codes.h"
#include "data/DataContext.h"
#include "data/ErrorManager.h"
#include "data/FileManager.h"
#include "data/OpenedFile.h"
#include "data/records/User1Record.h"
#include "runtime/core/Prompter.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/store/Scan.h"
#include "runtime/store/Transaction.h"
#include "shell/AppState.h"
#include "shell/UserSettings.h"

namespace zemor::shell {

using runtime::ErrorCode;
using runtime::Status;

SettingsEditor::SettingsEditor(data::DataContext &data, AppState &state,
                               runtime::Prompter &prompter)
    : m_data(data), m_state(state), m_prompter(prompter)
{
}

data::User1Record SettingsEditor::user()
{
    return data::User1Record(m_record);
}

int SettingsEditor::userType() const
{
    QByteArray copy = m_record;
    return data::User1Record(copy).tipUser();
}

Status SettingsEditor::load()
{
    const auto read = UserSettings::readRecord(m_data);
    if (!read)
        return std::unexpected(read.error());
    m_isNew = !read->has_value();
    if (m_isNew) {
        user().clear();
        user().setTipUser(static_cast<quint8>(data::UserType::Institution));
    } else {
        m_record = **read;
    }
    // The work folder is not shown in the window, yet the save checks it: a stored record
    // whose work folder is blank gets the default the program already works with, so that
    // the window can be saved at all.
    UserSettings::fillDefaultFolders(m_record);
    m_seenType = userType();
    return {};
}

void SettingsEditor::changeUserType(int type)
{
    if (type == m_seenType)
        return;
    m_seenType = type;
    data::User1Record u = user();
    u.setTipUser(static_cast<quint8>(type));
    u.setNameObl(QString());
    u.setKodUser(0);
    (void)u.setCodReg(0);
}

bool SettingsEditor::chooseInstitution(const std::optional<PickedEntry> &district,
                                       const InstitutionPick &pickInstitution)
{
    if (!district)
        return false;
    const int type = userType();
    data::User1Record u = user();
    if (district->code > 0 && type == static_cast<int>(data::UserType::Institution)) {
        const std::optional<PickedEntry> institution = pickInstitution(district->code);
        if (!institution)
            return false;
        if (!u.setCodReg(district->code))
            return false;
        u.setKodUser(static_cast<qint32>(institution->code));
        u.setNameObl((district->name + QLatin1Char(' ') + institution->name).left(nameLength));
        return true;
    }
    if (type == static_cast<int>(data::UserType::District)) {
        if (!u.setCodReg(district->code))
            return false;
        u.setKodUser(static_cast<qint32>(district->code));
        u.setNameObl(district->name.left(nameLength));
        return true;
    }
    return false;
}

bool SettingsEditor::folderEndsWithSeparator(const QString &folder, bool blankAllowed)
{
    QString text = folder;
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    if (text.isEmpty())
        return blankAllowed;
    return text.endsWith(QLatin1Char('\\')) || text.endsWith(QLatin1Char('/'));
}

Status SettingsEditor::write()
{
    data::OpenedFile user(m_data, data::FileId::USER1);
    if (!user.status())
        return user.status(); // reported by the file manager
    runtime::store::KeyedFile &file = user.file();
    // Record 1 is updated in place; a file that holds none (a new installation, or one whose
    // record has gone meanwhile) gets it added.
    bool found = false;
    const auto firstRecord = [&] {
        found = true;
        return false; // record 1 is the one
    };
    data::FileOperation operation = data::FileOperation::Update;
    const Status status = [&]() -> Status {
        auto transaction = runtime::store::Transaction::begin(file);
        if (!transaction)
            return std::unexpected(transaction.error());
        if (Status read = runtime::store::scanPhysical(file, firstRecord); !read)
            return read;
        file.record() = m_record;
        if (!found)
            operation = data::FileOperation::Add;
        if (Status written = found ? file.put() : file.add(); !written)
            return written; // rolled back by the guard
        return transaction->commit();
    }();
    if (!status)
        m_data.errors().report(operation, m_data.fileManager(data::FileId::USER1).label(),
                               m_data.fileManager(data::FileId::USER1).name(), status.error());
    return status;
}

SettingsEditor::SaveOutcome SettingsEditor::save()
{
    const data::User1Record u = user();
    if (!folderEndsWithSeparator(u.temp(), false) || !folderEndsWithSeparator(u.s1(), true) ||
        !folderEndsWithSeparator(u.s2(), true)) {
        m_prompter.message(pathRefusedText());
        return SaveOutcome::Refused;
    }
    // The failure itself has been shown by the error manager.
    if (!write())
        return SaveOutcome::Failed;
    m_isNew = false;
    m_prompter.message(savedText());
    UserSettings::apply(m_record, m_state);
    return SaveOutcome::Saved;
}

} // namespace zemor::shell
