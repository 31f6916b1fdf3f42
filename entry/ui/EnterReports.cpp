#include "entry/ui/EnterReports.h"

#include "data/Period.h"
#include "entry/EntryChoices.h"
#include "entry/ui/EntryChoicesProvider.h"
#include "entry/ui/EntryWindow.h"
#include "runtime/core/Prompter.h"

#include <optional>

namespace zemor::entry::ui {

namespace {

// The year of the procedure: the process-wide year held within its bounds, with the message
// when it had to be moved.
int procedureYear(EntryChoicesProvider &choices, runtime::Prompter &prompter)
{
    const EntrySettings settings = choices.settings();
    const EntryChoices::Year year =
        EntryChoices::clampYear(settings.year, settings.yearFirst, settings.yearLast);
    if (!year.message.isEmpty()) {
        prompter.message(year.message);
        choices.setYear(year.year);
    }
    return year.year;
}

// The interactive choices in their order: form and period, district, institution. nullopt
// when one of them was not made.
std::optional<EntryReport> chooseReport(EntryChoicesProvider &choices, int year, QWidget *parent)
{
    EntryReport report;
    report.id.year = year;

    const FormChoice form = choices.chooseForm(year, parent);
    if (form.form == 0)
        return std::nullopt;
    report.id.form = form.form;
    report.id.periodKind = form.periodKind;
    report.formName = form.name;
    report.formCodeText = form.codeText;
    const qint32 period = choices.choosePeriod(form.periodKind, report.periodWord, parent);
    report.id.period = form.periodKind == 0 ? 0 : period;
    if (form.periodKind > 0 && report.id.period == 0)
        return std::nullopt;

    const EntrySettings settings = choices.settings();
    qint64 district = 0;
    if (settings.userType > 0) {
        district = settings.district;
        report.districtName = settings.name;
    } else {
        const bool withRegion = form.form >= 900 && form.form <= 999;
        if (!withRegion) {
            report.title.clear();
            report.districtName.clear();
        }
        const DistrictChoice chosen = choices.chooseDistrict(year, withRegion ? 22 : 2, parent);
        district = chosen.district;
        report.districtName = chosen.name;
    }
    if (district == 0)
        return std::nullopt;
    report.id.district = int(district);

    qint32 institution = 0;
    if (settings.userType == 2) {
        report.title = settings.name;
        report.districtName.clear();
        institution =
            choices.chooseInstitution(district, form.form, report.title, settings.ownCode, parent);
    } else if (const auto fixed = EntryChoices::institutionOfDistrict(int(district)); !fixed) {
        report.title = report.districtName;
        institution = choices.chooseInstitution(district, form.form, report.title, 0, parent);
    } else {
        institution = *fixed;
    }
    if (institution == 0)
        return std::nullopt;
    report.id.institution = institution;

    report.periodText = data::periodLabel(data::PeriodKind(form.periodKind), report.id.period);
    if (settings.userType != 2)
        report.title = EntryChoices::titleWithDistrict(report.id.district, report.districtName,
                                                       report.title.trimmed());
    return report;
}

} // namespace

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

QWidget *EnterReports::interactive(data::DataContext &context, runtime::Prompter &prompter,
                                   std::shared_ptr<EntryChoicesProvider> choices, bool ownWindow,
                                   QWidget *parent)
{
    if (!choices)
        return nullptr;
    const int year = procedureYear(*choices, prompter);
    const std::optional<EntryReport> report = chooseReport(*choices, year, parent);
    if (!report)
        return nullptr;
    return run(new EntryWindow(context, prompter, choices, *report, parent), ownWindow);
}

void EnterReports::givenReport(data::DataContext &context, runtime::Prompter &prompter,
                               std::shared_ptr<EntryChoicesProvider> choices, GivenReport &given,
                               QWidget *parent)
{
    EntryReport report;
    report.id.year = choices ? procedureYear(*choices, prompter) : 0;
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
    if (choices && choices->settings().userType != 2)
        report.title = EntryChoices::titleWithDistrict(report.id.district, report.districtName,
                                                       report.title.trimmed());

    auto *window = new EntryWindow(context, prompter, std::move(choices), report, parent);
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
