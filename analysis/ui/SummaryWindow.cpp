#include "analysis/ui/SummaryWindow.h"

#include "analysis/SummaryOutput.h"
#include "analysis/common/ui/PeriodBox.h"
#include "analysis/common/ui/ProcedureWindow.h"
#include "data/DataContext.h"
#include "entry/ControlRuleLoader.h"
#include "entry/ReportControlCheck.h"
#include "entry/ui/ControlFailureWindow.h"
#include "entry/ui/ReportTablePrintWindow.h"
#include "runtime/core/Prompter.h"
#include "runtime/report/PageSink.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/ListFormat.h"
#include "runtime/ui/ListWindow.h"
#include "runtime/ui/ProgressWindow.h"
#include "runtime/ui/QueueModel.h"
#include "runtime/ui/WindowParts.h"
#include "shell/AppState.h"
#include "shell/ExcelLauncher.h"
#include "shell/UserSettings.h"
#include "shell/ui/ColumnFit.h"
#include "shell/ui/WaitingWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace zemor::analysis::ui {

using runtime::ui::commandButton;
using runtime::ui::createControl;

namespace {

constexpr int summaryFieldCount = 4 + summaryValueCount + 2;

} // namespace

QStringList SummaryWindow::pathChoices(const QString &s1, const QString &s2)
{
    return shell::userPaths(s1, s2) + QStringList{QStringLiteral("A:\\"), QStringLiteral("F:\\"),
                                                  QStringLiteral("\\export\\"),
                                                  QStringLiteral("C:\\1\\")};
}

bool SummaryWindow::run(data::DataContext &context, const shell::ui::Services &services,
                        const SummaryRequest &request, QWidget *parent)
{
    // Until the summary window is there, the window that started it asks.
    runtime::ui::WindowPrompter boxes(services.prompter, parent);
    auto catalogue = entry::FormCatalogue::read(context, request.year, request.form.code);
    if (!catalogue) {
        boxes.message(catalogue.error().message);
        return false;
    }
    const ColumnKinds kinds = ColumnKinds::load(*catalogue, request.ignoreColumnKinds);
    runtime::Result<Summary> summary;
    {
        runtime::ui::ProgressWindow progress(title(), parent);
        summary = SummaryCalculation::sumReports(context, request, kinds, &progress);
        progress.finish();
    }
    if (!summary) {
        boxes.message(summary.error().code == runtime::ErrorCode::Cancelled
                          ? cancelledText()
                          : summary.error().message);
        return false;
    }
    if (summary->zeroCode)
        boxes.message(Summary::zeroCodeText());
    if (catalogue->tables().isEmpty())
        return false;
    auto rules = entry::ControlRuleLoader(context, request.year).resolved(*catalogue);
    std::optional<entry::ResolvedRules> resolved;
    if (rules)
        resolved = std::move(*rules);
    else
        boxes.message(rules.error().message);
    SummaryWindow window(context, services, request, std::move(*summary), std::move(*catalogue),
                         std::move(resolved), parent);
    window.exec();
    return true;
}

