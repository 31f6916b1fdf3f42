#include "exchange/ui/DbfImportWindows.h"

#include "runtime/core/Prompter.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ProgressWindow.h"
#include "runtime/ui/WindowParts.h"
#include "shell/AppState.h"
#include "shell/ui/Choices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zemor::exchange::ui {

using runtime::ui::commandButton;
using runtime::ui::createControl;

namespace {

QString dropTrailingBlanks(QString text)
{
    qsizetype n = text.size();
    while (n > 0 && text.at(n - 1).isSpace())
        --n;
    text.truncate(n);
    return text;
}

QLineEdit *numberField(QWidget *window, const QString &equate, int value, int top)
{
    auto *field = createControl<QLineEdit>(window, equate, QString::number(value));
    field->setValidator(new QIntValidator(0, top, field));
    field->setMaximumWidth(70);
    return field;
}

} // namespace

DbfPathWindow::DbfPathWindow(const ExchangeServices &services, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("P1$SCRY"));
    setWindowTitle(QStringLiteral("Загрузка отчетов из программы ОМС "));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("Отметте мышкой  формы, которые нужно скопировать"), this));
    const QStringList choices = DbfImport::pathChoices();
    m_path =
        addPathRow(this, layout, services, QStringLiteral("?PATH_1:2"), choices, choices.first());
    addYearRow(this, layout, QStringLiteral("?GLOBYEAR"), services.state.globYear);
    auto *go =
        createControl<QPushButton>(this, QStringLiteral("?WMES"), QStringLiteral("Продолжить"));
    layout->addWidget(go, 0, Qt::AlignRight);

    connect(go, &QPushButton::clicked, this, &QDialog::accept);
    resize(560, sizeHint().height());
}

QString DbfPathWindow::path() const
{
    return withSeparator(m_path->currentText().trimmed());
}

