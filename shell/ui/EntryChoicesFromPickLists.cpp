#include "shell/ui/EntryChoicesFromPickLists.h"

#include "shell/AppState.h"
#include "shell/PickFromList.h"
#include "shell/PickInstitution.h"
#include "shell/ui/HelpWindow.h"
#include "shell/ui/InstitutionPickWindow.h"
#include "shell/ui/PeriodWindow.h"
#include "shell/ui/PickListWindow.h"

namespace zemor::shell::ui {

entry::ui::EntrySettings EntryChoicesFromPickLists::settings() const
{
    entry::ui::EntrySettings s;
    s.year = m_state.globYear;
    s.yearFirst = m_state.globYearS;
    s.yearLast = m_state.globYearE;
    s.userType = m_state.globTipUser;
    s.district = m_state.globCodReg;
    s.name = m_state.globNameObl;
    s.ownCode = m_state.globKodUser;
    return s;
}

void EntryChoicesFromPickLists::setYear(int year)
{
    m_state.globYear = qint16(year);
}

entry::ui::FormChoice EntryChoicesFromPickLists::chooseForm(int, QWidget *parent)
{
    entry::ui::FormChoice choice;
    qint64 code = 0;
    quint8 tip = 0;
    QString name;
    QString formCode;
    PickFromList::Request request;
    request.code = &code;
    request.name = &name;
    request.nameLength = 100;
    request.tip = &tip;
    request.formCode = &formCode;
    request.formCodeLength = 10;
    PickFromList pick(m_data, m_state, m_prompter);
    PickListChooser chooser(parent);
    if (pick.run(PickFromList::Forms, request, chooser) != PickFromList::Outcome::Chosen)
        return choice;
    choice.form = code;
    choice.name = name;
    choice.codeText = formCode;
    choice.periodKind = tip;
    return choice;
}

qint32 EntryChoicesFromPickLists::choosePeriod(int periodKind, QString &kindWord, QWidget *parent)
{
    qint32 number = 0;
    PeriodWindow::periodText(data::PeriodKind(periodKind), number, kindWord, m_prompter, parent);
    return number;
}

entry::ui::DistrictChoice EntryChoicesFromPickLists::chooseDistrict(int, int listKind,
                                                                    QWidget *parent)
{
    entry::ui::DistrictChoice choice;
    qint64 code = 0;
    QString name;
    PickFromList::Request request;
    request.code = &code;
    request.name = &name;
    request.nameLength = 30;
    PickFromList pick(m_data, m_state, m_prompter);
    PickListChooser chooser(parent);
    if (pick.run(listKind, request, chooser) != PickFromList::Outcome::Chosen)
        return choice;
    choice.district = code;
    choice.name = name;
    return choice;
}

qint32 EntryChoicesFromPickLists::chooseInstitution(qint64 district, qint64 form, QString &title,
                                                    qint32 current, QWidget *parent)
{
    qint32 code = current;
    PickInstitution::Request request;
    request.code = &code;
    request.name = &title;
    request.nameLength = 50;
    request.filter.district = district;
    request.filter.formCode = form;
    PickInstitution pick(m_data, m_state);
    InstitutionPickChooser chooser(parent);
    const PickInstitution::Outcome outcome = pick.run(request, chooser);
    if (outcome == PickInstitution::Outcome::Failed)
        return 0;
    return code;
}

void EntryChoicesFromPickLists::showHelp(int section, QWidget *parent)
{
    ui::showHelp(m_prompter, section, false, parent);
}

} // namespace zemor::shell::ui
