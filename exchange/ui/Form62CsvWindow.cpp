#include "exchange/ui/Form62CsvWindow.h"

#include "exchange/ImportReports.h"
#include "runtime/core/Prompter.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ProgressWindow.h"
#include "runtime/ui/WindowParts.h"
#include "shell/AppState.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace zemor::exchange::ui {

using runtime::ui::commandButton;
using runtime::ui::createControl;

namespace {

// Shows the number of the file being loaded beside the progress window's own display.
class FileProgress final : public runtime::Progress
{
public:
    FileProgress(runtime::ui::ProgressWindow &window, QLabel *current, QLabel *count,
                 runtime::ui::ListBinding *files)
        : m_window(window), m_current(current), m_count(count), m_files(files)
    {
    }
    void setTotal(qint64 total) override
    {
        m_count->setText(QString::number(total));
        m_window.setTotal(total);
    }
    void step(qint64 done, const QString &text) override
    {
        // The line of the file being loaded is selected; `done` files are behind it.
        if (done < m_files->model()->rowCount())
            m_files->selectRow(int(done));
        m_current->setText(
            QString::number(std::min<qint64>(done + 1, m_files->model()->rowCount())));
        m_window.step(done, text);
    }
    bool cancelled() const override { return m_window.cancelled(); }

private:
    runtime::ui::ProgressWindow &m_window;
    QLabel *m_current;
    QLabel *m_count;
    runtime::ui::ListBinding *m_files;
};

} // namespace

Form62CsvWindow::Form62CsvWindow(data::DataContext &context, const ExchangeServices &services,
                                 QWidget *parent)
    : QDialog(parent), m_services(services), m_importer(context, services.state.globYear)
{
    setObjectName(QStringLiteral("P23$WINDOW"));
    setWindowTitle(title());
    auto *layout = new QVBoxLayout(this);

    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(new QLabel(QStringLiteral("Путь к папке где лежат файлы"), this));
    m_path = createControl<QLineEdit>(this, QStringLiteral("?PATH2"));
    m_path->setText(startPath());
    pathRow->addWidget(m_path, 1);
    auto *list = commandButton(this, QStringLiteral("?OK_FILE"),
                               QStringLiteral("Сформировать списоктфайлов"));
    pathRow->addWidget(list);
    layout->addLayout(pathRow);
    auto *note = new QLabel(
        QStringLiteral("Файлы выгружаются с федерального портала по всем учреждениям, "
                       "сохраняются в формате CSV (MS-DOS) и называются по коду учреждения "
                       "(3 знака), \"_\" и коду таблицы (4 знака), например 284_8000.csv"),
        this);
    note->setWordWrap(true);
    layout->addWidget(note);

    auto *lists = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    m_fileList = makeList(this, QStringLiteral("?LIST1"), 4,
                          QStringLiteral("90L(2)|M~Файл~@s20@30R(2)|M~Uch~C(0)@n_5@"
                                         "30R(2)|M~Tab~C(0)@n_5@36R(2)|M~Ошибки~C(0)@n_7@"));
    left->addWidget(m_fileList.view, 1);
    auto *countRow = new QHBoxLayout;
    countRow->addWidget(new QLabel(QStringLiteral("Файл"), this));
    m_current = createControl<QLabel>(this, QStringLiteral("?QP#"), QStringLiteral("0"));
    countRow->addWidget(m_current);
    countRow->addWidget(new QLabel(QStringLiteral("из"), this));
    m_count = createControl<QLabel>(this, QStringLiteral("?QPRECORD#"), QStringLiteral("0"));
    countRow->addWidget(m_count);
    countRow->addStretch(1);
    m_summary = createControl<QCheckBox>(this, QStringLiteral("?LOC_SWOD"),
                                         QStringLiteral("Загрузка свода"));
    countRow->addWidget(m_summary);
    left->addLayout(countRow);
    lists->addLayout(left, 2);
    m_tables = makeList(this, QStringLiteral("?LIST1:2"), 2,
                        QStringLiteral("36R(2)|M~Таблица~C(0)@n_5@200L(2)|M~Наименование~@s200@"));
    lists->addWidget(m_tables.view, 3);
    layout->addLayout(lists, 1);

    auto *bottom = new QHBoxLayout;
    auto *ok = commandButton(this, QStringLiteral("?OK"), QStringLiteral("Загрузить "));
    auto *quit = commandButton(this, QStringLiteral("?EXIT_B"), QStringLiteral("Выход"));
    bottom->addWidget(ok);
    bottom->addStretch(1);
    bottom->addWidget(quit);
    layout->addLayout(bottom);

    connect(list, &QPushButton::clicked, this, &Form62CsvWindow::listFiles);
    connect(m_fileList.view, &QTableView::clicked, this,
            [this](const QModelIndex &index) { chooseFile(index.row()); });
    connect(ok, &QPushButton::clicked, this, &Form62CsvWindow::load);
    connect(quit, &QPushButton::clicked, this, &QDialog::reject);

    showTables();
    resize(980, 560);
}

