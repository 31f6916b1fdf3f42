#include "app/ProcedureTable.h"

#include "analysis/common/ui/RankTableWindow.h"
#include "analysis/ratings/ui/InstitutionSetWindows.h"
#include "analysis/ratings/ui/RatingWindow.h"
#include "analysis/ui/CompletenessWindow.h"
#include "analysis/ui/ReportListWindow.h"
#include "analysis/ui/SubmittedReportsWindow.h"
#include "entry/ui/BlankFormsWindow.h"
#include "entry/ui/ControlsListWindow.h"
#include "entry/ui/EnterReports.h"
#include "entry/ui/InterFormWindow.h"
#include "entry/ui/IntraFormRunWindow.h"
#include "exchange/ui/DbfImportWindows.h"
#include "exchange/ui/ExportWindows.h"
#include "exchange/ui/Form62CsvWindow.h"
#include "exchange/ui/Form62XmlWindow.h"
#include "exchange/ui/ImportWindows.h"
#include "exchange/ui/OldFormatWindows.h"
#include "runtime/report/ProgramPrinter.h"
#include "shell/AppState.h"
#include "shell/ui/FormAccessWindow.h"
#include "shell/ui/HelpWindow.h"
#include "shell/ui/InstitutionListWindow.h"
#include "shell/ui/KeyRebuildWindow.h"
#include "shell/ui/PickListChoices.h"
#include "shell/ui/PreviewWindow.h"

