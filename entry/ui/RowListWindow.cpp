#include "entry/ui/RowListWindow.h"

#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/QueueModel.h"

#include <QTableView>
#include <QVBoxLayout>

namespace zemor::entry::ui {

using runtime::ui::createControl;

RowListWindow::RowListWindow(const ReportSession &session, int current, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("P1$SCRL2"));
    setWindowTitle(title());
    auto *layout = new QVBoxLayout(this);
    auto *view = createControl<QTableView>(this, QStringLiteral("?BROWSE:1"));
    layout->addWidget(view);

    // The entry rows are in position order already; the list keeps their order, so a line
    // is the entry row of the same index.
    m_model = new runtime::ui::QueueModel(3, this);
    QList<QVariantList> lines;
    const QList<EntryRow> &rows = session.entryRows();
    for (int i = 0; i < rows.size(); ++i)
        lines.append({rows[i].code.left(8), session.rowText(i).shortName, rows[i].number});
    m_model->setLines(lines);
    const auto format = runtime::ui::ListFormat::parse(listFormat());
    m_binding =
        new runtime::ui::ListBinding(view, m_model, format ? *format : runtime::ui::ListFormat());
    m_binding->setDoubleClickAction(runtime::ui::ListBinding::DoubleClick::Choose);
    connect(m_binding, &runtime::ui::ListBinding::chosen, this, [this](int row) {
        m_chosen = row;
        accept();
    });
    m_binding->selectRow(current >= 0 && current < rows.size() ? current : 0);
    resize(m_binding->pixelWidth(35 + 52) + 60, 360);
}

int RowListWindow::choose(const ReportSession &session, int current, QWidget *parent)
{
    RowListWindow window(session, current, parent);
    window.exec();
    return window.chosen();
}

} // namespace zemor::entry::ui