SummaryWindow::SummaryWindow(data::DataContext &context, shell::ui::Services services,
                             SummaryRequest request, Summary summary,
                             entry::FormCatalogue catalogue,
                             std::optional<entry::ResolvedRules> rules, QWidget *parent)
    : QDialog(parent), m_context(context), m_prompter(services.prompter, this),
      m_services(services.askingWith(m_prompter)), m_request(std::move(request)),
      m_summary(std::move(summary)), m_catalogue(std::move(catalogue)), m_rules(std::move(rules))
{
    setObjectName(QStringLiteral("P1$SCRL"));
    setWindowTitle(SummaryTables::windowTitle(m_request.form));

    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    auto *titleLine = createControl<QLineEdit>(this, QStringLiteral("?LN"));
    titleLine->setReadOnly(true);
    titleLine->setText(m_request.title);
    top->addWidget(titleLine, 1);
    auto *from = createControl<PeriodBox>(this, QStringLiteral("?MES1"));
    auto *to = createControl<PeriodBox>(this, QStringLiteral("?MES2"));
    const bool daily = m_request.form.periodKind == 5;
    for (PeriodBox *s : {from, to}) {
        s->setDates(daily);
        s->setRange(0, daily ? dayNumberLimit : 9999);
        s->setReadOnly(true);
        s->setButtonSymbols(QAbstractSpinBox::NoButtons);
    }
    from->setValue(m_summary.from);
    to->setValue(m_summary.to);
    top->addWidget(from);
    top->addWidget(to);
    layout->addLayout(top);

    auto *tableRow = new QHBoxLayout;
    auto *newTable =
        commandButton(this, QStringLiteral("?NEWTABL"), QStringLiteral("Выбор таблицы"));
    m_previous =
        commandButton(this, QStringLiteral("?UPTABL"), QStringLiteral("Предыдущая таблица"));
    m_next = commandButton(this, QStringLiteral("?DNTABL"), QStringLiteral("Следующая таблица"));
    tableRow->addWidget(newTable);
    tableRow->addWidget(m_previous);
    tableRow->addWidget(m_next);
    m_heading = createControl<QLineEdit>(this, QStringLiteral("?TEXT1"));
    m_heading->setReadOnly(true);
    tableRow->addWidget(m_heading, 1);
    layout->addLayout(tableRow);

    auto *view = createControl<QTableView>(this, QStringLiteral("?BROWSE:1"));
    layout->addWidget(view, 1);
    m_model = new runtime::ui::QueueModel(summaryFieldCount, this);
    m_binding = new runtime::ui::ListBinding(view, m_model);

    auto *bottom = new QHBoxLayout;
    m_filledOnly = createControl<QCheckBox>(this, QStringLiteral("?CHECK2"),
                                            QStringLiteral("только заполненные строки"));
    bottom->addWidget(m_filledOnly);
    m_noControls =
        createControl<QCheckBox>(this, QStringLiteral("?OTKL"), QStringLiteral("Отклонение"));
    m_noControls->setToolTip(QStringLiteral("Отклонение данных к прошлому году"));
    bottom->addWidget(m_noControls);
    auto *legend = createControl<QLabel>(this, QStringLiteral("?LEGEND"),
                                         QStringLiteral("? - строка не прошла контроль"));
    bottom->addWidget(legend);
    bottom->addWidget(new QLabel(QStringLiteral("Типы граф:"), this));
    for (const auto &[kind, text] :
         {std::pair{int(YearStart), QStringLiteral("на начало года")},
          std::pair{int(PeriodStart), QStringLiteral("на начало периода")},
          std::pair{int(PeriodEnd), QStringLiteral("на конец периода")}}) {
        auto *sample =
            createControl<QLabel>(this, QStringLiteral("?KIND%1").arg(kind), u' ' + text + u' ');
        const auto colour =
            runtime::ui::ListFormat::parseColor(SummaryTables::kindBackground(kind));
        QPalette palette = sample->palette();
        palette.setColor(QPalette::Window, colour.value_or(QColor()));
        palette.setColor(QPalette::WindowText, Qt::black);
        sample->setPalette(palette);
        sample->setAutoFillBackground(true);
        bottom->addWidget(sample);
    }
    bottom->addStretch(1);
    m_controls = commandButton(this, QStringLiteral("?CONTRS"), QStringLiteral("Контроль"),
                               QStringLiteral("Внутриформенные контроли"));
    bottom->addWidget(m_controls);
    auto *printButton = commandButton(this, QStringLiteral("?PRNT1"), QStringLiteral("Печать"));
    bottom->addWidget(printButton);
    auto *excel = commandButton(this, QStringLiteral("?EXCEL"), QStringLiteral("Excel"),
                                QStringLiteral("Выгрузка данной таблицы в Excel"));
    bottom->addWidget(excel);
    auto *exportButton =
        commandButton(this, QStringLiteral("?WIGR"), QStringLiteral("Экспорт свода"));
    bottom->addWidget(exportButton);
    layout->addLayout(bottom);

    connect(newTable, &QPushButton::clicked, this, [this] { chooseTable(); });
    connect(m_next, &QPushButton::clicked, this, [this] { nextTable(1); });
    connect(m_previous, &QPushButton::clicked, this, [this] { nextTable(-1); });
    connect(m_filledOnly, &QCheckBox::toggled, this, [this] { loadTable(); });
    connect(m_controls, &QPushButton::clicked, this, [this] { checkControls(); });
    connect(printButton, &QPushButton::clicked, this, [this] { print(); });
    connect(excel, &QPushButton::clicked, this, [this] { exportToExcel(); });
    connect(exportButton, &QPushButton::clicked, this, [this] { exportSummaryFile(); });

    showTable(0);
    view->setFocus();
    resize(1100, 620);
}

SummaryWindow::~SummaryWindow() = default;

void SummaryWindow::showTable(int index)
{
    const QList<entry::FormTable> &tables = m_catalogue.tables();
    if (tables.isEmpty())
        return;
    m_index = qBound(0, index, int(tables.size()) - 1);
    loadTable();
}

void SummaryWindow::loadTable()
{
    const entry::FormTable &table = m_catalogue.tables().at(m_index);
    QString stored;
    if (const auto format = SummaryTables::storedFormat(m_request.year, table.id))
        stored = *format;
    else
        m_services.prompter.message(format.error().message);
    const bool filledOnly = m_filledOnly->isChecked();
    m_table =
        SummaryTables::load(m_catalogue, table, m_summary, false, m_request.ignoreColumnKinds,
                            stored, m_noControls->isChecked() || !m_rules ? nullptr : &*m_rules);
    if (filledOnly)
        m_table.keepFilledRows();
    for (const QString &message : m_table.messages)
        m_services.prompter.message(message);
    auto format = runtime::ui::ListFormat::parse(m_table.format);
    if (!format && m_table.storedFormat)
        format = runtime::ui::ListFormat::parse(m_table.builtFormat);
    m_binding->setFormat(format.value_or(runtime::ui::ListFormat()));
    m_model->setLines(m_table.lines());
    shell::ui::widenToContents(m_binding, {0, 2});
    m_heading->setText(m_table.heading());
    m_next->setEnabled(m_index + 1 < m_catalogue.tables().size());
    m_previous->setEnabled(m_index > 0);
    m_controls->setEnabled(!filledOnly);
    if (m_model->rowCount() > 0)
        m_binding->selectRow(0);
}

