#include "entry/ui/InterFormWindow.h"

#include "entry/ui/WindowParts.h"

#include "entry/ControlRun.h"
#include "runtime/core/Prompter.h"
#include "runtime/fs/Paths.h"
#include "runtime/report/PageSink.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/ListFormat.h"
#include "runtime/ui/ProgressWindow.h"
#include "runtime/ui/QueueModel.h"
#include "shell/AppState.h"
#include "shell/ui/Choices.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

namespace zemor::entry::ui {

using runtime::ui::createControl;
using runtime::ui::ListBinding;
using runtime::ui::ListFormat;
using runtime::ui::QueueModel;

namespace {

const QString formulaListFormat =
    QStringLiteral("13L(1)|_FM~Код~@n_3@E(,0FFFFFFH,,)/255L|_M~Наименование~L(30)@S250@E(,"
                   "0DFFFFFH,,)20L(1)|_M~Формула~L(48)@S250@E(0800000H,0FFFFFFH,,)");
const QString resultListFormat =
    QStringLiteral("15L(1)|M~код~@n_4@43L(1)|M~ЛПУ~L(0)@s50@E(,0D5FFFFH,,)29L(1)|@S10@15C(1)|M~"
                   "Отклонение~L(0)@S10@E(0FFH,,,)100L(1)|@S100@");

QLineEdit *shownText(QWidget *parent, const QString &equate, const QString &text = {})
{
    auto *field = createControl<QLineEdit>(parent, equate);
    field->setReadOnly(true);
    field->setText(text);
    return field;
}

} // namespace

InterFormResultWindow::InterFormResultWindow(const InterFormEntry &formula,
                                             const QList<InterFormLine> &failed, int year,
                                             runtime::Prompter &prompter,
                                             runtime::report::PageSink &sink, QWidget *parent)
    : QDialog(parent), m_formula(formula), m_failed(failed), m_year(year), m_prompter(prompter),
      m_sink(sink)
{
    setObjectName(QStringLiteral("P1$SCRL1"));
    setWindowTitle(InterFormControls::resultsTitle());
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(shownText(this, QStringLiteral("?QSP:FORMA"), formula.formula));
    layout->addWidget(shownText(this, QStringLiteral("?T:S"), formula.name));

    auto *model = new QueueModel(5, this);
    QList<QVariantList> rows;
    for (const InterFormLine &l : failed) {
        rows.append({l.code, l.name, l.failed ? InterFormControls::failedMark() : QString(),
                     l.sum.toString(), l.terms});
    }
    model->setLines(rows);
    m_list = createControl<QTableView>(this, QStringLiteral("?LIST2"));
    // The codes, names and deviations show whole.
    bindList(m_list, model, resultListFormat)->widenToContents({0, 1, 3, 4});
    layout->addWidget(m_list, 1);
    m_terms = shownText(this, QStringLiteral("?QS1:S"));
    layout->addWidget(m_terms);

    auto *printButton =
        createControl<QPushButton>(this, QStringLiteral("?PRNT"), QStringLiteral("Печать"));
    layout->addLayout(buttonRow({printButton}));

    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                const int row = current.row();
                m_terms->setText(row >= 0 && row < m_failed.size() ? m_failed.at(row).terms
                                                                   : QString());
            });
    connect(printButton, &QPushButton::clicked, this, [this] {
        const auto sent =
            m_sink.output(InterFormControls::printResults(m_failed, m_formula, m_year),
                          InterFormControls::resultsTitle());
        if (!sent)
            m_prompter.message(sent.error().message);
    });
    if (!failed.isEmpty())
        m_list->setCurrentIndex(model->index(0, 0));
    resize(860, 440);
}

