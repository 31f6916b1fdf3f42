#pragma once

// What the summary windows share: the start of a procedure window, modeless on a window of its
// own or modal otherwise.

#include <QDialog>

namespace zemor::analysis::ui {

// The window deletes itself on close. On a window of its own it is shown modeless and
// returned; otherwise it runs modally and nullptr is answered.
inline QWidget *openProcedureWindow(QDialog *window, bool ownWindow)
{
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (ownWindow) {
        window->setWindowFlag(Qt::Window);
        window->setModal(false);
        window->show();
        return window;
    }
    window->exec();
    return nullptr;
}

} // namespace zemor::analysis::ui
