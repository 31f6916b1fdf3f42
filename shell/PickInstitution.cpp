#include "shell/PickInstitution.h"

#include "data/Codes.h"
#include "data/DataContext.h"
#include "data/records/BolnRecord.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/text/Cp1251.h"
#include "runtime/text/FixedString.h"
#include "shell/AppState.h"
#include "shell/FixedText.h"
#include "shell/ReadFailure.h"

#include <algorithm>

namespace zemor::shell {

using runtime::ErrorCode;
using runtime::Result;
using runtime::Status;

PickInstitution::PickInstitution(data::DataContext &data, const AppState &state)
    : m_data(data), m_state(state)
{
}

bool PickInstitution::isListed(const data::BolnRecord &institution, const AppState &state,
                               bool formCodeGiven)
{
    const int year = state.globYear;
    if (institution.eYear() != 0 && institution.eYear() < year)
        return false;
    if (institution.sYear() > year)
        return false;
    if (institution.sel() == 3)
        return false;
    if (state.globTipUser != static_cast<quint8>(data::UserType::Institution))
        return true;
    const qint32 code = institution.unicod();
    if (code < data::AttachedUnitBase) {
        if (code == state.globKodUser)
            return true;
        // Characters 3 to 7 of BOL:S name the institution this one is attached to.
        bool isNumber = false;
        const qint64 parent = institution.s().mid(2, 5).trimmed().toLongLong(&isNumber);
        return isNumber && parent == state.globKodUser;
    }
    return !formCodeGiven || code == state.globKodUser + data::AttachedUnitBase;
}

bool PickInstitution::districtTotalOffered(const Filter &filter)
{
    return !filter.formCode || *filter.formCode >= formCodeWithDistrictTotal;
}

Result<QList<InstitutionEntry>> PickInstitution::read(const Filter &filter)
{
    if (Status opened = m_data.open(data::FileId::boln); !opened)
        return std::unexpected(opened.error());
    runtime::store::KeyedFile &file = m_data.file(data::FileId::boln);
    QList<InstitutionEntry> list;
    file.clearRecord();
    data::BolnRecord position(file.record());
    Status status;
    if (filter.district) {
        status = position.setCodReg(*filter.district);
        if (status)
            status = file.set(data::BolnRecord::KeyCodReg, 1);
    } else {
        status = file.set(data::BolnRecord::KeyCodReg, -1);
    }
    while (status) {
        status = file.next();
        if (!status)
            break;
        const data::BolnRecord institution(file.record());
        if (filter.district && institution.codReg() != *filter.district)
            break;
        if (!isListed(institution, m_state, filter.formCode.has_value()))
            continue;
        list.append(InstitutionEntry{institution.unicod(), institution.nazv(), institution.vid(),
                                     institution.sel(), institution.codReg()});
    }
    const bool failed = !status && status.error().code != ErrorCode::EndOfFile &&
                        status.error().code != ErrorCode::RecordNotFound;
    if (failed)
        reportReadFailure(m_data, data::FileId::boln, status.error());
    m_data.close(data::FileId::boln);
    if (failed)
        return std::unexpected(status.error());
    return list;
}

void PickInstitution::sortForList(QList<InstitutionEntry> &entries)
{
    // Names go in the order of their stored bytes, as the keys of the files order them.
    const auto stored = [](const QString &name) { return runtime::text::toCp1251(name); };
    std::stable_sort(entries.begin(), entries.end(),
                     [&](const InstitutionEntry &a, const InstitutionEntry &b) {
                         if (a.vid != b.vid)
                             return a.vid < b.vid;
                         return runtime::text::compareFixed(stored(a.name), stored(b.name)) < 0;
                     });
}

PickInstitution::Outcome PickInstitution::run(const Request &request, InstitutionChooser &chooser)
{
    Result<QList<InstitutionEntry>> list = read(request.filter);
    if (!list)
        return Outcome::Failed;
    if (list->isEmpty())
        return Outcome::Empty;
    sortForList(*list);
    const QString currentName = request.name ? request.name->trimmed() : QString();
    const InstitutionChooser::Answer answer =
        chooser.choose(currentName, districtTotalOffered(request.filter), *list);

    const bool wanted = request.name && request.code;
    switch (answer.kind) {
    case InstitutionChooser::Answer::Kind::Institution:
        if (answer.row >= 0 && answer.row < list->size()) {
            if (wanted) {
                *request.code = list->at(answer.row).code;
                *request.name = fixedText(list->at(answer.row).name, request.nameLength);
            }
            return Outcome::Chosen;
        }
        break;
    case InstitutionChooser::Answer::Kind::DistrictTotal:
        if (request.filter.district) {
            if (wanted) {
                *request.code =
                    static_cast<qint32>(data::DistrictTotalCodeBase + *request.filter.district);
                *request.name = fixedText(QString(), request.nameLength);
            }
            return Outcome::DistrictTotal;
        }
        break;
    case InstitutionChooser::Answer::Kind::Closed:
        break;
    }
    if (wanted) {
        *request.code = 0;
        *request.name = fixedText(QString(), request.nameLength);
    }
    return Outcome::Closed;
}

Status PickInstitution::fill(const Filter &filter,
                             const std::function<void(const InstitutionEntry &)> &append)
{
    const Result<QList<InstitutionEntry>> list = read(filter);
    if (!list)
        return std::unexpected(list.error());
    for (const InstitutionEntry &entry : *list)
        append(entry);
    return {};
}

} // namespace zemor::shell
