#include "analysis/ratings/ui/RatingOutputWindow.h"

#include "analysis/common/ui/ProcedureWindow.h"
#include "analysis/indicators/IndicatorNumbers.h"
#include "runtime/decimal/Decimal.h"
#include "runtime/fs/Paths.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/DrawingSurface.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/ListFormat.h"
#include "runtime/ui/QueueModel.h"
#include "runtime/ui/WindowParts.h"
#include "shell/ExcelLauncher.h"

#include <QCheckBox>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace zemor::analysis::ui {

using namespace Qt::StringLiterals;
using runtime::Decimal;
using runtime::ui::commandButton;
using runtime::ui::createControl;
using runtime::ui::ListColumn;
using runtime::ui::ListFormat;

namespace {

const QString ratingFormat = u"15L(1)|_FM~N~L(0)@s7@E(,0CEFFFFH,,)"
                             u"200L(1)|_FM~Учреждение~C(2)@s100@"
                             u"39R(2)|_M~Рейтинг~L(0)@s10@E(080H,0DDFFFFH,,)"_s;
const QString tableColumnFormat = u"50R(5)|_M~~L(0)@s50@"_s;
const QString valueFormat = u"15L(1)|FM~КодСтроки~L(0)@s7@10L(1)|M~ЕдИзм.~L(0)@s27@"
                            u"84L(1)|FM~Наименование~C@s150@E(0800000H,,,)"
                            u"24R|M~Норма~L@s20@E(,0DDFFDDH,,)"_s;
const QString goalFormat =
    u"15L(1)|FM~КодСтроки~L(0)@s7@84L(1)|FM~Наименование~C@s150@E(0800000H,,,)"_s;
const QString narrowMemberFormat = u"20R(1)|M~~L(0)@s20@"_s;
const QString wideMemberFormat = u"35R(1)|M~~L(0)@s30@"_s;
const QString directionFormat = u"7C|M~1max (норма/факт),0min(факт/норма)~L(0)@n1@"_s;

constexpr int valueLeading = 4; // code, unit text, name, norm
constexpr int goalLeading = 2;  // code, name

// The chart's margins in window units: room for the values above the points, the names below
// the axis and the mark's value at the right.
constexpr double chartLeft = 12, chartTop = 14, chartRight = 48, chartBottom = 16;

ListFormat parsedFormat(const QString &text)
{
    auto format = ListFormat::parse(text);
    Q_ASSERT_X(format, "RatingOutputWindow", "a list format of the window does not parse");
    return format ? *format : ListFormat();
}

// A column like `pattern`'s only one, headed `heading` (a heading from data may hold any
// character).
ListColumn headedColumn(const QString &pattern, const QString &heading, int width = 0)
{
    ListColumn column = parsedFormat(pattern).column(0);
    column.heading = heading;
    column.hasHeading = true;
    if (width > 0)
        column.width = width;
    return column;
}

// A value as its field holds it: rounded half away from zero to the field's places, and shown
// with all of them.
QString fieldText(double value, int places)
{
    const auto d = Decimal::fromDouble(roundedHalfAway(value, places), places);
    return d ? d->toString(places) : QString();
}

QLineEdit *shownField(QWidget *parent, const QString &equate, const QString &text = {})
{
    auto *field = createControl<QLineEdit>(parent, equate, text);
    field->setReadOnly(true);
    return field;
}

// A button picture from the working directory, when it is there and can be read.
bool setPicture(QPushButton *button, const QString &file)
{
    const auto path = runtime::fs::resolve(file);
    if (!path || !QFileInfo::exists(*path))
        return false;
    const QIcon icon(*path);
    if (icon.availableSizes().isEmpty() && icon.pixmap(16, 16).isNull())
        return false;
    button->setIcon(icon);
    return true;
}

} // namespace