InterFormWindow::InterFormWindow(data::DataContext &data, int year, runtime::Prompter &prompter,
                                 std::shared_ptr<shell::ui::Choices> choices,
                                 runtime::report::PageSink &sink, QWidget *parent)
    : QDialog(parent), m_data(data), m_year(year), m_prompter(prompter),
      m_choices(std::move(choices)), m_sink(sink)
{
    setObjectName(QStringLiteral("P1$SCRL"));
    setWindowTitle(title());
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(promptText(), this));

    auto *scopeBox = createControl<QGroupBox>(this, QStringLiteral("?OPTION1"));
    auto *scopeRow = new QHBoxLayout(scopeBox);
    m_scope = optionGroup(scopeBox, scopeRow, QStringLiteral("?OPTION1"),
                          {QStringLiteral("ВЫБОР   ЛПУ"), QStringLiteral("Разрез ЛПУ"),
                           QStringLiteral("РАЙОН"), QStringLiteral("Разрез  районы"),
                           QStringLiteral("СВОД")},
                          int(InterFormScope::Institutions));
    layout->addWidget(scopeBox);

    const auto path = runtime::fs::resolve(InterFormControls::listFileName());
    if (path) {
        const auto entries = InterFormControls::readList(*path);
        if (entries)
            m_entries = *entries;
        else
            prompter.message(entries.error().message);
    }
    auto *model = new QueueModel(3, this);
    QList<QVariantList> rows;
    for (const InterFormEntry &e : m_entries)
        rows.append({e.code, e.name, e.formula});
    model->setLines(rows);
    m_list = createControl<QTableView>(this, QStringLiteral("?LIST1"));
    bindList(m_list, model, formulaListFormat);
    layout->addWidget(m_list, 1);
    m_formula = shownText(this, QStringLiteral("?G1"));
    layout->addWidget(m_formula);

    auto *ok = createControl<QPushButton>(this, QStringLiteral("?OK"), QStringLiteral("Контроль"));
    auto *cancel =
        createControl<QPushButton>(this, QStringLiteral("?CANCEL"), QStringLiteral("Выход"));
    layout->addLayout(buttonRow({ok, cancel}));

    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &InterFormWindow::showCurrent);
    connect(ok, &QPushButton::clicked, this, &InterFormWindow::check);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    if (!m_entries.isEmpty())
        m_list->setCurrentIndex(model->index(0, 0));
    showCurrent();
    resize(760, 460);
}

void InterFormWindow::showCurrent()
{
    const int row = m_list->currentIndex().row();
    m_formula->setText(row >= 0 && row < m_entries.size() ? m_entries.at(row).formula : QString());
}

void InterFormWindow::check()
{
    const int row = m_list->currentIndex().row();
    if (row < 0 || row >= m_entries.size())
        return;
    const InterFormEntry entry = m_entries.at(row);
    const auto scope = InterFormScope(m_scope->checkedId());
    int district = 0;
    switch (scope) {
    case InterFormScope::Institution: {
        const auto d = m_choices->chooseDistrict(shell::ui::Choices::districts, this);
        if (!d) {
            m_prompter.beep(); // the institution chosen last time stays
            break;
        }
        shell::ui::InstitutionQuestion question;
        question.district = d->code;
        const auto inst = m_choices->chooseInstitution(question, this);
        if (inst.chosen()) {
            m_institution = inst.code;
        } else {
            m_prompter.beep();
            m_institution = 0;
        }
        break;
    }
    case InterFormScope::District: {
        const auto d = m_choices->chooseDistrict(shell::ui::Choices::districts, this);
        if (!d) {
            m_prompter.beep();
            return;
        }
        district = int(d->code);
        break;
    }
    default:
        break;
    }

    InterFormControls controls(m_data, m_year);
    const auto formula = controls.formula(entry.code);
    if (!formula)
        return; // the data context has told why

    if (!*formula) {
        m_prompter.message(InterFormControls::notFoundText());
        return;
    }
    for (const QString &said : (*formula)->diagnostics)
        m_prompter.message(said);

    runtime::ui::ProgressWindow progress(InterFormControls::resultsTitle(), this);
    const auto lines = controls.evaluate(**formula, scope, m_institution, district, &progress);
    progress.finish();
    m_list->setCurrentIndex(m_list->model()->index(row, 0));
    if (!lines) {
        if (lines.error().code == runtime::ErrorCode::Cancelled)
            m_prompter.message(ControlRun::cancelledText());
        return;
    }
    InterFormResultWindow results(entry, InterFormControls::failedLines(*lines), m_year, m_prompter,
                                  m_sink, this);
    results.exec();
}

void interFormControls(data::DataContext &data, const shell::ui::Services &services,
                       QWidget *parent)
{
    InterFormWindow window(data, services.state.globYear, services.prompter, services.choices,
                           *services.pages, parent);
    window.exec();
}

} // namespace zemor::entry::ui
