#include "shell/ListPicker.h"

#include "shell/PickFromList.h"
#include "shell/PickInstitution.h"

namespace zemor::shell {

ListPicker::ListPicker(data::DataContext &data, const AppState &state, runtime::Prompter &prompter,
                       ListChooser &lists, InstitutionChooser &institutions)
    : m_data(data), m_state(state), m_prompter(prompter), m_lists(lists),
      m_institutions(institutions)
{
}

std::optional<PickedEntry> ListPicker::pickDistrict()
{
    qint64 code = 0;
    QString name;
    PickFromList::Request request;
    request.code = &code;
    request.name = &name;
    request.nameLength = 100;
    PickFromList pick(m_data, m_state, m_prompter);
    if (pick.run(PickFromList::DistrictsWithRegion, request, m_lists) !=
        PickFromList::Outcome::Chosen)
        return std::nullopt;
    return PickedEntry{code, name.trimmed()};
}

std::optional<PickedEntry> ListPicker::pickInstitution(qint64 district)
{
    qint32 code = 0;
    QString name;
    PickInstitution::Request request;
    request.code = &code;
    request.name = &name;
    request.nameLength = 200;
    request.filter.district = district;
    PickInstitution pick(m_data, m_state);
    const PickInstitution::Outcome outcome = pick.run(request, m_institutions);
    if (outcome != PickInstitution::Outcome::Chosen &&
        outcome != PickInstitution::Outcome::DistrictTotal)
        return std::nullopt;
    return PickedEntry{code, name.trimmed()};
}

} // namespace zemor::shell
