#include "exchange/ui/OldFormatWindows.h"

#include "exchange/ui/ImportWindows.h"
#include "runtime/core/Prompter.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ProgressWindow.h"
#include "runtime/ui/WindowParts.h"
#include "shell/AppState.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zemor::exchange::ui {

using runtime::ui::commandButton;
using runtime::ui::createControl;

namespace {

QString hint()
{
    return QStringLiteral("Отметте мышкой  формы, которые нужно скопировать");
}

} // namespace

OldPathWindow::OldPathWindow(const ExchangeServices &services, const QString &path, QWidget *parent)
    : QDialog(parent), m_services(services)
{
    setObjectName(QStringLiteral("P1$SCRY"));
    setWindowTitle(QStringLiteral("Загрузка отчетов из программы  "));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(hint(), this));
    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(new QLabel(QStringLiteral("ПУТЬ :"), this));
    m_path = createControl<QLineEdit>(this, QStringLiteral("?PATH1"));
    m_path->setText(path);
    pathRow->addWidget(m_path, 1);
    pathRow->addWidget(commandButton(this, QStringLiteral("?VIBOR_DIR"), QStringLiteral("...")));
    layout->addLayout(pathRow);
    addYearRow(this, layout, QStringLiteral("?GLOBYEAR"), services.state.globYear);
    auto *go =
        createControl<QPushButton>(this, QStringLiteral("?WMES"), QStringLiteral("Продолжить"));
    layout->addWidget(go, 0, Qt::AlignRight);
    connect(findChild<QPushButton *>(QStringLiteral("?VIBOR_DIR")), &QPushButton::clicked, this,
            [this] {
                const QString chosen = chooseFolder(m_services, this);
                if (!chosen.isEmpty())
                    m_path->setText(chosen);
            });
    connect(go, &QPushButton::clicked, this, &QDialog::accept);
    resize(560, sizeHint().height());
}

QString OldPathWindow::path() const
{
    return withSeparator(m_path->text());
}

OldFilesWindow::OldFilesWindow(data::DataContext &context, const ExchangeServices &services,
                               const QString &path, QList<OldFile> files, OldScan scan,
                               QWidget *parent)
    : QDialog(parent), m_services(services),
      m_importer(context, services.prompter, services.state.globYear), m_files(std::move(files)),
      m_scan(std::move(scan))
{
    setObjectName(QStringLiteral("P1$SCRL"));
    setWindowTitle(QStringLiteral("Загрузка отчетов "));
    m_importer.setRunViewer(&runResults(m_services, m_runViewer, this));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(hint(), this));
    layout->addWidget(createControl<QLabel>(this, QStringLiteral("?P1"), path));

    auto *lists = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    auto *formsRow = new QHBoxLayout;
    formsRow->addWidget(new QLabel(QStringLiteral("Формы"), this));
    auto *all =
        createControl<QCheckBox>(this, QStringLiteral("?CHECK1"), QStringLiteral("Отметить все"));
    formsRow->addWidget(all);
    formsRow->addStretch(1);
    left->addLayout(formsRow);
    m_fileList = makeList(this, QStringLiteral("?LIST1"), 5,
                          QStringLiteral("24R(2)|M~Код~C(0)@n3@24R(2)|M~период~C(0)"
                                         "160L(2)|M~наименование формы~@s200@12C|M~~@s1@"
                                         "60L(2)|M~~@s255@"));
    m_fileList.model->setMarkColumn(3, 3);
    m_fileList.binding->setDoubleClickAction(runtime::ui::ListBinding::DoubleClick::ToggleMark);
    m_fileList.binding->setClickMarks(true);
    left->addWidget(m_fileList.view, 2);
    auto *resultRow = new QHBoxLayout;
    resultRow->addWidget(new QLabel(QStringLiteral("Результат копирования"), this));
    resultRow->addStretch(1);
    m_total = createControl<QLabel>(this, QStringLiteral("?LOCZAP"));
    resultRow->addWidget(m_total);
    left->addLayout(resultRow);
    m_results = makeResultList(this, QStringLiteral("?LIST2"));
    left->addWidget(m_results.view, 1);
    lists->addLayout(left, 3);

    auto *right = new QVBoxLayout;
    m_institutions = addInstitutionList(this, right, m_scan.institutions);
    m_option = addLoadOption(this, right, QStringLiteral("Выбрать из списка"), 1);
    lists->addLayout(right, 2);
    layout->addLayout(lists, 1);

    auto *bottom = new QHBoxLayout;
    auto *ok = commandButton(this, QStringLiteral("?OKBUTTON"), QStringLiteral("Загрузить"));
    auto *complete = commandButton(this, QStringLiteral("?BUTTON3"), {});
    auto *quit = commandButton(this, QStringLiteral("?CANCELBUTTON"), QStringLiteral("Выход"));
    bottom->addWidget(ok);
    bottom->addWidget(complete);
    bottom->addStretch(1);
    bottom->addWidget(quit);
    layout->addLayout(bottom);

    connect(all, &QCheckBox::toggled, this, [this](bool on) {
        for (OldFile &f : m_files)
            f.marked = on;
        showFiles();
    });
    connect(m_fileList.model, &runtime::ui::QueueModel::markChanged, this,
            [this](int row, bool marked) {
                if (row >= 0 && row < m_files.size())
                    m_files[row].marked = marked;
            });
    connect(m_institutions.view, &QTableView::clicked, this,
            [this](const QModelIndex &index) { chooseInstitution(index.row()); });
    connect(ok, &QPushButton::clicked, this, [this] { load(false); });
    connect(complete, &QPushButton::clicked, this, [this] { load(true); });
    connect(quit, &QPushButton::clicked, this, &QDialog::reject);

    showFiles();
    if (m_scan.institutions.size() == 1)
        chooseInstitution(0);
    resize(1100, 640);
}

