#pragma once

// Window tests of report entry answer the modal windows a command opens (the row form, the
// failure list, the table list) from inside the command: whenModal() watches for the next one
// and hands it to `inspect` once it is up, then closes it unless `close` is false or `inspect`
// closed it already. The watch ends with the first modal window it meets.

#include <QApplication>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace zemor::test {

inline void whenModal(std::function<void(QWidget *)> inspect, bool close = true)
{
    auto *timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, inspect, close] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        timer->stop();
        timer->deleteLater();
        inspect(modal);
        if (close && modal->isVisible())
            modal->close();
    });
    timer->start();
}

// Hands the modal window named `objectName` to `inspect` once it is up, passing over any other
// (progress windows, messages); `inspect` closes it.
inline void whenShown(const QString &objectName, std::function<void(QWidget *)> inspect)
{
    auto *timer = new QTimer;
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, [timer, objectName, inspect] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal->objectName() != objectName)
            return;
        timer->stop();
        timer->deleteLater();
        inspect(modal);
    });
    timer->start();
}

} // namespace zemor::test
