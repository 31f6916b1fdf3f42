#pragma once

// "Показатели" behind the indicator list: the parameters window of one definition, and for each
// "OK" one run: the formula lines are read, a run by place whose first line reads the chosen
// row asks for the row (row list; closing it ends the run without a result), the run goes under
// a progress window ("Отмена" stops it between forms), what the run tells is shown once each,
// and the result window opens. A file that cannot be read is named with its reason and no
// result is shown. Nothing is written. The boxes of a run are shown over the window that
// started it.

#include "analysis/indicators/IndicatorDefinition.h"
#include "analysis/indicators/IndicatorResult.h"
#include "analysis/indicators/ui/IndicatorResultWindow.h"

namespace zemor::data {
class DataContext;
}

namespace zemor::analysis::ui {

class IndicatorProcedure
{
public:
    IndicatorProcedure(data::DataContext &data, shell::ui::Services services,
                       QWidget *parent = nullptr)
        : m_data(data), m_services(std::move(services)), m_parent(parent)
    {
    }

    // `ComputeIndicators` from the indicator list: the parameters window until it is closed.
    void open(const IndicatorDefinition &definition, const IndicatorRequest &base);

    // One run of the window's request, up to and including the result window.
    void run(const IndicatorDefinition &definition, const IndicatorRequest &request,
             QWidget *parent);

private:
    static void tell(runtime::Prompter &prompter, const QList<FormulaNotice> &notices);

    data::DataContext &m_data;
    shell::ui::Services m_services;
    QWidget *m_parent;
};

} // namespace zemor::analysis::ui
