#include "entry/ui/ControlFailureWindow.h"

#include "entry/ui/FailedControlsReport.h"
#include "runtime/core/Prompter.h"
#include "runtime/picture/Picture.h"
#include "runtime/report/PageSink.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/QueueModel.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace zemor::entry::ui {

using runtime::ui::createControl;

namespace {

QString yearText(int year)
{
    const auto picture = runtime::Picture::parse(QStringLiteral("@n_4"));
    Q_ASSERT(picture);
    return picture ? picture->format(runtime::Decimal(year)) : QString::number(year);
}

} // namespace

ControlFailureWindow::ControlFailureWindow(QList<ControlFailure> failures, int year,
                                           runtime::Prompter &prompter,
                                           runtime::report::PageSink &output, QWidget *parent)
    : QDialog(parent), m_failures(std::move(failures)), m_year(year), m_prompter(prompter),
      m_output(output)
{
    setObjectName(QStringLiteral("P1$SCRL"));
    setWindowTitle(title());
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    auto *yearField = createControl<QLineEdit>(this, QStringLiteral("?GLOBYEAR"));
    yearField->setReadOnly(true);
    yearField->setFocusPolicy(Qt::NoFocus);
    yearField->setText(yearText(year));
    yearField->setFixedWidth(yearField->fontMetrics().horizontalAdvance(QStringLiteral("00000")) +
                             16);
    top->addWidget(yearField);
    top->addStretch();
    layout->addLayout(top);

    auto *view = createControl<QTableView>(this, QStringLiteral("?BROWSE:1"));
    layout->addWidget(view, 3);

    m_model = new runtime::ui::QueueModel(4, this);
    QList<QVariantList> lines;
    lines.reserve(m_failures.size());
    for (const ControlFailure &f : m_failures)
        lines.append(
            QVariantList{f.codeText(), QString::number(f.table), f.deviation.toString(), f.text});
    m_model->setLines(std::move(lines));

    const auto format = runtime::ui::ListFormat::parse(listFormat());
    Q_ASSERT(format);
    m_binding =
        new runtime::ui::ListBinding(view, m_model, format.value_or(runtime::ui::ListFormat()));
    view->horizontalHeader()->setStretchLastSection(true);
    view->setWordWrap(false);
    widenColumns(view);
    connect(
        view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
        [this](const QModelIndex &current) { showText(current.isValid() ? current.row() : -1); });

    m_text = createControl<QPlainTextEdit>(this, QStringLiteral("?TEXT1"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Room for the longest text, 500 characters, at the window's usual width.
    m_text->setMinimumHeight(m_text->fontMetrics().lineSpacing() * 5 + 12);
    layout->addWidget(m_text, 1);

    auto *buttons = new QHBoxLayout;
    auto *printButton =
        createControl<QPushButton>(this, QStringLiteral("?PRNT1"), QStringLiteral("Печать"));
    connect(printButton, &QPushButton::clicked, this, &ControlFailureWindow::print);
    buttons->addStretch();
    buttons->addWidget(printButton);
    layout->addLayout(buttons);

    if (!m_failures.isEmpty())
        m_binding->selectRow(0);
    showText(m_failures.isEmpty() ? -1 : 0);
    view->setFocus();
    resize(820, 480);
}

void ControlFailureWindow::showFailures(const QList<ControlFailure> &failures, int year,
                                        int &counter, runtime::Prompter &prompter,
                                        runtime::report::PageSink &output, QWidget *parent)
{
    if (failures.isEmpty()) {
        prompter.message(noFailuresText());
        counter = 0;
        return;
    }
    ControlFailureWindow window(failures, year, prompter, output, parent);
    window.exec();
    counter = int(failures.size());
}

void ControlFailureWindow::widenColumns(QTableView *view)
{
    const runtime::ui::ListFormat &format = m_binding->format();
    const QFontMetrics metrics(view->font());
    const int margin = metrics.averageCharWidth() * 2;
    // Every column but the text, which takes the rest of the window.
    for (int c = 0; c + 1 < format.columnCount(); ++c) {
        int needed = metrics.horizontalAdvance(format.column(c).heading);
        for (int row = 0; row < m_model->rowCount(); ++row)
            needed = std::max(needed, metrics.horizontalAdvance(m_binding->cellText(row, c)));
        if (view->columnWidth(c) < needed + margin)
            view->setColumnWidth(c, needed + margin);
    }
}

void ControlFailureWindow::showText(int row)
{
    m_text->setPlainText(row >= 0 && row < m_failures.size()
                             ? m_failures[row].text.left(ControlFailure::textLength)
                             : QString());
}

void ControlFailureWindow::print()
{
    const auto pages = FailedControlsReport::pages(m_failures, m_year);
    const auto done = m_output.output(pages, FailedControlsReport::heading().trimmed());
    if (!done) {
        QString text = done.error().message;
        if (!done.error().where.isEmpty())
            text += u'|' + done.error().where;
        m_prompter.message(text, title(), {}, runtime::MessageIcon::Error);
        return;
    }
    if (!*done)
        return;
    m_printed = true;
    accept();
}

} // namespace zemor::entry::ui
