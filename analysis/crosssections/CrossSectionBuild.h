#pragma once

// Building the result of a cross-section from its marks: one value per mark (its column) and
// one row per district, institution or row of the current table, each value the exact sum of
// the marked cell over the mark's periods and over the reports of the row.
//
// Reports are read through entry's ReportReader, each in one read transaction of its file; the
// marks of one year, form and period range share one pass over that file. Which reports count:
// - a non-empty selection takes the selected institutions (every institution for forms 999 and
//   above), whatever their district;
// - an empty selection takes every institution of the district filter (all when it is 0).
//
// Sums are exact (Decimal) and held as DECIMAL(19,3); a sum that does not fit is an error, never
// a cut value. A year or form whose data file cannot be read gives zeros for its marks: the
// failure is kept in failures() once per year and form (the data context's error manager has
// shown it) and the build goes on. Names come from `region1` and `boln` of the working
// directory; an institution missing from `boln` is named in missingInstitutions() and keeps a
// blank name. The progress counts the files read; when it asks to stop the build answers
// Cancelled and the result is not to be shown.

#include "analysis/crosssections/CrossSectionMarks.h"
#include "runtime/core/Error.h"
#include "runtime/decimal/Decimal.h"

#include <QList>
#include <QString>

namespace zemor::data {
class DataContext;
}
namespace zemor::runtime {
class Progress;
}

namespace zemor::analysis {

inline constexpr int crossSectionTotalCode = 250;

// One row of the result (QAC).
struct CrossSectionRow
{
    QString region;                 // QAC:REG, at most 17 characters
    QString name;                   // QAC:UCH
    QList<runtime::Decimal> values; // QAC:DATA1 .. QAC:DATAn, one per mark
    qint32 key = 0;                 // QAC:CODUCH
    int district = 0;               // QAC:CODREG
    int kind = 0;                   // QAC:VID
    int settlement = 0;             // QAC:SEL

    bool isTotal() const
    {
        return district == crossSectionTotalCode && kind == crossSectionTotalCode;
    }
    // Whether every value is 0 (a row of +5 and -5 is not empty).
    bool isEmpty() const;
};

enum class CrossSectionGrouping { Districts = 1, Institutions = 2 }; // ?OPTION1

// Whose reports a build reads.
struct CrossSectionScope
{
    int districtFilter = 0;     // 0, a district, or 500 (with a selection only)
    QList<qint32> institutions; // the selection; empty: all
};

struct CrossSectionResult
{
    CrossSectionGrouping grouping = CrossSectionGrouping::Districts;
    bool byRows = false;
    QList<CrossSectionMark> marks; // the marks the values belong to (at most 105)
    QList<CrossSectionRow> rows;
    QList<qint32> missingInstitutions; // "Не найден код ЛПУ " for each
    QList<runtime::Error> failures;    // files that could not be read
    // The year of the last mark whose data the build read (0 when none was read).
    qint32 lastYearRead = 0;

    int markCount() const { return int(marks.size()); }
};

class CrossSectionBuild
{
public:
    static QString missingInstitutionText(qint32 code)
    {
        return QStringLiteral("Не найден код ЛПУ ") + QString::number(code);
    }
    static QString totalText() { return QStringLiteral("Всего "); }

    CrossSectionBuild(data::DataContext &context, CrossSectionScope scope)
        : m_context(context), m_scope(std::move(scope))
    {
    }

    // By districts or institutions: the marks beyond the 105th are dropped from `marks`.
    [[nodiscard]] runtime::Result<CrossSectionResult>
    byPlace(QList<CrossSectionMark> &marks, CrossSectionGrouping grouping,
            runtime::Progress *progress = nullptr);

    // By the rows of `table` of `form`: one row per grid row; only marks of that form and table
    // give values, each in the slot of its position in the list.
    [[nodiscard]] runtime::Result<CrossSectionResult>
    byRows(const QList<CrossSectionMark> &marks, qint64 form, const CrossSectionTable &table,
           CrossSectionGrouping grouping, runtime::Progress *progress = nullptr);

    // AccumulateMarkValue: `sum` + `value`, exactly, held as DECIMAL(19,3).
    [[nodiscard]] static runtime::Result<runtime::Decimal>
    accumulate(const runtime::Decimal &sum, const runtime::Decimal &value);

private:
    bool takes(qint64 form, qint32 institution, int district) const;
    runtime::Status nameRows(CrossSectionResult &result);

    data::DataContext &m_context;
    CrossSectionScope m_scope;
};

} // namespace zemor::analysis
