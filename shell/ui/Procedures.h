#pragma once

// The procedures the frame starts, by their names ("EnterReportsFromMenu", "SelectReports").
// main() registers every procedure that exists; a menu item or toolbar button whose procedure
// is not registered is shown disabled.
//
// A procedure is called in one of two ways:
//  - on the frame's own data context (ownWindow false): it runs modally and returns nullptr
//    when its window has closed;
//  - on a window of its own (ownWindow true): the frame hands it a data context made for it,
//    the procedure opens a modeless top-level window and returns it. The frame keeps the
//    context alive until that window is destroyed, and closes such windows (each through its
//    own way out) before the frame itself closes.

#include <QHash>
#include <QString>

#include <functional>

class QWidget;

namespace zemor::data {
class DataContext;
}

namespace zemor::shell::ui {

using Procedure =
    std::function<QWidget *(data::DataContext &data, QWidget *parent, bool ownWindow)>;
using Procedures = QHash<QString, Procedure>;

} // namespace zemor::shell::ui
