#include "analysis/ui/ReportListWindow.h"

#include "analysis/SubmittedReports.h"
#include "analysis/common/ui/PeriodBox.h"
#include "analysis/common/ui/ProcedureWindow.h"
#include "analysis/crosssections/ui/CrossSectionWindow.h"
#include "analysis/indicators/ui/IndicatorListWindow.h"
#include "analysis/indicators/ui/IndicatorProcedure.h"
#include "data/DataContext.h"
#include "data/OpenedFile.h"
#include "data/Period.h"
#include "data/records/FormaRecord.h"
#include "runtime/core/Prompter.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/QueueModel.h"
#include "runtime/ui/WindowParts.h"
#include "shell/AppState.h"
#include "shell/ui/Choices.h"
#include "shell/ui/ColumnFit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

namespace zemor::analysis::ui {

using runtime::ui::commandButton;
using runtime::ui::createControl;

namespace {

ReportListForm listForm(const shell::ui::FormChoice &choice)
{
    ReportListForm form;
    form.code = choice.form;
    form.designation = choice.codeText;
    form.name = choice.name;
    form.periodKind = choice.periodKind;
    const auto kind = data::periodKindFromByte(choice.periodKind);
    form.periodName = kind ? data::periodicityText(*kind).left(10) : QString();
    return form;
}

void tell(runtime::Prompter &prompter, const QStringList &messages)
{
    for (const QString &message : messages)
        prompter.message(message);
}

} // namespace

QWidget *ReportListWindow::run(data::DataContext &context, const shell::ui::Services &services,
                               bool ownWindow, QWidget *parent)
{
    if (services.state.holdYear())
        services.prompter.message(
            SubmittedReports::yearBoundsText(services.state.globYearS, services.state.globYearE));
    ReportList list(services.state.globYear);
    const auto form = services.choices->chooseForm(list.year(), parent);
    if (!form || form->form == 0)
        return nullptr;
    list.chooseForm(listForm(*form));
    list.setLatestPeriod();
    if (!list.fill(context))
        return nullptr;
    tell(services.prompter, list.messages());
    auto *window = new ReportListWindow(context, services, std::move(list), parent);
    return openProcedureWindow(window, ownWindow);
}

ReportListWindow::ReportListWindow(data::DataContext &context, shell::ui::Services services,
                                   ReportList list, QWidget *parent)
    : QDialog(parent), m_context(context), m_prompter(services.prompter, this),
      m_services(services.askingWith(m_prompter)), m_list(std::move(list))
{
    setObjectName(QStringLiteral("P1$SCRL"));
    setWindowTitle(title());
    auto *layout = new QVBoxLayout(this);

    auto *formRow = new QHBoxLayout;
    auto *formButton = commandButton(this, QStringLiteral("?FORMA"), QStringLiteral("Форма"));
    formRow->addWidget(formButton);
    m_formCode = createControl<QLineEdit>(this, QStringLiteral("?FORCOD"));
    m_formCode->setReadOnly(true);
    formRow->addWidget(m_formCode, 1);
    m_periodicity = createControl<QLineEdit>(this, QStringLiteral("?NAMETIP"));
    m_periodicity->setReadOnly(true);
    m_periodicity->setMaximumWidth(m_periodicity->fontMetrics().averageCharWidth() * 14);
    formRow->addWidget(m_periodicity);
    m_year = createControl<QSpinBox>(this, QStringLiteral("?GLOBYEAR"));
    m_year->setRange(1900, 2999);
    m_year->setValue(m_list.year());
    formRow->addWidget(m_year);
    m_from = createControl<PeriodBox>(this, QStringLiteral("?MES1"));
    m_to = createControl<PeriodBox>(this, QStringLiteral("?MES2"));
    formRow->addWidget(m_from);
    formRow->addWidget(m_to);
    // Only what the user set replaces the list's range (which may be "the latest period").
    connect(m_from, &QSpinBox::valueChanged, this, [this] { m_fromEdited = true; });
    connect(m_to, &QSpinBox::valueChanged, this, [this] { m_toEdited = true; });
    auto *ok = commandButton(this, QStringLiteral("?OK"), QStringLiteral("OK"));
    formRow->addWidget(ok);
    layout->addLayout(formRow);

    auto *filters = new QGridLayout;
    m_districts = createControl<QComboBox>(this, QStringLiteral("?QSR:NAME"));
    m_kinds = createControl<QComboBox>(this, QStringLiteral("?QSV:NAME"));
    filters->addWidget(m_districts, 0, 0);
    filters->addWidget(m_kinds, 0, 1);
    m_city = createControl<QCheckBox>(this, QStringLiteral("?LOCGOR"), QStringLiteral("Город"));
    m_village = createControl<QCheckBox>(this, QStringLiteral("?LOCSEL"), QStringLiteral("Село"));
    filters->addWidget(m_city, 0, 2);
    filters->addWidget(m_village, 0, 3);
    auto *all = commandButton(this, QStringLiteral("?ALLES"), QStringLiteral("Выделить все"));
    auto *none = commandButton(this, QStringLiteral("?SBROS"), QStringLiteral("Сброс"));
    filters->addWidget(all, 0, 4);
    filters->addWidget(none, 0, 5);
    m_districtText = createControl<QLineEdit>(this, QStringLiteral("?NAMEREG"));
    m_districtText->setReadOnly(true);
    filters->addWidget(m_districtText, 1, 0, 1, 2);
    m_level = createControl<QSpinBox>(this, QStringLiteral("?LOC_SUBVID"));
    m_level->setRange(0, 255);
    filters->addWidget(m_level, 1, 2);
    auto *assign =
        commandButton(this, QStringLiteral("?BUTTON14"), QStringLiteral("Присвоить ЛПУ"));
    auto *byLevel =
        commandButton(this, QStringLiteral("?BUTTON14:2"), QStringLiteral("Выбрать в списке"));
    filters->addWidget(assign, 1, 3);
    filters->addWidget(byLevel, 1, 4);
    m_findName = createControl<QLineEdit>(this, QStringLiteral("?POISKLPU"));
    m_findName->setMaxLength(45);
    auto *findName = commandButton(this, QStringLiteral("?POISK_LPU"), QStringLiteral("Поиск"));
    m_findCode = createControl<QSpinBox>(this, QStringLiteral("?POISKKODLPU"));
    m_findCode->setRange(0, 999999999);
    auto *findCode =
        commandButton(this, QStringLiteral("?POISKKOD_LPU"), QStringLiteral("Поиск по коду"));
    filters->addWidget(m_findName, 2, 0, 1, 2);
    filters->addWidget(findName, 2, 2);
    filters->addWidget(m_findCode, 2, 3);
    filters->addWidget(findCode, 2, 4);
    layout->addLayout(filters);

    auto *view = createControl<QTableView>(this, QStringLiteral("?BROWSE:1"));
    layout->addWidget(view, 1);
    m_model = new runtime::ui::QueueModel(int(ReportList::fieldNames().size()), this);
    m_binding = new runtime::ui::ListBinding(view, m_model);
    m_binding->setHeadingSort(false);
    m_binding->setDoubleClickAction(runtime::ui::ListBinding::DoubleClick::Choose);
    view->horizontalHeader()->setStretchLastSection(true);

    auto *bottom = new QHBoxLayout;
    m_count = createControl<QLabel>(this, QStringLiteral("?KOLLPU"));
    m_marked = createControl<QLabel>(this, QStringLiteral("?KOLOTM"));
    for (QLabel *counter : {m_count, m_marked}) {
        counter->setMinimumWidth(
            counter->fontMetrics().horizontalAdvance(QStringLiteral("Всего отчетов: 0000000")));
        bottom->addWidget(counter);
    }
    m_ignoreKinds = createControl<QCheckBox>(this, QStringLiteral("?PROST_SWOD"),
                                             QStringLiteral("без учета типа граф"));
    bottom->addWidget(m_ignoreKinds);
    bottom->addStretch(1);
    auto *summary = commandButton(this, QStringLiteral("?SWOD1"), QStringLiteral("С В О Д     F3"));
    summary->setShortcut(QKeySequence(Qt::Key_F3));
    auto *section =
        commandButton(this, QStringLiteral("?RASRES1"), QStringLiteral("Конструктор отчетов  F4"));
    section->setShortcut(QKeySequence(Qt::Key_F4));
    auto *indicators = commandButton(this, QStringLiteral("?POKAS"), QStringLiteral("Показатели"));
    auto *help = commandButton(this, QStringLiteral("?HELP1"), QStringLiteral("Help"));
    for (QPushButton *b : {summary, section, indicators, help})
        bottom->addWidget(b);
    layout->addLayout(bottom);

    connect(formButton, &QPushButton::clicked, this, [this] { chooseForm(); });
    connect(ok, &QPushButton::clicked, this, [this] { refill(); });
    connect(m_year, &QSpinBox::editingFinished, this, [this] { changeYear(m_year->value()); });
    connect(m_districts, &QComboBox::activated, this, [this](int i) {
        if (i >= 0 && i < m_list.districtChoices().size())
            m_list.chooseDistrict(m_list.districtChoices().at(i));
        showLines(currentIndex());
    });
    connect(m_kinds, &QComboBox::activated, this, [this](int i) {
        if (i >= 0 && i < m_list.kindChoices().size())
            m_list.chooseKind(m_list.kindChoices().at(i));
        showLines(currentIndex());
    });
    connect(m_city, &QCheckBox::clicked, this, [this](bool on) {
        m_list.setCity(on);
        showLines(currentIndex());
    });
    connect(m_village, &QCheckBox::clicked, this, [this](bool on) {
        m_list.setVillage(on);
        showLines(currentIndex());
    });
    connect(all, &QPushButton::clicked, this, [this] {
        m_list.markAll();
        showChoices();
        showLines(currentIndex());
    });
    connect(none, &QPushButton::clicked, this, [this] {
        m_list.unmarkAll();
        showChoices();
        showLines(currentIndex());
    });
    connect(assign, &QPushButton::clicked, this, [this] { assignCareLevel(); });
    connect(byLevel, &QPushButton::clicked, this, [this] { selectByLevel(); });
    connect(findName, &QPushButton::clicked, this, [this] { findByName(); });
    connect(findCode, &QPushButton::clicked, this, [this] { findByCode(); });
    connect(m_binding, &runtime::ui::ListBinding::chosen, this,
            [this](int row) { toggleMark(row); });
    connect(view->horizontalHeader(), &QHeaderView::sectionDoubleClicked, this,
            [this](int column) { sortByColumn(column + 1); });
    connect(m_ignoreKinds, &QCheckBox::clicked, this,
            [this](bool on) { m_list.setIgnoreColumnKinds(on); });
    connect(summary, &QPushButton::clicked, this, [this] { summarize(); });
    connect(section, &QPushButton::clicked, this, [this] { crossSection(); });
    connect(indicators, &QPushButton::clicked, this, [this] { indicatorList(); });
    connect(help, &QPushButton::clicked, this, [this] { m_services.choices->showHelp(2, this); });

    showForm();
    showChoices();
    showLines(0);
    view->setFocus();
    resize(1150, 640);
}

void ReportListWindow::showForm()
{
    const ReportListForm &form = m_list.form();
    m_formCode->setText(form.designation.trimmed() + u' ' + form.name.trimmed());
    setWindowTitle(title() + QStringLiteral(" ") + form.designation.trimmed() + u' ' +
                   form.name.trimmed());
    m_periodicity->setText(form.periodName);
    const bool daily = form.periodKind == 5;
    for (PeriodBox *box : {m_from, m_to}) {
        const QSignalBlocker quiet(box);
        box->setVisible(m_list.periodsShown());
        box->setDates(daily);
        box->setRange(0, daily ? dayNumberLimit : 9999);
    }
    {
        const QSignalBlocker quietFrom(m_from);
        const QSignalBlocker quietTo(m_to);
        m_from->setValue(m_list.from());
        m_to->setValue(m_list.to());
    }
    m_fromEdited = m_toEdited = false;
    const auto format = runtime::ui::ListFormat::parse(ReportList::listFormat(form.periodKind));
    m_binding->setFormat(format.value_or(runtime::ui::ListFormat()));
}

void ReportListWindow::showChoices()
{
    m_districts->clear();
    for (const DistrictChoice &choice : m_list.districtChoices())
        m_districts->addItem(choice.name);
    m_kinds->clear();
    for (const KindChoice &choice : m_list.kindChoices())
        m_kinds->addItem(choice.name);
    for (int i = 0; i < m_list.districtChoices().size(); ++i)
        if (m_list.districtChoices().at(i).code == m_list.districtFilter())
            m_districts->setCurrentIndex(i);
    for (int i = 0; i < m_list.kindChoices().size(); ++i)
        if (m_list.kindChoices().at(i).code == m_list.kindFilter())
            m_kinds->setCurrentIndex(i);
}

void ReportListWindow::showLines(int current)
{
    m_model->setLines(m_list.lines());
    shell::ui::widenToContents(m_binding, {0, 1, 2, 4, 5, 6, 7});
    m_city->setChecked(m_list.city());
    m_village->setChecked(m_list.village());
    m_level->setValue(m_list.level());
    m_districtText->setText(m_list.districtText());
    m_ignoreKinds->setChecked(m_list.ignoreColumnKinds());
    m_ignoreKinds->setVisible(m_list.ignoreColumnKindsShown());
    showCounts();
    if (!m_list.entries().isEmpty())
        m_binding->selectRow(qBound(0, current, int(m_list.entries().size()) - 1));
}

void ReportListWindow::showCounts()
{
    m_count->setText(QStringLiteral("Всего отчетов: %1").arg(m_list.entries().size()));
    m_marked->setText(QStringLiteral("Отмечено  : %1").arg(m_list.markedCount()));
}

int ReportListWindow::currentIndex() const
{
    return m_binding->currentRow();
}

bool ReportListWindow::chooseForm()
{
    const auto form = m_services.choices->chooseForm(m_list.year(), this);
    if (!form || form->form == 0)
        return false;
    takeRange();
    if (!m_list.chooseForm(listForm(*form)))
        return false;
    m_list.readLatestPeriod();
    showForm();
    showLines(0);
    return true;
}

// What the user typed into ?MES1 or ?MES2 becomes that end of the list's range; with neither
// touched the list keeps its own, "the latest period" included.
void ReportListWindow::takeRange()
{
    if (m_list.periodsShown() && (m_fromEdited || m_toEdited))
        m_list.setRange(m_fromEdited ? m_from->value() : m_list.from(),
                        m_toEdited ? m_to->value() : m_list.to());
    m_fromEdited = m_toEdited = false;
}

void ReportListWindow::refill()
{
    takeRange();
    if (m_list.fill(m_context))
        tell(m_services.prompter, m_list.messages());
    showForm();
    showChoices();
    showLines(0);
}

void ReportListWindow::changeYear(int year)
{
    if (year == m_list.year())
        return;
    m_services.state.globYear = qint16(year);
    if (m_services.state.holdYear())
        m_services.prompter.message(SubmittedReports::yearBoundsText(m_services.state.globYearS,
                                                                     m_services.state.globYearE));
    m_year->setValue(m_services.state.globYear);
    m_list.setYear(m_services.state.globYear);
    showLines(0);
}

void ReportListWindow::toggleMark(int row)
{
    m_list.toggleMark(row);
    showLines(row);
}

void ReportListWindow::sortByColumn(int column)
{
    m_list.sortByColumn(column);
    showLines(0);
}

void ReportListWindow::findByName()
{
    const int found = m_list.findByName(m_findName->text(), currentIndex());
    if (found >= 0)
        m_binding->selectRow(found);
}

void ReportListWindow::findByCode()
{
    const int found = m_list.findByCode(m_findCode->value());
    if (found >= 0)
        m_binding->selectRow(found);
}

void ReportListWindow::assignCareLevel()
{
    m_list.setLevel(m_level->value());
    tell(m_services.prompter, m_list.assignCareLevel(m_context));
    showLines(currentIndex());
}

void ReportListWindow::selectByLevel()
{
    m_list.setLevel(m_level->value());
    if (const QString message = m_list.selectByLevel(); !message.isEmpty())
        m_services.prompter.message(message);
    showLines(currentIndex());
}

bool ReportListWindow::summarize()
{
    m_list.setIgnoreColumnKinds(m_ignoreKinds->isChecked());
    auto request = m_list.summaryRequest();
    showCounts();
    if (!request) {
        m_services.prompter.message(request.error().message);
        return false;
    }
    const bool shown = SummaryWindow::run(m_context, m_services, *request, this);
    m_context.names().setYearFileNames(m_list.year(), data::YearNameSet::ReportList);
    return shown;
}

bool ReportListWindow::crossSection()
{
    const MarksAndTitle marks = m_list.checkMarksAndTitle();
    showCounts();
    if (!marks.ok) {
        m_services.prompter.message(marks.message);
        return false;
    }
    CrossSectionCall call;
    call.formName = m_list.form().name;
    call.form = m_list.form().code;
    call.title = marks.title;
    const int district = m_list.districtFilter();
    call.districtFilter =
        district == districtGroupDistricts || district == districtGroupCities ? 0 : district;
    call.from = m_list.from();
    call.to = m_list.to();
    for (const SelectedReport &report : marks.selection)
        if (call.selection.isEmpty() || call.selection.last() != report.institution)
            call.selection.append(report.institution);
    call.periodKind = m_list.form().periodKind;
    CrossSectionWindow::run(m_context, m_services, call, this);
    m_context.names().setYearFileNames(m_list.year(), data::YearNameSet::ReportList);
    return true;
}

// The months of a whole year of a form, by its periodicity in the list's year.
MonthRange ReportListWindow::wholeYear(int form)
{
    int periodKind = -1;
    if (form == m_list.form().code) {
        periodKind = m_list.form().periodKind;
    } else {
        data::OpenedFile forma(m_context, data::FileId::forma);
        if (forma.status()) {
            data::FormaRecord r(forma.file().record());
            forma.file().clearRecord();
            if (r.setUnicod(form) && forma.file().get(data::FormaRecord::KeyUnicod))
                periodKind = r.tip();
        }
    }
    switch (periodKind) {
    case 0:
        return {0, 0};
    case 2:
        return {1, 4};
    case 3:
        return {1, 2};
    default:
        return {1, 12};
    }
}

// "Показатели": the indicator list over the marked reports. The indicators receive the district
// filter as it stands, groups included.
bool ReportListWindow::indicatorList()
{
    const MarksAndTitle marks = m_list.checkMarksAndTitle();
    showCounts();
    if (!marks.ok) {
        m_services.prompter.message(marks.message);
        return false;
    }
    IndicatorListContext given;
    given.year = m_list.year();
    given.form = m_list.form().code;
    given.period = {m_list.from(), m_list.to()};
    given.districtFilter = m_list.districtFilter();
    given.title = marks.title;
    for (const SelectedReport &report : marks.selection)
        if (!given.selection.contains(report.institution))
            given.selection.append(report.institution);
    given.wholeYear = [this](int form) { return wholeYear(form); };

    IndicatorProcedure procedure(m_context, m_services, this);
    IndicatorListWindow::chooseIndicator(
        given,
        [&](const IndicatorDefinition &d, const IndicatorRequest &r) { procedure.open(d, r); },
        m_services.prompter, this);
    m_context.names().setYearFileNames(m_list.year(), data::YearNameSet::ReportList);
    return true;
}

} // namespace zemor::analysis::ui
