#include "entry/ui/IntraFormRunWindow.h"

#include "entry/ui/WindowParts.h"

#include "runtime/core/Prompter.h"
#include "runtime/report/PageSink.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/ListFormat.h"
#include "runtime/ui/ProgressWindow.h"
#include "runtime/ui/QueueModel.h"
#include "shell/AppState.h"
#include "shell/ui/Choices.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDate>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace zemor::entry::ui {

using runtime::ui::createControl;
using runtime::ui::ListBinding;
using runtime::ui::ListFormat;
using runtime::ui::QueueModel;

namespace {

const QString formListFormat = QStringLiteral(
    "30L(1)|_FM~Код~@n_3@E(,0FFFFFFH,,)/19L(1)|_FM~марк~L(0)@n_3@E(0FFH,0FFFFFFH,,)/255L|_M~"
    "Наименование~L(30)@S250@");

QSpinBox *periodField(QWidget *parent, const QString &equate, int value)
{
    auto *field = createControl<QSpinBox>(parent, equate);
    field->setRange(0, 99);
    field->setValue(value);
    return field;
}

} // namespace

IntraFormResultWindow::IntraFormResultWindow(const QList<RunLine> &lines, int year,
                                             const QString &districtName,
                                             const QString &institutionName,
                                             runtime::Prompter &prompter,
                                             runtime::report::PageSink *sink, QWidget *parent,
                                             const QStringList &notes)
    : QDialog(parent), m_lines(lines), m_notes(notes), m_year(year), m_districtName(districtName),
      m_institutionName(institutionName), m_prompter(prompter), m_sink(sink)
{
    setObjectName(QStringLiteral("P1$SCRL1"));
    setWindowTitle(ControlRun::resultsTitle());
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    auto *names = new QHBoxLayout;
    auto *district = createControl<QLineEdit>(this, QStringLiteral("?LOCNAZVREG"));
    district->setReadOnly(true);
    district->setText(districtName);
    auto *institution = createControl<QLineEdit>(this, QStringLiteral("?LOCNAZVUCH"));
    institution->setReadOnly(true);
    institution->setText(institutionName);
    names->addWidget(district, 1);
    names->addWidget(institution, 2);
    layout->addLayout(names);

    m_model = new QueueModel(6, this);
    QList<QVariantList> rows;
    for (const RunLine &l : lines) {
        rows.append({QString::number(l.ruleId), l.entityCode == 0 ? QVariant() : l.entityCode,
                     l.entityName, QString::number(l.form), l.deviation.toString(), l.text});
    }
    m_model->setLines(rows);
    m_list = createControl<QTableView>(this, QStringLiteral("?LIST2"));
    // The codes, names and deviations show whole.
    bindList(m_list, m_model, ControlRun::resultListFormat())->widenToContents({0, 1, 2, 4});
    layout->addWidget(m_list, 1);

    m_text = createControl<QLineEdit>(this, QStringLiteral("?QS1:S"));
    m_text->setReadOnly(true);
    layout->addWidget(m_text);

    if (!notes.isEmpty()) {
        auto *notesList = createControl<QPlainTextEdit>(this, QStringLiteral("?NOTES"));
        notesList->setReadOnly(true);
        notesList->setPlainText(notes.join(u'\n'));
        notesList->setMaximumHeight(notesList->fontMetrics().lineSpacing() *
                                        int(std::min<qsizetype>(notes.size() + 1, 6)) +
                                    12);
        layout->addWidget(notesList);
    }

    auto *printButton =
        createControl<QPushButton>(this, QStringLiteral("?PRNT"), QStringLiteral("Печать"));
    printButton->setEnabled(sink != nullptr);
    auto *exit =
        createControl<QPushButton>(this, QStringLiteral("?EXIT1"), QStringLiteral("Выход"));
    layout->addLayout(buttonRow({printButton, exit}));

    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &IntraFormResultWindow::showCurrent);
    connect(printButton, &QPushButton::clicked, this, &IntraFormResultWindow::print);
    connect(exit, &QPushButton::clicked, this, &QDialog::accept);
    if (!lines.isEmpty())
        m_list->setCurrentIndex(m_model->index(0, 0));
    showCurrent();
    resize(900, 480);
}