RatingOutputWindow::RatingOutputWindow(RatingRun run, const QHash<int, QString> &districtNames,
                                       shell::ui::Services services, OpenRankTable openRankTable,
                                       QWidget *parent)
    : QDialog(parent), m_run(std::move(run)), m_services(std::move(services)),
      m_openRankTable(std::move(openRankTable))
{
    setObjectName(u"P1$SCRL"_s);
    setWindowTitle(title());
    m_rows = m_run.ratings;
    rankRatingRows(m_rows);
    m_members = RatingOutput::memberColumns(m_run, districtNames);

    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    m_text = shownField(this, u"?LOCNAME"_s, m_run.periodText.trimmed());
    top->addWidget(m_text, 1);
    auto *excel = commandButton(this, u"?EXCEL"_s, u"Excel"_s, u"Выгрузка таблицы в Excel"_s);
    setPicture(excel, u"Excel.ico"_s);
    auto *rank = commandButton(this, u"?RANG"_s, {});
    if (!setPicture(rank, u"kart_ico.gif"_s))
        rank->setText(u"Ранг"_s);
    rank->setEnabled(bool(m_openRankTable));
    top->addWidget(excel);
    top->addWidget(rank);
    layout->addLayout(top);
    layout->addWidget(shownField(this, u"?QST:NAME"_s, m_run.indicator.name.trimmed()));

    m_tabs = createControl<QTabWidget>(this, u"?SHEET1"_s);
    m_tabs->addTab(buildRatingTab(), u"Рейтинговая оценка"_s);
    m_tabs->addTab(buildLineTab(GoalTab), u"Индексы достижения цели"_s);
    m_tabs->addTab(buildLineTab(ValueTab), u"Значения показателей"_s);
    layout->addWidget(m_tabs, 1);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(u"Количество учреждений"_s, this));
    auto *count = shownField(this, u"?KOLUCH"_s, QString::number(m_run.members.size()));
    count->setMaximumWidth(count->fontMetrics().horizontalAdvance(u"0000000"_s) + 12);
    count->setAlignment(Qt::AlignRight);
    bottom->addWidget(count);
    bottom->addStretch(1);
    layout->addLayout(bottom);

    showRatingRows();
    showGoalRows();
    showValueRows();

    connect(m_tabs, &QTabWidget::currentChanged, this, &RatingOutputWindow::tabChanged);
    connect(excel, &QPushButton::clicked, this, [this] { exportToExcel(); });
    connect(rank, &QPushButton::clicked, this, [this] { this->openRankTable(); });
    resize(1100, 650);
}

QWidget *RatingOutputWindow::buildRatingTab()
{
    auto *tab = createControl<QWidget>(this, u"?TAB1"_s);
    auto *layout = new QVBoxLayout(tab);
    layout->addWidget(new QLabel(u"Сортировать (мышкой по заголовку столбца)"_s, tab));
    m_views[0] = createControl<QTableView>(tab, u"?LISTQR"_s);
    layout->addWidget(m_views[0], 1);

    const QList<RatingColumn> columns = RatingOutput::ratingColumns(m_run);
    ListFormat format = parsedFormat(ratingFormat);
    for (qsizetype i = 3; i < columns.size(); ++i)
        format.append(headedColumn(tableColumnFormat, columns[i].title, columns[i].width));
    m_models[0] = new runtime::ui::QueueModel(int(columns.size()), this);
    m_lists[0] = new runtime::ui::ListBinding(m_views[0], m_models[0], format);

    const auto headerClicks = [this](QTableView *view) {
        if (view)
            connect(view->horizontalHeader(), &QHeaderView::sectionClicked, this,
                    [this](int column) { clickRatingHeader(column); });
    };
    headerClicks(m_views[0]);
    headerClicks(m_lists[0]->fixedView());
    return tab;
}

