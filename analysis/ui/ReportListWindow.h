#pragma once

// The report list window "Список отчетов" (P1$SCRL): the form (?FORMA) and the period range
// (?MES1, ?MES2, "OK" fills again), the year (?GLOBYEAR, held within its bounds), the district
// and kind filters (?QSR:NAME, ?QSV:NAME), "Город"/"Село" (?LOCGOR, ?LOCSEL), marking all or none
// (?ALLES, ?SBROS), the level of care (?LOC_SUBVID, ?BUTTON14 "Присвоить ЛПУ", ?BUTTON14:2
// "Выбрать в списке"), both searches (?POISK_LPU, ?POISKKOD_LPU), the list (?BROWSE:1: a double
// click or Enter toggles a mark, a double click on a heading sorts), the counters (?KOLLPU,
// ?KOLOTM), "без учета типа граф" (?PROST_SWOD) and the hand-over: the summary (?SWOD1) and the
// cross-section (?RASRES1). Everything the list holds and decides is analysis::ReportList's.
//
// The period boxes take dates for a daily form (its periods are day numbers). They show the range
// the next "OK" reads: after a change of periodicity the latest period stored for the new form.
// Only a box the user changed replaces its end of the list's range, so that "the latest period"
// survives "OK" when neither is touched. Every message box of the window is shown over it; the
// summary, the cross-section and the indicator windows it opens show theirs over themselves.
//
// run() is the procedure as the frame starts it; on a window of its own (ownWindow) the window
// is modeless and returned open (it deletes itself on close; the caller keeps the data context
// and the services alive until then); otherwise it runs modally and run() answers nullptr.

#include "analysis/ReportList.h"
#include "analysis/indicators/IndicatorFormula.h"
#include "analysis/ui/SummaryWindow.h"
#include "runtime/ui/WidgetPrompter.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace zemor::analysis::ui {

class PeriodBox;

class ReportListWindow : public QDialog
{
    Q_OBJECT

public:
    static QString title() { return QStringLiteral("Список отчетов"); }

    static QWidget *run(data::DataContext &context, const shell::ui::Services &services,
                        bool ownWindow, QWidget *parent = nullptr);

    ReportListWindow(data::DataContext &context, shell::ui::Services services, ReportList list,
                     QWidget *parent = nullptr);

    const ReportList &list() const { return m_list; }
    runtime::ui::ListBinding *binding() const { return m_binding; }

    // What the controls do.
    bool chooseForm();
    void refill();
    void changeYear(int year);
    void toggleMark(int row);
    void sortByColumn(int column);
    void findByName();
    void findByCode();
    void assignCareLevel();
    void selectByLevel();
    bool summarize();
    bool crossSection();
    bool indicatorList();
    MonthRange wholeYear(int form);

private:
    void takeRange();
    void showForm();
    void showLines(int current);
    void showChoices();
    void showCounts();
    int currentIndex() const;

    data::DataContext &m_context;
    runtime::ui::WindowPrompter m_prompter; // the boxes this window asks
    shell::ui::Services m_services;
    ReportList m_list;

    QLineEdit *m_formCode = nullptr;
    QLineEdit *m_periodicity = nullptr;
    QSpinBox *m_year = nullptr;
    PeriodBox *m_from = nullptr;
    PeriodBox *m_to = nullptr;
    // The user changed ?MES1, ?MES2 since the range was shown.
    bool m_fromEdited = false;
    bool m_toEdited = false;
    QComboBox *m_districts = nullptr;
    QComboBox *m_kinds = nullptr;
    QCheckBox *m_city = nullptr;
    QCheckBox *m_village = nullptr;
    QSpinBox *m_level = nullptr;
    QLineEdit *m_findName = nullptr;
    QSpinBox *m_findCode = nullptr;
    QCheckBox *m_ignoreKinds = nullptr;
    QLabel *m_count = nullptr;
    QLabel *m_marked = nullptr;
    QLineEdit *m_districtText = nullptr;
    runtime::ui::QueueModel *m_model = nullptr;
    runtime::ui::ListBinding *m_binding = nullptr;
};

} // namespace zemor::analysis::ui
