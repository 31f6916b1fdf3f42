#include "analysis/indicators/ui/IndicatorListWindow.h"

#include "analysis/indicators/IndicatorFormulaFiles.h"
#include "runtime/core/Prompter.h"
#include "runtime/ui/Controls.h"
#include "shell/ui/HelpWindow.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace zemor::analysis::ui {

using namespace Qt::StringLiterals;
using runtime::ui::createControl;

namespace {

constexpr int helpSection = 4;

} // namespace

IndicatorRequest openIndicatorRequest(const IndicatorDefinition &definition,
                                      const IndicatorListContext &context)
{
    IndicatorRequest request;
    request.year = context.year;
    request.period = context.period;
    if (definition.kind == 1)
        request.period = context.wholeYear ? context.wholeYear(definition.form) : MonthRange{1, 12};
    request.districtFilter = context.districtFilter;
    request.selection = context.selection;
    request.title = context.title;
    request.seriesFrom = context.firstYear > 0 ? context.firstYear : context.year;
    request.seriesTo = context.lastYear > 0 ? context.lastYear : context.year;
    return request;
}

IndicatorListWindow::IndicatorListWindow(IndicatorListContext context, Opener opener,
                                         runtime::Prompter &prompter, QWidget *parent)
    : QDialog(parent), m_context(std::move(context)), m_opener(std::move(opener)),
      m_prompter(prompter, this)
{
    setObjectName(QStringLiteral("P1$SCRY"));
    setWindowTitle(title());
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    m_list = createControl<QListWidget>(this, QStringLiteral("?LIST1"));
    layout->addWidget(m_list, 1);
    auto *buttons = new QHBoxLayout;
    m_allForms = createControl<QCheckBox>(this, QStringLiteral("?CHECK_1"),
                                          QStringLiteral("по всем формам"));
    buttons->addWidget(m_allForms);
    buttons->addStretch();
    auto *ok = createControl<QPushButton>(this, QStringLiteral("?OK_1"), QStringLiteral("OK"));
    // Enter on the list opens the line itself; a default button would open it twice.
    ok->setAutoDefault(false);
    buttons->addWidget(ok);
    auto *help =
        createControl<QPushButton>(this, QStringLiteral("?HELP_1"), QStringLiteral("Help"));
    help->setAutoDefault(false);
    buttons->addWidget(help);
    layout->addLayout(buttons);

    connect(m_allForms, &QCheckBox::toggled, this, &IndicatorListWindow::fill);
    connect(ok, &QPushButton::clicked, this, &IndicatorListWindow::openCurrent);
    connect(m_list, &QListWidget::itemActivated, this, &IndicatorListWindow::openCurrent);
    connect(help, &QPushButton::clicked, this, [this] {
        shell::ui::HelpWindow window(m_prompter, helpSection, true, this);
        window.exec();
    });

    fill();
    m_list->setFocus();
    resize(640, 420);
}

void IndicatorListWindow::fill()
{
    m_entries.clear();
    m_list->clear();
    const IndicatorFormulaFiles files(m_context.year);
    auto listed = files.readIndicatorList(m_allForms->isChecked() ? std::nullopt
                                                                  : std::optional(m_context.form));
    if (!listed) {
        m_prompter.message(listed.error().where + u": "_s + listed.error().message, title(), {},
                           runtime::MessageIcon::Error);
        return;
    }
    m_entries = std::move(*listed);
    for (const IndicatorDefinition &definition : std::as_const(m_entries))
        m_list->addItem(definition.name.trimmed());
    if (!m_entries.isEmpty())
        m_list->setCurrentRow(0);
}

void IndicatorListWindow::openCurrent()
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= m_entries.size())
        return;
    const IndicatorDefinition definition = m_entries.at(row);
    if (m_opener)
        m_opener(definition, openIndicatorRequest(definition, m_context));
}

void IndicatorListWindow::done(int result)
{
    m_entries.clear();
    m_list->clear();
    QDialog::done(result);
}

void IndicatorListWindow::chooseIndicator(const IndicatorListContext &context, const Opener &opener,
                                          runtime::Prompter &prompter, QWidget *parent)
{
    IndicatorListWindow window(context, opener, prompter, parent);
    window.exec();
}

} // namespace zemor::analysis::ui
