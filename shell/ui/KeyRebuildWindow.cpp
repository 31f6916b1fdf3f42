#include "shell/ui/KeyRebuildWindow.h"

#include "runtime/ui/Controls.h"
#include "runtime/ui/ProgressWindow.h"
#include "shell/KeyRebuild.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zemor::shell::ui {

using runtime::ui::createControl;

namespace {

QLineEdit *numberField(QWidget *parent, const QString &equate, int digits, bool readOnly)
{
    auto *field = createControl<QLineEdit>(parent, equate);
    field->setReadOnly(readOnly);
    field->setAlignment(Qt::AlignRight);
    field->setMaxLength(digits);
    field->setFixedWidth(
        field->fontMetrics().horizontalAdvance(QString(digits + 2, QLatin1Char('0'))) + 12);
    return field;
}

} // namespace

KeyRebuildWindow::KeyRebuildWindow(data::DataContext &data, runtime::Prompter &prompter, int year,
                                   QWidget *parent)
    : QDialog(parent), m_data(data), m_prompter(prompter), m_year(year)
{
    setObjectName(QStringLiteral("P1$SCRL"));
    setWindowTitle(title());
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    auto *yearRow = new QHBoxLayout;
    yearRow->addWidget(new QLabel(QStringLiteral("Год"), this));
    auto *yearField = numberField(this, QStringLiteral("?GLOBYEAR"), 4, true);
    yearField->setText(QString::number(year));
    yearRow->addWidget(yearField);
    yearRow->addStretch();
    layout->addLayout(yearRow);

    auto *one = new QGroupBox(this);
    auto *oneRow = new QHBoxLayout(one);
    oneRow->addWidget(new QLabel(QStringLiteral("Код формы"), one));
    m_form = numberField(this, QStringLiteral("?LOCCODFORM"), 3, false);
    m_form->setValidator(new QIntValidator(0, 999, m_form));
    m_form->setText(QStringLiteral("0"));
    oneRow->addWidget(m_form);
    auto *oneButton =
        createControl<QPushButton>(this, QStringLiteral("?OK_KOD"), QStringLiteral("Восстановить"));
    oneRow->addWidget(oneButton);
    oneRow->addStretch();
    layout->addWidget(one);

    auto *groups = new QGroupBox(this);
    auto *groupsLayout = new QVBoxLayout(groups);
    m_allForms =
        createControl<QCheckBox>(this, QStringLiteral("?CHECK1"), QStringLiteral("Все формы"));
    m_catalogues = createControl<QCheckBox>(this, QStringLiteral("?CHECK2"),
                                            QStringLiteral("Справочники форм, контролей"));
    m_reference = createControl<QCheckBox>(this, QStringLiteral("?CHECK3"),
                                           QStringLiteral("Справочники ЛПУ, показатели"));
    groupsLayout->addWidget(m_allForms);
    groupsLayout->addWidget(m_catalogues);
    groupsLayout->addWidget(m_reference);
    auto *start =
        createControl<QPushButton>(this, QStringLiteral("?OK"), QStringLiteral("Выполнить"));
    auto *startRow = new QHBoxLayout;
    startRow->addStretch();
    startRow->addWidget(start);
    groupsLayout->addLayout(startRow);
    layout->addWidget(groups);

    auto *progress = new QHBoxLayout;
    m_counter = numberField(this, QStringLiteral("?I#"), 10, true);
    m_counter->setText(QStringLiteral("0"));
    m_current = numberField(this, QStringLiteral("?FOR:UNICOD"), 5, true);
    progress->addWidget(new QLabel(QStringLiteral("Восстановлено файлов"), this));
    progress->addWidget(m_counter);
    progress->addSpacing(12);
    progress->addWidget(new QLabel(QStringLiteral("Форма"), this));
    progress->addWidget(m_current);
    progress->addStretch();
    layout->addLayout(progress);

    connect(oneButton, &QPushButton::clicked, this, &KeyRebuildWindow::rebuildForm);
    connect(start, &QPushButton::clicked, this, &KeyRebuildWindow::rebuildGroups);
    setMinimumWidth(440);
}

void KeyRebuildWindow::rebuildForm()
{
    KeyRebuild(m_data, m_prompter).rebuildForm(m_year, m_form->text().trimmed().toInt());
}

void KeyRebuildWindow::rebuildGroups()
{
    KeyRebuild::Groups groups;
    groups.allForms = m_allForms->isChecked();
    groups.catalogues = m_catalogues->isChecked();
    groups.reference = m_reference->isChecked();
    // The progress window lets the events through between files, which paints the counter and
    // the form here too.
    runtime::ui::ProgressWindow window(title(), this);
    KeyRebuild::Progress progress;
    progress.counter = [this](int n) { m_counter->setText(QString::number(n)); };
    progress.form = [this](qint64 code) { m_current->setText(QString::number(code)); };
    progress.run = &window;
    KeyRebuild(m_data, m_prompter).rebuildGroups(m_year, groups, progress);
    window.finish();
}

void rebuildKeys(data::DataContext &data, runtime::Prompter &prompter, int year, QWidget *parent)
{
    KeyRebuildWindow window(data, prompter, year, parent);
    window.exec();
}

} // namespace zemor::shell::ui
