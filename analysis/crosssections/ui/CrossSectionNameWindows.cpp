#include "analysis/crosssections/ui/CrossSectionNameWindows.h"

#include "runtime/ui/Controls.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace zemor::analysis::ui {

using runtime::ui::createControl;

CrossSectionNameWindow::CrossSectionNameWindow(qint32 shownId, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("P1$SCRADD"));
    setWindowTitle(SavedCrossSections::nameTitle());
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    auto *fields = new QFormLayout;
    auto *id = createControl<QLineEdit>(this, QStringLiteral("?RAN:IDQW"));
    id->setReadOnly(true);
    id->setText(QString::number(shownId));
    fields->addRow(QStringLiteral("Код"), id);
    m_name = createControl<QLineEdit>(this, QStringLiteral("?RAN:NAME"));
    m_name->setMaxLength(200);
    fields->addRow(QStringLiteral("Название"), m_name);
    layout->addLayout(fields);
    auto *add =
        createControl<QPushButton>(this, QStringLiteral("?INS"), QStringLiteral("Добавить"));
    layout->addWidget(add, 0, Qt::AlignRight);
    connect(add, &QPushButton::clicked, this, &QDialog::accept);
    m_name->setFocus();
    resize(520, 120);
}

std::optional<QString> CrossSectionNameWindow::ask()
{
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return m_name->text();
}

SavedCrossSectionList::SavedCrossSectionList(const QList<SavedCrossSectionChoice> &choices,
                                             QWidget *parent)
    : runtime::ui::ListWindow(
          QStringLiteral("P1$SCRL"), SavedCrossSections::listTitle(), 2,
          QStringLiteral("40R(2)|M~код~C(0)@n_10@200L(2)|M~наименование~@s120@"), parent),
      m_choices(choices)
{
    QList<QVariantList> lines;
    for (const SavedCrossSectionChoice &choice : choices)
        lines.append({choice.id, choice.name});
    setLines(std::move(lines));
    openAt(0);
    resize(560, 400);
}

std::optional<SavedCrossSectionChoice>
SavedCrossSectionList::choose(const QList<SavedCrossSectionChoice> &choices, QWidget *parent)
{
    SavedCrossSectionList window(choices, parent);
    const auto row = window.ListWindow::choose();
    if (!row || *row < 0 || *row >= choices.size())
        return std::nullopt;
    return choices.at(*row);
}

CrossSectionTableList::CrossSectionTableList(const QList<CrossSectionTable> &tables, int current,
                                             QWidget *parent)
    : runtime::ui::ListWindow(QStringLiteral("P1$SCRL1"), QStringLiteral("Выбор таблицы"), 2,
                              QStringLiteral("30R(2)|M~Код~C(0)@n_5@200L(2)|M~Таблица~@s200@"),
                              parent)
{
    runtime::ui::nameControl(view(), QStringLiteral("?BROWSE:2"));
    QList<QVariantList> lines;
    for (const CrossSectionTable &table : tables)
        lines.append({table.code, table.name});
    setLines(std::move(lines));
    openAt(current);
    resize(640, 420);
}

} // namespace zemor::analysis::ui
