#pragma once

// The two text files of an indicator, read by fixed character positions from lines of at most
// 250 characters: "<n>.MDV", formula lines that name a result row, a source form and row, and
// up to 33 terms; "<n>.MDS", the result rows of the by-rows layout with their population
// column, code text, order and name. The functions here parse lines already read (whole, as
// TextLineFile gives them); IndicatorFormulaFiles reads the files.
//
// A line is read up to its 250th character; what lies beyond is not read, and positions past
// the end of a shorter line read as blank. Numbers may have blanks around them; a field that
// holds anything else is damaged. A line whose columns 1-5 are blank ends the file.
//
// "<n>.MDV" (columns 1-based): 1-5 result row code; 6-9 source form, blank for the form of the
// line before; 10 "-" to subtract the line's terms; 11-15 source row id; from 16 on terms of 7
// characters, term i in columns 7i+9 .. 7i+15 (3 characters column, 3 characters slot, one not
// read), i = 1..33. The terms end at the first whose first four characters read as 0 or blank,
// or whose column is 0. A line whose numbers are damaged, whose form is not 1..999 or none to
// take over, or one of whose terms has a slot outside 1..40 is skipped with the notice
// "Ошибка в <n>.mdv", and the reading goes on.
//
// "<n>.MDS": 1-5 row code; 7-8 population column; 10-14 code text; 15-17 order, blank or a
// number; 20-219 row name (Windows-1251). A damaged line is skipped with "Ошибка в <n>.mds".

#include "analysis/indicators/IndicatorFormula.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace zemor::analysis {

inline constexpr int formulaLineLength = 250;
inline constexpr int maxMdvTerms = 33; // whole terms in 250 characters

// One line of "<n>.MDS".
struct FormulaRowLine
{
    int code = 0;             // the result row code; above 2000 not a row of the form
    int populationColumn = 0; // the form-999 column a population term takes for this row
    QString codeText;         // the code as the lists show it
    std::optional<int> order; // the row's place among the rows, none when blank
    QString name;

    bool operator==(const FormulaRowLine &) const = default;
};

struct FormulaRowFile
{
    QList<FormulaRowLine> lines;
    QList<FormulaNotice> notices; // one per damaged line
};

class FormulaText
{
public:
    // "12.MDV", "12.MDS": the files' names, n written without leading zeros.
    static QString mdvFileName(qint32 id);
    static QString mdsFileName(qint32 id);
    // "Ошибка в 12.mdv": what a damaged line is reported with.
    static QString mdvErrorMessage(qint32 id);
    static QString mdsErrorMessage(qint32 id);

    // The formula lines of "<n>.MDV", unsorted. With `chosenRow` only the lines of that result
    // row are kept (the by-place layouts); without it every line (the by-rows layout).
    static MdvFormula parseMdv(const QList<QByteArray> &lines, qint32 id,
                               std::optional<int> chosenRow);
    // Sorts by form, then source row, keeping the file's order among equals.
    static void sortMdv(QList<IndicatorFormula> &lines);

    static FormulaRowFile parseMds(const QList<QByteArray> &lines, qint32 id);
};

} // namespace zemor::analysis
