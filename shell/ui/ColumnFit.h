#pragma once

// Widens the given columns of a list so that their values and headings show whole: a code
// column written narrow in its format would otherwise cut "101" to "10". Columns are never made
// narrower than their format says.

#include "runtime/ui/ListBinding.h"
#include "runtime/ui/QueueModel.h"

#include <QHeaderView>
#include <QTableView>

#include <algorithm>
#include <initializer_list>

namespace zemor::shell::ui {

inline void widenToContents(runtime::ui::ListBinding *binding, std::initializer_list<int> columns)
{
    QTableView *view = binding->view();
    const QFontMetrics metrics(view->font());
    const int margin = metrics.averageCharWidth() * 2;
    for (const int column : columns) {
        int contents = view->horizontalHeader()->sectionSizeHint(column);
        for (int row = 0; row < binding->model()->rowCount(); ++row)
            contents = std::max(
                contents,
                metrics.horizontalAdvance(binding->cellText(row, column).trimmed()) + margin);
        if (contents > view->columnWidth(column))
            view->setColumnWidth(column, contents);
    }
}

} // namespace zemor::shell::ui