QWidget *RatingOutputWindow::buildLineTab(int tab)
{
    const int k = tab - 1;
    const int c = tab - GoalTab;
    const bool goals = tab == GoalTab;
    auto *page = createControl<QWidget>(this, goals ? u"?TAB2"_s : u"?TAB3"_s);
    auto *layout = new QVBoxLayout(page);

    auto *head = new QHBoxLayout;
    m_chartBoxes[size_t(c)] =
        createControl<QCheckBox>(page, goals ? u"?GRAFIKQC"_s : u"?GRAFIK"_s, u"График"_s);
    head->addWidget(m_chartBoxes[size_t(c)]);
    m_lineNames[size_t(c)] = shownField(page, goals ? u"?QC:NAME"_s : u"?QI:NAME"_s);
    head->addWidget(m_lineNames[size_t(c)], 1);
    layout->addLayout(head);

    m_views[size_t(k)] = createControl<QTableView>(page, goals ? u"?LISTQC"_s : u"?LISTQI"_s);
    layout->addWidget(m_views[size_t(k)], 2);

    auto *surface = new runtime::ui::DrawingSurface(page);
    surface->setObjectName(goals ? u"goalChart"_s : u"valueChart"_s);
    surface->setVisible(false);
    surface->installEventFilter(this);
    m_surfaces[size_t(c)] = surface;
    layout->addWidget(surface, 1);
    // The mark's value, placed beside the mark line when a chart is drawn.
    m_markLabels[size_t(c)] = createControl<QLabel>(surface, goals ? u"?STR_C"_s : u"?STR_I"_s);
    m_markLabels[size_t(c)]->setVisible(false);

    auto *fields = new QHBoxLayout;
    const QString prefix = goals ? u"?QC:"_s : u"?QI:"_s;
    QList<std::pair<QString, QString>> shown{{u"KOEF"_s, u"Вес показателя"_s},
                                             {u"TIP"_s, u"Тип показателя"_s},
                                             {u"CODTABL"_s, u"Таблица"_s},
                                             {u"UNICOD"_s, u"Строка"_s}};
    if (!goals)
        shown.append({u"TIP1"_s, u"Нуль - нет данных"_s});
    for (const auto &[name, label] : shown) {
        fields->addWidget(new QLabel(label, page));
        auto *field = shownField(page, prefix + name);
        field->setMaximumWidth(field->fontMetrics().horizontalAdvance(u"00000000000"_s) + 12);
        fields->addWidget(field);
        m_lineFields[size_t(c)].append(field);
    }
    fields->addStretch(1);
    layout->addLayout(fields);

    ListFormat format = parsedFormat(goals ? goalFormat : valueFormat);
    const bool narrow =
        m_run.indicator.perDistrict() || m_run.members.size() >= RatingOutput::wideMembers;
    for (const MemberColumn &member : std::as_const(m_members))
        format.append(headedColumn(narrow ? narrowMemberFormat : wideMemberFormat, member.title,
                                   member.width));
    const bool directionColumn = !goals && m_run.indicator.perDistrict();
    if (directionColumn)
        format.append(parsedFormat(directionFormat));
    const int fields_ =
        (goals ? goalLeading : valueLeading) + int(m_members.size()) + (directionColumn ? 1 : 0);
    m_models[size_t(k)] = new runtime::ui::QueueModel(fields_, this);
    m_lists[size_t(k)] =
        new runtime::ui::ListBinding(m_views[size_t(k)], m_models[size_t(k)], format);

    connect(m_views[size_t(k)]->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this, tab](const QModelIndex &current) { lineChosen(tab, current.row()); });
    connect(m_chartBoxes[size_t(c)], &QCheckBox::toggled, this,
            [this, tab](bool on) { chartToggled(tab, on); });
    return page;
}

void RatingOutputWindow::showRatingRows()
{
    const QList<RatingColumn> columns = RatingOutput::ratingColumns(m_run);
    QList<QVariantList> lines;
    for (const RatingRow &row : std::as_const(m_rows)) {
        QVariantList line{row.place, row.name};
        for (qsizetype i = 2; i < columns.size(); ++i)
            line.append(fieldText(RatingOutput::fieldValue(row, columns[i].field), 2));
        lines.append(line);
    }
    m_models[0]->setLines(std::move(lines));
    m_lists[0]->selectRow(m_rows.isEmpty() ? -1 : 0);
}

// The columns widened so that their values show whole (a member value cut at the left reads as
// another number): `leading` of the first columns and every member column.
QList<int> RatingOutputWindow::shownWhole(int leading, QList<int> columns) const
{
    for (qsizetype m = 0; m < m_members.size(); ++m)
        columns.append(leading + int(m));
    return columns;
}

