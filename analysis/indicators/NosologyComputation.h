#pragma once

// The by-rows layout of an indicator (`ComputeByNosology`): one result row per row of the
// indicator's form and/or per line of "<n>.MDS", for the whole territory the district filter
// chooses, and the naming and ordering of those rows for display (`OrderNosologyRows`).
//
// Each formula line is of one of four classes: (a) a line of the current table that reads the
// result row itself (row 0), which fills each result row from the records of that row; (b) a
// line of the populations (form 999), which adds the region's (or the filtered districts')
// figures into every row, a population line taking each row's own population column; (c) a line
// of one named row, whose exact line sums go into every row; (d) anything else, not used. Then
// the lines of "<n>.MDV" (kinds 7..9) add into the rows they name, adding rows that are
// missing, and the steps run. Reading, notices and failures are as IndicatorComputation says.

#include "analysis/indicators/FormulaText.h"
#include "analysis/indicators/IndicatorResult.h"
#include "analysis/indicators/IndicatorYear.h"
#include "runtime/core/Error.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

namespace zemor::data {
class DataContext;
}
namespace zemor::runtime {
class Progress;
}

namespace zemor::analysis {

class NosologyComputation
{
public:
    NosologyComputation(data::DataContext &data, RunProgress &progress)
        : m_data(data), m_progress(progress)
    {
    }

    // One year over the result rows `rows` (from readFormulaRows()).
    [[nodiscard]] runtime::Result<YearResult>
    compute(const YearInput &input, QList<IndicatorResultRow> rows, QList<FormulaNotice> &notices);
    // `LoadMdvRowsByNosology`.
    [[nodiscard]] runtime::Status loadMdvRows(const YearInput &input,
                                              QList<IndicatorResultRow> &rows,
                                              QList<FormulaNotice> &notices);

private:
    data::DataContext &m_data;
    RunProgress &m_progress;
};

// A row of the form as the by-rows display names and orders it.
struct FormRowName
{
    QString name;     // STR:NAME
    QString pol;      // STR:POL
    QString codeText; // STR:CODSTR
    int number = 0;   // STR:NUMBER
};

// A display row of the by-rows layout while it is named and ordered.
struct NosologyRow
{
    int code = 0;
    QString codeText;
    QString name;
    int order = 0;    // QTAB:NUMBER
    int position = 0; // the row's place in the result, kept by equal orders
};

// `OrderNosologyRows`: names the rows from the form's rows (`formRows`, by row id) and, for kinds
// 7 and 8, from the "<n>.MDS" lines; removes the rows without an order above 0 and sorts the
// rest by order. Rows of equal order keep the order they came in.
void orderNosologyRows(QList<NosologyRow> &rows, int kind, const QHash<int, FormRowName> &formRows,
                       const QList<FormulaRowLine> &listed);

// The rows of `form` in the year's row file, by id.
[[nodiscard]] runtime::Result<QHash<int, FormRowName>> readFormRowNames(int year, int form);

} // namespace zemor::analysis
