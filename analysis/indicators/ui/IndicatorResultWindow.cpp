#include "analysis/indicators/ui/IndicatorResultWindow.h"

#include "analysis/common/ui/RankTableWindow.h"
#include "runtime/core/Prompter.h"
#include "runtime/fs/Paths.h"
#include "runtime/report/PageSink.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/DrawingSurface.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/ListFormat.h"
#include "runtime/ui/QueueModel.h"
#include "shell/ExcelLauncher.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace zemor::analysis::ui {

using namespace Qt::StringLiterals;
using runtime::ui::createControl;

namespace {

constexpr int fixedFields = 2; // the number or code text, the name

QLineEdit *shownText(QWidget *parent, const QString &equate, const QString &text)
{
    auto *field = createControl<QLineEdit>(parent, equate, text.trimmed());
    field->setReadOnly(true);
    return field;
}

} // namespace

IndicatorResultWindow::IndicatorResultWindow(IndicatorOutputInput input, IndicatorDisplay display,
                                             const std::optional<QString> &storedFormat,
                                             shell::ui::Services services, QWidget *parent)
    : QDialog(parent), m_input(std::move(input)), m_display(std::move(display)),
      m_prompter(services.prompter, this), m_services(services.askingWith(m_prompter))
{
    setObjectName(u"P1$SCRL"_s);
    const QString title = IndicatorOutput::resultTitle(m_input);
    setWindowTitle(title.isEmpty() ? IndicatorOutput::windowTitle() : title);
    setModal(true);
    if (const auto path = runtime::fs::resolve(u"Fon2.bmp"_s); path && QFileInfo::exists(*path)) {
        const QPixmap background(*path);
        if (!background.isNull()) {
            QPalette p = palette();
            p.setBrush(QPalette::Window, background);
            setPalette(p);
            setAutoFillBackground(true);
        }
    }

    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    auto *year = shownText(this, u"?GLOBYEAR"_s, QString::number(m_input.year));
    year->setMaximumWidth(year->fontMetrics().horizontalAdvance(u"000000"_s) + 12);
    top->addWidget(year);
    top->addWidget(shownText(this, u"?LOCNAME"_s, m_input.run->title), 1);
    layout->addLayout(top);
    m_rowName = shownText(this, u"?QTAB:REG:2"_s, {});
    layout->addWidget(m_rowName);

    auto *buttons = new QHBoxLayout;
    auto *print = createControl<QPushButton>(this, u"?PRNT1"_s, u"Печать"_s);
    auto *excel = createControl<QPushButton>(this, u"?EXCEL"_s, u"Excel"_s);
    auto *rank = createControl<QPushButton>(this, u"?RANG1"_s, u"Ранг"_s);
    m_graph = createControl<QCheckBox>(this, u"?GRAFIK"_s, u"График"_s);
    m_filled = createControl<QCheckBox>(this, u"?CHECK2"_s, u"только заполненные строки"_s);
    for (QPushButton *b : {print, excel, rank}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addWidget(m_graph);
    buttons->addWidget(m_filled);
    buttons->addStretch();
    layout->addLayout(buttons);

    m_chart = new runtime::ui::DrawingSurface(this);
    m_chart->setObjectName(u"chart"_s);
    m_chart->setMinimumHeight(m_chart->toPixels(QPoint(0, 140)).y());
    m_chart->setVisible(false);
    layout->addWidget(m_chart);

    m_view = createControl<QTableView>(this, u"?BROWSE:1"_s);
    layout->addWidget(m_view, 1);
    m_model = new runtime::ui::QueueModel(fixedFields + displayCellCount, this);
    m_cells = IndicatorOutput::listCells(m_input, m_display);
    const auto format = runtime::ui::ListFormat::parse(
        IndicatorOutput::listFormat(m_input, m_display, storedFormat));
    m_binding =
        new runtime::ui::ListBinding(m_view, m_model, format.value_or(runtime::ui::ListFormat()));
    m_rows = m_display.rows;
    m_range = chartRange(m_rows, m_cells);
    showRows();
    QList<int> shown{0, 1};
    for (int c = 0; c < m_cells; ++c)
        shown.append(fixedFields + c);
    m_binding->widenToContents(shown);

    connect(m_view, &QTableView::clicked, this,
            [this](const QModelIndex &index) { clickCell(index.row(), index.column()); });
    connect(m_binding, &runtime::ui::ListBinding::chosen, this,
            [this](int row) { clickCell(row, m_view->currentIndex().column()); });
    connect(m_graph, &QCheckBox::toggled, this, &IndicatorResultWindow::chartToggled);
    connect(m_filled, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            onlyFilled();
    });
    connect(print, &QPushButton::clicked, this, &IndicatorResultWindow::print);
    connect(excel, &QPushButton::clicked, this, &IndicatorResultWindow::exportToExcel);
    connect(rank, &QPushButton::clicked, this, [this] {
        const auto source =
            IndicatorOutput::rankSource(m_input, m_rows, m_chosenColumn, m_display.pictures);
        if (!source) {
            m_services.prompter.message(IndicatorOutput::chooseColumnText());
            return;
        }
        RankTableWindow::run(m_services, *source, this);
    });
    resize(1000, 600);
}

void IndicatorResultWindow::showRows()
{
    QList<QVariantList> lines;
    for (const IndicatorDisplayRow &row : std::as_const(m_rows)) {
        QVariantList line{row.codeText, row.name};
        for (const QString &cell : row.cells)
            line.append(cell);
        lines.append(line);
    }
    m_model->setLines(std::move(lines));
    if (!m_rows.isEmpty()) {
        m_binding->selectRow(0);
        m_rowName->setText(m_rows.first().name.trimmed());
    } else {
        m_rowName->clear();
    }
}

void IndicatorResultWindow::clickCell(int row, int column)
{
    if (row < 0 || row >= m_rows.size())
        return;
    m_chosenColumn = column;
    m_rowName->setText(m_rows[row].name.trimmed());
    if (m_graph->isChecked())
        drawChart(row);
}

void IndicatorResultWindow::drawChart(int row)
{
    m_chart->clear();
    if (row < 0 || row >= m_rows.size())
        return;
    for (const ChartItem &item : IndicatorOutput::chart(m_rows[row], m_cells, m_range)) {
        m_chart->setPen(item.color, item.penWidth);
        if (item.kind == ChartItem::Kind::Line)
            m_chart->drawPolyline(item.points);
        else
            m_chart->drawText(item.points.value(0), item.text);
    }
}

void IndicatorResultWindow::chartToggled(bool on)
{
    m_chart->setVisible(on);
    if (on)
        drawChart(m_binding->currentRow());
    else
        m_chart->clear();
}

void IndicatorResultWindow::onlyFilled()
{
    m_rows = IndicatorOutput::filledRows(m_rows, m_cells);
    m_filled->setEnabled(false);
    showRows();
}

void IndicatorResultWindow::print()
{
    const runtime::report::PageList pages =
        IndicatorOutput::printPages(m_input, m_rows, m_services.now());
    const auto done = m_services.pages->output(pages, windowTitle());
    if (!done)
        m_services.prompter.message(done.error().message, IndicatorOutput::windowTitle(), {},
                                    runtime::MessageIcon::Error);
}

void IndicatorResultWindow::exportToExcel()
{
    shell::ExcelLauncher excel(*m_services.office, m_services.prompter);
    IndicatorOutput::exportToExcel(m_input, m_rows, excel);
}

void IndicatorResultWindow::done(int result)
{
    m_rows.clear();
    m_model->setLines({});
    m_chart->clear();
    QDialog::done(result);
}

} // namespace zemor::analysis::ui
