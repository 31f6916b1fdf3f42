#include "entry/ui/ControlsListWindow.h"

#include "entry/ui/WindowParts.h"

#include "runtime/core/Prompter.h"
#include "runtime/report/PageSink.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/ListFormat.h"
#include "runtime/ui/QueueModel.h"
#include "shell/AppState.h"
#include "shell/ui/Choices.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace zemor::entry::ui {

using runtime::ui::createControl;
using runtime::ui::ListBinding;
using runtime::ui::ListFormat;
using runtime::ui::QueueModel;

namespace {

QueueModel *tab(QTabWidget *tabs, const QString &equate, const QString &text, const QString &hint,
                int list, const QString &format, int fields)
{
    auto *page = createControl<QWidget>(tabs, equate);
    auto *layout = new QVBoxLayout(page);
    if (!hint.isEmpty())
        layout->addWidget(new QLabel(hint, page));
    auto *model = new QueueModel(fields, page);
    auto *view = createControl<QTableView>(page, QStringLiteral("?BROWSE:%1").arg(list));
    bindList(view, model, format);
    layout->addWidget(view);
    tabs->addTab(page, text);
    if (!hint.isEmpty())
        tabs->setTabToolTip(tabs->count() - 1, hint);
    return model;
}

// "Параметры печати": which lists to print; nullopt when closed without "Продолжить".
std::optional<ControlsList::PrintChoice> printChoice(QWidget *parent)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("P1$SCRY"));
    dialog.setWindowTitle(QStringLiteral("Параметры печати"));
    auto *layout = new QVBoxLayout(&dialog);
    auto *group = new QGroupBox(QStringLiteral("Печатать контроли"), &dialog);
    auto *groupLayout = new QVBoxLayout(group);
    auto *columns =
        createControl<QCheckBox>(&dialog, QStringLiteral("?CHECK1"), QStringLiteral(" по графам"));
    auto *rows =
        createControl<QCheckBox>(&dialog, QStringLiteral("?CHECK2"), QStringLiteral(" по строкам"));
    auto *tables = createControl<QCheckBox>(&dialog, QStringLiteral("?CHECK3"),
                                            QStringLiteral("межтабличный"));
    groupLayout->addWidget(columns);
    groupLayout->addWidget(rows);
    groupLayout->addWidget(tables);
    layout->addWidget(group);
    auto *ok =
        createControl<QPushButton>(&dialog, QStringLiteral("?OK"), QStringLiteral("Продолжить"));
    layout->addWidget(ok);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return ControlsList::PrintChoice{columns->isChecked(), rows->isChecked(), tables->isChecked()};
}

} // namespace

ControlsListWindow::ControlsListWindow(data::DataContext &data, int year,
                                       runtime::Prompter &prompter,
                                       std::shared_ptr<shell::ui::Choices> choices,
                                       std::shared_ptr<runtime::report::PageSink> sink,
                                       QWidget *parent)
    : QDialog(parent), m_data(data), m_year(year), m_prompter(prompter),
      m_choices(std::move(choices)), m_sink(std::move(sink))
{
    setObjectName(QStringLiteral("P1$SCRL"));
    setWindowTitle(ControlsList::windowTitle());

    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    auto *formButton =
        createControl<QPushButton>(this, QStringLiteral("?FORM"), QStringLiteral("Форма"));
    m_name = createControl<QLineEdit>(this, QStringLiteral("?LOCNAMEFORM"));
    m_name->setReadOnly(true);
    m_code = createControl<QLineEdit>(this, QStringLiteral("?LOCCODFORM"));
    m_code->setReadOnly(true);
    m_code->setMaximumWidth(60);
    top->addWidget(formButton);
    top->addWidget(m_name, 1);
    top->addWidget(m_code);
    layout->addLayout(top);

    auto *tabs = new QTabWidget(this);
    m_columns = tab(tabs, QStringLiteral("?TAB1"), QStringLiteral("По графам"),
                    ControlsList::columnsHint(), 1, ControlsList::columnListFormat(), 4);
    m_rows = tab(tabs, QStringLiteral("?TAB2"), QStringLiteral("По строкам"),
                 ControlsList::rowsHint(), 2, ControlsList::rowListFormat(), 4);
    m_tables = tab(tabs, QStringLiteral("?TAB3"), QStringLiteral("Межтабличный"), QString(), 3,
                   ControlsList::tableListFormat(), 5);
    layout->addWidget(tabs, 1);

    auto *printButton =
        createControl<QPushButton>(this, QStringLiteral("?PRN"), QStringLiteral("Печать"));
    layout->addLayout(buttonRow({printButton}));

    connect(formButton, &QPushButton::clicked, this, &ControlsListWindow::chooseForm);
    connect(printButton, &QPushButton::clicked, this, &ControlsListWindow::print);
    resize(820, 500);
}

bool ControlsListWindow::chooseForm()
{
    const auto form = m_choices->chooseForm(m_year, this);
    if (!form)
        return false;
    const auto lists = ControlsList::build(m_data, m_year, form->form);
    if (!lists)
        return false; // the data context has told why
    m_formName = form->name.trimmed();
    m_name->setText(m_formName);
    m_code->setText(QString::number(form->form));
    showLists(*lists);
    return true;
}

void ControlsListWindow::showLists(const ControlLists &lists)
{
    m_lists = lists;
    QList<QVariantList> columns;
    for (const ColumnRuleLine &l : lists.columnRules)
        columns.append({l.id, l.table, l.rowCode, l.text});
    m_columns->setLines(columns);
    QList<QVariantList> rows;
    for (const RowRuleLine &l : lists.rowRules)
        rows.append({l.id, l.table, l.column, l.text});
    m_rows->setLines(rows);
    QList<QVariantList> tables;
    for (const TableRuleLine &l : lists.tableRules)
        tables.append({l.id, l.table, l.rowCode, l.column, l.text});
    m_tables->setLines(tables);
    // The codes and conditions show whole.
    for (int list = 1; list <= 3; ++list) {
        auto *view =
            runtime::ui::findControl<QTableView>(this, QStringLiteral("?BROWSE:%1").arg(list));
        if (auto *binding = view->findChild<ListBinding *>())
            binding->widenToContents(list == 3 ? QList<int>{0, 1, 2, 3, 4}
                                               : QList<int>{0, 1, 2, 3});
    }
}

void ControlsListWindow::print()
{
    const auto choice = printChoice(this);
    if (!choice)
        return;
    const auto sent = m_sink->output(ControlsList::print(m_lists, *choice, m_year, m_formName),
                                     ControlsList::windowTitle());
    if (!sent)
        m_prompter.message(sent.error().message);
}

QWidget *controlsList(data::DataContext &data, const shell::ui::Services &services, QWidget *parent)
{
    auto *window = new ControlsListWindow(data, services.state.globYear, services.prompter,
                                          services.choices, services.pages, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowFlag(Qt::Window);
    if (!window->chooseForm()) {
        delete window;
        return nullptr;
    }
    window->show();
    return window;
}

} // namespace zemor::entry::ui
