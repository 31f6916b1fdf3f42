#pragma once

// The interactive run of the intra-form controls in its windows:
// - "Список внутриформенные контроли" (P1$SCRL): the year the run keeps (taken when the window
//   opens), the period "с" .. "по", the scope, "1район", the forms of the year to mark, and
//   "Контроль", which checks the marked forms under a progress window with "Отмена";
// - "Внутриформенные контроли" (P1$SCRL1): the failures of a run, the whole text of the current
//   one under the list, and "Печать", which sends the printed list to the page sink.
// The forms left unchecked and the rule diagnostics stand under the failures, in the window and
// in its printed list. A run without failures and diagnostics says so in a message instead
// ("Ошибок нет", "ОТЧЕТОВ НЕТ", the forms left unchecked); a cancelled run says it was
// cancelled. The work is entry::ControlRun's; the districts and institutions are asked through
// the shell's choices. The export and the loads show their runs' results the same way
// (RunResultsDialog) before they ask whether to go on.

#include "entry/ControlRun.h"
#include "shell/ui/Services.h"

#include <QDialog>
#include <QList>

#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTableView;
class QButtonGroup;

namespace zemor::data {
class DataContext;
}
namespace zemor::runtime {
class Prompter;
}
namespace zemor::runtime::report {
class PageSink;
}
namespace zemor::runtime::ui {
class QueueModel;
}
namespace zemor::shell {
struct AppState;
}
namespace zemor::shell::ui {
class Choices;
}

namespace zemor::entry::ui {

class IntraFormResultWindow : public QDialog
{
    Q_OBJECT

public:
    // `notes` (ControlRun::notes()) stand under the failures; `sink` null: nothing to print on.
    IntraFormResultWindow(const QList<RunLine> &lines, int year, const QString &districtName,
                          const QString &institutionName, runtime::Prompter &prompter,
                          runtime::report::PageSink *sink, QWidget *parent = nullptr,
                          const QStringList &notes = {});

private:
    void showCurrent();
    void print();

    QList<RunLine> m_lines;
    QStringList m_notes;
    int m_year;
    QString m_districtName;
    QString m_institutionName;
    runtime::Prompter &m_prompter;
    runtime::report::PageSink *m_sink;
    QTableView *m_list = nullptr;
    runtime::ui::QueueModel *m_model = nullptr;
    QLineEdit *m_text = nullptr;
};

class IntraFormRunWindow : public QDialog
{
    Q_OBJECT

public:
    static QString title() { return QStringLiteral("Список внутриформенные контроли"); }

    IntraFormRunWindow(data::DataContext &data, const shell::AppState &state,
                       runtime::Prompter &prompter, std::shared_ptr<shell::ui::Choices> choices,
                       runtime::report::PageSink &sink, const QDate &today,
                       QWidget *parent = nullptr);

    int year() const { return m_year; }

private:
    void markAll(bool marked);
    void check();
    bool chooseEntities(RunRequest &request, QString &districtName, QString &institutionName);

    data::DataContext &m_data;
    const shell::AppState &m_state;
    runtime::Prompter &m_prompter;
    std::shared_ptr<shell::ui::Choices> m_choices;
    runtime::report::PageSink &m_sink;
    int m_year;
    QList<RunForm> m_forms;
    QSpinBox *m_from = nullptr;
    QSpinBox *m_to = nullptr;
    QButtonGroup *m_scope = nullptr;
    QCheckBox *m_oneDistrict = nullptr;
    runtime::ui::QueueModel *m_model = nullptr;
};

// The results of a finished run as the interactive run shows them: the result window when
// there are failures or diagnostics to list (the district and institution of a run over one of
// them above the list), otherwise ControlRun::closingMessage() when it has one.
void showRunResults(const RunRequest &request, const RunOutcome &outcome,
                    const QString &districtName, const QString &institutionName,
                    runtime::Prompter &prompter, runtime::report::PageSink *sink, QWidget *parent);

// The results of a run called by the export or a load, shown by showRunResults() modal to
// `parent`, the district and institution taken from the run's one entity.
class RunResultsDialog : public RunResultsViewer
{
public:
    RunResultsDialog(runtime::Prompter &prompter, runtime::report::PageSink *sink, QWidget *parent)
        : m_prompter(prompter), m_sink(sink), m_parent(parent)
    {
    }
    void show(const RunRequest &request, const RunOutcome &outcome) override;

private:
    runtime::Prompter &m_prompter;
    runtime::report::PageSink *m_sink;
    QWidget *m_parent;
};

// RunIntraFormControls from the frame: the first window modal to `parent` on the year of the
// process state.
void runIntraFormControls(data::DataContext &data, const shell::ui::Services &services,
                          QWidget *parent = nullptr);

} // namespace zemor::entry::ui
