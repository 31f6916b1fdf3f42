#pragma once

// The windows of the export of reports: the period window "Выгрузка отчетов " (P1$SCRY: the
// folder, the year, the month, quarter and half-year radios, "Годовая отчетность",
// "Продолжить") and the form window "Выгрузка отчетов на дискету" (P1$SCRL: the forms to mark,
// "Выгрузить", the exported forms and their rows, the result text). The work is
// exchange::ExportReports; the controls and the writing run under a progress window that can
// stop them between forms. An institution installation without its own code is told so before
// anything runs; the controls' results are shown before the question whether to go on. A single
// click on a form marks or unmarks it.
//
// exportReports() is the procedure as the frame starts it: the period window, then the form
// window for the chosen periods; an empty form list asks for a period and opens the period
// window again. Closing either window ends the procedure.

#include "exchange/ExportReports.h"
#include "exchange/ui/ExchangeWindowSupport.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace zemor::exchange::ui {

class ExportPeriodWindow : public QDialog
{
    Q_OBJECT

public:
    ExportPeriodWindow(const ExchangeServices &services, const QStringList &pathChoices,
                       const ExportPeriods &last, QWidget *parent = nullptr);

    ExportPeriods periods() const;
    QString path() const;

private:
    ExchangeServices m_services;
    QLineEdit *m_path = nullptr;
    QComboBox *m_choices = nullptr;
    QButtonGroup *m_month = nullptr;
    QButtonGroup *m_quarter = nullptr;
    QButtonGroup *m_halfYear = nullptr;
    QCheckBox *m_annual = nullptr;
};

class ExportFormsWindow : public QDialog
{
    Q_OBJECT

public:
    ExportFormsWindow(data::DataContext &context, const ExchangeServices &services,
                      const QString &path, QList<ExportForm> forms, const QString &recipient,
                      QWidget *parent = nullptr);

    const QList<ExportForm> &forms() const { return m_forms; }
    qint64 total() const { return m_total; }
    // "Выгрузить".
    void exportMarked();

private:
    void showForms();
    void showNames();

    data::DataContext &m_context;
    ExchangeServices m_services;
    ExportReports m_exporter;
    ExportScope m_scope;
    QString m_path;
    QString m_recipient;
    QList<ExportForm> m_forms;
    qint64 m_total = 0;
    std::unique_ptr<entry::RunResultsViewer> m_runViewer;
    ExchangeList m_formList;
    ExchangeList m_results;
    QLabel *m_text = nullptr;
    QLabel *m_sum = nullptr;
    QLabel *m_formRows = nullptr;
    QLabel *m_district = nullptr;
    QLabel *m_institution = nullptr;
};

// The address the result text names, from the program-name file and the installation's
// district.
QString exportRecipient(data::DataContext &context, const shell::AppState &state);

void exportReports(data::DataContext &context, const ExchangeServices &services,
                   QWidget *parent = nullptr);

} // namespace zemor::exchange::ui
