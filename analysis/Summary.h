#pragma once

// The summary of one form over the reports chosen in the report list: every stored row of every
// chosen report added, column by column, into one summary row per form row, each column by its
// kind ("на начало года" takes month 1, "на начало периода" the first period, "на конец
// периода" the last, any other column the sum over the periods), then shown table by table
// against the table's column control rules.
//
// Sums are exact: each is a DECIMAL(19,3); a sum that does not fit is an Overflow error that
// names the row and column, and no summary results. Reports are read through entry's
// ReportReader (each report in one read transaction) from the data file of the year the request
// names, which is also the year of the catalogue, the rules and the stored list formats. A run
// given a progress stops with Cancelled when asked to and gives nothing.
//
// Column kinds come from `grafa` (GRA:VID): value index GRA:COD - TAB:SM, 1..35. A column
// without a kind of its own (outside 1..35, or of a table without columns) is a plain sum.

#include "analysis/ReportList.h"
#include "entry/FormCatalogue.h"
#include "entry/ReportRows.h"
#include "entry/ResolvedRules.h"
#include "runtime/core/Error.h"
#include "runtime/decimal/Decimal.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QVariantList>

#include <array>

namespace zemor::data {
class DataContext;
}
namespace zemor::runtime {
class Progress;
}

namespace zemor::analysis {

inline constexpr int summaryValueCount = 35;

// Kinds of a column over the periods (GRA:VID).
enum ColumnKind : int {
    PlainSum = 0,
    YearStart = 1,   // "на начало года"
    PeriodStart = 2, // "на начало периода"
    PeriodEnd = 3,   // "на конец периода"
};

// `ColumnKinds` (QGR): the kind of each value column of each table of a form.
class ColumnKinds
{
public:
    // LoadColumnKinds; every column is a plain sum when kinds are ignored.
    static ColumnKinds load(const entry::FormCatalogue &catalogue, bool ignore);

    // The kind of value `index` (1..35) of `table`; PlainSum for anything unknown.
    int kind(qint64 table, int index) const;
    // The kinds of the values of `table`, nullptr when every value is a plain sum.
    const std::array<int, summaryValueCount> *of(qint64 table) const;
    // Whether some column is of kind YearStart.
    bool hasYearStart() const { return m_yearStart; }

private:
    QHash<qint64, std::array<int, summaryValueCount>> m_kinds;
    bool m_yearStart = false;
};

// One summary row (QSUM).
struct SummaryRow
{
    int rowId = 0;                                            // QSUM:UNSTR
    qint64 table = 0;                                         // QSUM:CODTAB
    QString error;                                            // QSUM:ERROR
    std::array<runtime::Decimal, summaryValueCount> values{}; // QSUM:DATA

    runtime::Decimal value(int n) const
    {
        return n >= 1 && n <= summaryValueCount ? values[size_t(n - 1)] : runtime::Decimal();
    }
};

struct Summary
{
    qint32 from = 0;        // F
    qint32 to = 0;          // T
    QList<SummaryRow> rows; // by row id
    bool zeroCode = false;  // a record of institution or district 0 was summed

    const SummaryRow *row(int rowId) const;
    // The rows as a report, for the whole-report check.
    entry::ReportRows asReport() const;

    static QString zeroCodeText() { return QStringLiteral("Нулевой код в базе"); }
};

// SumReports.
class SummaryCalculation
{
public:
    // The summary period F..T of a request: with a selection and kinds in force, the smallest
    // and largest selected periods; otherwise the list's range.
    static std::pair<qint32, qint32> period(const SummaryRequest &request);

    [[nodiscard]] static runtime::Result<Summary> sumReports(data::DataContext &context,
                                                             const SummaryRequest &request,
                                                             const ColumnKinds &kinds,
                                                             runtime::Progress *progress = nullptr);
};

// A line of the summary list of one table (QT).
struct SummaryTableRow
{
    QString code;                                             // QT:CODSTR
    QString error;                                            // QT:ERROR
    QString name;                                             // QT:S
    QString sex;                                              // QT:POL
    std::array<runtime::Decimal, summaryValueCount> values{}; // QT:DATA1..35
    int rowId = 0;                                            // QT:UNICODSTR
    int number = 0;                                           // QT:NUMBER

    bool allZero() const;
};

// One table of the summary as the window shows it.
struct SummaryTable
{
    entry::FormTable table;
    QList<SummaryTableRow> rows;
    QString format;            // the list format: the stored one or the built one
    bool storedFormat = false; // whether `format` came from the stored list formats
    QString builtFormat;       // the built one, for a stored format that does not read
    int failedRows = 0;        // rows marked "?"
    QStringList messages;

    static QString noRowsText()
    {
        return QStringLiteral("В таблице нет строк обратитесь к разработчику");
    }
    static QString controlsFailedText()
    {
        return QStringLiteral("В данной таблице в графах ошибки ");
    }

    // "только заполненные строки": drops the rows whose every value is 0.
    void keepFilledRows();
    // The rows as the lines of the list: QT:CODSTR, QT:ERROR, QT:S, QT:POL, QT:DATA1..35,
    // QT:UNICODSTR, QT:NUMBER.
    QList<QVariantList> lines() const;
    // The heading over the list: table code, a blank, the table name.
    QString heading() const;
};

class SummaryTables
{
public:
    // The list format of the table choice ("Таблицы").
    static QString choiceFormat()
    {
        return QStringLiteral("23L(2)|M@s5@E(,0D7FFFFH,,)80L(2)|M@S100@");
    }
    // The background of a value column of `kind` in the list as E() writes it ("0FFFFD7H"); blank
    // for a plain sum, which keeps the list's own.
    static QString kindBackground(int kind);
    // The summary window's title: the form code and name, with the code text when it differs.
    static QString windowTitle(const ReportListForm &form);
    // LoadSummaryTable. `storedFormat` is the table's stored list format when there is one
    // (blank or absent: the format is built). Without `rules` (deviation mode) no control is
    // checked.
    static SummaryTable load(const entry::FormCatalogue &catalogue, const entry::FormTable &table,
                             const Summary &summary, bool filledOnly, bool ignoreKinds,
                             const QString &storedFormat, const entry::ResolvedRules *rules);
    // BuildSummaryFormat: value column n over value n, placed by column number.
    static QString buildFormat(const entry::FormTable &table,
                               const QList<entry::FormColumn> &columns, bool ignoreKinds,
                               bool anyCodes);
    // CheckSummaryControls on one line: clears and sets its error mark; true when it passes.
    static bool checkControls(SummaryTableRow &row, const entry::ResolvedRules &rules,
                              qint64 table);
    // The table's stored list format ("Sapki" of the year, by TAB:UNICODT), blank when there is
    // none. A missing file is none; a file that cannot be read is an error.
    [[nodiscard]] static runtime::Result<QString> storedFormat(int year, qint32 tableId);
};

} // namespace zemor::analysis
