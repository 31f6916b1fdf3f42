#include "analysis/crosssections/ui/CrossSectionWindow.h"

#include "analysis/common/ui/PeriodBox.h"
#include "analysis/crosssections/CrossSectionPrint.h"
#include "analysis/crosssections/ui/CrossSectionNameWindows.h"
#include "data/DataContext.h"
#include "data/FileNames.h"
#include "data/Period.h"
#include "entry/FormCatalogue.h"
#include "runtime/core/Prompter.h"
#include "runtime/report/PageSink.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/DrawingSurface.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/ProgressWindow.h"
#include "runtime/ui/QueueModel.h"
#include "runtime/ui/WaitCursor.h"
#include "runtime/ui/WindowParts.h"
#include "shell/AppState.h"
#include "shell/ExcelLauncher.h"
#include "shell/ui/Choices.h"
#include "shell/ui/WaitingWindow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

namespace zemor::analysis::ui {

using runtime::ui::commandButton;
using runtime::ui::createControl;
using runtime::ui::formatOf;

namespace {

// The grid's fields: row code, short name, sex mark, the 35 mark characters, row id, number.
constexpr int gridFields = 3 + crossSectionValueCount + 2;
constexpr int gridTextColumns = 3;
constexpr int markFields = 13;
// The chart area above the result list, in window units.
constexpr int chartHeight = 147;

QString markListFormat(bool dates)
{
    const QString period = dates ? QStringLiteral("@d5.") : QStringLiteral("@n_6");
    return QStringLiteral("12R(2)|M~N~C(0)@n_3@20R(2)|M~Год~C(0)@n_4@") +
           QStringLiteral("24R(2)|M~c~C(0)%1@24R(2)|M~по~C(0)%1@").arg(period) +
           QStringLiteral("20R(2)|M~Форма~C(0)@n_3@24R(2)|M~Таблица~C(0)@n_5@"
                          "30L(2)|M~NСтроки~@s9@20R(2)|M~NГрафы~C(0)@n_3@"
                          "120L(2)|M~Строка~@s120@120L(2)|M~Графа~@s120@");
}

QSpinBox *spin(QWidget *parent, const QString &equate, int low, int high)
{
    auto *s = createControl<QSpinBox>(parent, equate);
    s->setRange(low, high);
    return s;
}

QSpinBox *periodBox(QWidget *parent, const QString &equate)
{
    auto *box = createControl<PeriodBox>(parent, equate);
    box->setRange(0, 99999999);
    return box;
}

void showDates(std::initializer_list<QSpinBox *> boxes, bool dates)
{
    for (QSpinBox *box : boxes)
        static_cast<PeriodBox *>(box)->setDates(dates);
}

QLineEdit *shown(QWidget *parent, const QString &equate)
{
    auto *e = createControl<QLineEdit>(parent, equate);
    e->setReadOnly(true);
    return e;
}

} // namespace

void CrossSectionWindow::run(data::DataContext &context, const shell::ui::Services &services,
                             CrossSectionCall &call, QWidget *parent)
{
    CrossSectionWindow window(context, services, call, parent);
    window.exec();
}

CrossSectionWindow::CrossSectionWindow(data::DataContext &context, shell::ui::Services services,
                                       CrossSectionCall &call, QWidget *parent)
    : QDialog(parent), m_context(context), m_prompter(services.prompter, this),
      m_services(services.askingWith(m_prompter)), m_call(call), m_callerKind(call.periodKind),
      m_callerFrom(call.from), m_callerTo(call.to)
{
    runtime::ui::WaitCursor wait;
    setObjectName(QStringLiteral("P1$SCRL"));
    setModal(true);
    const int year = m_services.state.globYear;
    m_context.names().setYearFileNames(year, data::YearNameSet::CrossSection);
    m_marks.start(call.form, call.periodKind, year, call.from, call.to);
    m_marks.setPeriodKindOf([this](int year, qint64 form) {
        return SavedCrossSections(m_context).formPeriodKind(year, form);
    });
    buildControls();
    loadTables();
    resize(1180, 780);
}

CrossSectionWindow::~CrossSectionWindow() = default;

void CrossSectionWindow::buildControls()
{
    auto *layout = new QVBoxLayout(this);

    // The form, the caller's title, help.
    auto *formRow = new QHBoxLayout;
    m_newForm =
        commandButton(this, QStringLiteral("?NEWFORM"), QStringLiteral("Выбор отчетной  формы"));
    formRow->addWidget(m_newForm);
    m_nameTip = shown(this, QStringLiteral("?NAMETIP"));
    m_nameTip->setMaximumWidth(m_nameTip->fontMetrics().averageCharWidth() * 14);
    m_nameTip->setText(periodWord());
    formRow->addWidget(m_nameTip);
    auto *title = shown(this, QStringLiteral("?LOCNAME:2"));
    title->setText(m_call.title);
    formRow->addWidget(title, 1);
    auto *help = commandButton(this, QStringLiteral("?HELP1"), QStringLiteral("Help"));
    formRow->addWidget(help);
    layout->addLayout(formRow);

    // The table.
    auto *tableRow = new QHBoxLayout;
    m_newTable = commandButton(this, QStringLiteral("?NEWTABL"), QStringLiteral("Выбор таблицы"));
    m_upTable =
        commandButton(this, QStringLiteral("?UPTABL"), QStringLiteral("Предыдущая таблица"));
    m_downTable =
        commandButton(this, QStringLiteral("?DNTABL"), QStringLiteral("Следующая таблица"));
    tableRow->addWidget(m_newTable);
    tableRow->addWidget(m_upTable);
    tableRow->addWidget(m_downTable);
    m_tableLine = shown(this, QStringLiteral("?TEXT1"));
    m_tableLine->setMaxLength(250);
    tableRow->addWidget(m_tableLine, 1);
    layout->addLayout(tableRow);

    // What a double click marks, the period of new marks, the series.
    auto *markRow = new QHBoxLayout;
    m_markMode =
        createControl<QGroupBox>(this, QStringLiteral("?OPTIONOTM"), QStringLiteral("Отметка"));
    auto *modeLayout = new QHBoxLayout(m_markMode);
    m_markModes = new QButtonGroup(this);
    const QStringList modes{QStringLiteral("Ячейка"), QStringLiteral("Строка"),
                            QStringLiteral("Графа")};
    for (int i = 0; i < modes.size(); ++i) {
        auto *radio = createControl<QRadioButton>(
            m_markMode, QStringLiteral("?OPTIONOTM:RADIO%1").arg(i + 1), modes[i]);
        m_markModes->addButton(radio, i + 1);
        modeLayout->addWidget(radio);
    }
    m_markModes->button(1)->setChecked(true);
    markRow->addWidget(m_markMode);

    m_periodGroup = new QGroupBox(this);
    auto *periodLayout = new QHBoxLayout(m_periodGroup);
    m_year = spin(this, QStringLiteral("?LOCYEAR"), 1900, 2999);
    m_year->setValue(m_marks.year());
    m_from = periodBox(this, QStringLiteral("?LOCMES1"));
    m_to = periodBox(this, QStringLiteral("?LOCMES2"));
    periodLayout->addWidget(m_year);
    periodLayout->addWidget(m_from);
    periodLayout->addWidget(m_to);
    auto *plus = commandButton(this, QStringLiteral("?PLUSSWOD"), QStringLiteral("+"));
    periodLayout->addWidget(plus);
    markRow->addWidget(m_periodGroup);

    m_seriesGroup = new QGroupBox(QStringLiteral("Динамический ряд"), this);
    auto *seriesLayout = new QHBoxLayout(m_seriesGroup);
    seriesLayout->addWidget(new QLabel(QStringLiteral("c"), m_seriesGroup));
    m_seriesFrom = periodBox(this, QStringLiteral("?DINMES1"));
    seriesLayout->addWidget(m_seriesFrom);
    seriesLayout->addWidget(new QLabel(QStringLiteral("по"), m_seriesGroup));
    m_seriesTo = periodBox(this, QStringLiteral("?DINMES2"));
    seriesLayout->addWidget(m_seriesTo);
    m_nameTip2 = shown(this, QStringLiteral("?NAMETIP:2"));
    m_nameTip2->setMaximumWidth(m_nameTip2->fontMetrics().averageCharWidth() * 14);
    m_nameTip2->setText(periodWord());
    seriesLayout->addWidget(m_nameTip2);
    auto *series = commandButton(this, QStringLiteral("?DINRJD"), QStringLiteral("+"));
    seriesLayout->addWidget(series);
    markRow->addWidget(m_seriesGroup);
    markRow->addStretch(1);
    showDates({m_from, m_to, m_seriesFrom, m_seriesTo}, m_marks.periodKind() == 5);
    m_from->setValue(m_marks.periodFrom());
    m_to->setValue(m_marks.periodTo());
    layout->addLayout(markRow);

    // The row line, the chart boxes and the chart (result mode), the grid.
    m_rowLine = shown(this, QStringLiteral("?QAC:UCH"));
    layout->addWidget(m_rowLine);
    auto *chartRow = new QHBoxLayout;
    m_chartAll =
        createControl<QCheckBox>(this, QStringLiteral("?GRAPHALL"), QStringLiteral("График общий"));
    m_chartRow = createControl<QCheckBox>(this, QStringLiteral("?GRAPHROW"),
                                          QStringLiteral("График по 1строке"));
    m_onlyFilled = createControl<QCheckBox>(this, QStringLiteral("?FILLEDROWS"),
                                            QStringLiteral("Только заполненные строки"));
    m_print = commandButton(this, QStringLiteral("?PRINT"), QStringLiteral("Печать"));
    m_excel = commandButton(this, QStringLiteral("?EXCEL"), QStringLiteral("Excel"));
    m_rowCount = createControl<QLabel>(this, QStringLiteral("?STRING1"));
    for (QWidget *w : {static_cast<QWidget *>(m_chartAll), static_cast<QWidget *>(m_chartRow),
                       static_cast<QWidget *>(m_onlyFilled), static_cast<QWidget *>(m_print),
                       static_cast<QWidget *>(m_excel), static_cast<QWidget *>(m_rowCount)}) {
        chartRow->addWidget(w);
        w->hide();
    }
    chartRow->addStretch(1);
    layout->addLayout(chartRow);
    m_chart = createControl<runtime::ui::DrawingSurface>(this, QStringLiteral("?CHART"));
    m_chart->hide();
    layout->addWidget(m_chart);

    m_grid = createControl<QTableView>(this, QStringLiteral("?BROWSE:1"));
    m_gridModel = new runtime::ui::QueueModel(gridFields, this);
    m_gridBinding = new runtime::ui::ListBinding(m_grid, m_gridModel);
    m_gridBinding->setCellSelection(true);
    layout->addWidget(m_grid, 3);

    // The marks.
    m_markList = createControl<QTableView>(this, QStringLiteral("?LIST2"));
    m_markModel = new runtime::ui::QueueModel(markFields, this);
    m_markBinding = new runtime::ui::ListBinding(
        m_markList, m_markModel, formatOf(markListFormat(m_marks.periodKind() == 5)));
    layout->addWidget(m_markList, 2);

    auto *marksRow = new QHBoxLayout;
    m_deleteMark = commandButton(this, QStringLiteral("?DEL_QW"), QStringLiteral("-"));
    m_reset = commandButton(this, QStringLiteral("?SBROS"), QStringLiteral("Сброс выборки"));
    marksRow->addWidget(m_deleteMark);
    marksRow->addWidget(m_reset);
    m_sortGroup = createControl<QGroupBox>(this, QStringLiteral("?SORTGR"),
                                           QStringLiteral("Сортировка граф"));
    auto *sortLayout = new QHBoxLayout(m_sortGroup);
    m_sortChoices = new QButtonGroup(this);
    for (int i = 1; i <= 4; ++i) {
        auto *radio =
            createControl<QRadioButton>(m_sortGroup, QStringLiteral("?SORTGR:RADIO%1").arg(i),
                                        CrossSectionMarks::orderLabel(MarkOrder(i)));
        m_sortChoices->addButton(radio, i);
        sortLayout->addWidget(radio);
    }
    marksRow->addWidget(m_sortGroup);
    m_markCount = shown(this, QStringLiteral("?KOLGR"));
    m_markCount->setMaximumWidth(m_markCount->fontMetrics().averageCharWidth() * 6);
    marksRow->addWidget(m_markCount);
    marksRow->addStretch(1);
    layout->addLayout(marksRow);

    // The build.
    auto *buildRow = new QHBoxLayout;
    m_byRows = createControl<QCheckBox>(this, QStringLiteral("?LOCSTR"),
                                        QStringLiteral("по строкам по текущей таблицы"));
    buildRow->addWidget(m_byRows);
    m_grouping =
        createControl<QGroupBox>(this, QStringLiteral("?OPTION1"), QStringLiteral("Сортировать"));
    auto *groupingLayout = new QHBoxLayout(m_grouping);
    m_groupings = new QButtonGroup(this);
    const QStringList groupings{QStringLiteral("по районам"), QStringLiteral("по ЛПУ"),
                                QStringLiteral("вид ЛПУ"), QStringLiteral("город/село")};
    for (int i = 0; i < groupings.size(); ++i) {
        auto *radio = createControl<QRadioButton>(
            m_grouping, QStringLiteral("?OPTION1:RADIO%1").arg(i + 1), groupings[i]);
        m_groupings->addButton(radio, i + 1);
        groupingLayout->addWidget(radio);
        radio->setVisible(i < 2);
    }
    m_groupings->button(1)->setVisible(m_call.districtFilter <= 0);
    m_groupings
        ->button(
            CrossSectionMarks::initialGrouping(m_call.districtFilter, m_call.selection.isEmpty()))
        ->setChecked(true);
    buildRow->addWidget(m_grouping);
    buildRow->addStretch(1);
    m_ok = commandButton(this, QStringLiteral("?OK"), QStringLiteral("Готово"));
    auto *save = commandButton(this, QStringLiteral("?PUTRASRES"),
                               QStringLiteral("Сохранить  разрез в базу"));
    auto *load = commandButton(this, QStringLiteral("?RASR"), QStringLiteral("Загрузить разрез"));
    buildRow->addWidget(save);
    buildRow->addWidget(load);
    buildRow->addWidget(m_ok);
    layout->addLayout(buildRow);

    connect(m_newForm, &QPushButton::clicked, this, [this] { chooseForm(); });
    connect(help, &QPushButton::clicked, this, [this] {
        if (!m_result)
            m_services.choices->showHelp(3, this);
    });
    connect(m_newTable, &QPushButton::clicked, this, [this] { chooseTable(); });
    connect(m_upTable, &QPushButton::clicked, this, [this] { nextTable(-1); });
    connect(m_downTable, &QPushButton::clicked, this, [this] { nextTable(1); });
    connect(m_year, &QSpinBox::editingFinished, this, [this] { changeYear(m_year->value()); });
    connect(m_from, &QSpinBox::valueChanged, this,
            [this](int from) { m_marks.setPeriod(from, m_marks.periodTo()); });
    connect(m_to, &QSpinBox::valueChanged, this,
            [this](int to) { m_marks.setPeriod(m_marks.periodFrom(), to); });
    connect(plus, &QPushButton::clicked, this, [this] { addMark(); });
    connect(series, &QPushButton::clicked, this, [this] { addSeries(); });
    connect(m_grid, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &index) { markCell(index.row(), index.column()); });
    connect(m_grid, &QAbstractItemView::clicked, this, [this](const QModelIndex &index) {
        if (index.row() >= 0 && index.row() < m_marks.grid().size())
            m_rowLine->setText(m_marks.grid()[index.row()].shortName);
    });
    connect(m_deleteMark, &QPushButton::clicked, this, [this] { removeMark(); });
    connect(m_reset, &QPushButton::clicked, this, [this] { resetMarks(); });
    connect(m_sortChoices, &QButtonGroup::idClicked, this,
            [this](int id) { setOrder(MarkOrder(id)); });
    connect(m_groupings, &QButtonGroup::idClicked, this, [this](int id) {
        if (m_result)
            sortResult(RowOrder(id));
    });
    connect(m_ok, &QPushButton::clicked, this, [this] { build(); });
    connect(save, &QPushButton::clicked, this, [this] {
        if (!m_result)
            saveMarks();
    });
    connect(load, &QPushButton::clicked, this, [this] {
        if (!m_result)
            loadMarks();
    });
    connect(m_chartAll, &QCheckBox::toggled, this, [this] { placeChart(); });
    connect(m_chartRow, &QCheckBox::toggled, this, [this] { placeChart(); });
    connect(m_onlyFilled, &QCheckBox::clicked, this, [this] { removeEmptyRows(); });
    connect(m_print, &QPushButton::clicked, this, [this] { print(); });
    connect(m_excel, &QPushButton::clicked, this, [this] { exportToExcel(); });
}

