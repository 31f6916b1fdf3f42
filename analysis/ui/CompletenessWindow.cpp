#include "analysis/ui/CompletenessWindow.h"

#include "analysis/SubmittedReports.h"
#include "analysis/ui/ProcedureWindow.h"
#include "runtime/core/Prompter.h"
#include "runtime/report/PageSink.h"
#include "runtime/report/ReportDefinition.h"
#include "runtime/report/ReportWriter.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/ProgressWindow.h"
#include "runtime/ui/QueueModel.h"
#include "shell/AppState.h"
#include "shell/ExcelLauncher.h"
#include "shell/ui/ColumnFit.h"
#include "shell/ui/WaitingWindow.h"

#include <QCheckBox>
#include <QDate>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

namespace zemor::analysis::ui {

using runtime::ui::createControl;

namespace {

QString field(int n)
{
    return QStringLiteral("f") + QString::number(n);
}

} // namespace

QWidget *CompletenessWindow::run(data::DataContext &, const WindowServices &services,
                                 bool ownWindow, QWidget *parent)
{
    if (const QString moved = SubmittedReports::holdYear(services.state); !moved.isEmpty())
        services.prompter.message(moved);
    auto *window = new CompletenessWindow(services, parent);
    return openProcedureWindow(window, ownWindow);
}

CompletenessWindow::CompletenessWindow(WindowServices services, QWidget *parent)
    : QDialog(parent), m_services(std::move(services))
{
    setObjectName(QStringLiteral("P1$SCRL"));
    setWindowTitle(title());
    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    auto *year = createControl<QLineEdit>(this, QStringLiteral("?GLOBYEAR"));
    year->setReadOnly(true);
    year->setText(QString::number(m_services.state.globYear));
    year->setMaximumWidth(year->fontMetrics().averageCharWidth() * 8);
    top->addWidget(year);
    top->addWidget(new QLabel(QStringLiteral("с"), this));
    m_from = createControl<QSpinBox>(this, QStringLiteral("?MES"));
    top->addWidget(m_from);
    top->addWidget(new QLabel(QStringLiteral("по"), this));
    m_to = createControl<QSpinBox>(this, QStringLiteral("?MES_"));
    top->addWidget(m_to);
    for (QSpinBox *s : {m_from, m_to}) {
        s->setRange(1, 12);
        s->setValue(1);
    }
    auto *modes = createControl<QGroupBox>(this, QStringLiteral("?OPTION1"));
    auto *modeLayout = new QHBoxLayout(modes);
    m_byDistrict = new QRadioButton(QStringLiteral("по районам"), modes);
    m_byInstitution = new QRadioButton(QStringLiteral("по ЛПУ"), modes);
    m_byDistrict->setObjectName(QStringLiteral("?OPTION1:RADIO1"));
    m_byInstitution->setObjectName(QStringLiteral("?OPTION1:RADIO2"));
    m_byDistrict->setChecked(true);
    modeLayout->addWidget(m_byDistrict);
    modeLayout->addWidget(m_byInstitution);
    top->addWidget(modes);
    m_daily = createControl<QCheckBox>(this, QStringLiteral("?TIP1_5"),
                                       QStringLiteral("ежедневные отчеты"));
    top->addWidget(m_daily);
    auto *ok = procedureButton(this, QStringLiteral("?OK1"), QStringLiteral("OK"));
    top->addWidget(ok);
    top->addStretch(1);
    layout->addLayout(top);

    auto *view = createControl<QTableView>(this, QStringLiteral("?BROWSE:1"));
    layout->addWidget(view, 1);
    m_model = new runtime::ui::QueueModel(2 + completenessColumnCount, this);
    m_binding = new runtime::ui::ListBinding(view, m_model);

    auto *bottom = new QHBoxLayout;
    m_rows = createControl<QLabel>(this, QStringLiteral("?WSEGO"));
    bottom->addWidget(m_rows);
    bottom->addStretch(1);
    auto *printButton = procedureButton(this, QStringLiteral("?PRNT1"), QStringLiteral("Печать"));
    auto *excel = procedureButton(this, QStringLiteral("?EXCEL"), QStringLiteral("Excel"));
    bottom->addWidget(printButton);
    bottom->addWidget(excel);
    layout->addLayout(bottom);

    connect(m_daily, &QCheckBox::toggled, this, [this](bool daily) {
        for (QSpinBox *s : {m_from, m_to})
            s->setRange(1, daily ? 366 : 12);
    });
    connect(ok, &QPushButton::clicked, this, [this] { count(); });
    connect(m_byDistrict, &QRadioButton::toggled, this, [this] {
        if (m_counted)
            showTable();
    });
    connect(printButton, &QPushButton::clicked, this, [this] { print(); });
    connect(excel, &QPushButton::clicked, this, [this] { exportToExcel(); });
    resize(1100, 600);
}

CompletenessMode CompletenessWindow::mode() const
{
    return m_byInstitution->isChecked() ? CompletenessMode::ByInstitution
                                        : CompletenessMode::ByDistrict;
}

bool CompletenessWindow::count()
{
    if (m_to->value() < m_from->value())
        m_to->setValue(m_from->value());
    runtime::Result<CompletenessCount> counted;
    {
        runtime::ui::ProgressWindow progress(title(), this);
        counted = Completeness::countSubmittedReports(m_services.state.globYear, m_from->value(),
                                                      m_to->value(), &progress);
        progress.finish();
    }
    if (!counted) {
        if (counted.error().code != runtime::ErrorCode::Cancelled)
            m_services.prompter.message(counted.error().message);
        return false;
    }
    auto names = Completeness::readNames();
    if (!names) {
        m_services.prompter.message(names.error().message);
        return false;
    }
    for (const QString &trouble : counted->troubles)
        m_services.prompter.message(trouble);
    m_count = std::move(*counted);
    m_names = std::move(*names);
    m_counted = true;
    showTable();
    return true;
}

void CompletenessWindow::showTable()
{
    m_table = Completeness::buildTable(m_count, mode(), m_names);
    QList<QVariantList> lines;
    for (const CompletenessRow &row : m_table.rows) {
        QVariantList line{row.key == 0 ? QVariant(QString()) : QVariant(row.key), row.name};
        for (int c = 0; c < completenessColumnCount; ++c)
            line.append(c < m_table.columns.size() ? QVariant(row.counts[size_t(c)]) : QVariant());
        lines.append(line);
    }
    const auto format = runtime::ui::ListFormat::parse(m_table.format);
    m_binding->setFormat(format.value_or(runtime::ui::ListFormat()));
    m_model->setLines(std::move(lines));
    shell::ui::widenToContents(m_binding, {0, 1});
    m_rows->setText(QString::number(m_table.rowsWithoutTotal));
    if (m_model->rowCount() > 0)
        m_binding->selectRow(0);
}

runtime::report::PageList CompletenessWindow::layOut(const CompletenessTable &table,
                                                     CompletenessMode mode, int year, qint32 from,
                                                     qint32 to)
{
    using runtime::report::ReportItem;
    runtime::report::ReportDefinition def;
    def.page.orientation = runtime::report::Orientation::Landscape;
    const double body = def.page.bodyRect().width();
    const double countWidth = 7.6;
    const double nameWidth = body - countWidth * completenessColumnCount;
    QFont bold;
    bold.setBold(true);
    QFont small;
    small.setPointSizeF(6.5);
    def.reportHeader.height = 9;
    def.reportHeader.items.append(
        ReportItem::makeText({0, 0, body, 8}, QStringLiteral("{title}"), bold, Qt::AlignCenter));
    def.pageHeader.height = 7;
    def.detail.height = 5;
    def.pageHeader.items.append(ReportItem::makeText(
        {0, 0, nameWidth, 7}, QStringLiteral("{head0}"), bold, Qt::AlignCenter, true));
    def.detail.items.append(ReportItem::makeText({0, 0, nameWidth, 5}, QStringLiteral("{f0}"),
                                                 small, Qt::AlignLeft | Qt::AlignVCenter, true));
    for (int c = 0; c < completenessColumnCount; ++c) {
        const double x = nameWidth + countWidth * c;
        def.pageHeader.items.append(ReportItem::makeText(
            {x, 0, countWidth, 7}, u'{' + QStringLiteral("head") + QString::number(c + 1) + u'}',
            small, Qt::AlignCenter, true));
        def.detail.items.append(ReportItem::makeText({x, 0, countWidth, 5},
                                                     u'{' + field(c + 1) + u'}', small,
                                                     Qt::AlignRight | Qt::AlignVCenter, true));
    }
    runtime::report::ReportWriter writer(def);
    runtime::report::ReportRecord common{
        {QStringLiteral("title"),
         QStringLiteral("Полнота отчетов за %1 г. (%2 - %3)").arg(year).arg(from).arg(to)},
        {QStringLiteral("head0"),
         mode == CompletenessMode::ByDistrict ? QStringLiteral("Регион") : QStringLiteral("ЛПУ")}};
    for (int c = 0; c < table.columns.size(); ++c)
        common.insert(QStringLiteral("head") + QString::number(c + 1),
                      table.columns[c].designation.trimmed());
    for (const CompletenessRow &row : table.rows) {
        runtime::report::ReportRecord record = common;
        record.insert(field(0), row.name);
        for (int c = 0; c < table.columns.size(); ++c)
            record.insert(field(c + 1), QString::number(row.counts[size_t(c)]));
        writer.add(record);
    }
    return writer.finish();
}

bool CompletenessWindow::print()
{
    if (!m_counted)
        return false;
    const auto out = m_services.printer->output(
        layOut(m_table, mode(), m_services.state.globYear, m_from->value(), m_to->value()),
        title());
    if (!out) {
        m_services.prompter.message(out.error().message);
        return false;
    }
    return *out;
}

bool CompletenessWindow::exportToExcel()
{
    if (!m_counted)
        return false;
    const auto wait = shell::ui::WaitingWindow::over(this);
    shell::ExcelLauncher excel(m_services.office, m_services.prompter, wait, wait);
    return Completeness::exportToExcel(excel, m_table, mode(), m_from->value());
}

} // namespace zemor::analysis::ui
