#pragma once

// The summary window "Свод" (P1$SCRL): the summary of the reports the report list handed over,
// shown one table at a time (?BROWSE:1, ?TEXT1), with the next and previous table (?DNTABL,
// ?UPTABL), the table choice "Таблицы" (?NEWTABL), only filled rows (?CHECK2), no column
// controls (?OTKL), the whole-summary check "Контроль" (?CONTRS) through the entry's failure
// list, the printed tables "Печать" (?PRNT1) through the entry's table printing and the page
// preview, the workbook of the current table (?EXCEL) and the summary file "Экспорт свода"
// (?WIGR) with its window "Выгрузка отчетов " (P1$SCRY), whose path choices are the user's own
// folders and the fixed ones of pathChoices().
//
// The summary's period range is shown as dates for a daily form, and a legend "Типы граф:"
// shows the colours of the column kinds. Every message box of the window is shown over it.
//
// run() sums under a progress window that may be called off (then no summary is shown, and
// "Свод прерван" is told over the window that started it); the summary, the tables and the
// rules come from analysis::SummaryCalculation and SummaryTables, read for the year the list was
// filled for. The window only shows what they give.

#include "analysis/Summary.h"
#include "entry/FormCatalogue.h"
#include "entry/ResolvedRules.h"
#include "runtime/ui/WidgetPrompter.h"
#include "shell/ui/Services.h"

#include <QDialog>

#include <memory>
#include <optional>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace zemor::data {
class DataContext;
}
namespace zemor::runtime::ui {
class ListBinding;
class QueueModel;
} // namespace zemor::runtime::ui

namespace zemor::analysis::ui {

class SummaryWindow : public QDialog
{
    Q_OBJECT

public:
    static QString title() { return QStringLiteral("Свод"); }
    static QString tableChoiceTitle() { return QStringLiteral("Таблицы"); }
    static QString exportTitle() { return QStringLiteral("Выгрузка отчетов "); }
    static QString cancelledText() { return QStringLiteral("Свод прерван"); }

    // The summary file's path choices: USE:S1 and USE:S2 when not blank, then the fixed folders
    // (a drive name lies under the working directory here, as every Windows path does).
    static QStringList pathChoices(const QString &s1, const QString &s2);

    // SummarizeByTable: sums, then shows the window modally. False when nothing was shown
    // (called off, an error told to the user, or a form without tables).
    static bool run(data::DataContext &context, const shell::ui::Services &services,
                    const SummaryRequest &request, QWidget *parent = nullptr);

    SummaryWindow(data::DataContext &context, shell::ui::Services services, SummaryRequest request,
                  Summary summary, entry::FormCatalogue catalogue,
                  std::optional<entry::ResolvedRules> rules, QWidget *parent = nullptr);
    ~SummaryWindow() override;

    const Summary &summary() const { return m_summary; }
    const SummaryTable &table() const { return m_table; }
    int tableIndex() const { return m_index; }
    runtime::ui::ListBinding *binding() const { return m_binding; }

    // What the controls do.
    void showTable(int index);
    void nextTable(int step);
    bool chooseTable();
    void checkControls();
    // The tables of the summary printed as a report's tables: the parameters, the preview,
    // then the services' page sink. False when nothing was printed.
    bool print();
    bool exportToExcel();
    bool exportSummaryFile();

private:
    void loadTable();

    data::DataContext &m_context;
    runtime::ui::WindowPrompter m_prompter; // the boxes this window asks
    shell::ui::Services m_services;
    SummaryRequest m_request;
    Summary m_summary;
    entry::FormCatalogue m_catalogue;
    std::optional<entry::ResolvedRules> m_rules;
    SummaryTable m_table;
    int m_index = 0;

    runtime::ui::QueueModel *m_model = nullptr;
    runtime::ui::ListBinding *m_binding = nullptr;
    QLineEdit *m_heading = nullptr;
    QPushButton *m_next = nullptr;
    QPushButton *m_previous = nullptr;
    QCheckBox *m_filledOnly = nullptr;
    QCheckBox *m_noControls = nullptr;
    QPushButton *m_controls = nullptr;
    QStringList m_pathChoices; // filled at the first export of the summary
};

} // namespace zemor::analysis::ui
