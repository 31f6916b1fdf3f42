#pragma once

// The generic pick list: the user picks one entry of a reference (a form of the current year,
// a district, a district or one of the two region-wide entries, a kind of institution) and the
// caller receives its code and name, and for forms also the periodicity, the periodicity text
// with the submission deadline and the form's own code.
//
// PickFromList builds the entries from the caller's data context and applies the result rules;
// which entry the user takes is asked of a ListChooser (the list window in the program, a
// script in tests). The results are written through the references the caller gives; a null
// reference means that result is not wanted and is never written. A file that cannot be opened
// or read is reported by the context's error manager and ends the pick without touching the
// results.

#include "runtime/core/Error.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace zemor::runtime {
class Prompter;
}
namespace zemor::data {
class DataContext;
}

namespace zemor::shell {

struct AppState;

// One line of the list (the queue QS).
struct PickEntry
{
    qint64 code = 0;  // QS:COD
    QString formCode; // QS:FORCOD, forms only
    QString name;     // QS:NAME
    QString nameTip;  // QS:NAMETIP: periodicity text and deadline, forms only
    quint8 tip = 0;   // QS:TIP, forms only
};

// Asks the user for one line of a list that is not empty; nullopt when the list was closed
// without a choice.
class ListChooser
{
public:
    virtual ~ListChooser() = default;
    virtual std::optional<int> choose(const QString &title, int year,
                                      const QList<PickEntry> &entries) = 0;
};

class PickFromList
{
public:
    enum Kind : int {
        Forms = 1,
        Districts = 2,
        DistrictsWithRegion = 22,
        InstitutionKinds = 3,
    };
    static constexpr qint64 RegionEntryCode = 250;
    static constexpr qint64 DistrictsEntryCode = 251;
    static constexpr int nameWidth = 120;
    static constexpr int nameTipWidth = 100;

    // Where the results go; null pointers are results not wanted. A length above 0 cuts the
    // string to it and pads it with blanks, as the caller's field holds it.
    struct Request
    {
        QString *name = nullptr;
        int nameLength = 0;
        qint64 *code = nullptr;
        // Forms only, each written only when given.
        quint8 *tip = nullptr;
        QString *nameTip = nullptr;
        int nameTipLength = 0;
        QString *formCode = nullptr;
        int formCodeLength = 0;
    };

    enum class Outcome {
        Chosen, // the results hold the chosen entry
        Closed, // closed without a choice: code 0, blank name
        Empty,  // nothing to list: the message was shown, the results are unchanged
        Failed, // a file could not be read (reported); the results are unchanged
    };

    PickFromList(data::DataContext &data, const AppState &state, runtime::Prompter &prompter);

    static QString title(int kind);
    static QString emptyText(int year);
    // "2015\sroki.txt".
    static QString deadlinesFileName(int year);

    // The entries of a kind, sorted by code, deadlines merged. `codeWanted` is false when the
    // caller gave no code reference: the district list then holds every district.
    [[nodiscard]] runtime::Result<QList<PickEntry>> entries(int kind, bool codeWanted = true);

    // The deadline lines merged into the form entries: characters 1-4 a form code, 5-100 the
    // deadline text. Lines of other codes are ignored.
    static void mergeDeadlines(QList<PickEntry> &entries, const QList<QByteArray> &lines);

    Outcome run(int kind, const Request &request, ListChooser &chooser);

private:
    runtime::Result<QList<PickEntry>> formEntries();
    runtime::Result<QList<PickEntry>> districtEntries(bool ownDistrictOnly);
    runtime::Result<QList<PickEntry>> kindEntries();
    static void deliver(const Request &request, const PickEntry &entry);

    data::DataContext &m_data;
    const AppState &m_state;
    runtime::Prompter &m_prompter;
};

} // namespace zemor::shell
