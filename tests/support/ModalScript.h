#pragma once

// Answers the modal windows that come up one after another while a procedure runs: each new
// modal window is handed to the next handler, in order. closingAfter() closes the window a
// handler leaves open, however its checks end. pickCode() picks, in one of the shell's
// pick list windows, the line whose first field holds a code.

#include "runtime/ui/ListBinding.h"
#include "runtime/ui/QueueModel.h"
#include "shell/ui/InstitutionPickWindow.h"
#include "shell/ui/PickListWindow.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace zemor::test {

using ModalHandler = std::function<void(QWidget *)>;

// The timer that watches for the windows is answered: a test that expects no window stops it
// with disarm() once the code under test has returned.
inline QPointer<QTimer> answerModals(QList<ModalHandler> handlers)
{
    auto *timer = new QTimer(QCoreApplication::instance());
    timer->setInterval(5);
    auto pending = std::make_shared<QList<ModalHandler>>(std::move(handlers));
    auto last = std::make_shared<QPointer<QWidget>>();
    QObject::connect(timer, &QTimer::timeout, [timer, pending, last] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == last->data())
            return;
        *last = modal;
        const ModalHandler handler = pending->takeFirst();
        if (pending->isEmpty()) {
            timer->stop();
            timer->deleteLater();
        }
        handler(modal);
    });
    timer->start();
    return timer;
}

inline void disarm(const QPointer<QTimer> &timer)
{
    delete timer.data();
}

// `handler`, then the window closed when it is still open: a check that fails returns from the
// handler early, and the window is closed all the same, so that the test ends instead of hanging.
inline ModalHandler closingAfter(ModalHandler handler)
{
    return [handler = std::move(handler)](QWidget *w) {
        const QPointer<QWidget> window(w);
        handler(w);
        if (!window || !window->isVisible())
            return;
        if (auto *dialog = qobject_cast<QDialog *>(window.data()))
            dialog->reject();
        else
            window->close();
    };
}

// The list binding of a shell pick list window; null for any other window.
inline runtime::ui::ListBinding *pickListBinding(QWidget *w)
{
    if (auto *list = qobject_cast<shell::ui::PickListWindow *>(w))
        return list->binding();
    if (auto *institutions = qobject_cast<shell::ui::InstitutionPickWindow *>(w))
        return institutions->binding();
    return nullptr;
}

// The codes (first field) a pick list window shows.
inline QList<qint64> listedCodes(QWidget *w)
{
    QList<qint64> codes;
    if (runtime::ui::ListBinding *binding = pickListBinding(w)) {
        for (int r = 0; r < binding->model()->rowCount(); ++r)
            codes.append(binding->model()->value(r, 0).toLongLong());
    }
    return codes;
}

inline ModalHandler pickCode(qint64 code)
{
    return [code](QWidget *w) {
        runtime::ui::ListBinding *binding = pickListBinding(w);
        QVERIFY2(binding, qPrintable(w->windowTitle()));
        const int row = int(listedCodes(w).indexOf(code));
        QVERIFY2(row >= 0,
                 qPrintable(QStringLiteral("no line %1 in %2").arg(code).arg(w->windowTitle())));
        binding->activateRow(row);
    };
}

} // namespace zemor::test
