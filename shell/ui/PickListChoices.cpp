#include "shell/ui/PickListChoices.h"

#include "data/DataContext.h"
#include "data/FileNames.h"
#include "shell/AppState.h"
#include "shell/PickFromList.h"
#include "shell/PickInstitution.h"
#include "shell/ui/HelpWindow.h"
#include "shell/ui/InstitutionPickWindow.h"
#include "shell/ui/PeriodWindow.h"
#include "shell/ui/PickListWindow.h"

namespace zemor::shell::ui {

std::optional<FormChoice> PickListChoices::chooseForm(int year, QWidget *parent)
{
    // The list is the catalogue of the year asked for, never one a window read before.
    data::FileNames names;
    names.setYearFileNames(year);
    m_data.names().setFormaFileName(names.formaFileName());

    qint64 code = 0;
    quint8 tip = 0;
    QString name;
    QString formCode;
    PickFromList::Request request;
    request.code = &code;
    request.name = &name;
    request.tip = &tip;
    request.formCode = &formCode;
    PickFromList pick(m_data, m_state, m_prompter);
    PickListChooser chooser(parent);
    if (pick.run(PickFromList::Forms, request, chooser) != PickFromList::Outcome::Chosen ||
        code == 0)
        return std::nullopt;
    return FormChoice{code, name, formCode, tip};
}

PeriodChoice PickListChoices::choosePeriod(int periodKind, QWidget *parent)
{
    PeriodChoice choice;
    PeriodWindow::periodText(data::PeriodKind(periodKind), choice.number, choice.kindWord,
                             m_prompter, parent);
    return choice;
}

std::optional<PickedEntry> PickListChoices::chooseDistrict(int listKind, QWidget *parent)
{
    qint64 code = 0;
    QString name;
    PickFromList::Request request;
    request.code = &code;
    request.name = &name;
    PickFromList pick(m_data, m_state, m_prompter);
    PickListChooser chooser(parent);
    if (pick.run(listKind, request, chooser) != PickFromList::Outcome::Chosen)
        return std::nullopt;
    return PickedEntry{code, name};
}

InstitutionChoice PickListChoices::chooseInstitution(const InstitutionQuestion &question,
                                                     QWidget *parent)
{
    qint32 code = 0;
    QString name = question.currentName;
    PickInstitution::Request request;
    request.code = &code;
    request.name = &name;
    request.filter.district = question.district;
    request.filter.formCode = question.form;
    PickInstitution pick(m_data, m_state);
    InstitutionPickChooser chooser(parent);
    using Answer = InstitutionChoice::Answer;
    switch (pick.run(request, chooser)) {
    case PickInstitution::Outcome::Chosen:
        return {Answer::Chosen, code, name};
    case PickInstitution::Outcome::DistrictTotal:
        return {Answer::DistrictTotal, code, QString()};
    case PickInstitution::Outcome::Empty:
        return {Answer::NothingListed, 0, QString()};
    case PickInstitution::Outcome::Closed:
    case PickInstitution::Outcome::Failed:
        break;
    }
    return {};
}

void PickListChoices::showHelp(int section, QWidget *parent)
{
    ui::showHelp(m_prompter, section, false, parent);
}

} // namespace zemor::shell::ui
