#pragma once

// `ComputeIndicators` without its windows: one run of an indicator definition over the stored
// reports, by district, by institution or by rows, for one year, for the year and the year
// before ("за 2 года"), or as a time series over several years; and the windowless call of the
// ratings, which takes the result rows as numbers.
//
// A run takes everything as values (IndicatorRequest): its year, period, district filter,
// selection and title. It works on its own copy of the definition, so a series that switches
// to a successor or counts its years as columns leaves the caller's definition as it was; it
// never writes the process-wide year, nor the caller's title, filter or selection (a run over
// the whole region works on its own blank title, filter 0 and empty selection).
//
// Files: the indicator files through IndicatorFormulaFiles (year by year), the districts
// (`region1`) and the reports through the caller's data context. Nothing is written. A file
// that cannot be read fails the run with an error naming it; what the user is to be told
// otherwise ("показатель не введен", "REG" & district, "Исправте UniCodStr" & row, the notices
// of the formula files, a missing population file) comes back in the run's notices, each text
// once. A sum that does not fit its exact field fails the run (Overflow). The progress counts
// the forms read and may cancel the run between them (Cancelled).

#include "analysis/indicators/IndicatorResult.h"
#include "analysis/indicators/IndicatorYear.h"
#include "runtime/core/Error.h"

#include <QList>
#include <QString>

namespace zemor::data {
class DataContext;
}
namespace zemor::runtime {
class Progress;
}

namespace zemor::analysis {

// One row of the ratings' call: its code and slots 1..QST:A.
struct RatingResultRow
{
    int code = 0;
    QList<double> slots;
};

// What the parameters window offers for a definition when it opens: the layouts that may be
// chosen, the one preset, whether the by-district options ("Группировать по населению",
// "+обл.ЛПУ") may be set, and whether "за 2 года" may.
struct IndicatorChoices
{
    bool byDistrict = false;
    bool byRows = false;
    bool byInstitution = false;
    IndicatorLayout preset = IndicatorLayout::ByRows;
    bool districtOptions = false;
    bool twoYears = false;

    bool operator==(const IndicatorChoices &) const = default;

    // By type: 1 by place (by district preset), 2 by rows only, 20 by rows over the region
    // with nothing to choose, any other every layout (by rows preset). "за 2 года" is not
    // offered for a definition with a successor or of a kind above 7.
    static IndicatorChoices of(const IndicatorDefinition &definition);
    // The by-district options follow the chosen layout (type 20 offers none).
    bool districtOptionsFor(IndicatorLayout layout, const IndicatorDefinition &definition) const;
};

class IndicatorComputation
{
public:
    explicit IndicatorComputation(data::DataContext &data, runtime::Progress *progress = nullptr)
        : m_data(data), m_progress(progress)
    {
    }

    // "показатель не введен".
    static QString notEnteredMessage();
    // "показатель не введен..." (a later year of a series).
    static QString notEnteredInSeriesMessage();

    // Whether a by-place run needs the user to choose the form row first: the first formula
    // line reads the chosen row.
    static bool needsChosenRow(const IndicatorTerms &terms);

    // One run (`?OK`). The layout is that of the request for definitions of type 0 and 1, the
    // by-rows layout otherwise. Without formula lines the run has no years and the notice
    // "показатель не введен".
    [[nodiscard]] runtime::Result<IndicatorRun> run(const IndicatorDefinition &definition,
                                                    const IndicatorRequest &request);

    // The ratings' call: the definition `id` computed by district (`layoutSelector` 1) or by
    // institution (any other value) for `year`, without population groups. Every result row in
    // order with slots 1..QST:A; `title` receives QST:A as text. A missing definition gives no
    // rows and leaves `title`.
    [[nodiscard]] runtime::Result<QList<RatingResultRow>>
    computeForRating(qint32 id, QString &title, int layoutSelector, int districtFilter,
                     MonthRange period, const QList<qint32> &selection, int year);

    // One year of a by-place layout: the result rows after sums, groups, form-998 lines and
    // steps. `notices` receives what the user is told.
    [[nodiscard]] runtime::Result<YearResult>
    computeByPlace(const YearInput &input, bool populationGroups, QList<FormulaNotice> &notices);

private:
    runtime::Status loadData(const YearInput &input, QList<IndicatorResultRow> &rows,
                             bool &regionTotalsMet, QList<FormulaNotice> &notices);
    runtime::Status loadMdvByPlace(const YearInput &input, QList<IndicatorResultRow> &rows,
                                   QList<FormulaNotice> &notices);
    runtime::Status applyRegionTotals(const YearInput &input, QList<IndicatorResultRow> &rows,
                                      QList<FormulaNotice> &notices);
    runtime::Result<QList<int>> districtCodes();
    runtime::Result<YearResult> computeYear(const YearInput &input, bool populationGroups,
                                            QList<FormulaNotice> &notices);

    data::DataContext &m_data;
    RunProgress m_progress;
};

} // namespace zemor::analysis
