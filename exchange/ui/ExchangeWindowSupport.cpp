#include "exchange/ui/ExchangeWindowSupport.h"

#include "data/Period.h"
#include "entry/ui/IntraFormRunWindow.h"
#include "runtime/core/Prompter.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/WindowParts.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zemor::exchange::ui {

using runtime::ui::commandButton;

QString DialogDirectoryChooser::choose(QWidget *parent)
{
    const QString saved = QDir::currentPath();
    const QString chosen = QFileDialog::getExistingDirectory(parent, title());
    QDir::setCurrent(saved);
    return chosen;
}

entry::RunResultsViewer &runResults(const ExchangeServices &services,
                                    std::unique_ptr<entry::RunResultsViewer> &own, QWidget *parent)
{
    if (services.runViewer)
        return *services.runViewer;
    if (!own)
        own = std::make_unique<entry::ui::RunResultsDialog>(services.prompter, services.pages.get(),
                                                            parent);
    return *own;
}

QString chooseFolder(const ExchangeServices &services, QWidget *parent)
{
    const QString chosen = services.chooser.choose(parent);
    if (chosen.isEmpty()) {
        services.prompter.message(DirectoryChooser::noneChosenText());
        return {};
    }
    return withSeparator(chosen);
}

QString withSeparator(const QString &path)
{
    if (path.endsWith(QLatin1Char('\\')) || path.endsWith(QLatin1Char('/')))
        return path;
    return path + QLatin1Char('\\');
}

ExchangeList makeList(QWidget *window, const QString &equate, int fields, const QString &format)
{
    ExchangeList list;
    list.view = runtime::ui::createControl<QTableView>(window, equate);
    list.model = new runtime::ui::QueueModel(fields, window);
    const auto parsed = runtime::ui::ListFormat::parse(format);
    Q_ASSERT(parsed);
    list.binding = new runtime::ui::ListBinding(list.view, list.model,
                                                parsed.value_or(runtime::ui::ListFormat()));
    list.view->horizontalHeader()->setStretchLastSection(true);
    // Every heading shows whole, however narrow its column is written.
    QList<int> columns;
    for (int c = 0; c < list.binding->format().columnCount(); ++c)
        columns.append(c);
    list.binding->widenToContents(columns);
    return list;
}

void addYearRow(QWidget *window, QBoxLayout *layout, const QString &equate, int year)
{
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Год"), window));
    row->addWidget(runtime::ui::createControl<QLabel>(window, equate, QString::number(year)));
    row->addStretch(1);
    layout->addLayout(row);
}

QComboBox *addPathRow(QWidget *window, QBoxLayout *layout, const ExchangeServices &services,
                      const QString &equate, const QStringList &choices, const QString &text)
{
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("ПУТЬ :"), window));
    auto *path = runtime::ui::createControl<QComboBox>(window, equate);
    path->setEditable(true);
    path->addItems(choices);
    path->setEditText(text);
    row->addWidget(path, 1);
    auto *chooseDir = commandButton(window, QStringLiteral("?VIBOR_DIR"), QStringLiteral("..."));
    row->addWidget(chooseDir);
    layout->addLayout(row);
    QObject::connect(chooseDir, &QPushButton::clicked, window, [services, window, path] {
        const QString chosen = chooseFolder(services, window);
        if (!chosen.isEmpty())
            path->setEditText(chosen);
    });
    return path;
}

ExchangeList makeResultList(QWidget *window, const QString &equate)
{
    return makeList(window, equate, 6,
                    QStringLiteral("24R(2)|M~период~C(0)28R(2)|M~КодФормы~C(0)@n3@"
                                   "110L(2)|M~Форма~@s200@28R(2)|M~КодЛПУ~C(0)"
                                   "90L(2)|M~ЛПУ~@s200@60L(2)|M~записей~@s50@"));
}

QVariant periodValue(int kind, qint32 period)
{
    if (kind == int(data::PeriodKind::Date))
        return ImportReports::periodText(kind, period);
    return period;
}

void showResults(const ExchangeList &list, const QList<ImportLine> &lines, bool append)
{
    if (!append)
        list.model->clear();
    for (const ImportLine &l : lines)
        list.model->appendLine({periodValue(l.kind, l.period), l.form, l.formName, l.institution,
                                l.institutionName, l.count});
    list.binding->widenToContents({0, 1, 3});
}

ExchangeList addInstitutionList(QWidget *window, QVBoxLayout *column,
                                const QList<ImportInstitution> &institutions)
{
    ExchangeList list = makeList(window, QStringLiteral("?LIST3"), 4,
                                 QStringLiteral("60L(2)|M~Регион~@s30@28R(2)|M~~C(0)"
                                                "100L(2)|M~ЛПУ~@s30@20R(2)|M~КодРег~C(0)"));
    column->addWidget(list.view, 2);
    auto *countRow = new QHBoxLayout;
    countRow->addWidget(new QLabel(QStringLiteral("ЛПУ:"), window));
    countRow->addWidget(runtime::ui::createControl<QLabel>(window, QStringLiteral("?KOL_QU"),
                                                           QString::number(institutions.size())));
    countRow->addStretch(1);
    column->addLayout(countRow);
    QList<QVariantList> lines;
    for (const ImportInstitution &i : institutions)
        lines.append({i.districtName, i.code, i.name, i.district});
    list.model->setLines(std::move(lines));
    list.binding->widenToContents({1, 3});
    return list;
}

QButtonGroup *addLoadOption(QWidget *window, QVBoxLayout *column, const QString &oneText, int value)
{
    auto *box = runtime::ui::createControl<QGroupBox>(window, QStringLiteral("?OPTION1"),
                                                      QStringLiteral("Загрузить"));
    auto *layout = new QVBoxLayout(box);
    auto *group = new QButtonGroup(box);
    const std::pair<int, QString> radios[] = {{2, QStringLiteral("все ЛПУ")}, {1, oneText}};
    for (const auto &[id, text] : radios) {
        auto *radio = runtime::ui::createControl<QRadioButton>(
            window, QStringLiteral("?OPTION1:") + QString::number(id), text);
        group->addButton(radio, id);
        layout->addWidget(radio);
        radio->setChecked(id == value);
    }
    column->addWidget(box);
    return group;
}

int highlightedRow(const ExchangeList &list)
{
    const QModelIndex current = list.view->currentIndex();
    if (!current.isValid() || !list.view->selectionModel()->isRowSelected(current.row()))
        return -1;
    return current.row();
}

void tellOutcome(runtime::Prompter &prompter, const ImportOutcome &outcome)
{
    if (!outcome.messages.isEmpty())
        prompter.message(outcome.messages.join(QLatin1Char('|')));
    prompter.message(outcome.cancelled || outcome.failed ? ImportReports::cancelledText(outcome)
                                                         : ImportReports::doneText());
}

} // namespace zemor::exchange::ui