void OldFilesWindow::showFiles()
{
    const int current = m_fileList.binding->currentRow();
    QList<QVariantList> lines;
    for (const OldFile &f : m_files)
        lines.append(
            {f.form, f.period, f.formName, f.marked ? 1 : 0, QFileInfo(f.path).fileName()});
    m_fileList.model->setLines(std::move(lines));
    m_fileList.binding->widenToContents({0, 1});
    if (!m_files.isEmpty())
        m_fileList.binding->selectRow(qBound(0, current, int(m_files.size()) - 1));
}

void OldFilesWindow::chooseInstitution(int row)
{
    if (row < 0 || row >= m_scan.institutions.size())
        return;
    m_institutions.binding->selectRow(row);
    if (m_option->checkedId() == 1)
        m_chosenInstitution = row;
}

void OldFilesWindow::load(bool complete)
{
    const bool one = m_option->checkedId() == 1;
    // The highlighted line is the chosen one, also when it was highlighted under "все ЛПУ".
    if (one && highlightedRow(m_institutions) >= 0)
        m_chosenInstitution = highlightedRow(m_institutions);
    if (one && (m_chosenInstitution < 0 || m_scan.institutions[m_chosenInstitution].code == 0)) {
        m_services.prompter.message(ImportReports::noInstitutionText());
        return;
    }
    runtime::ui::ProgressWindow progress(windowTitle(), this);
    m_last = one ? m_importer.loadOne(m_files, m_scan.institutions[m_chosenInstitution], complete,
                                      &progress)
                 : m_importer.loadAll(m_files, m_scan.institutions, &progress);
    progress.finish();
    showResults(m_results, m_last.lines);
    m_total->setText(QString::number(m_last.rowsLoaded));
    tellOutcome(m_services.prompter, m_last);
}

void importReportsOldFormat(data::DataContext &context, const ExchangeServices &services,
                            QWidget *parent)
{
    OldPathWindow pathWindow(services, services.state.exchangePath, parent);
    if (pathWindow.exec() != QDialog::Accepted)
        return;
    const QString path = pathWindow.path();
    services.state.exchangePath = path;
    OldFormatImport importer(context, services.prompter, services.state.globYear);
    QList<OldFile> files;
    if (const auto folder = ImportReports::folder(path)) {
        if (auto listed = importer.files(*folder))
            files = std::move(*listed);
    }
    if (files.isEmpty())
        services.prompter.message(ImportReports::noFilesText());
    OldScan scan;
    if (auto found = importer.institutions(files)) {
        scan = std::move(*found);
    } else {
        services.prompter.message(found.error().message);
        return;
    }
    if (!scan.refused.isEmpty())
        services.prompter.message(refusedText(scan.refused));
    if (scan.severalDistricts)
        services.prompter.message(OldFormatImport::severalDistrictsText());
    OldFilesWindow window(context, services, path, std::move(files), std::move(scan), parent);
    window.exec();
}

} // namespace zemor::exchange::ui