QString CrossSectionWindow::periodWord() const
{
    const auto kind = data::periodKindFromByte(m_marks.periodKind());
    return kind ? data::kindWord(*kind) : QString();
}

void CrossSectionWindow::loadTables()
{
    auto catalogue = entry::FormCatalogue::read(m_context, m_marks.year(), m_marks.form());
    m_marks.setTables(catalogue ? CrossSectionTable::tablesOf(*catalogue)
                                : QList<CrossSectionTable>());
    setWindowTitle(QString::number(m_marks.form()) + u' ' + m_call.formName);
    showTable();
    showMarks();
}

void CrossSectionWindow::showTable()
{
    const CrossSectionTable *table = m_marks.currentTable();
    m_tableLine->setText(table ? QString::number(table->code) + u' ' + table->name : QString());
    m_gridBinding->setFormat(formatOf(table ? table->gridFormat() : QStringLiteral("16C|M@s9@")));
    m_upTable->setEnabled(m_marks.hasPreviousTable());
    m_downTable->setEnabled(m_marks.hasNextTable());
    showGrid();
    if (!m_marks.grid().isEmpty())
        m_gridBinding->selectRow(0);
}

void CrossSectionWindow::showGrid()
{
    const int current = m_gridBinding->currentRow();
    const QModelIndex at = m_grid->currentIndex();
    QList<QVariantList> lines;
    for (const CrossSectionGridRow &row : m_marks.grid()) {
        QVariantList fields{row.code, row.shortName, row.sex};
        for (int n = 1; n <= crossSectionValueCount; ++n)
            fields.append(row.isMarked(n) ? QStringLiteral("O") : QString());
        fields.append(row.rowId);
        fields.append(row.number);
        lines.append(fields);
    }
    m_gridModel->setLines(std::move(lines));
    if (current >= 0 && current < m_marks.grid().size())
        m_grid->setCurrentIndex(m_gridModel->index(current, qMax(0, at.column())));
}

