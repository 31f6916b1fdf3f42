#include "runtime/ui/ListWindow.h"

#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/ListFormat.h"
#include "runtime/ui/QueueModel.h"

#include <QTableView>
#include <QVBoxLayout>

namespace zemor::runtime::ui {

ListWindow::ListWindow(const QString &objectName, const QString &title, int fieldCount,
                       const QString &format, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(objectName);
    setWindowTitle(title);
    setModal(true);

    m_layout = new QVBoxLayout(this);
    m_view = createControl<QTableView>(this, QStringLiteral("?BROWSE:1"));
    m_layout->addWidget(m_view);
    m_model = new QueueModel(fieldCount, this);
    const auto parsed = ListFormat::parse(format);
    Q_ASSERT_X(parsed, "ListWindow", "the list format does not parse");
    m_binding = new ListBinding(m_view, m_model, parsed.value_or(ListFormat()));
    m_binding->setDoubleClickAction(ListBinding::DoubleClick::Choose);
    connect(m_binding, &ListBinding::chosen, this, &ListWindow::chooseRow);
}

std::optional<int> ListWindow::choose()
{
    if (exec() != QDialog::Accepted || m_chosen < 0)
        return std::nullopt;
    return m_chosen;
}

void ListWindow::addAbove(QLayout *layout)
{
    m_layout->insertLayout(m_layout->indexOf(m_view), layout);
}

void ListWindow::addAbove(QWidget *widget)
{
    m_layout->insertWidget(m_layout->indexOf(m_view), widget);
}

void ListWindow::setLines(QList<QVariantList> lines)
{
    m_model->setLines(std::move(lines));
}

void ListWindow::widenToContents(std::initializer_list<int> columns)
{
    m_binding->widenToContents(columns);
}

void ListWindow::openAt(int row)
{
    if (m_model->rowCount() > 0)
        m_binding->selectRow(row >= 0 && row < m_model->rowCount() ? row : 0);
    m_view->setFocus();
}

void ListWindow::chooseRow(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    m_chosen = row;
    accept();
}

} // namespace zemor::runtime::ui
