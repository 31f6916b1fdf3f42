#pragma once

// Widens the given columns of a list so that their values and headings show whole: a code
// column written narrow in its format would otherwise cut "101" to "10". Columns are never made
// narrower than their format says.

#include <QHeaderView>
#include <QTableView>

#include <algorithm>
#include <initializer_list>

namespace zemor::shell::ui {

inline void widenToContents(QTableView *view, std::initializer_list<int> columns)
{
    for (const int column : columns) {
        const int contents = std::max(static_cast<QAbstractItemView *>(view)->sizeHintForColumn(column),
                                      view->horizontalHeader()->sectionSizeHint(column));
        if (contents > view->columnWidth(column))
            view->setColumnWidth(column, contents);
    }
}

} // namespace zemor::shell::ui
