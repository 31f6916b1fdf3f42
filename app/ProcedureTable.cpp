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
#include "runtime/core/Prompter.h"
#include "runtime/report/ProgramPrinter.h"
#include "runtime/ui/WidgetPrompter.h"
#include "shell/AppState.h"
#include "shell/ui/FormAccessWindow.h"
#include "shell/ui/HelpWindow.h"
#include "shell/ui/InstitutionListWindow.h"
#include "shell/ui/KeyRebuildWindow.h"
#include "shell/ui/PickListChoices.h"
#include "shell/ui/PreviewWindow.h"

#include <QApplication>
#include <QPointer>

#include <functional>
#include <memory>

namespace zemor::app {

using namespace shell::ui;

namespace {

using MakePrinter = decltype(Services::printer);

// The printer of the program's pages, over the window it was last handed out for: the system
// printer, unless the services make another.
class Printer : public runtime::report::PageSink
{
public:
    explicit Printer(MakePrinter make) : m_make(std::move(make)) {}
    void setOver(QWidget *over) { m_over = over; }
    runtime::Result<bool> output(const runtime::report::PageList &pages,
                                 const QString &title) override
    {
        if (!m_make)
            return runtime::report::PrinterSink(m_over).output(pages, title);
        return m_make(m_over)->output(pages, title);
    }

private:
    MakePrinter m_make;
    QPointer<QWidget> m_over;
};

// Where the program's printed pages go: the page preview over the window in front when they
// come (the procedure's parent when none is), and from it the printer, whose dialog opens
// over the same window, as do the preview's message boxes. The preview tells a failed print
// itself; it is answered as not printed, so that no window tells it again.
class ProgramPages : public runtime::report::PageSink
{
public:
    ProgramPages(runtime::Prompter &prompter, MakePrinter printer, QWidget *parent)
        : m_prompter(prompter), m_parent(parent), m_printer(std::move(printer))
    {
    }
    runtime::Result<bool> output(const runtime::report::PageList &pages,
                                 const QString &title) override
    {
        int page = 1;
        return outputFrom(pages, title, page);
    }
    runtime::Result<bool> outputFrom(const runtime::report::PageList &pages, const QString &title,
                                     int &page) override
    {
        QWidget *over = front();
        runtime::ui::WindowPrompter boxes(m_prompter, over);
        PreviewSink preview(boxes, printing(), over);
        const auto printed = preview.outputFrom(pages, title, page);
        return printed && *printed;
    }
    runtime::report::PageSink &printing() override
    {
        m_printer.setOver(front());
        return m_printer;
    }

private:
    QWidget *front() const
    {
        QWidget *active = QApplication::activeWindow();
        return active ? active : m_parent.data();
    }

