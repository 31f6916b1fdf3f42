#include "entry/ui/TableListWindow.h"

#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/QueueModel.h"

#include <QTableView>
#include <QVBoxLayout>

namespace zemor::entry::ui {

using runtime::ui::createControl;

TableListWindow::TableListWindow(const QList<FormTable> &tables, int current, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("P1$SCRL1"));
    setWindowTitle(title());
    auto *layout = new QVBoxLayout(this);
    auto *view = createControl<QTableView>(this, QStringLiteral("?BROWSE:1"));
    layout->addWidget(view);

    m_model = new runtime::ui::QueueModel(2, this);
    QList<QVariantList> lines;
    for (const FormTable &t : tables)
        lines.append({QString::number(t.code), t.name});
    m_model->setLines(lines);
    const auto format = runtime::ui::ListFormat::parse(listFormat());
    m_binding =
        new runtime::ui::ListBinding(view, m_model, format ? *format : runtime::ui::ListFormat());
    m_binding->setDoubleClickAction(runtime::ui::ListBinding::DoubleClick::Choose);
    connect(m_binding, &runtime::ui::ListBinding::chosen, this, [this](int row) {
        m_chosen = row;
        accept();
    });
    m_binding->selectRow(current >= 0 && current < tables.size() ? current : 0);
    resize(m_binding->pixelWidth(23 + 80) + 60, 320);
}

int TableListWindow::choose(const QList<FormTable> &tables, int current, QWidget *parent)
{
    TableListWindow window(tables, current, parent);
    window.exec();
    return window.chosen();
}

} // namespace zemor::entry::ui
