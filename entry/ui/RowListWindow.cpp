#include "entry/ui/RowListWindow.h"

#include "runtime/ui/ListBinding.h"

namespace zemor::entry::ui {

RowListWindow::RowListWindow(const ReportSession &session, int current, QWidget *parent)
    : ListWindow(QStringLiteral("P1$SCRL2"), title(), 3, listFormat(), parent)
{
    // The entry rows are in position order already; the list keeps their order, so a line
    // is the entry row of the same index.
    QList<QVariantList> lines;
    const QList<EntryRow> &rows = session.entryRows();
    for (int i = 0; i < rows.size(); ++i)
        lines.append({rows[i].code.left(8), session.rowText(i).shortName, rows[i].number});
    setLines(std::move(lines));
    openAt(current);
    resize(binding()->pixelWidth(35 + 52) + 60, 360);
}

int RowListWindow::choose(const ReportSession &session, int current, QWidget *parent)
{
    return RowListWindow(session, current, parent).ListWindow::choose().value_or(-1);
}

} // namespace zemor::entry::ui
