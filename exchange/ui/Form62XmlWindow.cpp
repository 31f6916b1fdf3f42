#include "exchange/ui/Form62XmlWindow.h"

#include "runtime/core/Prompter.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ProgressWindow.h"
#include "runtime/ui/WindowParts.h"
#include "shell/AppState.h"
#include "shell/ui/Choices.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace zemor::exchange::ui {

using runtime::ui::commandButton;
using runtime::ui::createControl;

Form62XmlWindow::Form62XmlWindow(data::DataContext &context, const ExchangeServices &services,
                                 const XmlInstitution &institution, QWidget *parent)
    : QDialog(parent), m_services(services),
      m_importer(context, services.prompter, services.state.globYear), m_institution(institution)
{
    setObjectName(QStringLiteral("P2$SCRY"));
    setWindowTitle(QStringLiteral("Загрузка отчетов на дискету"));
    const auto [s1, s2] = userFolders(context);
    m_folder = Form62XmlImport::loadedFolder(s2);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("Отметте мышкой  формы, которые нужно скопировать"), this));
    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(new QLabel(QStringLiteral("Путь к файлу"), this));
    m_path = createControl<QComboBox>(this, QStringLiteral("?PATH1:2"));
    m_path->setEditable(true);
    const QStringList choices = Form62XmlImport::pathChoices(s1, s2);
    m_path->addItems(choices);
    // The window opens on the user's first folder, where the file is chosen.
    if (!choices.isEmpty())
        services.state.exchangePath = choices.first();
    m_path->setEditText(services.state.exchangePath);
    pathRow->addWidget(m_path, 1);
    layout->addLayout(pathRow);
    addYearRow(this, layout, QStringLiteral("?GLOBYEAR"), services.state.globYear);

    auto *who = new QHBoxLayout;
    who->addWidget(new QLabel(QStringLiteral("ЛПУ:"), this));
    who->addWidget(createControl<QLabel>(
        this, QStringLiteral("?LOCNAZVUCH"),
        QStringLiteral("%1 %2").arg(institution.code).arg(institution.name.trimmed())));
    who->addSpacing(24);
    who->addWidget(new QLabel(QStringLiteral("В файле:"), this));
    m_institutionText = createControl<QLabel>(this, QStringLiteral("?NAMEUCH"));
    who->addWidget(m_institutionText, 1);
    layout->addLayout(who);

    auto *read = commandButton(this, QStringLiteral("?OK"), QStringLiteral("Сформировать"));
    layout->addWidget(read, 0, Qt::AlignLeft);

    auto *lists = new QHBoxLayout;
    // Values are listed whole, as the file holds them: one too long for a report column is
    // refused by the load, and the list must show which.
    m_cells = makeList(this, QStringLiteral("?LIST1"), 2,
                       QStringLiteral("90L(2)|M~Code~@s100@60L(2)|M~Nval~@s100@"));
    lists->addWidget(m_cells.view, 2);
    m_rows = makeList(this, QStringLiteral("?LIST1:2"), 5,
                      QStringLiteral("32R(2)|M~Таблица~C(0)@n_5@28L(2)|M~Строка~@s10@"
                                     "20R(2)|M~N~C(0)@n3@200L(2)|M~Наименование~@s200@"
                                     "28R(2)|M~Код~C(0)@n_5@"));
    lists->addWidget(m_rows.view, 3);
    layout->addLayout(lists, 1);

    m_step = createControl<QLabel>(this, QStringLiteral("?STR1"));
    layout->addWidget(m_step);
    auto *go = commandButton(this, QStringLiteral("?OK:2"), QStringLiteral("Загрузить"));
    layout->addWidget(go, 0, Qt::AlignRight);

    if (const auto rows = m_importer.loadRows(); !rows)
        m_services.prompter.message(rows.error().message);
    QList<QVariantList> lines;
    for (const Form62Row &r : m_importer.rows())
        lines.append({r.table, r.code.trimmed(), r.number, r.name.trimmed(), r.id});
    m_rows.model->setLines(std::move(lines));
    m_rows.binding->widenToContents({0, 1, 2, 4});

    connect(m_path, &QComboBox::activated, this, &Form62XmlWindow::choosePath);
    connect(m_path, &QComboBox::editTextChanged, this,
            [this](const QString &text) { m_services.state.exchangePath = text; });
    connect(read, &QPushButton::clicked, this, [this] { readFile(); });
    connect(go, &QPushButton::clicked, this, [this] { load(); });
    resize(980, 600);
}

void Form62XmlWindow::choosePath(int index)
{
    m_path->setEditText(m_path->itemText(index));
    m_institutionText->clear();
    m_step->clear();
}

void Form62XmlWindow::showCells()
{
    QList<QVariantList> lines;
    for (const XmlCell &c : m_scan.cells)
        lines.append({c.code, c.value});
    m_cells.model->setLines(std::move(lines));
    m_cells.binding->widenToContents({0, 1});
}

void Form62XmlWindow::readFile()
{
    m_scan = {};
    m_institutionText->clear();
    const auto scanned = Form62XmlImport::parse(m_path->currentText());
    if (!scanned) {
        showCells();
        m_services.prompter.message(scanned.error().message, {}, {}, runtime::MessageIcon::Error);
        return;
    }
    m_scan = *scanned;
    showCells();
    m_institutionText->setText(m_scan.institutionText);
    if (m_scan.institutionFound)
        m_services.prompter.message(m_scan.institutionText);
}

void Form62XmlWindow::load()
{
    runtime::ui::ProgressWindow progress(windowTitle(), this);
    m_last = m_importer.load(m_scan, m_institution, m_path->currentText(), m_folder, &progress);
    progress.finish();
    m_step->setText(m_last.lastStep);
    if (!m_last.unknown.isEmpty())
        m_services.prompter.message(m_last.unknown.join(QLatin1Char('|')));
    if (!m_last.errors.isEmpty())
        m_services.prompter.message(m_last.errors.join(QLatin1Char('|')), {}, {},
                                    runtime::MessageIcon::Error);
    if (const QString end = Form62XmlImport::endText(m_last); !end.isEmpty())
        m_services.prompter.message(end);
}

void importForm62Xml(data::DataContext &context, const ExchangeServices &services, QWidget *parent)
{
    shell::ui::Choices &choices = *services.choices;
    const auto district = choices.chooseDistrict(shell::ui::Choices::districts, parent);
    if (!district)
        return;
    const shell::ui::InstitutionChoice chosen =
        choices.chooseInstitution({district->code, std::nullopt, {}}, parent);
    if (!chosen.chosen() || chosen.code == 0)
        return;
    Form62XmlWindow window(context, services,
                           XmlInstitution{int(district->code), chosen.code, chosen.name}, parent);
    window.exec();
}

} // namespace zemor::exchange::ui