void CrossSectionWindow::showMarks()
{
    const int current = m_markBinding->currentRow();
    QList<QVariantList> lines;
    for (const CrossSectionMark &mark : m_marks.marks())
        lines.append({mark.nn, mark.year, mark.periodFrom, mark.periodTo, mark.form, mark.table,
                      mark.rowCode, mark.storedColumn, mark.rowName, mark.columnName, mark.rowId,
                      mark.dataColumn, mark.picture});
    m_markModel->setLines(std::move(lines));
    m_markCount->setText(QString::number(m_marks.marks().size()));
    m_markBinding->widenToContents({0, 1, 2, 3, 4, 5, 6, 7});
    if (current >= 0 && current < m_marks.marks().size())
        m_markBinding->selectRow(current);
}

void CrossSectionWindow::showMessages(const QStringList &messages)
{
    for (const QString &message : messages)
        m_services.prompter.message(message);
}

int CrossSectionWindow::selectedMark() const
{
    const QModelIndexList selected = m_markList->selectionModel()
                                         ? m_markList->selectionModel()->selectedRows()
                                         : QModelIndexList();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void CrossSectionWindow::markCell(int row, int listColumn)
{
    const int dataColumn = listColumn - gridTextColumns + 1;
    const auto mode = MarkMode(m_markModes->checkedId());
    if (dataColumn < 1 && mode != MarkMode::Row)
        return;
    if (row < 0 || row >= m_marks.grid().size()) {
        m_services.prompter.beep();
        return;
    }
    m_rowLine->setText(m_marks.grid()[row].shortName);
    const QStringList messages = m_marks.mark(row, qMax(dataColumn, 1), mode);
    showGrid();
    showMarks();
    showMessages(messages);
}

void CrossSectionWindow::addMark()
{
    const QString message = m_marks.addMark(selectedMark());
    showMarks();
    if (!message.isEmpty())
        m_services.prompter.message(message);
}

void CrossSectionWindow::addSeries()
{
    qint32 from = m_seriesFrom->value();
    qint32 to = m_seriesTo->value();
    const QString message = m_marks.addSeries(selectedMark(), from, to, m_services.state.globYearS,
                                              m_services.state.globYearE);
    m_seriesFrom->setValue(from);
    m_seriesTo->setValue(to);
    showMarks();
    if (!message.isEmpty())
        m_services.prompter.message(message);
}

void CrossSectionWindow::removeMark()
{
    const int selected = selectedMark();
    if (selected < 0)
        return;
    m_marks.removeMark(selected);
    showMarks();
}

void CrossSectionWindow::resetMarks()
{
    m_marks.reset();
    showGrid();
    showMarks();
}

void CrossSectionWindow::setOrder(MarkOrder order)
{
    m_marks.setOrder(order);
    if (auto *radio = m_sortChoices->button(int(order)))
        radio->setChecked(true);
    showMarks();
}

void CrossSectionWindow::chooseForm()
{
    const auto form = m_services.choices->chooseForm(m_marks.year(), this);
    if (!form || form->form == 0 || form->form == m_marks.form())
        return;
    const int previousKind = m_marks.periodKind();
    m_marks.setForm(form->form, form->periodKind, m_callerKind, m_callerFrom, m_callerTo);
    m_call.form = form->form;
    m_call.formName = form->name;
    m_call.periodKind = form->periodKind;
    if (form->periodKind != previousKind) {
        m_nameTip->setText(periodWord());
        m_nameTip2->setText(periodWord());
    } else {
        const auto kind = data::periodKindFromByte(form->periodKind);
        m_nameTip->setText(kind ? data::periodicityText(*kind).left(10) : QString());
    }
    showDates({m_from, m_to, m_seriesFrom, m_seriesTo}, m_marks.periodKind() == 5);
    m_from->setValue(m_marks.periodFrom());
    m_to->setValue(m_marks.periodTo());
    m_markBinding->setFormat(formatOf(markListFormat(m_marks.periodKind() == 5)));
    loadTables();
}

void CrossSectionWindow::chooseTable()
{
    CrossSectionTableList list(m_marks.tables(), m_marks.tableIndex(), this);
    const auto row = list.choose();
    if (!row)
        return;
    m_marks.chooseTable(*row);
    showTable();
}

void CrossSectionWindow::nextTable(int step)
{
    const int index = m_marks.tableIndex() + step;
    if (index < 0 || index >= m_marks.tables().size())
        return;
    m_marks.chooseTable(index);
    showTable();
}

void CrossSectionWindow::changeYear(int year)
{
    if (year == m_marks.year())
        return;
    m_year->setValue(year);
    m_marks.setYear(year);
    m_context.names().setYearFileNames(year, data::YearNameSet::CrossSection);
    loadTables();
}

bool CrossSectionWindow::build()
{
    if (m_marks.marks().isEmpty()) {
        m_services.prompter.message(CrossSectionMarks::noMarksText());
        return false;
    }
    const auto grouping = m_groupings->checkedId() == 1 ? CrossSectionGrouping::Districts
                                                        : CrossSectionGrouping::Institutions;
    CrossSectionBuild builder(m_context, {m_call.districtFilter, m_call.selection});
    runtime::ui::ProgressWindow progress(title(), this);
    runtime::Result<CrossSectionResult> result;
    QList<CrossSectionMark> marks = m_marks.marks();
    const CrossSectionTable *table = m_marks.currentTable();
    if (m_byRows->isChecked() && table)
        result = builder.byRows(marks, m_marks.form(), *table, grouping, &progress);
    else
        result = builder.byPlace(marks, grouping, &progress);
    progress.finish();
    if (!result) {
        if (result.error().code != runtime::ErrorCode::Cancelled)
            m_services.prompter.message(result.error().message);
        return false;
    }
    for (qint32 code : result->missingInstitutions)
        m_services.prompter.message(CrossSectionBuild::missingInstitutionText(code));
    m_marks.replaceMarks(result->marks);
    const CrossSectionHeading heading{m_call.formName, m_call.title, m_marks.year(),
                                      m_marks.periodKind()};
    m_result = std::make_unique<CrossSectionResultView>(std::move(*result), heading, m_marks.form(),
                                                        table ? table->code : 0);
    showMarks();
    showResultMode();
    return true;
}

void CrossSectionWindow::saveMarks()
{
    SavedCrossSections saved(m_context);
    const auto askName = [this](qint32 shownId) {
        CrossSectionNameWindow window(shownId, this);
        return window.ask();
    };
    const auto status = saved.saveButton(m_inUse, m_marks.form(), m_marks.marks(), askName);
    if (!status)
        m_services.prompter.message(
            runtime::failureMessage(SavedCrossSections::notSavedText(), status.error()));
}

void CrossSectionWindow::loadMarks()
{
    SavedCrossSections saved(m_context);
    const auto choose = [this](const QList<SavedCrossSectionChoice> &choices) {
        return SavedCrossSectionList::choose(choices, this);
    };
    const auto loaded =
        saved.loadButton(m_inUse, m_marks.year(), m_marks.periodFrom(), m_marks.periodTo(), choose);
    if (!loaded) {
        m_services.prompter.message(loaded.error().message);
        return;
    }
    if (!*loaded)
        return;
    m_marks.replaceMarks(**loaded);
    showGrid();
    showMarks();
}

// Result mode.

void CrossSectionWindow::showResultMode()
{
    for (QWidget *w : std::initializer_list<QWidget *>{
             m_sortGroup, m_seriesGroup, m_periodGroup, m_upTable, m_downTable, m_ok, m_newForm,
             m_year, m_newTable, m_reset, m_markMode, m_byRows, m_deleteMark})
        w->hide();
    for (QWidget *w : std::initializer_list<QWidget *>{m_chartAll, m_chartRow, m_onlyFilled,
                                                       m_print, m_excel, m_rowCount})
        w->show();
    if (m_result->result().grouping == CrossSectionGrouping::Districts) {
        m_grouping->hide();
    } else {
        m_grouping->setTitle(QStringLiteral("Сортировка"));
        for (int id = 1; id <= 4; ++id)
            m_groupings->button(id)->setVisible(id != 2);
        m_groupings->button(1)->setChecked(true);
    }

    // The grid goes; the result list takes its place and its name.
    auto *layout = qobject_cast<QVBoxLayout *>(this->layout());
    const int at = layout->indexOf(m_grid);
    delete m_grid;
    m_grid = nullptr;
    m_gridBinding = nullptr;
    m_resultList = createControl<QTableView>(this, QStringLiteral("?BROWSE:1"));
    layout->insertWidget(at, m_resultList, 3);
    m_resultList->show();
    m_resultModel = new runtime::ui::QueueModel(2 + int(m_result->columns().size()), this);
    m_resultBinding =
        new runtime::ui::ListBinding(m_resultList, m_resultModel, formatOf(m_result->listFormat()));
    m_resultBinding->setCellSelection(true);
    const auto clicked = [this](const QModelIndex &index) {
        clickResult(index.row(), index.column());
    };
    connect(m_resultList, &QAbstractItemView::clicked, this, clicked);
    if (QTableView *fixed = m_resultBinding->fixedView())
        connect(fixed, &QAbstractItemView::clicked, this, clicked);
    showResultRows();
    m_tableLine->clear();
    m_rowLine->clear();
}

void CrossSectionWindow::showResultRows()
{
    const int current = m_resultBinding->currentRow();
    QList<QVariantList> lines;
    for (const CrossSectionRow &row : m_result->rows()) {
        QVariantList fields{row.region, row.name};
        for (const CrossSectionOutput::Column &column : m_result->columns())
            fields.append(column.slot <= row.values.size()
                              ? CrossSectionOutput::valueText(row.values[column.slot - 1])
                              : QString());
        lines.append(fields);
    }
    m_resultModel->setLines(std::move(lines));
    m_rowCount->setText(m_result->rowCountText());
    if (!m_result->rows().isEmpty())
        m_resultBinding->selectRow(qBound(0, current, int(m_result->rows().size()) - 1));
}

void CrossSectionWindow::placeChart()
{
    if (!m_result)
        return;
    const bool charts = m_chartAll->isChecked() || m_chartRow->isChecked();
    m_chart->setFixedHeight(m_chart->toPixels(QPoint(0, chartHeight)).y());
    m_chart->setVisible(charts);
}

void CrossSectionWindow::clickResult(int row, int listColumn)
{
    if (!m_result)
        return;
    const auto shown =
        m_result->click(row, listColumn, m_chartAll->isChecked(), m_chartRow->isChecked());
    m_rowLine->setText(shown.rowLine);
    m_tableLine->setText(shown.caption.left(250));
    m_chart->clear();
    for (const ChartItem &item : shown.chart) {
        m_chart->setPen(item.color, item.penWidth);
        if (item.kind == ChartItem::Kind::Text && !item.points.isEmpty())
            m_chart->drawText(item.points.first(), item.text);
        else if (item.points.size() == 2)
            m_chart->drawLine(item.points[0], item.points[1]);
        else if (item.points.size() > 2)
            m_chart->drawPolyline(item.points);
    }
    m_chart->setPen(palette().color(QPalette::WindowText), 0);
}

void CrossSectionWindow::sortResult(RowOrder order)
{
    m_result->sort(order);
    showResultRows();
}

void CrossSectionWindow::removeEmptyRows()
{
    if (!m_result)
        return;
    m_result->removeEmptyRows();
    showResultRows();
}

bool CrossSectionWindow::print()
{
    if (!m_result)
        return false;
    const auto pages = CrossSectionPrint::layOut(m_result->pages(), m_result->result().grouping);
    // The pages reach the printer only from the preview, which opens where the last one was
    // left and tells the user itself when the printer refused them.
    const auto out = m_services.pages->outputFrom(pages, title(), m_previewPage);
    return out && *out;
}

bool CrossSectionWindow::exportToExcel()
{
    if (!m_result)
        return false;
    const auto wait = shell::ui::WaitingWindow::over(this);
    shell::ExcelLauncher excel(*m_services.office, m_services.prompter, wait, wait);
    return m_result->exportToExcel(excel);
}

} // namespace zemor::analysis::ui
