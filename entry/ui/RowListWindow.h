#pragma once

// The row list of report entry (`P1$SCRL2`, "Строки"): the rows of the current table by code
// and short name, in row position order. A double click or Enter picks a row; closing the
// window otherwise picks nothing. The window opens on the current row.

#include "entry/ReportSession.h"
#include "runtime/ui/ListWindow.h"

namespace zemor::entry::ui {

class RowListWindow : public runtime::ui::ListWindow
{
    Q_OBJECT

public:
    static QString title() { return QStringLiteral("Строки"); }
    static QString listFormat() { return QStringLiteral("35C|M@S8@52L(1)|M@S30@"); }

    RowListWindow(const ReportSession &session, int current, QWidget *parent = nullptr);

    // The picked row's index in the entry rows, -1 when nothing was picked.
    int chosen() const { return chosenRow(); }

    static int choose(const ReportSession &session, int current, QWidget *parent);
};

} // namespace zemor::entry::ui
