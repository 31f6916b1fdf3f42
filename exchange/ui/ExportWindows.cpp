#include "exchange/ui/ExportWindows.h"

#include "data/records/NameProgRecord.h"
#include "exchange/ExchangeNames.h"
#include "runtime/core/Prompter.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ProgressWindow.h"
#include "shell/AppState.h"
#include "shell/UserSettings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zemor::exchange::ui {

using runtime::ui::createControl;

namespace {

const QStringList monthNames = {
    QStringLiteral("Январь"),  QStringLiteral("Февраль"), QStringLiteral("Март"),
    QStringLiteral("Апрель"),  QStringLiteral("Май"),     QStringLiteral("Июнь"),
    QStringLiteral("Июль"),    QStringLiteral("Август"),  QStringLiteral("Сентябрь"),
    QStringLiteral("Октябрь"), QStringLiteral("Ноябрь"),  QStringLiteral("Декабрь")};

// An option of radios whose values run from 1; none checked is 0.
QButtonGroup *addOption(QDialog *window, QGridLayout *grid, int column, const QString &equate,
                        const QString &title, const QStringList &texts, int value)
{
    auto *box = createControl<QGroupBox>(window, equate, title);
    auto *layout = new QGridLayout(box);
    auto *group = new QButtonGroup(box);
    const int perColumn = texts.size() > 6 ? 6 : int(texts.size());
    for (int i = 0; i < texts.size(); ++i) {
        auto *radio =
            createControl<QRadioButton>(window, equate + u':' + QString::number(i + 1), texts[i]);
        group->addButton(radio, i + 1);
        layout->addWidget(radio, i % perColumn, i / perColumn);
        radio->setChecked(i + 1 == value);
    }
    grid->addWidget(box, 0, column, Qt::AlignTop);
    return group;
}

int optionValue(const QButtonGroup *group)
{
    return qMax(0, group->checkedId());
}

QLabel *addField(QWidget *window, QBoxLayout *row, const QString &caption, const QString &equate)
{
    if (!caption.isEmpty())
        row->addWidget(new QLabel(caption, window));
    auto *field = createControl<QLabel>(window, equate);
    field->setFrameShape(QFrame::StyledPanel);
    field->setTextInteractionFlags(Qt::TextSelectableByMouse);
    field->setMinimumWidth(field->fontMetrics().averageCharWidth() * 8);
    row->addWidget(field);
    return field;
}

QList<QVariantList> formLines(const QList<ExportForm> &forms)
{
    QList<QVariantList> lines;
    for (const ExportForm &f : forms)
        lines.append({f.code, f.marked ? 1 : 0, f.name,
                      f.periodicity == 0 ? QVariant() : QVariant(f.period), f.kindText()});
    return lines;
}

} // namespace

ExportPeriodWindow::ExportPeriodWindow(const ExchangeServices &services,
                                       const QStringList &pathChoices, const ExportPeriods &last,
                                       QWidget *parent)
    : QDialog(parent), m_services(services)
{
    setObjectName(QStringLiteral("P1$SCRY"));
    setWindowTitle(QStringLiteral("Выгрузка отчетов "));
    auto *layout = new QVBoxLayout(this);

    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(new QLabel(QStringLiteral("ПУТЬ :"), this));
    m_path = createControl<QLineEdit>(this, QStringLiteral("?PATH1"));
    m_path->setReadOnly(true);
    m_path->setText(pathChoices.value(0));
    pathRow->addWidget(m_path, 1);
    m_choices = createControl<QComboBox>(this, QStringLiteral("?PATH1:2"));
    m_choices->addItems(pathChoices);
    pathRow->addWidget(m_choices);
    auto *chooseDir =
        createControl<QPushButton>(this, QStringLiteral("?VIBOR_DIR"), QStringLiteral("..."));
    chooseDir->setAutoDefault(false);
    pathRow->addWidget(chooseDir);
    layout->addLayout(pathRow);

    addYearRow(this, layout, QStringLiteral("?GLOBYEAR"), services.state.globYear);

    auto *grid = new QGridLayout;
    m_month = addOption(this, grid, 0, QStringLiteral("?MES"), QStringLiteral("Ежемесячные отчеты"),
                        monthNames, last.month);
    m_quarter =
        addOption(this, grid, 1, QStringLiteral("?MES2"), QStringLiteral("Ежеквартальные отчеты"),
                  {QStringLiteral("1квартал"), QStringLiteral("2квартал"),
                   QStringLiteral("3квартал"), QStringLiteral("4квартал")},
                  last.quarter);
    m_halfYear =
        addOption(this, grid, 2, QStringLiteral("?MES3"), QStringLiteral("Полугодовые отчеты"),
                  {QStringLiteral("1полугодие"), QStringLiteral("2полугодие")}, last.halfYear);
    layout->addLayout(grid);
    m_annual = createControl<QCheckBox>(this, QStringLiteral("?GOD"),
                                        QStringLiteral("Годовая отчетность"));
    m_annual->setChecked(true);
    layout->addWidget(m_annual);

    auto *go =
        createControl<QPushButton>(this, QStringLiteral("?WMES"), QStringLiteral("Продолжить"));
    layout->addWidget(go, 0, Qt::AlignRight);

    connect(m_choices, &QComboBox::activated, this,
            [this](int index) { m_path->setText(m_choices->itemText(index)); });
    connect(chooseDir, &QPushButton::clicked, this, [this] {
        const QString chosen = chooseFolder(m_services, this);
        if (!chosen.isEmpty())
            m_path->setText(chosen);
    });
    connect(go, &QPushButton::clicked, this, &QDialog::accept);
}

