#include "entry/ui/ReportTablePrintWindow.h"

#include "runtime/core/Prompter.h"
#include "runtime/report/PageSink.h"
#include "runtime/ui/Controls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDateTime>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zemor::entry::ui {

using runtime::ui::createControl;

PrintParametersWindow::PrintParametersWindow(const QString &heading, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("P1$SCRL"));
    setWindowTitle(ReportTablePrint::parametersTitle());
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Вы можете отредактировать строку :"), this));
    m_heading = createControl<QLineEdit>(this, QStringLiteral("?LOCNAME"));
    m_heading->setMaxLength(ReportTablePrint::headingWidth);
    m_heading->setText(heading);
    layout->addWidget(m_heading);

    auto *which = createControl<QGroupBox>(this, QStringLiteral("?PRNTAB"));
    which->setTitle(QStringLiteral("Печатать"));
    auto *whichRow = new QHBoxLayout(which);
    m_which = new QButtonGroup(this);
    const QStringList texts{QStringLiteral("Весь отчет"), QStringLiteral("Таблицу")};
    for (int i = 0; i < texts.size(); ++i) {
        auto *option = createControl<QRadioButton>(
            which, QStringLiteral("?PRNTAB:RADIO%1").arg(i + 1), texts.at(i));
        m_which->addButton(option, i + 1);
        whichRow->addWidget(option);
    }
    m_which->button(1)->setChecked(true);
    layout->addWidget(which);
    m_filledOnly = createControl<QCheckBox>(this, QStringLiteral("?TIP1"),
                                            QStringLiteral("Печатать только заполненные строки"));
    layout->addWidget(m_filledOnly);
    auto *ok =
        createControl<QPushButton>(this, QStringLiteral("?OK"), QStringLiteral("Продолжить"));
    layout->addWidget(ok, 0, Qt::AlignRight);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    resize(620, sizeHint().height());
}

TablePrintOptions PrintParametersWindow::options() const
{
    return TablePrintOptions{m_heading->text(), m_which->checkedId() == 2,
                             m_filledOnly->isChecked()};
}

bool printReportTables(const TablePrintRequest &request, runtime::report::PageSink &sink,
                       runtime::Prompter &prompter, QWidget *parent)
{
    Q_ASSERT(request.catalogue && request.rows);
    PrintParametersWindow parameters(
        ReportTablePrint::headingLine(request.title, request.periodText, request.year), parent);
    if (parameters.exec() != QDialog::Accepted)
        return false;
    const auto pages = ReportTablePrint::layOut(*request.catalogue, request.formName, *request.rows,
                                                request.currentTable, parameters.options(),
                                                QDateTime::currentDateTime());
    const auto sent = sink.output(pages, ReportTablePrint::parametersTitle());
    if (!sent) {
        prompter.message(sent.error().message);
        return false;
    }
    return *sent;
}

} // namespace zemor::entry::ui
