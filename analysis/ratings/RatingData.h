#pragma once

// What a rating run reads, and the run itself without its windows: the indicators (`indik`),
// the members of their set (`NABOR`, named from `boln`), the value rows of the indicator's form
// for the run's year (`stroka`, headings named from `tabl`), the norms (the report of the whole
// region, institution 20000, period 0: column 1 the norm, 4 the direction, 5 the weight, 6 the
// zero rule) and one computation per definition.
//
// A run computes with its own year: the year's file names are set in the caller's data context
// only, and the process-wide year is never written. Each definition is computed by district
// (indicator type 1) or by institution over the set's members; its results are stored into the
// rows of its own table only. Nothing is written to any file. A file that cannot be read fails
// the run with its error; what the user is told otherwise comes back in the outcome's messages.

#include "analysis/ratings/Rating.h"
#include "runtime/core/Error.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace zemor::data {
class DataContext;
}
namespace zemor::runtime {
class Progress;
}

namespace zemor::analysis {

struct RatingRequest
{
    RatingIndicator indicator;
    int year = 0;
    int firstMonth = 0;
    int lastMonth = 0;
    int type = 3; // 1..6
};

struct RatingOutcome
{
    RatingRun run;
    QStringList messages;    // each shown to the user, in order
    bool missingSet = false; // nothing was computed: the set is missing or empty
};

class RatingData
{
public:
    static constexpr qint32 normsInstitution = 20000;

    // `progress` (optional) is told of each definition computed and may call the run off
    // between and during them: the run then fails with ErrorCode::Cancelled.
    explicit RatingData(data::DataContext &context, runtime::Progress *progress = nullptr)
        : m_context(context), m_progress(progress)
    {
    }

    // "Создайте список ЛПУ для данного индикатора"
    static QString missingSetMessage();
    // "<table>нет таблицы Qi:codTabl errorcode()=<error>"
    static QString missingTableMessage(int table, int error);

    // Every usable `indik` record in file order.
    [[nodiscard]] runtime::Result<QList<RatingIndicator>> indicators();
    // The members of the first set with `setId` in file order (up to the first 0 or the 250th),
    // named from `boln` (a member not found keeps an empty name, district 0 and kind 0),
    // numbered and sorted by code. Empty when there is no such set or it lists nobody.
    [[nodiscard]] runtime::Result<QList<RatingMember>> members(int setId);
    // The value rows of `form` in `year`, the headings named; a table missing from `tabl`
    // adds its message to `messages`.
    [[nodiscard]] runtime::Result<QList<ValueRow>> valueRows(int year, int form,
                                                             QStringList &messages);
    // Every data row takes its norm settings from the norms report of `form` in `year`.
    [[nodiscard]] runtime::Status applyNorms(int year, int form, QList<ValueRow> &rows);

    // One run: members, period text, value rows, norms, every definition, the rating.
    [[nodiscard]] runtime::Result<RatingOutcome> rate(const RatingRequest &request);

private:
    data::DataContext &m_context;
    runtime::Progress *m_progress = nullptr;
};

} // namespace zemor::analysis
