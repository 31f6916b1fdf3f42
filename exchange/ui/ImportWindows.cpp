#include "exchange/ui/ImportWindows.h"

#include "runtime/core/Prompter.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ProgressWindow.h"
#include "runtime/ui/WindowParts.h"
#include "shell/AppState.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zemor::exchange::ui {

using runtime::ui::commandButton;
using runtime::ui::createControl;

namespace {

QVariantList entryLine(const ImportEntry &e)
{
    return {periodValue(e.kind, e.period),
            e.form,
            e.formName,
            e.mark == ImportEntry::Marked ? 1 : 0,
            e.institution,
            QFileInfo(e.path).fileName(),
            e.institutionText};
}

// The entry list "?LIST1" or "?LISTSW" shown again, on the line it was on.
void showEntryLines(const ExchangeList &list, const QList<ImportEntry> &entries)
{
    const int current = list.binding->currentRow();
    QList<QVariantList> lines;
    for (const ImportEntry &e : entries)
        lines.append(entryLine(e));
    list.model->setLines(std::move(lines));
    list.binding->widenToContents({0, 1, 4});
    if (!entries.isEmpty())
        list.binding->selectRow(qBound(0, current, int(entries.size()) - 1));
}

} // namespace

QString refusedText(const QList<RefusedFile> &refused)
{
    QStringList lines;
    for (const RefusedFile &f : refused)
        lines.append(f.name + QStringLiteral(" ") + f.reason);
    return lines.join(QLatin1Char('|'));
}

ImportPathWindow::ImportPathWindow(const ExchangeServices &services, const QStringList &pathChoices,
                                   const QString &path, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("P1$SCRY"));
    setWindowTitle(QStringLiteral("Загрузка отчетов "));
    auto *layout = new QVBoxLayout(this);
    m_path = addPathRow(this, layout, services, QStringLiteral("?PATH1:2"), pathChoices, path);
    addYearRow(this, layout, QStringLiteral("?GLOBYEAR"), services.state.globYear);
    m_summary = createControl<QCheckBox>(this, QStringLiteral("?SW"),
                                         QStringLiteral("для загрузки сводного отчета"));
    layout->addWidget(m_summary);
    layout->addWidget(
        new QLabel(QStringLiteral("Сводный отчет выгружается из раздела \"СВОД\""), this));
    layout->addWidget(
        new QLabel(QStringLiteral("по нескольким  ЛПУ. Пример файла: ssw284m10F111.dat"), this));
    auto *go =
        createControl<QPushButton>(this, QStringLiteral("?WMES"), QStringLiteral("Загрузить"));
    layout->addWidget(go, 0, Qt::AlignRight);

    connect(go, &QPushButton::clicked, this, &QDialog::accept);
}

QString ImportPathWindow::path() const
{
    return withSeparator(m_path->currentText());
}

bool ImportPathWindow::summaryMode() const
{
    return m_summary->isChecked();
}

