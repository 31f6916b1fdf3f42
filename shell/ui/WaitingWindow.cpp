#include "shell/ui/WaitingWindow.h"

#include <QLabel>
#include <QPointer>
#include <QTimerEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace zemor::shell::ui {

WaitingWindow::WaitingWindow(QWidget *parent, std::chrono::milliseconds tickLength)
    : QDialog(parent), m_tick(tickLength)
{
    setObjectName(QStringLiteral("P1$WIN1"));
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(text(), this);
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.5);
    label->setFont(font);
    layout->addWidget(label);
    setMinimumSize(std::max(240, label->fontMetrics().horizontalAdvance(text()) * 3),
                   label->fontMetrics().height() * 4);
}

void WaitingWindow::waitOneTick()
{
    m_timer = startTimer(m_tick);
    exec();
}

void WaitingWindow::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timer)
        return QDialog::timerEvent(event);
    killTimer(m_timer);
    m_timer = 0;
    accept();
}

void WaitingWindow::reject()
{
    // The wait is not the user's to shorten.
}

std::function<void()> WaitingWindow::over(QWidget *parent, std::chrono::milliseconds tickLength)
{
    return [window = QPointer<QWidget>(parent), tickLength] {
        WaitingWindow(window, tickLength).waitOneTick();
    };
}

} // namespace zemor::shell::ui
