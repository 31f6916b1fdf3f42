#pragma once

// The waiting window `P1$WIN1`: "ЖДЕМ..." while a moment passes for the spreadsheet program (to
// start, to open a template). It opens modal, waits for the first event of its timer and closes
// itself; the user does nothing with it (Escape does not end the wait early).
//
// Every export to a workbook shows it through the ExcelLauncher's waits:
//
//   const auto wait = WaitingWindow::over(this);
//   ExcelLauncher excel(office, prompter, wait, wait);

#include <QDialog>

#include <chrono>
#include <functional>

namespace zemor::shell::ui {

class WaitingWindow : public QDialog
{
    Q_OBJECT

public:
    static QString text() { return QStringLiteral("ЖДЕМ..."); }
    // One tick of the timer.
    static constexpr std::chrono::milliseconds tick{500};

    explicit WaitingWindow(QWidget *parent = nullptr, std::chrono::milliseconds tickLength = tick);

    // Shows the window until the first timer event, then closes it.
    void waitOneTick();

    // One tick of a waiting window over `parent`, each time it is called.
    static std::function<void()> over(QWidget *parent, std::chrono::milliseconds tickLength = tick);

protected:
    void timerEvent(QTimerEvent *event) override;
    void reject() override;

private:
    std::chrono::milliseconds m_tick;
    int m_timer = 0;
};

} // namespace zemor::shell::ui