void RatingOutputWindow::showGoalRows()
{
    QList<QVariantList> lines;
    for (const GoalRow &goal : std::as_const(m_run.goals)) {
        QVariantList line{goal.codStr, goal.name};
        const bool heading = goal.rowId == ValueRow::headingId;
        for (const MemberColumn &member : std::as_const(m_members))
            line.append(heading ? QVariant() : QVariant(fieldText(goal.value(member.column), 3)));
        lines.append(line);
    }
    m_models[1]->setLines(std::move(lines));
    m_lists[1]->widenToContents(shownWhole(goalLeading, {0}));
    m_lists[1]->selectRow(m_run.goals.isEmpty() ? -1 : 0);
}

void RatingOutputWindow::showValueRows()
{
    QList<QVariantList> lines;
    const bool directionColumn = m_run.indicator.perDistrict();
    for (const ValueRow &row : std::as_const(m_run.values)) {
        const bool heading = row.isHeading();
        QVariantList line{row.codStr, row.codMkb, row.name,
                          heading ? QVariant() : QVariant(fieldText(row.norm, 2))};
        for (const MemberColumn &member : std::as_const(m_members))
            line.append(heading ? QVariant() : QVariant(fieldText(row.value(member.column), 2)));
        if (directionColumn)
            line.append(heading ? QVariant() : QVariant(row.direction));
        lines.append(line);
    }
    m_models[2]->setLines(std::move(lines));
    m_lists[2]->widenToContents(shownWhole(valueLeading, {0, 1, 3}));
    m_lists[2]->selectRow(m_run.values.isEmpty() ? -1 : 0);
}

int RatingOutputWindow::currentTab() const
{
    return m_tabs->currentIndex() + 1;
}

void RatingOutputWindow::setCurrentTab(int tab)
{
    m_tabs->setCurrentIndex(std::clamp(tab, 1, 3) - 1);
}

void RatingOutputWindow::clickRatingHeader(int column)
{
    if (!RatingOutput::sortByColumn(m_rows, column + 1))
        return;
    showRatingRows();
}

void RatingOutputWindow::chooseLine(int tab, int row)
{
    if (tab == GoalTab || tab == ValueTab)
        m_lists[size_t(tab - 1)]->selectRow(row);
}

void RatingOutputWindow::lineChosen(int tab, int row)
{
    const int c = tab - GoalTab;
    QStringList texts;
    QString name;
    if (tab == GoalTab && row >= 0 && row < m_run.goals.size()) {
        const GoalRow &goal = m_run.goals[row];
        name = goal.name;
        texts = {plainNumber(goal.weight), QString::number(goal.direction),
                 QString::number(goal.table), QString::number(goal.rowId)};
    } else if (tab == ValueTab && row >= 0 && row < m_run.values.size()) {
        const ValueRow &value = m_run.values[row];
        name = value.name;
        texts = {plainNumber(value.weight), QString::number(value.direction),
                 QString::number(value.table), QString::number(value.rowId),
                 QString::number(value.zeroRule)};
    }
    m_lineNames[size_t(c)]->setText(name.trimmed());
    const QList<QLineEdit *> &fields = m_lineFields[size_t(c)];
    for (qsizetype i = 0; i < fields.size(); ++i)
        fields[i]->setText(texts.value(i));
    if (chartOn(tab))
        drawChart(tab);
}

bool RatingOutputWindow::chartOn(int tab) const
{
    return (tab == GoalTab || tab == ValueTab) && m_chartBoxes[size_t(tab - GoalTab)]->isChecked();
}

void RatingOutputWindow::chartToggled(int tab, bool on)
{
    const int c = tab - GoalTab;
    m_surfaces[size_t(c)]->setVisible(on);
    if (!on) {
        m_surfaces[size_t(c)]->clear();
        m_markLabels[size_t(c)]->setVisible(false);
        m_charts[size_t(c)] = {};
        return;
    }
    if (QLayout *l = m_surfaces[size_t(c)]->parentWidget()->layout())
        l->activate();
    drawChart(tab);
}

void RatingOutputWindow::blankCharts()
{
    for (size_t c = 0; c < 2; ++c) {
        m_surfaces[c]->clear();
        m_markLabels[c]->setVisible(false);
        m_charts[c] = {};
    }
}

