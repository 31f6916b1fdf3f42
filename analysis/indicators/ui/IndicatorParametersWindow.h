#pragma once

// The parameters window of an indicator ("Параметры  показателя"): the definition's and the
// caller's titles, the layout ("по районам", "по нозоологиям", "по ЛПУ"), "Динамический ряд"
// with its years, "за 2 года", and the options of the by-district layout. What may be chosen
// follows the definition (IndicatorChoices); the window only keeps the controls in step with
// it. Setting or clearing "Динамический ряд", and accepting the first year, rebuild the list of
// the form's definitions for the years (or the reporting year) and take from it the definition
// of the opened one's chain of successors that the run starts from (a series begun before the
// opened definition's years starts from its predecessor); the window shows its name. "OK" hands
// that definition and the request the controls make to the runner and stays open for another
// run; "Динамический ряд" is cleared after each run. The window keeps its settings only while it
// is open, and never changes the definition or the request it was given. Every message box of
// the window, those of the runs it starts included, is shown over it.

#include "analysis/indicators/IndicatorComputation.h"
#include "analysis/indicators/IndicatorDefinition.h"
#include "analysis/indicators/IndicatorResult.h"
#include "runtime/ui/WidgetPrompter.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace zemor::analysis::ui {

class IndicatorParametersWindow : public QDialog
{
    Q_OBJECT

public:
    using Runner = std::function<void(const IndicatorDefinition &, const IndicatorRequest &)>;

    // `base` holds the year, period, filter, selection and title of the run, and the years the
    // series may span (seriesFrom..seriesTo).
    IndicatorParametersWindow(const IndicatorDefinition &definition, IndicatorRequest base,
                              Runner runner, runtime::Prompter &prompter,
                              QWidget *parent = nullptr);

    static QString title() { return QStringLiteral("Параметры  показателя"); }

    // The request the controls make now.
    IndicatorRequest request() const;
    IndicatorLayout layout() const;
    // The definition a run takes now.
    const IndicatorDefinition &definition() const { return m_definition; }

private:
    void layoutChanged();
    void seriesToggled(bool on);
    void rebuildDefinition();
    void run();

    const IndicatorDefinition m_opened;
    IndicatorDefinition m_definition;
    IndicatorRequest m_base;
    IndicatorChoices m_choices;
    Runner m_runner;
    runtime::ui::WindowPrompter m_prompter; // the boxes this window asks
    QRadioButton *m_byDistrict = nullptr;
    QRadioButton *m_byRows = nullptr;
    QRadioButton *m_byInstitution = nullptr;
    QCheckBox *m_series = nullptr;
    QGroupBox *m_period = nullptr;
    QSpinBox *m_firstYear = nullptr;
    QSpinBox *m_lastYear = nullptr;
    QCheckBox *m_twoYears = nullptr;
    QCheckBox *m_attached = nullptr;
    QCheckBox *m_groups = nullptr;
    QCheckBox *m_regional = nullptr;
    QLineEdit *m_name = nullptr;
};

} // namespace zemor::analysis::ui
