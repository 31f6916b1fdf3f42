#include "shell/PickInstitution.h"

#include "data/Codes.h"
#include "data/DataContext.h"
#include "data/OpenedFile.h"
#include "data/records/BolnRecord.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/text/Cp1251.h"
#include "runtime/text/FixedString.h"
#include "shell/AppState.h"
#include "shell/FixedText.h"
#include "shell/InstitutionListing.h"

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
    return InstitutionListing::forPicking(state, formCodeGiven).isListed(institution);
}

bool PickInstitution::districtTotalOffered(const Filter &filter)
{
    return !filter.formCode || *filter.formCode >= formCodeWithDistrictTotal;
}

Result<QList<InstitutionEntry>> PickInstitution::read(const Filter &filter)
{
    data::OpenedFile boln(m_data, data::FileId::boln);
    if (!boln.status())
        return std::unexpected(boln.status().error());
    runtime::store::KeyedFile &file = boln.file();
    const InstitutionListing listing =
        InstitutionListing::forPicking(m_state, filter.formCode.has_value());
    QList<InstitutionEntry> list;
    file.clearRecord();
    if (filter.district) {
        if (Status set = data::BolnRecord(file.record()).setCodReg(*filter.district); !set)
            return std::unexpected(boln.readFailed(set.error()));
    }
    const Status status = boln.scan(data::BolnRecord::KeyCodReg, filter.district ? 1 : -1, [&] {
        const data::BolnRecord institution(file.record());
        if (filter.district && institution.codReg() != *filter.district)
            return false;
        if (listing.isListed(institution))
            list.append(InstitutionEntry{institution.unicod(), institution.nazv(),
                                         institution.vid(), institution.sel(),
                                         institution.codReg()});
        return true;
    });
    if (!status)
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