namespace zemor::app {

using namespace shell::ui;

namespace {

// The preview of the frame, printing through the system printer, for a window that outlives
// the procedure call.
class OwnPreviewSink : public runtime::report::PageSink
{
public:
    explicit OwnPreviewSink(runtime::Prompter &prompter) : m_preview(prompter, m_printer) {}
    runtime::Result<bool> output(const runtime::report::PageList &pages,
                                 const QString &title) override
    {
        return m_preview.output(pages, title);
    }

private:
    runtime::report::PrinterSink m_printer;
    PreviewSink m_preview;
};

} // namespace

Procedures procedureTable(const ProcedureServices &services)
{
    Procedures table;
    // Report entry: modal from the menu, a modeless window of its own from the toolbar.
    table.insert(QStringLiteral("EnterReportsFromMenu"),
                 [&state = services.state, &prompter = services.prompter,
                  &office = services.office](data::DataContext &data, QWidget *parent,
                                             bool ownWindow) -> QWidget * {
                     auto choices = std::make_shared<PickListChoices>(data, state, prompter);
                     return entry::ui::EnterReports::interactive(data, state, prompter, choices,
                                                                 ownWindow, parent, &office);
                 });
    table.insert(QStringLiteral("InstitutionList"),
                 [&state = services.state, &office = services.office,
                  &prompter = services.prompter](data::DataContext &data, QWidget *parent,
                                                 bool) -> QWidget * {
                     InstitutionListWindow::run(data, state.globYear, office, prompter, parent);
                     return nullptr;
                 });
    // The list of submitting institutions: modal from the menu, a modeless window of its own
    // from the toolbar.
    table.insert(QStringLiteral("ListSubmittedReports"),
                 [&state = services.state, &office = services.office,
                  &prompter = services.prompter](data::DataContext &data, QWidget *parent,
                                                 bool ownWindow) -> QWidget * {
                     auto choices = std::make_shared<PickListChoices>(data, state, prompter);
                     auto printer = std::make_shared<runtime::report::PrinterSink>(parent);
                     return analysis::ui::SubmittedReportsWindow::run(
                         data, {state, prompter, office, choices, printer}, ownWindow, parent);
                 });
    // The report list with its summary and cross-section, and the completeness of the reports:
    // modal from the menu, modeless windows of their own from the toolbar.
    table.insert(QStringLiteral("SelectReports"),
                 [&state = services.state, &office = services.office,
                  &prompter = services.prompter](data::DataContext &data, QWidget *parent,
                                                 bool ownWindow) -> QWidget * {
                     auto choices = std::make_shared<PickListChoices>(data, state, prompter);
                     auto printer = std::make_shared<runtime::report::PrinterSink>(parent);
                     return analysis::ui::ReportListWindow::run(
                         data, {state, prompter, office, choices, printer}, ownWindow, parent);
                 });
    table.insert(QStringLiteral("ShowCompleteness"),
                 [&state = services.state, &office = services.office,
                  &prompter = services.prompter](data::DataContext &data, QWidget *parent,
                                                 bool ownWindow) -> QWidget * {
                     auto choices = std::make_shared<PickListChoices>(data, state, prompter);
                     auto printer = std::make_shared<runtime::report::PrinterSink>(parent);
                     return analysis::ui::CompletenessWindow::run(
                         data, {state, prompter, office, choices, printer}, ownWindow, parent);
                 });
    // The rating of an institution set by a quality indicator ("Индикатор"), modal to the frame.
    table.insert(
        QStringLiteral("RateInstitutions"),
        [&state = services.state, &office = services.office, &prompter = services.prompter](
            data::DataContext &data, QWidget *parent, bool ownWindow) -> QWidget * {
            auto choices = std::make_shared<PickListChoices>(data, state, prompter);
            auto printer = std::make_shared<runtime::report::PrinterSink>(parent);
            analysis::ui::WindowServices services{state, prompter, office, choices, printer};
            auto openRankTable = [services](const analysis::RankTableSource &source,
                                            QWidget *owner) {
                analysis::ui::showRankTable(services, source, owner);
            };
            return analysis::ui::RatingWindow::run(data, services, openRankTable, ownWindow,
                                                   parent);
        });
    // The institution sets for the quality indicators, modal to the frame.
    table.insert(QStringLiteral("EditInstitutionSets"),
                 [&state = services.state, &office = services.office,
                  &prompter = services.prompter](data::DataContext &data, QWidget *parent,
                                                 bool) -> QWidget * {
                     auto choices = std::make_shared<PickListChoices>(data, state, prompter);
                     return analysis::ui::InstitutionSetListWindow::run(
                         data, {state, prompter, office, choices, nullptr}, false, parent);
                 });
    // The help window, the forms on/off list and the key rebuilding run on the frame's own
    // data context, modal to the frame.
    table.insert(
        QStringLiteral("ShowHelp"),
        [&prompter = services.prompter](data::DataContext &, QWidget *parent, bool) -> QWidget * {
            showHelp(prompter, 0, true, parent);
            return nullptr;
        });
    table.insert(QStringLiteral("FormAccessList"),
                 [&state = services.state, &prompter = services.prompter](
                     data::DataContext &data, QWidget *parent, bool) -> QWidget * {
                     formAccessList(data, prompter, state.globYear, parent);
                     return nullptr;
                 });
    table.insert(QStringLiteral("RebuildKeys"),
                 [&state = services.state, &prompter = services.prompter](
                     data::DataContext &data, QWidget *parent, bool) -> QWidget * {
                     rebuildKeys(data, prompter, state.globYear, parent);
                     return nullptr;
                 });
    table.insert(QStringLiteral("RunIntraFormControls"),
                 [&state = services.state, &prompter = services.prompter](
                     data::DataContext &data, QWidget *parent, bool) -> QWidget * {
                     auto choices = std::make_shared<PickListChoices>(data, state, prompter);
                     runtime::report::PrinterSink printer(parent);
                     PreviewSink preview(prompter, printer, parent);
                     entry::ui::runIntraFormControls(data, state, prompter, choices, preview,
                                                     parent);
                     return nullptr;
                 });
    table.insert(QStringLiteral("InterFormControls"),
                 [&state = services.state, &prompter = services.prompter](
                     data::DataContext &data, QWidget *parent, bool) -> QWidget * {
                     auto choices = std::make_shared<PickListChoices>(data, state, prompter);
                     runtime::report::PrinterSink printer(parent);
                     PreviewSink preview(prompter, printer, parent);
                     entry::ui::interFormControls(data, state.globYear, prompter, choices, preview,
                                                  parent);
                     return nullptr;
                 });
    table.insert(QStringLiteral("ControlsList"),
                 [&state = services.state, &prompter = services.prompter](
                     data::DataContext &data, QWidget *parent, bool) -> QWidget * {
                     auto choices = std::make_shared<PickListChoices>(data, state, prompter);
                     return entry::ui::controlsList(data, state.globYear, prompter, choices,
                                                    std::make_shared<OwnPreviewSink>(prompter),
                                                    parent);
                 });
    table.insert(QStringLiteral("BlankForms"),
                 [&office = services.office, &prompter = services.prompter](
                     data::DataContext &, QWidget *parent, bool) -> QWidget * {
                     entry::ui::blankForms(office, prompter, parent);
                     return nullptr;
                 });
    // Report exchange: the export and both loads, modal to the frame.
    const auto folders = std::make_shared<exchange::ui::DialogDirectoryChooser>();
    table.insert(
        QStringLiteral("ExportReports"),
        [&state = services.state, &prompter = services.prompter,
         folders](data::DataContext &data, QWidget *parent, bool) -> QWidget * {
            runtime::report::PrinterSink printer(parent);
            PreviewSink preview(prompter, printer, parent);
            exchange::ui::exportReports(data, {state, prompter, *folders, &preview}, parent);
            return nullptr;
        });
    table.insert(
        QStringLiteral("ImportReports"),
        [&state = services.state, &prompter = services.prompter,
         folders](data::DataContext &data, QWidget *parent, bool) -> QWidget * {
            runtime::report::PrinterSink printer(parent);
            PreviewSink preview(prompter, printer, parent);
            exchange::ui::importReports(data, {state, prompter, *folders, &preview}, parent);
            return nullptr;
        });
    table.insert(QStringLiteral("ImportReportsOldFormat"),
                 [&state = services.state, &prompter = services.prompter,
                  folders](data::DataContext &data, QWidget *parent, bool) -> QWidget * {
                     runtime::report::PrinterSink printer(parent);
                     PreviewSink preview(prompter, printer, parent);
                     exchange::ui::importReportsOldFormat(
                         data, {state, prompter, *folders, &preview}, parent);
                     return nullptr;
                 });
    table.insert(
        QStringLiteral("ImportDbfReports"),
        [&state = services.state, &prompter = services.prompter,
         folders](data::DataContext &data, QWidget *parent, bool) -> QWidget * {
            PickListChoices choices(data, state, prompter);
            exchange::ui::importDbfReports(data, {state, prompter, *folders}, choices, parent);
            return nullptr;
        });
    table.insert(QStringLiteral("ImportForm62Csv"),
                 [&state = services.state, &prompter = services.prompter,
                  folders](data::DataContext &data, QWidget *parent, bool) -> QWidget * {
                     exchange::ui::importForm62Csv(data, {state, prompter, *folders}, parent);
                     return nullptr;
                 });
    table.insert(
        QStringLiteral("ImportForm62Xml"),
        [&state = services.state, &prompter = services.prompter,
         folders](data::DataContext &data, QWidget *parent, bool) -> QWidget * {
            PickListChoices choices(data, state, prompter);
            exchange::ui::importForm62Xml(data, {state, prompter, *folders}, choices, parent);
            return nullptr;
        });
    return table;
}

} // namespace zemor::app
