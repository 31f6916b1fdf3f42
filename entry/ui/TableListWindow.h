#pragma once

// The table list of report entry (`P1$SCRL1`, "Таблицы"): the tables of the form by code and
// name. A double click or Enter picks a table; closing the window otherwise picks nothing. The
// window copies the tables it is given and opens on the current one.

#include "entry/ReportSession.h"
#include "runtime/ui/ListWindow.h"

namespace zemor::entry::ui {

class TableListWindow : public runtime::ui::ListWindow
{
    Q_OBJECT

public:
    static QString title() { return QStringLiteral("Таблицы"); }
    static QString listFormat() { return QStringLiteral("23C(1)|M@s5@80L(1)|M@S200@"); }

    TableListWindow(const QList<FormTable> &tables, int current, QWidget *parent = nullptr);

    // The picked table's index, -1 when nothing was picked.
    int chosen() const { return chosenRow(); }

    // Shows the window modal to `parent`; the picked index or -1.
    static int choose(const QList<FormTable> &tables, int current, QWidget *parent);
};

} // namespace zemor::entry::ui