void IntraFormResultWindow::showCurrent()
{
    const int row = m_list->currentIndex().row();
    m_text->setText(row >= 0 && row < m_lines.size() ? m_lines.at(row).text : QString());
}

void IntraFormResultWindow::print()
{
    if (!m_sink)
        return;
    const auto pages =
        ControlRun::printResults(m_lines, m_year, m_districtName, m_institutionName, m_notes);
    const auto sent = m_sink->output(pages, ControlRun::resultsTitle());
    if (!sent)
        m_prompter.message(sent.error().message);
}

IntraFormRunWindow::IntraFormRunWindow(data::DataContext &data, const shell::AppState &state,
                                       runtime::Prompter &prompter,
                                       std::shared_ptr<shell::ui::Choices> choices,
                                       runtime::report::PageSink &sink, const QDate &today,
                                       QWidget *parent)
    : QDialog(parent), m_data(data), m_state(state), m_prompter(prompter),
      m_choices(std::move(choices)), m_sink(sink), m_year(state.globYear)
{
    setObjectName(QStringLiteral("P1$SCRL"));
    setWindowTitle(title());
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Год"), this));
    auto *yearField = createControl<QLineEdit>(this, QStringLiteral("?GLOBYEAR"));
    yearField->setReadOnly(true);
    yearField->setText(QString::number(m_year));
    yearField->setMaximumWidth(60);
    top->addWidget(yearField);
    const int period = ControlRun::defaultPeriod(today);
    top->addWidget(new QLabel(QStringLiteral("за период с "), this));
    m_from = periodField(this, QStringLiteral("?MES1"), period);
    top->addWidget(m_from);
    top->addWidget(new QLabel(QStringLiteral(" по "), this));
    m_to = periodField(this, QStringLiteral("?MES2"), period);
    top->addWidget(m_to);
    top->addStretch();
    layout->addLayout(top);

    auto *scopeBox = createControl<QGroupBox>(this, QStringLiteral("?OPTION1"));
    auto *scopeRow = new QHBoxLayout(scopeBox);
    m_scope =
        optionGroup(scopeBox, scopeRow, QStringLiteral("?OPTION1"),
                    {QStringLiteral("  ЛПУ"), QStringLiteral("Разрез ЛПУ"), QStringLiteral("РАЙОН"),
                     QStringLiteral("Разрез  районы"), QStringLiteral("ОБЛАСТЬ")},
                    int(RunScope::District));
    m_oneDistrict =
        createControl<QCheckBox>(this, QStringLiteral("?LOCRAI"), QStringLiteral("1район"));
    scopeRow->addWidget(m_oneDistrict);
    layout->addWidget(scopeBox);

    m_model = new QueueModel(3, this);
    const auto forms = ControlRun::yearForms(data, m_year);
    if (forms)
        m_forms = *forms;
    QList<QVariantList> rows;
    for (const RunForm &f : m_forms)
        rows.append({f.code, 0, f.name});
    m_model->setLines(rows);
    m_model->setMarkColumn(1, 1);
    auto *list = createControl<QTableView>(this, QStringLiteral("?LIST1"));
    bindList(list, m_model, formListFormat)
        ->setDoubleClickAction(ListBinding::DoubleClick::ToggleMark);
    layout->addWidget(list, 1);

    auto *buttons = new QHBoxLayout;
    auto *reset =
        createControl<QPushButton>(this, QStringLiteral("?SBROS"), QStringLiteral("Cброс отметки"));
    auto *all = createControl<QPushButton>(this, QStringLiteral("?ALLES"),
                                           QStringLiteral("Выделить все формы "));
    auto *ok = createControl<QPushButton>(this, QStringLiteral("?OK"), QStringLiteral("Контроль"));
    auto *cancel =
        createControl<QPushButton>(this, QStringLiteral("?CANCEL"), QStringLiteral("Выход"));
    buttons->addWidget(reset);
    buttons->addWidget(all);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    connect(reset, &QPushButton::clicked, this, [this] { markAll(false); });
    connect(all, &QPushButton::clicked, this, [this] { markAll(true); });
    connect(ok, &QPushButton::clicked, this, &IntraFormRunWindow::check);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(640, 520);
}

void IntraFormRunWindow::markAll(bool marked)
{
    for (int row = 0; row < m_model->rowCount(); ++row)
        m_model->setMarked(row, marked);
}