ExportPeriods ExportPeriodWindow::periods() const
{
    return {optionValue(m_month), optionValue(m_quarter), optionValue(m_halfYear),
            m_annual->isChecked()};
}

QString ExportPeriodWindow::path() const
{
    return m_path->text();
}

ExportFormsWindow::ExportFormsWindow(data::DataContext &context, const ExchangeServices &services,
                                     const QString &path, QList<ExportForm> forms,
                                     const QString &recipient, QWidget *parent)
    : QDialog(parent), m_context(context), m_services(services), m_exporter(context),
      m_scope(ExportScope::of(services.state)), m_path(withSeparator(path)), m_recipient(recipient),
      m_forms(std::move(forms))
{
    setObjectName(QStringLiteral("P1$SCRL"));
    setWindowTitle(QStringLiteral("Выгрузка отчетов на дискету"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("Отметте мышкой  формы, которые нужно скопировать"), this));

    auto *top = new QHBoxLayout;
    addField(this, top, QStringLiteral("Год"), QStringLiteral("?GGY"))
        ->setText(QString::number(services.state.globYear));
    addField(this, top, QStringLiteral("ПУТЬ :"), QStringLiteral("?PP"))->setText(m_path);
    top->addStretch(1);
    layout->addLayout(top);
    auto *names = new QHBoxLayout;
    m_district = addField(this, names, {}, QStringLiteral("?LN"));
    m_institution = addField(this, names, {}, QStringLiteral("?LNU"));
    addField(this, names, {}, QStringLiteral("?LOCCODUCH"))
        ->setText(m_scope.kind == ExportScope::Kind::Institution
                      ? QString::number(m_scope.institution)
                      : QString());
    names->addStretch(1);
    layout->addLayout(names);

    auto *formsRow = new QHBoxLayout;
    formsRow->addWidget(new QLabel(QStringLiteral("Формы"), this));
    auto *all = createControl<QCheckBox>(this, QStringLiteral("?CHECK1"),
                                         QStringLiteral("отметить все формы"));
    formsRow->addWidget(all);
    formsRow->addStretch(1);
    layout->addLayout(formsRow);
    m_formList = makeList(this, QStringLiteral("?LIST1"), 5,
                          QStringLiteral("20R(2)|M~Код~C(0)@n3@38C|M~отметка~@s1@"
                                         "200L(2)|M~наименование~@s200@24R(2)|M~период~C(0)"
                                         "40L(2)|M~~@s10@"));
    m_formList.model->setMarkColumn(1, 1);
    m_formList.binding->setDoubleClickAction(runtime::ui::ListBinding::DoubleClick::ToggleMark);
    m_formList.binding->setClickMarks(true);
    layout->addWidget(m_formList.view, 2);

    auto *resultsRow = new QHBoxLayout;
    resultsRow->addWidget(new QLabel(QStringLiteral("Выгруженные отчеты"), this));
    resultsRow->addStretch(1);
    m_sum = addField(this, resultsRow, {}, QStringLiteral("?SUMZAP"));
    layout->addLayout(resultsRow);
    m_results = makeList(this, QStringLiteral("?LIST2"), 4,
                         QStringLiteral("20R(2)|M~Код~C(0)@n3@200L(2)|M~Форма~@s100@"
                                        "60L(2)|M~~@s15@40R(2)|M~Число записей~C(0)"));
    layout->addWidget(m_results.view, 1);

    auto *bottom = new QHBoxLayout;
    m_formRows = addField(this, bottom, {}, QStringLiteral("?LOCZAP"));
    m_text = addField(this, bottom, {}, QStringLiteral("?TEXT1"));
    bottom->setStretchFactor(m_text, 1);
    auto *ok =
        createControl<QPushButton>(this, QStringLiteral("?OKBUTTON"), QStringLiteral("Выгрузить"));
    ok->setAutoDefault(false);
    bottom->addWidget(ok);
    layout->addLayout(bottom);

    connect(all, &QCheckBox::toggled, this, [this](bool on) {
        for (ExportForm &f : m_forms)
            f.marked = on;
        showForms();
    });
    connect(m_formList.model, &runtime::ui::QueueModel::markChanged, this,
            [this](int row, bool marked) {
                if (row >= 0 && row < m_forms.size())
                    m_forms[row].marked = marked;
            });
    connect(ok, &QPushButton::clicked, this, [this] { exportMarked(); });

    showForms();
    showNames();
    resize(900, 620);
}