QString Form62CsvWindow::cancelledText(const CsvLoad &load)
{
    return QStringLiteral("Загрузка прервана. Загружены файлы: %1 (записей: %2)")
        .arg(load.loaded.isEmpty() ? QStringLiteral("нет") : load.loaded.join(QStringLiteral(", ")))
        .arg(load.rowsAdded);
}

void Form62CsvWindow::showTables()
{
    const auto catalogue = m_importer.catalogue();
    if (!catalogue) {
        m_services.prompter.message(catalogue.error().message);
        return;
    }
    QList<QVariantList> lines;
    for (const entry::FormTable &t : catalogue->tables())
        lines.append({t.code, t.name.trimmed()});
    m_tables.model->setLines(std::move(lines));
    m_tables.binding->widenToContents({0});
}

void Form62CsvWindow::showFiles()
{
    QList<QVariantList> lines;
    for (const CsvFile &f : m_files)
        lines.append({f.name, f.institution, f.table, f.errors});
    m_fileList.model->setLines(std::move(lines));
    m_count->setText(QString::number(m_files.size()));
    if (m_chosen >= 0 && m_chosen < m_files.size())
        m_fileList.binding->selectRow(m_chosen);
}

void Form62CsvWindow::listFiles()
{
    const QString path = m_path->text();
    if (path.trimmed().isEmpty()) {
        m_services.prompter.message(Form62CsvImport::blankPathText());
        return;
    }
    m_files.clear();
    m_chosen = -1;
    const auto folder = ImportReports::folder(withSeparator(path.trimmed()));
    auto listed = folder ? m_importer.scan(*folder)
                         : runtime::Result<QList<CsvFile>>(std::unexpected(folder.error()));
    if (!listed) {
        showFiles();
        m_services.prompter.message(listed.error().message);
        return;
    }
    m_folder = *folder;
    m_files = std::move(*listed);
    showFiles();
    m_services.prompter.message(Form62CsvImport::doneText());
}

void Form62CsvWindow::chooseFile(int row)
{
    if (row < 0 || row >= m_files.size())
        return;
    m_fileList.binding->selectRow(row);
    if (m_summary->isChecked())
        m_chosen = row;
}

void Form62CsvWindow::load()
{
    if (m_summary->isChecked()) {
        if (m_chosen < 0 || m_chosen >= m_files.size())
            return;
        m_current->setText(QString::number(m_chosen + 1));
        m_last = m_importer.loadSummary(m_folder, m_files[m_chosen]);
    } else {
        if (m_files.isEmpty())
            return;
        runtime::ui::ProgressWindow window(windowTitle(), this);
        FileProgress progress(window, m_current, m_count, m_fileList.binding);
        m_last = m_importer.loadFiles(m_folder, m_files, &progress);
        window.finish();
    }
    showFiles();
    tell(m_last);
}

void Form62CsvWindow::tell(const CsvLoad &load)
{
    if (!load.messages.isEmpty())
        m_services.prompter.message(load.messages.join(QLatin1Char('|')));
    m_services.prompter.message(load.cancelled ? cancelledText(load) : Form62CsvImport::doneText());
}

void importForm62Csv(data::DataContext &context, const ExchangeServices &services, QWidget *parent)
{
    Form62CsvWindow window(context, services, parent);
    window.exec();
}

} // namespace zemor::exchange::ui
