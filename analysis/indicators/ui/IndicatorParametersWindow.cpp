#include "analysis/indicators/ui/IndicatorParametersWindow.h"

#include "analysis/indicators/IndicatorFormulaFiles.h"
#include "runtime/core/Prompter.h"
#include "runtime/ui/Controls.h"
#include "shell/ui/HelpWindow.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace zemor::analysis::ui {

using namespace Qt::StringLiterals;
using runtime::ui::createControl;

namespace {

constexpr int helpSection = 4;

QLineEdit *shownText(QWidget *parent, const QString &equate, const QString &text)
{
    auto *field = createControl<QLineEdit>(parent, equate, text.trimmed());
    field->setReadOnly(true);
    field->setCursorPosition(0);
    return field;
}

} // namespace

IndicatorParametersWindow::IndicatorParametersWindow(const IndicatorDefinition &definition,
                                                     IndicatorRequest base, Runner runner,
                                                     runtime::Prompter &prompter, QWidget *parent)
    : QDialog(parent), m_opened(definition), m_definition(definition), m_base(std::move(base)),
      m_choices(IndicatorChoices::of(definition)), m_runner(std::move(runner)),
      m_prompter(prompter, this)
{
    setObjectName(u"P1$SCRY"_s);
    setWindowTitle(title());
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    m_name = shownText(this, u"?QST:NAME:2"_s, definition.name);
    layout->addWidget(m_name);
    layout->addWidget(shownText(this, u"?LOCNAME:2"_s, m_base.title));

    auto *middle = new QHBoxLayout;
    auto *option = createControl<QGroupBox>(this, u"?OPTION1"_s);
    auto *radios = new QVBoxLayout(option);
    m_byDistrict = createControl<QRadioButton>(option, u"?OPTION1:RADIO1"_s, u"по районам"_s);
    m_byRows = createControl<QRadioButton>(option, u"?OPTION1:RADIO2"_s, u"по нозоологиям"_s);
    m_byInstitution = createControl<QRadioButton>(option, u"?OPTION1:RADIO3"_s, u"по ЛПУ"_s);
    for (QRadioButton *radio : {m_byDistrict, m_byRows, m_byInstitution}) {
        radios->addWidget(radio);
        connect(radio, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                layoutChanged();
        });
    }
    middle->addWidget(option);

    auto *options = new QVBoxLayout;
    m_series = createControl<QCheckBox>(this, u"?DINRJD"_s, u"Динамический ряд"_s);
    options->addWidget(m_series);
    m_period = createControl<QGroupBox>(this, u"?GROUP1"_s, u"За период"_s);
    auto *years = new QHBoxLayout(m_period);
    m_firstYear = createControl<QSpinBox>(m_period, u"?YEAR1"_s);
    m_lastYear = createControl<QSpinBox>(m_period, u"?YEAR2"_s);
    for (QSpinBox *year : {m_firstYear, m_lastYear}) {
        year->setRange(1900, 2999);
        years->addWidget(year);
    }
    m_firstYear->setValue(m_base.seriesFrom > 0 ? m_base.seriesFrom : m_base.year);
    m_lastYear->setValue(m_base.seriesTo > 0 ? m_base.seriesTo : m_base.year);
    options->addWidget(m_period);
    m_twoYears = createControl<QCheckBox>(this, u"?TWO"_s, u"за 2 года"_s);
    m_attached =
        createControl<QCheckBox>(this, u"?GORSDRAV"_s, u"Рассчитывать на приписное население"_s);
    m_groups = createControl<QCheckBox>(this, u"?GRUPNAS"_s, u"Группировать по населению"_s);
    m_regional = createControl<QCheckBox>(this, u"?OBLLPU"_s, u"+обл.ЛПУ"_s);
    for (QCheckBox *box : {m_twoYears, m_attached, m_groups, m_regional})
        options->addWidget(box);
    middle->addLayout(options, 1);
    layout->addLayout(middle);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    auto *ok = createControl<QPushButton>(this, u"?OK"_s, u"OK"_s);
    ok->setDefault(true);
    auto *help = createControl<QPushButton>(this, u"?HELP1"_s, u"Help"_s);
    help->setAutoDefault(false);
    buttons->addWidget(ok);
    buttons->addWidget(help);
    layout->addLayout(buttons);

    // The presets of the definition.
    m_byDistrict->setEnabled(m_choices.byDistrict);
    m_byRows->setEnabled(m_choices.byRows);
    m_byInstitution->setEnabled(m_choices.byInstitution);
    switch (m_choices.preset) {
    case IndicatorLayout::ByDistrict:
        m_byDistrict->setChecked(true);
        break;
    case IndicatorLayout::ByInstitution:
        m_byInstitution->setChecked(true);
        break;
    case IndicatorLayout::ByRows:
        m_byRows->setChecked(true);
        break;
    }
    const bool nothingToChoose = definition.type == 20;
    m_series->setEnabled(!nothingToChoose);
    m_attached->setEnabled(!nothingToChoose);
    m_twoYears->setEnabled(m_choices.twoYears && !nothingToChoose);
    m_groups->setEnabled(m_choices.districtOptions);
    m_regional->setEnabled(m_choices.districtOptions);
    m_period->setVisible(false);

    connect(m_series, &QCheckBox::toggled, this, &IndicatorParametersWindow::seriesToggled);
    connect(m_firstYear, &QSpinBox::editingFinished, this,
            &IndicatorParametersWindow::rebuildDefinition);
    connect(ok, &QPushButton::clicked, this, &IndicatorParametersWindow::run);
    connect(help, &QPushButton::clicked, this, [this] {
        shell::ui::HelpWindow window(m_prompter, helpSection, true, this);
        window.exec();
    });
}