void SummaryWindow::nextTable(int step)
{
    const int index = m_index + step;
    if (index < 0 || index >= m_catalogue.tables().size())
        return;
    showTable(index);
}

bool SummaryWindow::chooseTable()
{
    runtime::ui::ListWindow choice(QStringLiteral("P1$SCRL1"), tableChoiceTitle(), 2,
                                   SummaryTables::choiceFormat(), this);
    QList<QVariantList> lines;
    for (const entry::FormTable &table : m_catalogue.tables())
        lines.append({table.code, table.name});
    choice.model()->setLines(std::move(lines));
    shell::ui::widenToContents(choice.binding(), {0, 1});
    choice.resize(640, 360);
    choice.binding()->selectRow(m_index);
    const auto chosen = choice.choose();
    if (!chosen)
        return false;
    m_noControls->setChecked(false);
    showTable(*chosen);
    return true;
}

void SummaryWindow::checkControls()
{
    if (!m_rules)
        return;
    entry::ReportControlCheck check(&m_services.prompter);
    const auto failures = check.check(*m_rules, m_summary.asReport());
    if (!failures) {
        m_services.prompter.message(failures.error().message);
        return;
    }
    int counter = 0;
    entry::ui::ControlFailureWindow::showFailures(*failures, m_request.year, counter,
                                                  m_services.prompter, m_services.pages->printing(),
                                                  this);
    loadTable();
}

bool SummaryWindow::print()
{
    const entry::ReportRows rows = m_summary.asReport();
    entry::ui::TablePrintRequest request;
    request.catalogue = &m_catalogue;
    request.formName = m_request.form.name;
    request.rows = &rows;
    request.currentTable = m_table.table.code;
    request.title = m_request.title;
    return entry::ui::printReportTables(request, *m_services.pages, m_services.prompter, this);
}

bool SummaryWindow::exportToExcel()
{
    const auto wait = shell::ui::WaitingWindow::over(this);
    shell::ExcelLauncher excel(*m_services.office, m_services.prompter, wait, wait);
    return SummaryOutput::exportToExcel(excel, m_catalogue, m_table.table, m_table.rows,
                                        m_request.title, m_request.form.code);
}

bool SummaryWindow::exportSummaryFile()
{
    QDialog window(this);
    window.setObjectName(QStringLiteral("P1$SCRY"));
    window.setWindowTitle(exportTitle());
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(
        new QLabel(QStringLiteral("Отметте мышкой  формы, которые нужно скопировать"), &window));
    auto *name = createControl<QLineEdit>(&window, QStringLiteral("?LOCNAME"));
    name->setReadOnly(true);
    name->setText(m_request.title);
    layout->addWidget(name);
    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(new QLabel(QStringLiteral("ПУТЬ :"), &window));
    if (m_pathChoices.isEmpty()) {
        const auto [s1, s2] = shell::userFolders(m_context);
        m_pathChoices = pathChoices(s1, s2);
        m_services.state.exchangePath = m_pathChoices.first();
    }
    auto *path = createControl<QComboBox>(&window, QStringLiteral("?PATH1:2"));
    path->setEditable(true);
    path->addItems(m_pathChoices);
    path->setCurrentText(m_services.state.exchangePath);
    pathRow->addWidget(path, 1);
    auto *year = createControl<QLineEdit>(&window, QStringLiteral("?GLOBYEAR"));
    year->setReadOnly(true);
    year->setText(QString::number(m_request.year));
    pathRow->addWidget(year);
    layout->addLayout(pathRow);
    layout->addWidget(new QLabel(QStringLiteral("PS: Диски - латинские буквы"), &window));
    auto *go = commandButton(&window, QStringLiteral("?WMES"), QStringLiteral("Продолжить"));
    layout->addWidget(go);
    connect(go, &QPushButton::clicked, &window, &QDialog::accept);
    if (window.exec() != QDialog::Accepted)
        return false;

    m_services.state.exchangePath = path->currentText();
    SummaryFileTarget target;
    target.userType = data::UserType(m_services.state.globTipUser);
    target.district = int(m_services.state.globCodReg);
    target.ownCode = m_services.state.globKodUser;
    target.path = m_services.state.exchangePath;
    const qint32 period = m_request.form.periodKind == 0 ? 0 : m_summary.to;
    runtime::Result<SummaryFileWritten> written;
    {
        runtime::ui::ProgressWindow progress(exportTitle(), this);
        written = SummaryOutput::writeSummaryFile(m_summary, m_request.form.code, period, target,
                                                  &progress);
        progress.finish();
    }
    if (!written) {
        if (written.error().code != runtime::ErrorCode::Cancelled)
            m_services.prompter.message(written.error().message);
        return false;
    }
    m_services.prompter.message(written->message());
    return true;
}

} // namespace zemor::analysis::ui