DbfFilesWindow::DbfFilesWindow(data::DataContext &context, const ExchangeServices &services,
                               const QString &path, QList<DbfFile> files,
                               const DbfInstitution &institution, QWidget *parent)
    : QDialog(parent), m_services(services), m_importer(context, institution.target),
      m_files(std::move(files))
{
    setObjectName(QStringLiteral("P1$SCRL"));
    setWindowTitle(QStringLiteral("Загрузка отчетов из новой прогр. счета ЛПУ"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(createControl<QLabel>(this, QStringLiteral("?P1"), path));

    auto *who = new QHBoxLayout;
    who->addWidget(createControl<QLabel>(this, QStringLiteral("?LOCCODUCH"),
                                         QString::number(institution.target.institution)));
    who->addWidget(
        createControl<QLabel>(this, QStringLiteral("?LOCNAMEREG"), institution.districtName));
    who->addWidget(createControl<QLabel>(this, QStringLiteral("?LOCNAZVUCH"), institution.text), 1);
    layout->addLayout(who);

    auto *when = new QHBoxLayout;
    when->addWidget(new QLabel(QStringLiteral("год"), this));
    m_year = numberField(this, QStringLiteral("?PYEAR"), services.state.globYear, 9999);
    when->addWidget(m_year);
    when->addWidget(new QLabel(QStringLiteral("месяц(кварт)"), this));
    m_period = numberField(this, QStringLiteral("?PMES"), 0, 999);
    when->addWidget(m_period);
    m_typed =
        createControl<QCheckBox>(this, QStringLiteral("?PLOC"), QStringLiteral("Загружать в "));
    m_typed->setChecked(true);
    when->addWidget(m_typed);
    auto *note = new QVBoxLayout;
    for (const QString &line : {QStringLiteral("Если галочку убрать, отчеты будут "),
                                QStringLiteral("загружаться в соответствии с "),
                                QStringLiteral("графами Год и Месяц таблицы ")})
        note->addWidget(new QLabel(line, this));
    when->addLayout(note);
    when->addStretch(1);
    layout->addLayout(when);

    auto *heading = new QHBoxLayout;
    heading->addWidget(new QLabel(QStringLiteral("Отметте  файлы для загрузки"), this));
    heading->addSpacing(40);
    heading->addWidget(new QLabel(QStringLiteral("Отчет за"), this));
    heading->addStretch(1);
    layout->addLayout(heading);
    m_list = makeList(this, QStringLiteral("?LIST1"), 7,
                      QStringLiteral("44C|M~Отметка~@s1@24R(2)|M~Год~C(0)20R(2)|M~Месяц~C(0)"
                                     "20R(2)|M~Форма~C(0)16R(2)|M~Тип~C(0)"
                                     "120L(2)|M~Имя файла~@s250@40R(2)|M~Число записей~C(0)"));
    m_list.model->setMarkColumn(0, 0);
    m_list.view->horizontalHeader()->setStretchLastSection(false);
    m_list.view->horizontalHeader()->setSectionResizeMode(5, QHeaderView::Stretch);
    m_list.binding->setDoubleClickAction(runtime::ui::ListBinding::DoubleClick::ToggleMark);
    layout->addWidget(m_list.view, 1);

    auto *counts = new QHBoxLayout;
    auto *ok = commandButton(this, QStringLiteral("?OKBUTTON"), QStringLiteral("ЗАГРУЗИТЬ"));
    counts->addWidget(ok);
    counts->addSpacing(20);
    counts->addWidget(new QLabel(QStringLiteral("Загружено строк:"), this));
    m_added = createControl<QLabel>(this, QStringLiteral("?LOCZAP"), QStringLiteral("0"));
    counts->addWidget(m_added);
    counts->addSpacing(20);
    counts->addWidget(new QLabel(QStringLiteral("Уже были в отчете:"), this));
    m_present = createControl<QLabel>(this, QStringLiteral("?ERR"), QStringLiteral("0"));
    counts->addWidget(m_present);
    counts->addStretch(1);
    layout->addLayout(counts);
    layout->addWidget(new QLabel(
        QStringLiteral("Не загружены строки: (данных строк нет в указанной форме)"), this));
    m_notFound = createControl<QLabel>(this, QStringLiteral("?ERR_STR"));
    m_notFound->setWordWrap(true);
    m_notFound->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_notFound);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch(1);
    auto *quit = commandButton(this, QStringLiteral("?CANCELBUTTON"), QStringLiteral("Выход"));
    bottom->addWidget(quit);
    layout->addLayout(bottom);

    connect(m_list.model, &runtime::ui::QueueModel::markChanged, this,
            [this](int row, bool marked) {
                if (row >= 0 && row < m_files.size())
                    m_files[row].marked = marked;
            });
    connect(ok, &QPushButton::clicked, this, &DbfFilesWindow::load);
    connect(quit, &QPushButton::clicked, this, &QDialog::reject);

    showFiles();
    resize(900, 560);
}

void DbfFilesWindow::showFiles()
{
    QList<QVariantList> lines;
    for (const DbfFile &f : m_files)
        lines.append({f.marked ? 1 : 0, f.year, f.month, f.form, f.type, f.name, f.records});
    m_list.model->setLines(std::move(lines));
    m_list.binding->widenToContents({1, 2, 3, 4, 6});
    if (!m_files.isEmpty())
        m_list.binding->selectRow(0);
}

void DbfFilesWindow::load()
{
    if (m_list.binding->currentRow() < 0)
        return;
    const DbfPeriodChoice choice{m_typed->isChecked(), m_year->text().toInt(),
                                 m_period->text().toInt()};
    runtime::ui::ProgressWindow progress(windowTitle(), this);
    m_last = m_importer.load(m_files, choice, &progress);
    progress.finish();
    m_added->setText(QString::number(m_last.added));
    m_present->setText(QString::number(m_last.present));
    m_notFound->setText(m_last.rowsNotFound);
    if (!m_last.messages.isEmpty())
        m_services.prompter.message(m_last.messages.join(QLatin1Char('|')));
    m_services.prompter.message(m_last.cancelled
                                    ? DbfImport::cancelledText(m_last)
                                    : DbfImport::doneText(m_last.added, m_last.present));
}

void importDbfReports(data::DataContext &context, const ExchangeServices &services, QWidget *parent)
{
    shell::ui::Choices &choices = *services.choices;
    const auto district = choices.chooseDistrict(shell::ui::Choices::districts, parent);
    if (!district || district->code == 0)
        return;
    const shell::ui::InstitutionChoice chosen =
        choices.chooseInstitution({district->code, std::nullopt, {}}, parent);
    if (!chosen.chosen())
        return;
    DbfInstitution institution;
    institution.target = DbfTarget{int(district->code), chosen.code};
    institution.districtName = dropTrailingBlanks(district->name);
    institution.text = QString::number(chosen.code) + QLatin1Char(' ') + institution.districtName +
                       QLatin1Char(' ') + dropTrailingBlanks(chosen.name);

    DbfPathWindow pathWindow(services, parent);
    if (pathWindow.exec() != QDialog::Accepted)
        return;
    const QString path = pathWindow.path();
    QList<DbfFile> files;
    const auto folder = ImportReports::folder(path);
    const auto scanned = folder ? DbfImport::scan(*folder)
                                : runtime::Result<QList<DbfFile>>(std::unexpected(folder.error()));
    if (scanned)
        files = *scanned;
    else
        services.prompter.message(path + QStringLiteral(": ") + scanned.error().message);
    DbfFilesWindow window(context, services, path, std::move(files), institution, parent);
    window.exec();
}

} // namespace zemor::exchange::ui
