#pragma once

// PrintReportTables: "Параметры печати" (the heading line to edit, the whole report or the
// current table, only filled rows), then the tables of a report as they stand in memory laid out
// by entry::ReportTablePrint and handed to the page sink (the program's preview, a test's PDF).
// Closing the parameter window prints nothing. Report entry and the summary call it.

#include "entry/ReportTablePrint.h"

#include <QDialog>

#include <optional>

class QButtonGroup;
class QCheckBox;
class QLineEdit;

namespace zemor::runtime {
class Prompter;
}
namespace zemor::runtime::report {
class PageSink;
}

namespace zemor::entry::ui {

class PrintParametersWindow : public QDialog
{
    Q_OBJECT

public:
    explicit PrintParametersWindow(const QString &heading, QWidget *parent = nullptr);
    TablePrintOptions options() const;

private:
    QLineEdit *m_heading = nullptr;
    QButtonGroup *m_which = nullptr;
    QCheckBox *m_filledOnly = nullptr;
};

struct TablePrintRequest
{
    const FormCatalogue *catalogue = nullptr;
    QString formName;
    const ReportRows *rows = nullptr; // exact values
    qint64 currentTable = 0;
    QString title;
    std::optional<QString> periodText;
    std::optional<int> year;
};

// Asks for the parameters and sends the pages to `sink`; false when nothing was printed.
bool printReportTables(const TablePrintRequest &request, runtime::report::PageSink &sink,
                       runtime::Prompter &prompter, QWidget *parent = nullptr);

} // namespace zemor::entry::ui