ImportListWindow::ImportListWindow(data::DataContext &context, const ExchangeServices &services,
                                   const QString &path, ImportScan scan, QWidget *parent)
    : QDialog(parent), m_services(services),
      m_importer(context, services.prompter, services.state.globYear), m_scan(std::move(scan))
{
    m_importer.adopt(m_scan);
    setObjectName(QStringLiteral("P1$SCRL"));
    setWindowTitle(QStringLiteral("Загрузка отчетов "));
    m_importer.setRunViewer(&runResults(m_services, m_runViewer, this));
    ImportReports::sortForList(m_scan.entries);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("Отметте мышкой  формы, которые нужно загрузить"), this));
    auto *p1 = createControl<QLabel>(this, QStringLiteral("?P1"), path);
    layout->addWidget(p1);

    auto *lists = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    m_all =
        createControl<QCheckBox>(this, QStringLiteral("?CHECK1"), QStringLiteral("Отметить все"));
    left->addWidget(m_all);
    m_entryList = makeList(this, QStringLiteral("?LIST1"), 7,
                           QStringLiteral("24R(2)|M~период~C(0)28R(2)|M~~C(0)@n3@"
                                          "160L(2)|M~ФОРМА~@s200@12C|M~~@s1@"
                                          "28R(2)|M~ЛПУ~C(0)80L(2)|M~Файл~@s255@"));
    m_entryList.model->setMarkColumn(3, 3);
    m_entryList.binding->setDoubleClickAction(runtime::ui::ListBinding::DoubleClick::ToggleMark);
    m_entryList.binding->setClickMarks(true);
    left->addWidget(m_entryList.view, 2);
    left->addWidget(new QLabel(QStringLiteral("Результат загрузки"), this));
    m_results = makeResultList(this, QStringLiteral("?LIST2"));
    left->addWidget(m_results.view, 1);
    lists->addLayout(left, 3);

    auto *right = new QVBoxLayout;
    m_institutions = addInstitutionList(this, right, m_scan.institutions);
    m_files = makeList(this, QStringLiteral("?LIST4"), 1, QStringLiteral("80L(2)|M~Файл~@s255@"));
    right->addWidget(m_files.view, 1);
    m_option = addLoadOption(this, right, QStringLiteral("Выбрать из списка ЛПУ"), 2);
    lists->addLayout(right, 2);
    layout->addLayout(lists, 1);

    auto *bottom = new QHBoxLayout;
    auto *ok = commandButton(this, QStringLiteral("?OKBUTTON"),
                             QStringLiteral("Загрузить отмеченные отчеты"));
    bottom->addWidget(ok);
    auto *move = commandButton(this, QStringLiteral("?BUTTON4"),
                               QStringLiteral("Переместить файлы в папку <impfile>"));
    move->setToolTip(QStringLiteral("После загрузки отчетов"));
    bottom->addWidget(move);
    bottom->addWidget(commandButton(this, QStringLiteral("?BUTTON3"), {}));
    bottom->addStretch(1);
    layout->addLayout(bottom);

    connect(m_all, &QCheckBox::toggled, this, [this](bool on) {
        for (ImportEntry &e : m_scan.entries)
            e.mark = on ? ImportEntry::Marked : ImportEntry::NotMarked;
        showEntries();
    });
    connect(m_entryList.model, &runtime::ui::QueueModel::markChanged, this,
            [this](int row, bool marked) {
                if (row >= 0 && row < m_scan.entries.size())
                    m_scan.entries[row].mark =
                        marked ? ImportEntry::Marked : ImportEntry::NotMarked;
            });
    connect(m_institutions.view, &QTableView::clicked, this,
            [this](const QModelIndex &index) { chooseInstitution(index.row()); });
    // The line highlighted while every institution was to be loaded is the chosen one.
    connect(m_option, &QButtonGroup::idClicked, this, [this](int id) {
        if (id == 1 && highlightedRow(m_institutions) >= 0)
            chooseInstitution(highlightedRow(m_institutions));
    });
    connect(ok, &QPushButton::clicked, this, [this] { loadMarked(); });
    connect(move, &QPushButton::clicked, this, [this] { moveFiles(); });

    showEntries();
    showFiles();
    if (m_scan.institutions.size() == 1) {
        m_chosenInstitution = 0;
        m_institutions.binding->selectRow(0);
    }
    resize(1100, 640);
}

void ImportListWindow::showEntries()
{
    showEntryLines(m_entryList, m_scan.entries);
}

void ImportListWindow::showFiles()
{
    QList<QVariantList> lines;
    for (const QString &f : m_scan.files)
        lines.append({QFileInfo(f).fileName()});
    m_files.model->setLines(std::move(lines));
}

void ImportListWindow::showResults(const ImportOutcome &outcome)
{
    ui::showResults(m_results, outcome.lines);
}

void ImportListWindow::chooseInstitution(int row)
{
    if (row < 0 || row >= m_scan.institutions.size())
        return;
    m_institutions.binding->selectRow(row);
    if (m_option->checkedId() != 1)
        return;
    m_chosenInstitution = row;
    ImportReports::markInstitution(m_scan.entries, m_scan.institutions[row].code);
    showEntries();
}

void ImportListWindow::loadMarked()
{
    m_results.model->clear();
    const bool one = m_option->checkedId() == 1;
    if (const int highlighted = highlightedRow(m_institutions);
        one && highlighted >= 0 && highlighted != m_chosenInstitution)
        chooseInstitution(highlighted);
    if (one && m_chosenInstitution < 0) {
        m_services.prompter.message(ImportReports::noInstitutionText());
        return;
    }
    runtime::ui::ProgressWindow progress(windowTitle(), this);
    m_last =
        one ? m_importer.load(m_scan.entries, m_scan.institutions[m_chosenInstitution], &progress)
            : m_importer.loadAll(m_scan.entries, m_scan.institutions, &progress);
    progress.finish();
    m_inUse.unite(m_last.inUse);
    m_inUse.unite(m_last.notLoaded);
    showResults(m_last);
    showEntries();
    tellOutcome(m_services.prompter, m_last);
    if (one && m_scan.institutions[m_chosenInstitution].code == 0)
        m_services.prompter.message(ImportReports::noInstitutionText());
}