IndicatorLayout IndicatorParametersWindow::layout() const
{
    if (m_byDistrict->isChecked())
        return IndicatorLayout::ByDistrict;
    if (m_byInstitution->isChecked())
        return IndicatorLayout::ByInstitution;
    return IndicatorLayout::ByRows;
}

void IndicatorParametersWindow::layoutChanged()
{
    const bool on = m_choices.districtOptionsFor(layout(), m_definition);
    m_groups->setEnabled(on);
    m_regional->setEnabled(on);
}

void IndicatorParametersWindow::seriesToggled(bool on)
{
    m_period->setVisible(on);
    if (on)
        m_twoYears->setChecked(false);
    rebuildDefinition();
}

void IndicatorParametersWindow::rebuildDefinition()
{
    const auto rebuilt = IndicatorFormulaFiles(m_base.year)
                             .rebuildDefinitionFor(m_opened, m_series->isChecked(),
                                                   m_firstYear->value(), m_lastYear->value());
    if (!rebuilt) {
        const runtime::Error &e = rebuilt.error();
        m_prompter.message(e.where.isEmpty() ? e.message : e.where + u": "_s + e.message, title(),
                           {}, runtime::MessageIcon::Error);
        return;
    }
    // A list without the opened definition's chain leaves the opened one.
    m_definition = rebuilt->value_or(m_opened);
    m_name->setText(m_definition.name.trimmed());
    m_name->setCursorPosition(0);
}

IndicatorRequest IndicatorParametersWindow::request() const
{
    IndicatorRequest r = m_base;
    r.layout = layout();
    r.series = m_series->isChecked();
    r.seriesFrom = m_firstYear->value();
    r.seriesTo = m_lastYear->value();
    r.twoYears = m_twoYears->isEnabled() && m_twoYears->isChecked() && !r.series;
    r.attachedPopulation = m_attached->isEnabled() && m_attached->isChecked();
    const bool districtOptions = m_groups->isEnabled();
    r.populationGroups = districtOptions && m_groups->isChecked();
    r.regionalInstitutions = districtOptions && m_regional->isChecked();
    return r;
}

void IndicatorParametersWindow::run()
{
    // The series is cleared for the next run as soon as this run has taken it and its
    // definition (a copy: what the run changes for its years never reaches the window's).
    const IndicatorRequest r = request();
    const IndicatorDefinition d = m_definition;
    m_series->setChecked(false);
    if (m_runner)
        m_runner(d, r);
}

} // namespace zemor::analysis::ui