    runtime::Prompter &m_prompter;
    QPointer<QWidget> m_parent;
    Printer m_printer;
};

// The services of one procedure call: the process's, with pick lists over the call's data
// context and the program's pages.
Services forCall(const Services &process, data::DataContext &data, QWidget *parent)
{
    Services services = process;
    services.choices = std::make_shared<PickListChoices>(data, process.state, process.prompter);
    services.pages = std::make_shared<ProgramPages>(process.prompter, process.printer, parent);
    return services;
}

} // namespace

Procedures procedureTable(const Services &process)
{
    Procedures table;
    // Report entry: modal from the menu, a modeless window of its own from the toolbar.
    table.insert(QStringLiteral("EnterReportsFromMenu"),
                 [process](data::DataContext &data, QWidget *parent, bool ownWindow) -> QWidget * {
                     return entry::ui::EnterReports::interactive(
                         data, forCall(process, data, parent), ownWindow, parent);
                 });
    table.insert(QStringLiteral("InstitutionList"),
                 [process](data::DataContext &data, QWidget *parent, bool) -> QWidget * {
                     InstitutionListWindow::run(data, process.state.globYear, *process.office,
                                                process.prompter, parent);
                     return nullptr;
                 });
    // The list of submitting institutions: modal from the menu, a modeless window of its own
    // from the toolbar.
    table.insert(QStringLiteral("ListSubmittedReports"),
                 [process](data::DataContext &data, QWidget *parent, bool ownWindow) -> QWidget * {
                     return analysis::ui::SubmittedReportsWindow::run(
                         data, forCall(process, data, parent), ownWindow, parent);
                 });
    // The report list with its summary and cross-section, and the completeness of the reports:
    // modal from the menu, modeless windows of their own from the toolbar.
    table.insert(QStringLiteral("SelectReports"),
                 [process](data::DataContext &data, QWidget *parent, bool ownWindow) -> QWidget * {
                     return analysis::ui::ReportListWindow::run(
                         data, forCall(process, data, parent), ownWindow, parent);
                 });
    table.insert(QStringLiteral("ShowCompleteness"),
                 [process](data::DataContext &data, QWidget *parent, bool ownWindow) -> QWidget * {
                     return analysis::ui::CompletenessWindow::run(
                         data, forCall(process, data, parent), ownWindow, parent);
                 });
    // The rating of an institution set by a quality indicator ("Индикатор"), modal to the frame.
    table.insert(QStringLiteral("RateInstitutions"),
                 [process](data::DataContext &data, QWidget *parent, bool ownWindow) -> QWidget * {
                     const Services services = forCall(process, data, parent);
                     auto openRankTable = [services](const analysis::RankTableSource &source,
                                                     QWidget *owner) {
                         analysis::ui::RankTableWindow::run(services, source, owner);
                     };
                     return analysis::ui::RatingWindow::run(data, services, openRankTable,
                                                            ownWindow, parent);
                 });
    // The institution sets for the quality indicators, modal to the frame.
    table.insert(QStringLiteral("EditInstitutionSets"),
                 [process](data::DataContext &data, QWidget *parent, bool) -> QWidget * {
                     return analysis::ui::InstitutionSetListWindow::run(
                         data, forCall(process, data, parent), false, parent);
                 });
    // The help window, the forms on/off list and the key rebuilding run on the frame's own
    // data context, modal to the frame.
    table.insert(QStringLiteral("ShowHelp"),
                 [process](data::DataContext &, QWidget *parent, bool) -> QWidget * {
                     showHelp(process.prompter, 0, true, parent);
                     return nullptr;
                 });
    table.insert(QStringLiteral("FormAccessList"),
                 [process](data::DataContext &data, QWidget *parent, bool) -> QWidget * {
                     formAccessList(data, process.prompter, process.state.globYear, parent);
                     return nullptr;
                 });
    table.insert(QStringLiteral("RebuildKeys"),
                 [process](data::DataContext &data, QWidget *parent, bool) -> QWidget * {
                     rebuildKeys(data, process.prompter, process.state.globYear, parent);
                     return nullptr;
                 });
    table.insert(QStringLiteral("RunIntraFormControls"),
                 [process](data::DataContext &data, QWidget *parent, bool) -> QWidget * {
                     entry::ui::runIntraFormControls(data, forCall(process, data, parent), parent);
                     return nullptr;
                 });
    table.insert(QStringLiteral("InterFormControls"),
                 [process](data::DataContext &data, QWidget *parent, bool) -> QWidget * {
                     entry::ui::interFormControls(data, forCall(process, data, parent), parent);
                     return nullptr;
                 });
    table.insert(QStringLiteral("ControlsList"),
                 [process](data::DataContext &data, QWidget *parent, bool) -> QWidget * {
                     return entry::ui::controlsList(data, forCall(process, data, parent), parent);
                 });
    table.insert(QStringLiteral("BlankForms"),
                 [process](data::DataContext &data, QWidget *parent, bool) -> QWidget * {
                     entry::ui::blankForms(forCall(process, data, parent), parent);
                     return nullptr;
                 });
    // Report exchange: the export and the loads, modal to the frame.
    const auto folders = std::make_shared<exchange::ui::DialogDirectoryChooser>();
    const auto exchangeCall = [process, folders](data::DataContext &data, QWidget *parent) {
        return exchange::ui::ExchangeServices{forCall(process, data, parent), *folders};
    };
    table.insert(QStringLiteral("ExportReports"),
                 [exchangeCall](data::DataContext &data, QWidget *parent, bool) -> QWidget * {
                     exchange::ui::exportReports(data, exchangeCall(data, parent), parent);
                     return nullptr;
                 });
    table.insert(QStringLiteral("ImportReports"),
                 [exchangeCall](data::DataContext &data, QWidget *parent, bool) -> QWidget * {
                     exchange::ui::importReports(data, exchangeCall(data, parent), parent);
                     return nullptr;
                 });
    table.insert(QStringLiteral("ImportReportsOldFormat"),
                 [exchangeCall](data::DataContext &data, QWidget *parent, bool) -> QWidget * {
                     exchange::ui::importReportsOldFormat(data, exchangeCall(data, parent), parent);
                     return nullptr;
                 });
    table.insert(QStringLiteral("ImportDbfReports"),
                 [exchangeCall](data::DataContext &data, QWidget *parent, bool) -> QWidget * {
                     exchange::ui::importDbfReports(data, exchangeCall(data, parent), parent);
                     return nullptr;
                 });
    table.insert(QStringLiteral("ImportForm62Csv"),
                 [exchangeCall](data::DataContext &data, QWidget *parent, bool) -> QWidget * {
                     exchange::ui::importForm62Csv(data, exchangeCall(data, parent), parent);
                     return nullptr;
                 });
    table.insert(QStringLiteral("ImportForm62Xml"),
                 [exchangeCall](data::DataContext &data, QWidget *parent, bool) -> QWidget * {
                     exchange::ui::importForm62Xml(data, exchangeCall(data, parent), parent);
                     return nullptr;
                 });
    return table;
}

} // namespace zemor::app
