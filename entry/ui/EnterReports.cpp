#include "entry/ui/EnterReports.h"

#include "data/DataContext.h"
#include "data/Period.h"
#include "entry/EntryChoices.h"
#include "entry/ui/EntryWindow.h"
#include "runtime/core/Prompter.h"
#include "shell/AppState.h"
#include "shell/FixedText.h"
#include "shell/ui/Choices.h"

#include <optional>

namespace zemor::entry::ui {

namespace {

// The year of the procedure: the process-wide year held within its bounds, with the message
// when it had to be moved.
int procedureYear(shell::AppState &state, runtime::Prompter &prompter)
{
    if (state.holdYear())
        prompter.message(shell::AppState::yearBoundsText(state.globYearS, state.globYearE));
    return state.globYear;
}

// The interactive choices in their order: form and period, district, institution. nullopt
// when one of them was not made.
std::optional<EntryReport> chooseReport(shell::ui::Choices &choices, const shell::AppState &state,
                                        int year, QWidget *parent)
{
    EntryReport report;
    report.id.year = year;

    const std::optional<shell::ui::FormChoice> form =
        EnterReports::chooseForm(choices, year, parent);
    if (!form)
        return std::nullopt;
    report.id.form = form->form;
    report.id.periodKind = form->periodKind;
    report.formName = form->name;
    report.formCodeText = form->codeText;
    const shell::ui::PeriodChoice period = choices.choosePeriod(form->periodKind, parent);
    report.periodWord = period.kindWord;
    report.id.period = form->periodKind == 0 ? 0 : period.number;
    if (form->periodKind > 0 && report.id.period == 0)
        return std::nullopt;

    qint64 district = 0;
    if (state.globTipUser > 0) {
        district = state.globCodReg;
        report.districtName = state.globNameObl;
    } else {
        const bool withRegion = form->form >= 900 && form->form <= 999;
        if (!withRegion) {
            report.title.clear();
            report.districtName.clear();
        }
        const DistrictName chosen = EnterReports::chooseDistrict(
            choices,
            withRegion ? shell::ui::Choices::districtsWithRegion : shell::ui::Choices::districts,
            parent);
        district = chosen.district;
        report.districtName = chosen.name;
    }
    if (district == 0)
        return std::nullopt;
    report.id.district = int(district);

    qint32 institution = 0;
    if (state.globTipUser == 2) {
        report.title = state.globNameObl;
        report.districtName.clear();
        const InstitutionTitle chosen = EnterReports::chooseInstitution(
            choices, district, form->form, report.title, state.globKodUser, parent);
        institution = chosen.institution;
        report.title = chosen.title;
    } else if (const auto fixed = EntryChoices::institutionOfDistrict(int(district)); !fixed) {
        report.title = report.districtName;
        const InstitutionTitle chosen =
            EnterReports::chooseInstitution(choices, district, form->form, report.title, 0, parent);
        institution = chosen.institution;
        report.title = chosen.title;
    } else {
        institution = *fixed;
    }
    if (institution == 0)
        return std::nullopt;
    report.id.institution = institution;

    report.periodText = data::periodLabel(data::PeriodKind(form->periodKind), report.id.period);
    if (state.globTipUser != 2)
        report.title = EntryChoices::titleWithDistrict(report.id.district, report.districtName,
                                                       report.title.trimmed());
    return report;
}

} // namespace

std::optional<shell::ui::FormChoice> EnterReports::chooseForm(shell::ui::Choices &choices, int year,
                                                              QWidget *parent)
{
    std::optional<shell::ui::FormChoice> form = choices.chooseForm(year, parent);
    if (form) {
        form->name = shell::fixedText(form->name, 100);
        form->codeText = shell::fixedText(form->codeText, 10);
    }
    return form;
}

DistrictName EnterReports::chooseDistrict(shell::ui::Choices &choices, int listKind,
                                          QWidget *parent)
{
    constexpr int nameLength = 30;
    const std::optional<shell::PickedEntry> district = choices.chooseDistrict(listKind, parent);
    if (!district)
        return {0, shell::fixedText(QString(), nameLength)};
    return {district->code, shell::fixedText(district->name, nameLength)};
}

InstitutionTitle EnterReports::chooseInstitution(shell::ui::Choices &choices, qint64 district,
                                                 qint64 form, const QString &title, qint32 current,
                                                 QWidget *parent)
{
    constexpr int titleLength = 50;
    const shell::ui::InstitutionChoice choice =
        choices.chooseInstitution({district, form, title.trimmed()}, parent);
    if (choice.chosen())
        return {choice.code, shell::fixedText(choice.name, titleLength)};
    if (choice.answer == shell::ui::InstitutionChoice::Answer::NothingListed)
        return {current, title};
    return {0, shell::fixedText(QString(), titleLength)};
}

QWidget *EnterReports::run(EntryWindow *window, bool ownWindow)
{
    if (!window->openReport()) {
        delete window;
        return nullptr;
    }
    if (ownWindow) {
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setWindowFlag(Qt::Window);
        window->setModal(false);
        window->show();
        return window;
    }
    window->exec();
    delete window;
    return nullptr;
}

QWidget *EnterReports::interactive(data::DataContext &context, const shell::ui::Services &services,
                                   bool ownWindow, QWidget *parent)
{
    if (!services.choices)
        return nullptr;
    const int year = procedureYear(services.state, services.prompter);
    // Every list and file of the procedure is the year's, whatever the context read before.
    context.names().setYearFileNames(year);
    const std::optional<EntryReport> report =
        chooseReport(*services.choices, services.state, year, parent);
    if (!report)
        return nullptr;
    return run(new EntryWindow(context, services, *report, parent), ownWindow);
}

void EnterReports::givenReport(data::DataContext &context, const shell::ui::Services &services,
                               GivenReport &given, QWidget *parent)
{
    EntryReport report;
    report.id.year = procedureYear(services.state, services.prompter);
    context.names().setYearFileNames(report.id.year);
    report.given = true;
    report.id.institution = given.institution;
    report.id.district = int(given.district);
    report.id.form = given.form;
    report.id.period = given.period;
    report.id.periodKind = given.periodKind;
    report.formCodeText = given.formCodeText.left(10);
    report.formName = given.formName.left(100);
    report.districtName = given.districtName.left(30);
    report.title = given.title.left(50);
    report.periodWord = EntryChoices::givenReportKindWord(given.periodKind);
    report.periodText = data::periodLabel(data::PeriodKind(given.periodKind), given.period);
    if (services.state.globTipUser != 2)
        report.title = EntryChoices::titleWithDistrict(report.id.district, report.districtName,
                                                       report.title.trimmed());

    auto *window = new EntryWindow(context, services, report, parent);
    if (!window->openReport()) {
        delete window;
        return;
    }
    window->exec();
    if (window->reportDeleted())
        given.district = 0;
    delete window;
}

} // namespace zemor::entry::ui
