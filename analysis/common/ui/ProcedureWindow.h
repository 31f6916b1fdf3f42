#pragma once

// What the summary windows share: a push button by equate that Enter does not press, and the
// start of a procedure window, modeless on a window of its own or modal otherwise.

#include "runtime/ui/Controls.h"

#include <QDialog>
#include <QPushButton>

namespace zemor::analysis::ui {

inline QPushButton *procedureButton(QWidget *parent, const QString &equate, const QString &text,
                                    const QString &tip = {})
{
    auto *b = runtime::ui::createControl<QPushButton>(parent, equate, text);
    b->setAutoDefault(false);
    if (!tip.isEmpty())
        b->setToolTip(tip);
    return b;
}

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
