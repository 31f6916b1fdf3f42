#pragma once

// The writer of the imports: reports as other installations or programs stored them (330-byte
// report records, written unchanged), written in batches so that a load of thousands of reports
// commits about once a second instead of once a report, while every report stays whole.
//
// A report is first queued (add()): its records are checked and copied, nothing is read or
// written. flush() then writes what is queued, in this order:
//  1. the report-in-use markers of the queued reports are taken, together, in one write of the
//     marker file; a report whose marker someone else holds is left alone (InUse). From here on
//     report entry is told that these reports are in use;
//  2. for each report that has a `decide`, whether it has stored records is looked up and
//     `decide` asked whether to write it (it may show a question: no write is open meanwhile).
//     After a cancel asked for through `progress` no question is asked: from the first report
//     with stored records on, every report not yet decided is Cancelled; those decided before
//     are still written;
//  3. the reports are written, each data file's in one transaction: with Replace the stored
//     report is deleted and the records added, with Complete the records present stay and the
//     missing ones are added. A record whose key is taken is skipped and counted. A failure rolls
//     back that transaction whole; its reports and those not yet written are Failed and the flush
//     returns the failure (the load is to stop);
//  4. the markers taken in 1 are removed, in one write;
//  5. each report's `done` is called, in the order of add().
// An interruption at any moment leaves each report wholly old or wholly new. due() says when the
// queue holds about a second of writing into one data file (so that each transaction lasts
// about that long), four seconds in all (so that a flush holds its markers and the queued
// records are kept only that long), or has waited ten times a second since its first report was
// queued (so that a load whose checks are slow still commits every few seconds); the caller
// flushes then, before any question of its own and at the end. What is still queued when the
// batch is destroyed is not written.
//
// The data files and the marker file used stay open until the batch is destroyed.

#include "entry/ReportStore.h"

#include <QByteArray>
#include <QList>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace zemor::entry {

class ReportMarker;

// How a report's records are written.
enum class BatchMode {
    Replace,  // the stored report goes; every record is of the report's period and institution
    Complete, // the stored rows stay; records of the institution, of any period
};

// What became of one report of a batch.
struct BatchResult
{
    enum class State { Loaded, InUse, Declined, Failed, Cancelled };
    State state = State::Failed;
    bool existed = false;    // the report had stored records before (looked up for `decide`)
    int added = 0;           // records added
    int duplicates = 0;      // records skipped because their key was taken
    int firstDuplicate = -1; // the row id (UnicodStr) of the first of them
    runtime::Error error;    // Failed: why the report, or its transaction, was not written
};

class ReportBatch
{
public:
    // Whether to write a report; `exists` says whether it has stored records. Asked while its
    // marker is held and nothing is being written.
    using Decide = std::function<bool(bool exists)>;
    using Done = std::function<void(const BatchResult &)>;

    explicit ReportBatch(data::DataContext &context,
                         std::chrono::milliseconds span = std::chrono::seconds(1));
    ~ReportBatch();
    ReportBatch(const ReportBatch &) = delete;
    ReportBatch &operator=(const ReportBatch &) = delete;

    // Queues the report `id` (year, form, institution, period; the rest is not used). Every
    // record is checked: one of another length, institution or (Replace) period, or whose values
    // do not decode, is InvalidData and nothing is queued. `decide` may be empty (always write).
    [[nodiscard]] runtime::Status add(const ReportIdentity &id, const QList<QByteArray> &records,
                                      BatchMode mode, Decide decide, Done done);
    // Whether the queued writes into one data file are expected to take about `span` (one
    // transaction of about that long), those of the whole queue `queuedSpans` times that, or
    // its first report has waited `waitingSpans` times that.
    bool due() const;
    bool isEmpty() const { return m_queue.empty(); }
    // Writes the queue (above). The first failure of a write, or of taking or removing the
    // markers, is returned after every `done` has been called.
    [[nodiscard]] runtime::Status flush(runtime::Progress *progress = nullptr);
    // One report queued and written at once; records that add() refuses make it Failed.
    [[nodiscard]] static BatchResult write(data::DataContext &context, const ReportIdentity &id,
                                           const QList<QByteArray> &records, BatchMode mode,
                                           Decide decide = {},
                                           runtime::Progress *progress = nullptr);

private:
    struct Queued;
    using Clock = std::chrono::steady_clock;
    static constexpr int queuedSpans = 4;
    static constexpr int waitingSpans = 10;

    runtime::Status takeMarkers(std::vector<std::unique_ptr<ReportMarker>> &taken);
    void lookUpFile(qsizetype first);
    runtime::Status writeFile(qsizetype first);

    data::DataContext &m_context;
    std::chrono::milliseconds m_span;
    std::vector<Queued> m_queue;
    qint64 m_queuedRecords = 0;
    std::map<std::pair<int, qint64>, qint64> m_queuedByFile; // records by (year, form)
    Clock::time_point m_firstQueued;
    double m_secondsPerRecord; // measured over the writes so far
    struct Held;
    std::unique_ptr<Held> m_held;
};

} // namespace zemor::entry
