#include "shell/ui/PickListWindow.h"

#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/QueueModel.h"
#include "shell/ui/ColumnFit.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QVBoxLayout>

namespace zemor::shell::ui {

using runtime::ui::createControl;

PickListWindow::PickListWindow(const QString &title, int year, const QList<PickEntry> &entries,
                               QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("P1$SCRL"));
    setWindowTitle(title);
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    auto *yearRow = new QHBoxLayout;
    auto *yearField = createControl<QLineEdit>(this, QStringLiteral("?GLOBYEAR"));
    yearField->setReadOnly(true);
    yearField->setText(QString::number(year).rightJustified(4, QLatin1Char(' ')));
    yearField->setMaximumWidth(yearField->fontMetrics().horizontalAdvance(QStringLiteral("00000")) +
                               16);
    yearRow->addWidget(yearField);
    yearRow->addStretch();
    layout->addLayout(yearRow);

    auto *view = createControl<QTableView>(this, QStringLiteral("?BROWSE:1"));
    layout->addWidget(view);

    m_model = new runtime::ui::QueueModel(5, this);
    QList<QVariantList> lines;
    for (const PickEntry &entry : entries)
        lines.append(
            QVariantList{entry.code, entry.formCode, entry.name, entry.nameTip, int(entry.tip)});
    m_model->setLines(std::move(lines));

    const auto format = runtime::ui::ListFormat::parse(listFormat());
    Q_ASSERT(format);
    m_binding =
        new runtime::ui::ListBinding(view, m_model, format.value_or(runtime::ui::ListFormat()));
    m_binding->setDoubleClickAction(runtime::ui::ListBinding::DoubleClick::Choose);
    view->horizontalHeader()->setStretchLastSection(true);
    widenToContents(m_binding, {0, 1});
    connect(m_binding, &runtime::ui::ListBinding::chosen, this, &PickListWindow::choose);
    if (!entries.isEmpty())
        m_binding->selectRow(0);
    view->setFocus();
    resize(980, 460);
}

void PickListWindow::choose(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    m_chosen = row;
    accept();
}

std::optional<int> PickListChooser::choose(const QString &title, int year,
                                           const QList<PickEntry> &entries)
{
    PickListWindow window(title, year, entries, m_parent);
    if (window.exec() != QDialog::Accepted || window.chosenRow() < 0)
        return std::nullopt;
    return window.chosenRow();
}

} // namespace zemor::shell::ui
