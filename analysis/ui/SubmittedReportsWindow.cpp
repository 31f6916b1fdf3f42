#include "analysis/ui/SubmittedReportsWindow.h"

#include "data/DataContext.h"
#include "data/Period.h"
#include "entry/ui/EnterReports.h"
#include "runtime/core/Prompter.h"
#include "runtime/report/PageList.h"
#include "runtime/report/PageSink.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/QueueModel.h"
#include "shell/AppState.h"
#include "shell/ExcelLauncher.h"
#include "shell/ui/Choices.h"
#include "shell/ui/ColumnFit.h"
#include "shell/ui/WaitingWindow.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

namespace zemor::analysis::ui {

using runtime::ui::createControl;

namespace {

// The fields of the list in their order; the list shows the first five.
QVariantList fieldsOf(const SubmittedReportLine &line)
{
    return {line.institution, line.regionName, line.kindName, line.name,      line.period,
            line.periodText,  line.district,   line.kind,     line.periodKind};
}

QString listFormat()
{
    return QStringLiteral("29L(1)|M~КодУчр~L(0)@s10@65L(2)|M~Регион~@s20@67L(2)|M~Вид ЛПУ~@s20@"
                          "167L(2)|M~Учреждение~@s100@73L(2)|M~Отчетный период~@S20@");
}

// ?NAMETIP: the first ten characters of the periodicity text.
QString periodicityOf(int periodKind)
{
    const auto kind = data::periodKindFromByte(periodKind);
    return kind ? data::periodicityText(*kind).left(10) : QString();
}

} // namespace

QWidget *SubmittedReportsWindow::run(data::DataContext &context,
                                     const shell::ui::Services &services, bool ownWindow,
                                     QWidget *parent)
{
    if (services.state.holdYear())
        services.prompter.message(
            SubmittedReports::yearBoundsText(services.state.globYearS, services.state.globYearE));
    SubmittedReports reports(context, services.state.globYear);
    const auto form = services.choices->chooseForm(reports.year(), parent);
    if (!form || form->form == 0)
        return nullptr;
    const auto newest = reports.newestPeriod(form->form, form->periodKind);
    if (!newest)
        return nullptr;
    auto lines = reports.fill(form->form, form->periodKind, *newest, *newest);
    if (!lines)
        return nullptr;
    if (lines->isEmpty())
        services.prompter.message(SubmittedReports::noReportsText());
    auto *window = new SubmittedReportsWindow(context, services, *form, *newest, *newest,
                                              std::move(*lines), parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (ownWindow) {
        window->setWindowFlag(Qt::Window);
        window->setModal(false);
        window->show();
        return window;
    }
    window->exec();
    return nullptr;
}

SubmittedReportsWindow::SubmittedReportsWindow(data::DataContext &context,
                                               shell::ui::Services services,
                                               const shell::ui::FormChoice &form, qint32 from,
                                               qint32 to, QList<SubmittedReportLine> lines,
                                               QWidget *parent)
    : QDialog(parent), m_context(context), m_services(std::move(services)),
      m_reports(context, m_services.state.globYear), m_form(form.form), m_formName(form.name),
      m_formCode(form.codeText), m_periodKind(form.periodKind), m_lines(std::move(lines))
{
    setObjectName(QStringLiteral("P1$SCRL"));
    setWindowTitle(SubmittedReports::title());

    auto *layout = new QVBoxLayout(this);
    auto *formRow = new QHBoxLayout;
    auto *newForm =
        createControl<QPushButton>(this, QStringLiteral("?NEWFORM"), QStringLiteral("ФОРМА"));
    newForm->setAutoDefault(false);
    formRow->addWidget(newForm);
    m_formCodeField = createControl<QLineEdit>(this, QStringLiteral("?FORCOD"));
    m_formCodeField->setReadOnly(true);
    m_formCodeField->setMaximumWidth(m_formCodeField->fontMetrics().averageCharWidth() * 12);
    formRow->addWidget(m_formCodeField);
    m_formNameField = createControl<QLineEdit>(this, QStringLiteral("?LOCNAMEFORM"));
    m_formNameField->setReadOnly(true);
    formRow->addWidget(m_formNameField, 1);
    m_periodicityField = createControl<QLineEdit>(this, QStringLiteral("?NAMETIP"));
    m_periodicityField->setReadOnly(true);
    m_periodicityField->setMaximumWidth(m_periodicityField->fontMetrics().averageCharWidth() * 14);
    formRow->addWidget(m_periodicityField);
    layout->addLayout(formRow);

    auto *rangeRow = new QHBoxLayout;
    auto *year = createControl<QLineEdit>(this, QStringLiteral("?GLOBYEAR"));
    year->setReadOnly(true);
    year->setText(QString::number(m_reports.year()));
    year->setMaximumWidth(year->fontMetrics().averageCharWidth() * 8);
    rangeRow->addWidget(year);
    m_rangeFrom = new QLabel(QStringLiteral("За период с "), this);
    rangeRow->addWidget(m_rangeFrom);
    m_from = createControl<QSpinBox>(this, QStringLiteral("?MES1"));
    m_from->setRange(0, 9999);
    m_from->setValue(from);
    rangeRow->addWidget(m_from);
    m_rangeTo = new QLabel(QStringLiteral("по"), this);
    rangeRow->addWidget(m_rangeTo);
    m_to = createControl<QSpinBox>(this, QStringLiteral("?MES2"));
    m_to->setRange(0, 9999);
    m_to->setValue(to);
    rangeRow->addWidget(m_to);
    auto *ok = createControl<QPushButton>(this, QStringLiteral("?OK"), QStringLiteral("OK"));
    ok->setAutoDefault(false);
    rangeRow->addWidget(ok);
    rangeRow->addStretch(1);
    layout->addLayout(rangeRow);

    auto *view = createControl<QTableView>(this, QStringLiteral("?BROWSE:1"));
    layout->addWidget(view, 1);
    m_model = new runtime::ui::QueueModel(9, this);
    const auto format = runtime::ui::ListFormat::parse(listFormat());
    Q_ASSERT(format);
    m_binding =
        new runtime::ui::ListBinding(view, m_model, format.value_or(runtime::ui::ListFormat()));
    m_binding->setDoubleClickAction(runtime::ui::ListBinding::DoubleClick::Choose);
    view->horizontalHeader()->setStretchLastSection(true);

    auto *bottom = new QHBoxLayout;
    m_count = createControl<QLabel>(this, QStringLiteral("?STRING3"));
    bottom->addWidget(m_count);
    bottom->addStretch(1);
    auto *printButton =
        createControl<QPushButton>(this, QStringLiteral("?PRNT1"), QStringLiteral("Печать"));
    printButton->setAutoDefault(false);
    bottom->addWidget(printButton);
    auto *excel =
        createControl<QPushButton>(this, QStringLiteral("?EXCEL"), QStringLiteral("Excel"));
    excel->setAutoDefault(false);
    bottom->addWidget(excel);
    layout->addLayout(bottom);

    connect(newForm, &QPushButton::clicked, this, [this] { chooseForm(); });
    connect(ok, &QPushButton::clicked, this, [this] { refill(); });
    connect(m_binding, &runtime::ui::ListBinding::chosen, this, [this](int row) { openLine(row); });
    connect(printButton, &QPushButton::clicked, this, [this] { print(); });
    connect(excel, &QPushButton::clicked, this, [this] { exportToExcel(); });

    showForm();
    showLines(0);
    view->setFocus();
    resize(1000, 560);
}

void SubmittedReportsWindow::showForm()
{
    m_formCodeField->setText(m_formCode);
    m_formNameField->setText(m_formName);
    m_periodicityField->setText(periodicityOf(m_periodKind));
    const bool periods = m_periodKind != 0;
    for (QWidget *w : {static_cast<QWidget *>(m_rangeFrom), static_cast<QWidget *>(m_from),
                       static_cast<QWidget *>(m_rangeTo), static_cast<QWidget *>(m_to)})
        w->setVisible(periods);
}

void SubmittedReportsWindow::showLines(int current)
{
    QList<QVariantList> lines;
    lines.reserve(m_lines.size());
    for (const SubmittedReportLine &line : m_lines)
        lines.append(fieldsOf(line));
    m_model->setLines(std::move(lines));
    shell::ui::widenToContents(m_binding, {0, 1, 2});
    m_count->setText(SubmittedReports::countText(m_lines.size()));
    if (!m_lines.isEmpty())
        m_binding->selectRow(qBound(0, current, int(m_lines.size()) - 1));
}

void SubmittedReportsWindow::chooseForm()
{
    const auto form = m_services.choices->chooseForm(m_reports.year(), this);
    if (!form || form->form == 0) {
        close();
        return;
    }
    m_form = form->form;
    m_formName = form->name;
    m_formCode = form->codeText;
    m_periodKind = form->periodKind;
    if (m_periodKind == 0) {
        m_from->setValue(0);
        m_to->setValue(0);
    }
    showForm();
}

bool SubmittedReportsWindow::refill()
{
    const qint32 from = m_periodKind == 0 ? 0 : m_from->value();
    const qint32 to = m_periodKind == 0 ? 0 : m_to->value();
    auto lines = m_reports.fill(m_form, m_periodKind, from, to);
    if (!lines)
        return false;
    m_lines = std::move(*lines);
    if (m_lines.isEmpty())
        m_services.prompter.message(SubmittedReports::noReportsText());
    showLines(0);
    return true;
}

void SubmittedReportsWindow::openLine(int row)
{
    if (row < 0 || row >= m_lines.size())
        return;
    const SubmittedReportLine line = m_lines.at(row);
    entry::ui::GivenReport report;
    report.institution = line.institution;
    report.district = line.district;
    report.form = m_form;
    report.period = line.period;
    report.periodKind = line.periodKind;
    report.formCodeText = m_formCode;
    report.formName = m_formName;
    report.districtName = line.regionName;
    report.title = line.name;
    entry::ui::EnterReports::givenReport(m_context, m_services, report, this);
    // Report entry gave the context its own file names of the year; the list's come back.
    m_context.names().setYearFileNames(m_reports.year(), data::YearNameSet::SubmittingList);
    if (report.district == 0) {
        SubmittedReports::afterEntry(m_lines, row, 0);
        showLines(row);
    }
}

bool SubmittedReportsWindow::print()
{
    const SubmittedPrint bands = SubmittedReports::print(m_lines, m_form, m_formName);
    if (bands.lines.isEmpty()) {
        m_services.prompter.message(SubmittedReports::nothingToPrintText());
        return false;
    }
    const auto out = m_services.pages->printing().output(SubmittedReports::layOut(bands),
                                                         SubmittedReports::title());
    if (!out) {
        m_services.prompter.message(out.error().message);
        return false;
    }
    return *out;
}

bool SubmittedReportsWindow::exportToExcel()
{
    const auto wait = shell::ui::WaitingWindow::over(this);
    shell::ExcelLauncher excel(*m_services.office, m_services.prompter, wait, wait);
    return SubmittedReports::exportToExcel(m_lines, m_formCode, m_formName, m_from->value(),
                                           m_to->value(), periodicityOf(m_periodKind), excel);
}

} // namespace zemor::analysis::ui