void RatingOutputWindow::tabChanged(int index)
{
    blankCharts();
    m_lastTab = index + 1;
    if (chartOn(m_lastTab))
        drawChart(m_lastTab);
}

void RatingOutputWindow::drawChart(int tab)
{
    const int c = tab - GoalTab;
    runtime::ui::DrawingSurface *surface = m_surfaces[size_t(c)];
    QLabel *mark = m_markLabels[size_t(c)];
    surface->clear();
    mark->setVisible(false);

    // The surface's size in window units.
    const QPoint perThousand = surface->toPixels(QPoint(1000, 1000));
    const double width = perThousand.x() > 0 ? surface->width() * 1000.0 / perThousand.x() : 0;
    const double height = perThousand.y() > 0 ? surface->height() * 1000.0 / perThousand.y() : 0;
    const QRectF area(chartLeft, chartTop, std::max(0.0, width - chartLeft - chartRight),
                      std::max(0.0, height - chartTop - chartBottom));
    const int row = m_lists[size_t(tab - 1)]->currentRow();
    LineChart chart = tab == GoalTab ? goalChart(m_run, row, area) : valueChart(m_run, row, area);
    m_charts[size_t(c)] = chart;
    if (!chart.drawn)
        return;

    const auto at = [](double x, double y) { return QPoint(qRound(x), qRound(y)); };
    surface->setPen(QColor(0xC0, 0xC0, 0xC0));
    for (double x : std::as_const(chart.guides))
        surface->drawLine(at(x, area.top()), at(x, chart.baseline));
    surface->setPen(Qt::black);
    surface->drawLine(at(area.left(), chart.baseline), at(area.right(), chart.baseline));
    surface->setPen(Qt::red, 2);
    surface->drawLine(at(area.left(), chart.markY), at(area.right(), chart.markY));
    QList<QPoint> points;
    for (const QPointF &p : std::as_const(chart.points))
        points.append(at(p.x(), p.y()));
    surface->setPen(Qt::blue, 2);
    if (points.size() > 1)
        surface->drawPolyline(points);
    for (const QPoint &p : std::as_const(points))
        surface->fillBox(QRect(p.x() - 2, p.y() - 2, 5, 5), Qt::blue);
    surface->setPen(Qt::darkBlue);
    for (qsizetype i = 0; i < points.size(); ++i)
        surface->drawText(points[i] + QPoint(2, -10), chart.valueTexts.value(i));
    surface->setPen(Qt::black);
    for (qsizetype i = 0; i < chart.guides.size(); ++i)
        surface->drawText(at(chart.guides[i] - 6, chart.baseline + 3), chart.names.value(i));

    mark->setText(chart.markText);
    mark->adjustSize();
    const QPoint place = surface->toPixels(at(area.right() + 3, chart.markY));
    mark->move(place.x(), place.y() - mark->height() / 2);
    mark->setVisible(true);
}

bool RatingOutputWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize) {
        for (int tab : {GoalTab, ValueTab})
            if (watched == m_surfaces[size_t(tab - GoalTab)] && chartOn(tab))
                drawChart(tab);
    }
    return QDialog::eventFilter(watched, event);
}

void RatingOutputWindow::openRankTable()
{
    if (!m_openRankTable)
        return;
    const int tab = currentTab();
    if (tab != RatingTab && m_lists[size_t(tab - 1)]->currentRow() < 0)
        return;
    m_text->setText(tab == RatingTab ? RatingOutput::ratingRankText() : QString());
    const QString text = m_text->text();
    RankTableSource source;
    if (tab == RatingTab)
        source = ratingRankSource(m_run, m_rows, text);
    else if (tab == GoalTab)
        source = goalRankSource(m_run, m_lists[1]->currentRow(), text);
    else
        source = valueRankSource(m_run, m_lists[2]->currentRow(), text);
    m_openRankTable(source, this);
}

bool RatingOutputWindow::exportToExcel()
{
    shell::ExcelLauncher excel(*m_services.office, m_services.prompter);
    return RatingWorkbooks::exportTab(m_run, m_rows, currentTab(), excel);
}

} // namespace zemor::analysis::ui
