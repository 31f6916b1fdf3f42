#pragma once

// What the computation of one year of an indicator works from, shared by the by-place layouts
// (IndicatorComputation) and the by-rows layout (NosologyComputation), and the reading of the
// report records its formula lines name.
//
// Records are read through entry's ReportReader, the rows of one form in one read transaction,
// so that each report is read as one state; a form without a data file has no records and gets
// none made. The reading stops with Cancelled between forms when the progress asks it to.

#include "analysis/indicators/IndicatorDefinition.h"
#include "analysis/indicators/IndicatorFormula.h"
#include "analysis/indicators/IndicatorResult.h"
#include "data/Dictionary.h"
#include "entry/ReportReader.h"
#include "runtime/core/Error.h"

#include <QList>
#include <QSet>

#include <functional>
#include <memory>

namespace zemor::data {
class DataContext;
}
namespace zemor::runtime {
class Progress;
} // namespace zemor::runtime

namespace zemor::analysis {

struct YearInput
{
    IndicatorDefinition definition;
    IndicatorTerms terms;
    int year = 0;
    IndicatorLayout layout = IndicatorLayout::ByRows;
    int districtFilter = 0;
    QSet<qint32> selection; // empty: every institution
    bool attachedPopulation = false;
    bool regionalInstitutions = false;
    ChosenRow chosen;
    int currentForm = 0; // form and table of the first formula line
    int currentTable = 0;

    bool selects(qint32 institution) const { return selection.contains(institution); }
    // The period test of a line's record: whether it is taken at all, and whether it is taken
    // only by the month-1 terms (a January record outside the run's months).
    enum class PeriodUse { None, All, MonthOneOnly };
    PeriodUse periodUse(const IndicatorFormula &line, qint32 period) const;
};

// The progress of a whole run: one step for each form read, whatever pass or year it is in.
class RunProgress
{
public:
    explicit RunProgress(runtime::Progress *progress) : m_progress(progress) {}
    bool cancelled() const;
    void formRead(int year, int form);

private:
    runtime::Progress *m_progress;
    qint64 m_done = 0;
};

// Reads the records of formula lines form by form: `rowsOf(line)` names the rows a line needs,
// `take(lineIndex, record)` is called for each record of each line that names its row.
// Lines are taken in their order; consecutive lines of one form share one reading.
class LineRecords
{
public:
    using RowsOf = std::function<QList<int>(const IndicatorFormula &)>;
    using Take = std::function<runtime::Status(int, const entry::RowRecord &)>;
    using FormDone = std::function<runtime::Status(int first, int last)>;

    LineRecords(data::DataContext &data, RunProgress &progress) : m_data(data), m_progress(progress)
    {
    }

    // `skip(line)` leaves a line out; `formDone(first, last)` is called after each form's lines
    // first..last were read.
    [[nodiscard]] runtime::Status read(int year, const QList<IndicatorFormula> &lines,
                                       const std::function<bool(const IndicatorFormula &)> &skip,
                                       const RowsOf &rowsOf, const Take &take,
                                       const FormDone &formDone = {});

    // Every line reads its own source row ("<n>.MDV" lines).
    [[nodiscard]] runtime::Status readSourceRows(int year, const QList<IndicatorFormula> &lines,
                                                 const Take &take);

private:
    data::DataContext &m_data;
    RunProgress &m_progress;
};

// Adds (or, for a line marked so, subtracts) the record's value in each term's column into the
// term's slot of `row`: how a line of "<n>.MDV" fills its row.
void addFormulaTextLine(const IndicatorFormula &line, const entry::RowRecord &record,
                        IndicatorResultRow &row);

// The value of report column `column` of a record or row: the nearest double; 0 outside 1..35.
double cellValue(const entry::RowRecord &record, int column);
double cellValue(const entry::ReportRow &row, int column);

} // namespace zemor::analysis
