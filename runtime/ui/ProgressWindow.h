#pragma once

// The window that shows a long run: the caller's title, a line saying what the run is at, a bar
// of the steps done out of the total (a moving bar while the total is unknown) and "Отмена".
// It is the runtime::Progress the run is given; the window shows itself when the run first
// reports (setTotal or step), and finish() (or its end) closes it when the run has returned.
//
// The run goes on the GUI thread, called from the slot that started it. step() updates the text
// and the bar and lets the GUI event loop run (whenever the bar moves on by a hundredth, and
// otherwise every few hundredths of a second, so that a run of many short steps is not slowed
// down by painting): the window stays painted and its "Отмена" works. "Отмена", Escape and the
// close box all do the same: cancelled() answers true from then on, the button is disabled, and the
// window stays until the run has stopped and the caller closes it. While it is shown the window is
// modal to the whole program, so the events it lets through cannot start anything in another
// window.
//
// Questions during a run: the run asks through the Prompter it was given, directly, from inside
// its loop. The message box is modal over this window and its own event loop keeps this window
// painted; the answer comes back as the return value, as it does without a progress window.
// Every long run of the program works this way, so its logic needs no thread of its own and no
// queue of questions. (A run moved to a worker thread one day would need a Prompter that passes
// each question to the GUI thread and waits for the answer; none exists.)
//
// What the run says when it has stopped is its own message, shown through its Prompter (key
// rebuilding says "Прервано" in place of "Готово").

#include "runtime/core/Progress.h"

#include <QDialog>
#include <QElapsedTimer>

class QLabel;
class QProgressBar;
class QPushButton;

namespace zemor::runtime::ui {

class ProgressWindow : public QDialog, public Progress
{
    Q_OBJECT

public:
    static QString cancelText() { return QStringLiteral("Отмена"); }

    explicit ProgressWindow(const QString &title, QWidget *parent = nullptr);

    void setTotal(qint64 total) override;
    void step(qint64 done, const QString &text = {}) override;
    bool cancelled() const override { return m_cancelled; }

    // What "Отмена" does.
    void cancel();
    // Closes the window once the run has returned.
    void finish();

    qint64 total() const { return m_total; }
    qint64 done() const { return m_done; }
    QString text() const;

protected:
    // Escape and the close box: the same as "Отмена".
    void reject() override;

private:
    void showBar();
    int percent() const;
    void letEventsThrough(bool now);

    QLabel *m_text = nullptr;
    QProgressBar *m_bar = nullptr;
    QPushButton *m_cancel = nullptr;
    qint64 m_total = 0;
    qint64 m_done = 0;
    bool m_cancelled = false;
    QElapsedTimer m_sinceEvents;
};

} // namespace zemor::runtime::ui