void ImportListWindow::moveFiles()
{
    const MoveOutcome moved = ImportReports::moveFiles(m_scan.files, m_inUse);
    if (!moved.message().isEmpty())
        m_services.prompter.message(moved.message());
    m_scan.files.clear();
    m_scan.entries.clear();
    showFiles();
    showEntries();
}

SummaryLoadWindow::SummaryLoadWindow(data::DataContext &context, const ExchangeServices &services,
                                     ImportScan scan, QWidget *parent)
    : QDialog(parent), m_services(services),
      m_importer(context, services.prompter, services.state.globYear), m_scan(std::move(scan))
{
    m_importer.adopt(m_scan);
    setObjectName(QStringLiteral("P1$SCRSW"));
    setWindowTitle(QStringLiteral("Загрузка сводного отчета"));
    m_importer.setRunViewer(&runResults(m_services, m_runViewer, this));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("Отметте мышкой  файл, которые нужно загрузить"), this));
    addYearRow(this, layout, QStringLiteral("?GY1"), services.state.globYear);
    m_entryList = makeList(this, QStringLiteral("?LISTSW"), 7,
                           QStringLiteral("24R(2)|M~период~C(0)28R(2)|M~~C(0)@n3@"
                                          "140L(2)|M~ФОРМА~@s200@12C|M~~@s1@"
                                          "28R(2)|M~ЛПУ~C(0)80L(2)|M~~@s255@"
                                          "120L(2)|M~~@s200@"));
    m_entryList.model->setMarkColumn(3, 3);
    layout->addWidget(m_entryList.view, 2);
    layout->addWidget(new QLabel(QStringLiteral("Результат загрузки"), this));
    m_results = makeResultList(this, QStringLiteral("?LISTSW2"));
    layout->addWidget(m_results.view, 1);
    auto *ok = commandButton(this, QStringLiteral("?OKSW"), QStringLiteral("Загрузить"));
    layout->addWidget(ok, 0, Qt::AlignRight);
    connect(ok, &QPushButton::clicked, this, [this] { loadCurrent(); });
    showEntries();
    resize(1000, 560);
}

void SummaryLoadWindow::showEntries()
{
    showEntryLines(m_entryList, m_scan.entries);
}

void SummaryLoadWindow::loadCurrent()
{
    const int row = m_entryList.binding->currentRow();
    if (row < 0 || row >= m_scan.entries.size())
        return;
    runtime::ui::ProgressWindow progress(windowTitle(), this);
    const ImportOutcome outcome =
        m_importer.loadSummary(m_scan.entries, row, m_scan.institutions, &progress);
    progress.finish();
    ui::showResults(m_results, outcome.lines, true);
    showEntries();
    tellOutcome(m_services.prompter, outcome);
}

void importReports(data::DataContext &context, const ExchangeServices &services, QWidget *parent)
{
    const auto [s1, s2] = userFolders(context);
    const QStringList choices = ImportReports::pathChoices(s1, s2);
    if (services.state.exchangePath.trimmed().isEmpty())
        services.state.exchangePath = choices.value(0);
    ImportPathWindow pathWindow(services, choices, services.state.exchangePath, parent);
    if (pathWindow.exec() != QDialog::Accepted)
        return;
    const QString path = pathWindow.path();
    services.state.exchangePath = path;
    const bool summary = pathWindow.summaryMode();

    ImportScan scan;
    const auto folder = ImportReports::folder(path);
    if (folder) {
        auto scanned = ImportReports::scan(*folder, summary);
        if (scanned)
            scan = std::move(*scanned);
    }
    if (!scan.refused.isEmpty())
        services.prompter.message(refusedText(scan.refused));
    // The files the scan read go to the window's importer, which loads from them.
    QList<ScannedFile> read = std::move(scan.read);
    scan.read.clear();
    ImportReports importer(context, services.prompter, services.state.globYear);
    if (scan.entries.isEmpty()) {
        services.prompter.message(ImportReports::noFilesText());
    } else if (const auto named = importer.name(scan); !named) {
        services.prompter.message(named.error().message);
        return;
    }
    scan.read = std::move(read);
    if (summary) {
        ImportReports::nameSummaryEntries(scan);
        SummaryLoadWindow window(context, services, std::move(scan), parent);
        window.exec();
    } else {
        ImportListWindow window(context, services, path, std::move(scan), parent);
        window.exec();
    }
}

} // namespace zemor::exchange::ui
