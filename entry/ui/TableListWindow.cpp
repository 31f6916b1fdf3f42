#include "entry/ui/TableListWindow.h"

#include "runtime/ui/ListBinding.h"

namespace zemor::entry::ui {

TableListWindow::TableListWindow(const QList<FormTable> &tables, int current, QWidget *parent)
    : ListWindow(QStringLiteral("P1$SCRL1"), title(), 2, listFormat(), parent)
{
    QList<QVariantList> lines;
    for (const FormTable &t : tables)
        lines.append({QString::number(t.code), t.name});
    setLines(std::move(lines));
    openAt(current);
    resize(binding()->pixelWidth(23 + 80) + 60, 320);
}

int TableListWindow::choose(const QList<FormTable> &tables, int current, QWidget *parent)
{
    return TableListWindow(tables, current, parent).ListWindow::choose().value_or(-1);
}

} // namespace zemor::entry::ui