bool IntraFormRunWindow::chooseEntities(RunRequest &request, QString &districtName,
                                        QString &institutionName)
{
    auto district = [&]() -> std::optional<shell::PickedEntry> {
        auto picked = m_choices->chooseDistrict(shell::ui::Choices::districts, this);
        if (!picked)
            m_prompter.beep();
        return picked;
    };
    switch (request.scope) {
    case RunScope::Institution: {
        const auto d = district();
        if (!d)
            return false;
        shell::ui::InstitutionQuestion question;
        question.district = d->code;
        const auto inst = m_choices->chooseInstitution(question, this);
        if (!inst.chosen()) {
            m_prompter.beep();
            return false;
        }
        districtName = d->name.trimmed();
        institutionName = inst.name.trimmed();
        request.entities = {RunEntity{inst.code, int(d->code), inst.name, d->name}};
        return true;
    }
    case RunScope::Institutions: {
        std::optional<int> only;
        if (request.oneDistrict) {
            const auto d = district();
            if (!d)
                return false;
            only = int(d->code);
            districtName = d->name.trimmed();
        }
        const auto listed = ControlRun::institutions(m_data, m_state, m_year, only);
        if (!listed)
            return false;
        request.entities = *listed;
        return true;
    }
    case RunScope::District: {
        const auto d = district();
        if (!d)
            return false;
        districtName = d->name.trimmed();
        request.entities = {RunEntity{0, int(d->code), d->name, d->name}};
        return true;
    }
    case RunScope::Districts: {
        const auto listed = ControlRun::districts(m_data);
        if (!listed)
            return false;
        request.entities = *listed;
        return true;
    }
    case RunScope::Region:
        return true;
    }
    return false;
}

void IntraFormRunWindow::check()
{
    RunRequest request;
    request.year = m_year;
    request.periodFrom = m_from->value();
    request.periodTo = m_to->value();
    if (!ControlRun::periodRangeValid(request.periodFrom, request.periodTo)) {
        m_prompter.message(ControlRun::badPeriodText());
        return;
    }
    request.scope = RunScope(m_scope->checkedId());
    request.oneDistrict = m_oneDistrict->isChecked();
    for (int row : m_model->markedRows())
        request.forms.append(m_forms.at(row));
    QString districtName;
    QString institutionName;
    if (!chooseEntities(request, districtName, institutionName))
        return;

    DataFileReportSource source(m_data);
    runtime::ui::ProgressWindow progress(title(), this);
    const auto outcome = ControlRun(m_data, source).run(request, &progress);
    progress.finish();
    if (!outcome) {
        m_prompter.message(outcome.error().code == runtime::ErrorCode::Cancelled
                               ? ControlRun::cancelledText()
                               : outcome.error().message);
        return;
    }
    showRunResults(request, *outcome, districtName, institutionName, m_prompter, &m_sink, this);
}

void showRunResults(const RunRequest &request, const RunOutcome &outcome,
                    const QString &districtName, const QString &institutionName,
                    runtime::Prompter &prompter, runtime::report::PageSink *sink, QWidget *parent)
{
    if (!ControlRun::showsResultList(outcome)) {
        if (const QString closing = ControlRun::closingMessage(request, outcome);
            !closing.isEmpty())
            prompter.message(closing);
        return;
    }
    IntraFormResultWindow results(ControlRun::resultLines(request, outcome), request.year,
                                  districtName, institutionName, prompter, sink, parent,
                                  ControlRun::notes(request, outcome));
    results.exec();
}

void RunResultsDialog::show(const RunRequest &request, const RunOutcome &outcome)
{
    QString districtName;
    QString institutionName;
    const bool one = request.scope == RunScope::Institution || request.scope == RunScope::District;
    if (one && !request.entities.isEmpty()) {
        const RunEntity &e = request.entities.first();
        districtName = e.districtName.trimmed();
        institutionName = request.scope == RunScope::Institution ? e.name.trimmed() : QString();
    }
    showRunResults(request, outcome, districtName, institutionName, m_prompter, m_sink, m_parent);
}

void runIntraFormControls(data::DataContext &data, const shell::ui::Services &services,
                          QWidget *parent)
{
    IntraFormRunWindow window(data, services.state, services.prompter, services.choices,
                              *services.pages, services.now().date(), parent);
    window.exec();
}

} // namespace zemor::entry::ui
