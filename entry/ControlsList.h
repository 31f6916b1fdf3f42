#pragma once

// The control rules of one form as readable conditions (`ControlsList`, "Список  контролей"),
// without the window: the three lists of its tabs (column, row and inter-table rules), each
// rule's condition text written from the rule and the row codes of the catalogue, and the
// printed pages of the ticked lists.
//
// build() reads the rules and the rows of the form from the files of the caller's year through
// the caller's data context (the window keeps a context of its own); a file that cannot be read
// is an error, reported by the context. Term rows that the catalogue does not have are left out
// of the texts. print() lays the ticked lists out with runtime/report; with nothing to print
// (no rules, nothing ticked) the result is one page holding the page header.

#include "entry/ControlRules.h"
#include "entry/RowCatalogue.h"
#include "runtime/core/Error.h"
#include "runtime/report/PageList.h"

#include <QList>
#include <QString>

namespace zemor::data {
class DataContext;
}

namespace zemor::entry {

// A line of "По графам".
struct ColumnRuleLine
{
    qint64 id = 0;    // CON:UNICOD
    qint64 table = 0; // CON:CODTABL
    QString rowCode;  // CON:CODSTR
    QString text;     // the condition
    ColumnRule rule;
};

// A line of "По строкам" (`QCS`).
struct RowRuleLine
{
    qint64 id = 0;    // QCS:UNICOD
    qint64 table = 0; // QCS:CODTABL: the left row's table
    int column = 0;   // QCS:CODGR, 0 = every column
    QString text;     // QCS:SS1
    int leftRow = 0;  // QCS:UNICODSTR
    int number = 0;   // QCS:NSTR
    int relation = 0; // QCS:SNAK
    QString rowCode;  // QCS:CODSTR: the left row's code, five characters
};

// A line of "Межтабличный" (`QCT`).
struct TableRuleLine
{
    qint64 id = 0;    // QCT:UNICOD
    qint64 table = 0; // QCT:CODTABL: the left row's table
    QString rowCode;  // QCT:CODSTR: the left row's code, ten characters
    int column = 0;   // QCT:CODGR
    QString text;     // QCT:USS1
    int number = 0;   // QCT:NUMBER
    int relation = 0; // QCT:SNAK
    int leftRow = 0;  // QCT:UNICODSTR
};

struct ControlLists
{
    qint64 form = 0;
    QList<ColumnRuleLine> columnRules; // in table order
    QList<RowRuleLine> rowRules;       // in rule order of the form
    QList<TableRuleLine> tableRules;   // by table, row position, column
};

class ControlsList
{
public:
    static QString windowTitle() { return QStringLiteral("Список  контролей"); }
    static QString columnsHint() { return QStringLiteral("0 - по всем строкам таблицы"); }
    static QString rowsHint() { return QStringLiteral("0 - по всем графам таблицы"); }
    static QString columnListFormat();
    static QString rowListFormat();
    static QString tableListFormat();

    // The texts of the rules.
    static QString relationText(int code); // "=", ">", ">=", "<", "<=", "=0"; blank otherwise
    static QString columnRuleText(const ColumnRule &rule);
    static QString rowRuleText(const RowRule &rule, const RowCatalogue &rows);
    static QString tableRuleText(const TableRule &rule, const RowCatalogue &rows);

    [[nodiscard]] static runtime::Result<ControlLists> build(data::DataContext &context, int year,
                                                             qint64 form);
    static ControlLists lists(qint64 form, const FormRules &rules, const RowCatalogue &rows);

    struct PrintChoice
    {
        bool columns = false; // ?CHECK1 " по графам"
        bool rows = false;    // ?CHECK2 " по строкам"
        bool tables = false;  // ?CHECK3 "межтабличный"
    };
    static runtime::report::PageList print(const ControlLists &lists, const PrintChoice &choice,
                                           int year, const QString &formName);
};

} // namespace zemor::entry
