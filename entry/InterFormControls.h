#pragma once

// The inter-form controls (`InterFormControls`) without their windows: the list of formulas
// ("SpisMF.TXT" of the working directory), one formula read from the year's "ContrMF.dat"
// (ControlRuleLoader::interFormRule), and its evaluation over the stored reports of the year per
// institution, per district or for the whole region, every period of the year added.
//
// Each cell is a stored DECIMAL(17,3) value and the sums are exact, so a formula whose cells
// cancel gives exactly 0 and is judged by its relation on that exact sum. A (form, row) names at
// most 25 columns; further ones are dropped with "ПЕРЕПОЛНЕНИЕ ГРАФ" each. A form without a data
// file contributes nothing; a data file that cannot be read is an error (reported by the data
// context). Each form's data file is read in one read transaction; the progress counts the
// (form, row) groups and a cancelled evaluation returns Cancelled.
//
// The year is the caller's; the context is the caller's own (its file-name variables hold the
// inter-form file only while a formula is read).

#include "entry/ControlRules.h"
#include "runtime/core/Error.h"
#include "runtime/decimal/Decimal.h"
#include "runtime/report/PageList.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace zemor::data {
class DataContext;
}
namespace zemor::runtime {
class Progress;
}

namespace zemor::entry {

// A line of the formula list (`QSP`).
struct InterFormEntry
{
    qint64 code = 0; // QSP:COD: characters 1-3 of the first line
    QString name;    // QSP:NAME: characters 4-103 of the first line
    QString formula; // QSP:FORMA: the second line, up to 250 characters
};

// The cells of one (form, row) of a formula (`QS`): signed value numbers.
struct InterFormGroup
{
    qint64 form = 0;
    int row = 0;
    QList<int> columns;
};

struct InterFormFormula
{
    qint64 code = 0;
    int relation = 0;
    QList<InterFormGroup> groups; // by form, row, column
    QStringList diagnostics;      // "ПЕРЕПОЛНЕНИЕ ГРАФ" per dropped column
};

// `?OPTION1` of the inter-form controls.
enum class InterFormScope {
    Institution = 1,  // "ВЫБОР   ЛПУ" (institution 0: every institution)
    Institutions = 2, // "Разрез ЛПУ"
    District = 3,     // "РАЙОН"
    Districts = 4,    // "Разрез  районы"
    Region = 5,       // "СВОД"
};

// One result line (`QS1`).
struct InterFormLine
{
    qint32 code = 0;      // QS1:CODUCH: the institution or district; 0 for the region
    QString name;         // QS1:UCH
    bool failed = false;  // QS1:O "ОШИБКА"
    runtime::Decimal sum; // QS1:SUM1, exact
    QString terms;        // QS1:S, up to 300 characters
};

class InterFormControls
{
public:
    InterFormControls(data::DataContext &context, int year) : m_context(context), m_year(year) {}

    static QString listFileName() { return QStringLiteral("SpisMF.TXT"); }
    static QString notFoundText() { return QStringLiteral("Контроль не найден"); }
    static QString overflowText() { return QStringLiteral("ПЕРЕПОЛНЕНИЕ ГРАФ"); }
    static QString failedMark() { return QStringLiteral("ОШИБКА"); }
    static constexpr int columnsPerGroup = 25;
    static constexpr int termsLength = 300;
    static constexpr int nameLength = 35;

    // The formula list of a file (two lines per formula), every line read whole; a missing
    // file gives an empty list.
    [[nodiscard]] static runtime::Result<QList<InterFormEntry>> readList(const QString &path);

    // The formula of `code` grouped by (form, row); nullopt when "ContrMF.dat" has no such
    // formula ("Контроль не найден").
    [[nodiscard]] runtime::Result<std::optional<InterFormFormula>> formula(qint64 code);
    static InterFormFormula group(const InterFormRule &rule);

    // The lines of the formula by scope: `institution` for scope 1 (0: every institution),
    // `district` for scope 3. Every line, failed or not, in the order the scope makes them.
    [[nodiscard]] runtime::Result<QList<InterFormLine>>
    evaluate(const InterFormFormula &formula, InterFormScope scope, qint32 institution = 0,
             int district = 0, runtime::Progress *progress = nullptr);

    // Whether a sum fails the relation: 1 unless 0, 2 unless > 0, 3 unless >= 0, 4 unless < 0,
    // 5 unless <= 0; any other code never fails.
    static bool fails(int relation, const runtime::Decimal &sum);
    // What the result window lists: the failed lines sorted by name.
    static QList<InterFormLine> failedLines(const QList<InterFormLine> &lines);
    // The printed list (?PRNT): a header with the formula, then one line per failed entry
    // (name, sum).
    static runtime::report::PageList printResults(const QList<InterFormLine> &failed,
                                                  const InterFormEntry &formula, int year);
    static QString resultsTitle() { return QStringLiteral("Межформенные контроли"); }

private:
    data::DataContext &m_context;
    int m_year;
};

} // namespace zemor::entry
