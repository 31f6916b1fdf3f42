#pragma once

// What a long run (a loop over institutions, reports or files) tells the person waiting for it,
// and how it learns that they want it stopped. The run calls setTotal once it knows how many
// steps it has, step after each one with a short text of what it is at, and asks cancelled()
// between steps: when it answers true the run stops cleanly, writes nothing it has not finished
// and returns ErrorCode::Cancelled. A run that is given no progress takes NoProgress.
//
// Calls come from the thread that runs the loop. The window that shows a run (runtime/ui's
// ProgressWindow) lets the event loop of the GUI thread run inside step(), so a run on the GUI
// thread keeps the window painted and its "Отмена" button working.

#include <QString>
#include <QtGlobal>

namespace zemor::runtime {

class Progress
{
public:
    virtual ~Progress() = default;
    // The number of steps of the run; 0 while unknown.
    virtual void setTotal(qint64 total) = 0;
    // `done` steps are finished; `text` says what the run is at now (empty keeps the last text).
    virtual void step(qint64 done, const QString &text = {}) = 0;
    virtual bool cancelled() const = 0;
};

// The progress of a run that nobody watches: nothing is shown and nothing cancels.
class NoProgress final : public Progress
{
public:
    void setTotal(qint64) override {}
    void step(qint64, const QString & = {}) override {}
    bool cancelled() const override { return false; }
};

} // namespace zemor::runtime
