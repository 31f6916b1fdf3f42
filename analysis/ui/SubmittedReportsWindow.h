#pragma once

// The window of the list of submitting institutions, "СПИСОК УЧРЕЖДЕНИЙ СДАВШИХ ОТЧЕТ": the form
// ("ФОРМА", ?NEWFORM) with its code, name and periodicity, the period range (?MES1, ?MES2, hidden
// for an annual form), "OK" (?OK) to fill the list again, the list (?BROWSE:1), the count
// (?STRING3), printing (?PRNT1) and "Excel" (?EXCEL). The lines come from
// analysis::SubmittedReports; the window only shows them.
//
// Enter or a double click on a line opens that report in report entry (its open-given-report
// mode, modal to this window); when the user deleted the report there, its line goes.
//
// run() is the procedure as the frame starts it: the reporting year held within its bounds
// (the one process-wide change), the year's file names set on the data context it is given,
// the form asked (none chosen ends the procedure), the newest period taken and the list
// filled. On a window of its own (ownWindow) the window is modeless and returned open; the
// caller keeps the data context, the choices' owner and the services alive until it is
// destroyed (it deletes itself on close). Otherwise it runs modally and run() answers nullptr.

#include "analysis/SubmittedReports.h"
#include "shell/ui/Services.h"

#include <QDialog>

#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace zemor::data {
class DataContext;
}
namespace zemor::runtime::ui {
class ListBinding;
class QueueModel;
} // namespace zemor::runtime::ui
namespace zemor::shell::ui {
struct FormChoice;
}

namespace zemor::analysis::ui {

class SubmittedReportsWindow : public QDialog
{
    Q_OBJECT

public:
    static QWidget *run(data::DataContext &context, const shell::ui::Services &services,
                        bool ownWindow, QWidget *parent = nullptr);

    // A window over a form already chosen, the range from..to, and its lines.
    SubmittedReportsWindow(data::DataContext &context, shell::ui::Services services,
                           const shell::ui::FormChoice &form, qint32 from, qint32 to,
                           QList<SubmittedReportLine> lines, QWidget *parent = nullptr);

    const QList<SubmittedReportLine> &lines() const { return m_lines; }
    runtime::ui::ListBinding *binding() const { return m_binding; }
    qint64 form() const { return m_form; }

    // What the buttons do.
    void chooseForm();
    bool refill();
    void openLine(int row);
    bool print();
    bool exportToExcel();

private:
    void showForm();
    void showLines(int current);

    data::DataContext &m_context;
    shell::ui::Services m_services;
    SubmittedReports m_reports;
    qint64 m_form = 0;
    QString m_formName;
    QString m_formCode;
    int m_periodKind = 0;
    QList<SubmittedReportLine> m_lines;

    QLineEdit *m_formCodeField = nullptr;
    QLineEdit *m_formNameField = nullptr;
    QLineEdit *m_periodicityField = nullptr;
    QLabel *m_rangeFrom = nullptr;
    QLabel *m_rangeTo = nullptr;
    QSpinBox *m_from = nullptr;
    QSpinBox *m_to = nullptr;
    QLabel *m_count = nullptr;
    runtime::ui::QueueModel *m_model = nullptr;
    runtime::ui::ListBinding *m_binding = nullptr;
};

} // namespace zemor::analysis::ui
