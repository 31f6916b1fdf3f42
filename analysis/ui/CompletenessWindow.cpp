#include "analysis/ui/CompletenessWindow.h"

#include "analysis/SubmittedReports.h"
#include "analysis/common/ui/PeriodBox.h"
#include "analysis/common/ui/ProcedureWindow.h"
#include "runtime/core/Prompter.h"
#include "runtime/report/PageSink.h"
#include "runtime/report/ReportDefinition.h"
#include "runtime/report/ReportWriter.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/ProgressWindow.h"
#include "runtime/ui/QueueModel.h"
#include "runtime/ui/WindowParts.h"
#include "shell/AppState.h"
#include "shell/ExcelLauncher.h"
#include "shell/ui/ColumnFit.h"
#include "shell/ui/WaitingWindow.h"

#include <QCheckBox>
#include <QDate>
#include <QDateTime>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

namespace zemor::analysis::ui {

using runtime::ui::commandButton;
using runtime::ui::createControl;

namespace {

QString field(int n)
{
    return QStringLiteral("f") + QString::number(n);
}

} // namespace

QWidget *CompletenessWindow::run(data::DataContext &, const shell::ui::Services &services,
                                 bool ownWindow, QWidget *parent)
{
    if (services.state.holdYear())
        services.prompter.message(
            SubmittedReports::yearBoundsText(services.state.globYearS, services.state.globYearE));
    auto *window = new CompletenessWindow(services, parent);
    return openProcedureWindow(window, ownWindow);
}

CompletenessWindow::CompletenessWindow(shell::ui::Services services, QWidget *parent)
    : QDialog(parent), m_prompter(services.prompter, this),
      m_services(services.askingWith(m_prompter)), m_year(m_services.state.globYear)
{
    setObjectName(QStringLiteral("P1$SCRL"));
    setWindowTitle(title());
    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    auto *year = createControl<QLineEdit>(this, QStringLiteral("?GLOBYEAR"));
    year->setReadOnly(true);
    year->setText(QString::number(m_year));
    year->setMaximumWidth(year->fontMetrics().averageCharWidth() * 8);
    top->addWidget(year);
    top->addWidget(new QLabel(QStringLiteral("с"), this));
    m_from = createControl<PeriodBox>(this, QStringLiteral("?MES"));
    top->addWidget(m_from);
    top->addWidget(new QLabel(QStringLiteral("по"), this));
    m_to = createControl<PeriodBox>(this, QStringLiteral("?MES_"));
    top->addWidget(m_to);
    for (PeriodBox *s : {m_from, m_to}) {
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
    auto *ok = commandButton(this, QStringLiteral("?OK1"), QStringLiteral("OK"));
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
    auto *printButton = commandButton(this, QStringLiteral("?PRNT1"), QStringLiteral("Печать"));
    auto *excel = commandButton(this, QStringLiteral("?EXCEL"), QStringLiteral("Excel"));
    bottom->addWidget(printButton);
    bottom->addWidget(excel);
    layout->addLayout(bottom);

    connect(m_daily, &QCheckBox::toggled, this, [this](bool daily) { showDays(daily); });
    connect(ok, &QPushButton::clicked, this, [this] { count(); });
    connect(m_byDistrict, &QRadioButton::toggled, this, [this] {
        if (m_counted)
            showTable();
    });
    connect(printButton, &QPushButton::clicked, this, [this] { print(); });
    connect(excel, &QPushButton::clicked, this, [this] { exportToExcel(); });
    resize(1100, 600);
}

// Days or months in ?MES and ?MES_. Months m..n of the window's year become the days from the
// first of m to the last of n, and back: a day of the year gives its month, any other day the
// nearer end of the year.
void CompletenessWindow::showDays(bool daily)
{
    const qint32 from = m_from->value();
    const qint32 to = m_to->value();
    for (PeriodBox *s : {m_from, m_to}) {
        s->setDates(daily);
        s->setRange(1, daily ? dayNumberLimit : 12);
    }
    if (daily) {
        m_from->setValue(int(QDate(m_year, from, 1).toJulianDay()));
        m_to->setValue(int(QDate(m_year, to, 1).addMonths(1).addDays(-1).toJulianDay()));
        return;
    }
    const auto month = [this](qint32 day) {
        const QDate date = QDate::fromJulianDay(day);
        return date.year() < m_year ? 1 : date.year() > m_year ? 12 : date.month();
    };
    m_from->setValue(month(from));
    m_to->setValue(month(to));
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
        counted =
            Completeness::countSubmittedReports(m_year, m_from->value(), m_to->value(), &progress);
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
    m_title = printTitle(m_year, m_from->value(), m_from->dates());
    m_countedAt = countedAtText(QDateTime::currentDateTime());
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

QString CompletenessWindow::printTitle(int year, qint32 from, bool daily)
{
    const QString period = daily ? PeriodBox::dateText(from) : QString::number(from);
    return QStringLiteral("Информация о количестве сданных отчетов за %1 месяц %2 г.")
        .arg(period)
        .arg(year);
}

QString CompletenessWindow::countedAtText(const QDateTime &at)
{
    return PeriodBox::dateText(at.date().toJulianDay()) + QStringLiteral("  ") +
           at.time().toString(QStringLiteral("HH:mm"));
}

runtime::report::PageList CompletenessWindow::layOut(const CompletenessTable &table,
                                                     CompletenessMode mode, const QString &title,
                                                     const QString &countedAt)
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
    // On every page the heading with the time of the count, then two heading lines over the
    // counts: the form codes, then their designations.
    constexpr double headingHeight = 9;
    def.pageHeader.height = headingHeight + 10;
    def.pageHeader.items.append(
        ReportItem::makeText({0, 0, body, 8}, QStringLiteral("{title}"), bold, Qt::AlignCenter));
    def.pageHeader.items.append(ReportItem::makeText({body - 40, 0, 40, 8},
                                                     QStringLiteral("{countedAt}"), small,
                                                     Qt::AlignRight | Qt::AlignVCenter));
    def.pageHeader.items.append(ReportItem::makeText(
        {0, headingHeight, nameWidth, 10}, QStringLiteral("{head0}"), bold, Qt::AlignCenter, true));
    const auto nameItem = [&](double height) {
        return ReportItem::makeText({0, 0, nameWidth, height}, QStringLiteral("{f0}"), small,
                                    Qt::AlignLeft | Qt::AlignVCenter, true);
    };
    def.detail.height = 5;
    def.detail.items.append(nameItem(5));
    // A long name gets two lines.
    def.tallDetailField = QStringLiteral("tall");
    def.tallDetail.height = 8;
    def.tallDetail.items.append(nameItem(8));
    def.tallDetail.items.last().wordWrap = true;
    for (int c = 0; c < completenessColumnCount; ++c) {
        const double x = nameWidth + countWidth * c;
        const QString n = QString::number(c + 1);
        for (const auto &[y, name] : {std::pair{headingHeight, QStringLiteral("code")},
                                      std::pair{headingHeight + 5, QStringLiteral("head")}})
            def.pageHeader.items.append(
                ReportItem::makeText({x, y, countWidth, 5}, u'{' + name + n + u'}', small,
                                     Qt::AlignRight | Qt::AlignVCenter, true));
        for (runtime::report::Band *band : {&def.detail, &def.tallDetail})
            band->items.append(ReportItem::makeText({x, 0, countWidth, band->height},
                                                    u'{' + field(c + 1) + u'}', small,
                                                    Qt::AlignRight | Qt::AlignVCenter, true));
    }
    runtime::report::ReportWriter writer(def);
    runtime::report::ReportRecord common{
        {QStringLiteral("title"), title},
        {QStringLiteral("countedAt"), countedAt},
        {QStringLiteral("head0"),
         mode == CompletenessMode::ByDistrict ? QStringLiteral("Регион") : QStringLiteral("ЛПУ")}};
    for (int c = 0; c < table.columns.size(); ++c) {
        const QString n = QString::number(c + 1);
        common.insert(QStringLiteral("code") + n, QString::number(table.columns[c].code));
        common.insert(QStringLiteral("head") + n, table.columns[c].designation.trimmed());
    }
    for (const CompletenessRow &row : table.rows) {
        runtime::report::ReportRecord record = common;
        record.insert(field(0), row.name);
        if (row.name.trimmed().size() >= 30)
            record.insert(QStringLiteral("tall"), QStringLiteral("1"));
        for (int c = 0; c < table.columns.size(); ++c) {
            const qint32 n = row.counts[size_t(c)];
            record.insert(field(c + 1), n == 0 ? QString() : QString::number(n));
        }
        writer.add(record);
    }
    return writer.finish();
}

bool CompletenessWindow::print()
{
    if (!m_counted)
        return false;
    // The preview tells the user itself when the printer refused the pages.
    const auto out =
        m_services.pages->output(layOut(m_table, mode(), m_title, m_countedAt), title());
    return out && *out;
}

bool CompletenessWindow::exportToExcel()
{
    if (!m_counted)
        return false;
    const auto wait = shell::ui::WaitingWindow::over(this);
    shell::ExcelLauncher excel(*m_services.office, m_services.prompter, wait, wait);
    return Completeness::exportToExcel(excel, m_table, mode(), m_from->value());
}

} // namespace zemor::analysis::ui
