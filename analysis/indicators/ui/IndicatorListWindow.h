#pragma once

// The indicator list of the report list ("Показатели"): window "Список показателей" with the
// definitions of the indicator copy of the tables file that are valid in the reporting year,
// those of the current form or, with "по всем формам", of every form. Enter, a double click or
// "OK" opens the chosen indicator; the window stays open for the next one, and closing it
// empties the list. Every message box of the window is shown over it.
//
// The list reads "TablP.dat" through IndicatorFormulaFiles under its own names: the context's
// names of the year's tables and columns files are never touched, so they are the year's again
// after the window, whatever happened in it. Everything the report list hands over (year, form,
// period, district filter, selection, title) is a value: opening an indicator builds a run
// request from a copy, and the caller's values are the same after every opening. A tables file
// that cannot be read is named with its reason and the list stays empty.

#include "analysis/indicators/IndicatorDefinition.h"
#include "analysis/indicators/IndicatorResult.h"
#include "runtime/ui/WidgetPrompter.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <functional>

class QCheckBox;
class QListWidget;

namespace zemor::analysis::ui {

// What the report list hands to the indicators.
struct IndicatorListContext
{
    int year = 0;      // the reporting year
    int form = 0;      // the current form
    MonthRange period; // "from".."to"
    int districtFilter = 0;
    QList<qint32> selection; // the marked institutions; empty = every institution
    QString title;           // the period prefix and the title of the marked reports
    int firstYear = 0;       // the years a series may span (0: the reporting year)
    int lastYear = 0;
    // The months of a whole year of a form (1..12 monthly, 1..4 quarterly).
    std::function<MonthRange(int form)> wholeYear;
};

// `OpenIndicator`: the run request for `definition`: the period of the context, or the whole
// year for a definition of kind 1; the title, filter and selection as given.
IndicatorRequest openIndicatorRequest(const IndicatorDefinition &definition,
                                      const IndicatorListContext &context);

class IndicatorListWindow : public QDialog
{
    Q_OBJECT

public:
    // Called with each indicator opened and its request.
    using Opener = std::function<void(const IndicatorDefinition &, const IndicatorRequest &)>;

    IndicatorListWindow(IndicatorListContext context, Opener opener, runtime::Prompter &prompter,
                        QWidget *parent = nullptr);

    static QString title() { return QStringLiteral("Список показателей"); }

    const QList<IndicatorDefinition> &entries() const { return m_entries; }

    // `ChooseIndicator`: shows the list modal until it is closed.
    static void chooseIndicator(const IndicatorListContext &context, const Opener &opener,
                                runtime::Prompter &prompter, QWidget *parent = nullptr);

protected:
    void done(int result) override;

private:
    void fill();
    void openCurrent();

    IndicatorListContext m_context;
    Opener m_opener;
    runtime::ui::WindowPrompter m_prompter; // the boxes this window asks
    QListWidget *m_list = nullptr;
    QCheckBox *m_allForms = nullptr;
    QList<IndicatorDefinition> m_entries;
};

} // namespace zemor::analysis::ui
