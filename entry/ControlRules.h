#pragma once

// The control rules of one form as the checks use them, read from the year's rule files by
// ControlRuleLoader or built directly by a caller. Plain values, owned by whoever holds them.
//
// Column numbers are stored column numbers, in the form's numbering: stored column c of a
// table is value c - offset of its rows (see ReportRows.h). Row references are row ids,
// unique within a form. Term lists hold only the terms in force: a stored list ends at its first
// 0, and a full list is used whole.

#include <QList>
#include <QString>

#include <array>

namespace zemor::entry {

// A column rule (`ContrGr`): within one row of a table, stored column `left` against the signed
// sum of the stored columns in `terms`.
struct ColumnRule
{
    qint64 id = 0;    // CON:UNICOD
    qint64 table = 0; // CON:CODTABL
    QString rowCode;  // CON:CODSTR; blank or numerically 0 for every row of the table
    int rowId = 0;    // CON:UNICODSTR, carried with the rule
    int left = 0;     // CON:S
    int relation = 0; // CON:SNAK
    QList<int> terms; // CON:S1, signed stored columns
    QString note;     // CON:PRIM
};

// A row rule (`ContrStr`): within one column, the left row against the signed sum of rows.
struct RowRule
{
    qint64 id = 0;    // COS:UNICOD
    int column = 0;   // COS:CODGR, stored column; 0 for every column of the left row's table
    int leftRow = 0;  // COS:UNICODSTR
    int relation = 0; // COS:SNAK
    QList<int> terms; // COS:S1, signed row ids
};

// One term of an inter-table rule: a row of any table of the form, in a stored column of that
// row's table.
struct TableTerm
{
    int row = 0;    // signed row id: negative subtracts
    int column = 0; // stored column of the row's table
};

// An inter-table rule (`ContrTab`): one cell against the signed sum of cells of any tables.
struct TableRule
{
    qint64 id = 0;      // COT:UNICOD
    int leftRow = 0;    // COT:UNICODSTR
    int leftColumn = 0; // COT:CODGR
    int relation = 0;   // COT:SNAK
    QList<TableTerm> terms;
};

// An inter-form formula (the year's "ContrMF.dat", in the row-rule layout): the signed sum of
// the cells named by its triples (form, row id, value number; the triple is subtracted when its
// row or its value number is negative) against 0 by the relation code. The list ends at the
// first form code 0.
struct InterFormRule
{
    qint64 id = 0;    // COS:UNICOD, the formula code
    int relation = 0; // COS:SNAK
    QList<std::array<int, 3>> triples;
};

// The rules of one form in the order the checks take them: row rules and inter-table rules by
// left row, column rules by table.
struct FormRules
{
    QList<RowRule> rowRules;
    QList<TableRule> tableRules;
    QList<ColumnRule> columnRules;

    bool isEmpty() const
    {
        return rowRules.isEmpty() && tableRules.isEmpty() && columnRules.isEmpty();
    }
};

// Whether a rule's row code stands for every row of its table: blank, or a plain number equal
// to 0 ("0", "00", " 0.0"). A code that is not a plain number ("1.1а") names one row.
bool isEveryRowCode(const QString &rowCode);

} // namespace zemor::entry
