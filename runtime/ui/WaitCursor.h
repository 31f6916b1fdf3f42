#pragma once

// The wait cursor over the whole program while a long step runs (a run over all institutions,
// a summary, an import): shown from construction to destruction. Nested ones stack, so a step
// inside another keeps the cursor until the outer one ends. Use on the GUI thread only.

#include <QApplication>

namespace zemor::runtime::ui {

class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }

    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

} // namespace zemor::runtime::ui