void ExportFormsWindow::showForms()
{
    const int current = m_formList.binding->currentRow();
    m_formList.model->setLines(formLines(m_forms));
    m_formList.binding->widenToContents({0, 3});
    if (!m_forms.isEmpty())
        m_formList.binding->selectRow(qBound(0, current, int(m_forms.size()) - 1));
}

void ExportFormsWindow::showNames()
{
    if (m_scope.kind == ExportScope::Kind::Region) {
        m_institution->setText(QStringLiteral("Все ЛПУ"));
        return;
    }
    ExchangeNames names(m_context);
    const auto district = names.district(m_scope.district);
    bool found = district && district->has_value();
    if (found)
        m_district->setText(district->value().trimmed());
    if (m_scope.kind == ExportScope::Kind::Institution) {
        const auto institution = names.institution(m_scope.institution);
        if (institution && institution->has_value())
            m_institution->setText(institution->value().name.trimmed());
        else
            found = false;
    }
    if (!found)
        m_services.prompter.message(ExportReports::badSettingsText());
}

void ExportFormsWindow::exportMarked()
{
    if (m_scope.kind == ExportScope::Kind::Institution && m_scope.institution == 0) {
        m_services.prompter.message(ExportReports::noInstitutionText());
        reject();
        return;
    }
    const bool anyMarked =
        std::any_of(m_forms.cbegin(), m_forms.cend(), [](const ExportForm &f) { return f.marked; });
    if (!anyMarked) {
        m_services.prompter.message(ExportReports::noFormsText());
        return;
    }
    m_sum->setText(QStringLiteral("0"));
    const ExportRequest request{m_services.state.globYear, m_scope, m_path, m_forms};
    const auto run = m_exporter.controlRequest(request);
    if (!run) {
        m_services.prompter.message(run.error().message);
        return;
    }
    runtime::ui::ProgressWindow progress(windowTitle(), this);
    const auto controls = m_exporter.runControls(*run, &progress);
    progress.finish();
    if (!controls) {
        m_services.prompter.message(controls.error().message);
        return;
    }
    if (progress.cancelled())
        return;
    runResults(m_services, m_runViewer, this).show(*run, *controls);
    if (controls->callerError() &&
        m_services.prompter.message(ExportReports::controlsQuestion(), {},
                                    QStringLiteral("&ДА|&НЕТ"), runtime::MessageIcon::Question,
                                    2) != 1)
        return;

    runtime::ui::ProgressWindow writing(windowTitle(), this);
    const auto result = m_exporter.write(request, &writing);
    writing.finish();
    if (!result) {
        m_services.prompter.message(result.error().message);
        return;
    }
    for (const ExportLine &line : result->lines)
        m_results.model->appendLine({line.code, line.name, line.periodText, line.rows});
    m_results.binding->widenToContents({0, 3});
    m_total = result->total;
    m_sum->setText(QString::number(result->total));
    m_formRows->setText(result->lines.isEmpty() ? QString()
                                                : QString::number(result->lines.last().rows));
    if (result->target.isEmpty()) {
        m_services.prompter.message(ExportReports::nothingExportedText());
        m_text->setText(ExportReports::checkReportsText());
    } else {
        m_text->setText(ExportReports::resultText(result->fileName, m_recipient));
        m_services.prompter.message(ExportReports::doneText());
    }
    if (m_results.model->rowCount() > 0)
        m_results.binding->selectRow(m_results.model->rowCount() - 1);
}

QString exportRecipient(data::DataContext &context, const shell::AppState &state)
{
    const auto read = shell::UserSettings::readNameProg(context);
    QByteArray bytes = read && read->has_value() ? **read : QByteArray();
    if (bytes.isEmpty())
        return ExportReports::recipient(state.globCodReg, {}, {}, {});
    const data::NameProgRecord names(bytes);
    return ExportReports::recipient(state.globCodReg, names.mail(), names.mailTar(),
                                    names.mailSar());
}

void exportReports(data::DataContext &context, const ExchangeServices &services, QWidget *parent)
{
    const QString recipient = exportRecipient(context, services.state);
    const auto [s1, s2] = userFolders(context);
    const QStringList choices = ExportReports::pathChoices(s1, s2);
    ExportReports exporter(context);
    ExportPeriods last;
    for (;;) {
        ExportPeriodWindow periods(services, choices, last, parent);
        if (periods.exec() != QDialog::Accepted)
            return;
        last = periods.periods();
        services.state.exchangePath = periods.path();
        const auto forms = exporter.forms(services.state.globYear, last);
        if (!forms) {
            services.prompter.message(forms.error().message);
            return;
        }
        if (forms->isEmpty()) {
            services.prompter.message(ExportReports::noPeriodText());
            continue;
        }
        ExportFormsWindow window(context, services, periods.path(), *forms, recipient, parent);
        window.exec();
        return;
    }
}

} // namespace zemor::exchange::ui
