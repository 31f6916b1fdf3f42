#pragma once

// Reads an indicator's definition and formula from its files, for one computation year:
// "TablP.dat" (the definitions), "GrafaP.dat" (their result columns), "POKAS" (formula terms and
// steps), "SapkiP.tps" (stored list formats), "<n>.MDV" and "<n>.MDS" in the working directory,
// and "<year>\forma.dat" and "<year>\stroka.dat" under it. The names are this object's own
// values, resolved without regard to letter case; nothing process-wide is read or set.
//
// Reading only: keyed files are opened read-only and closed again by each call, every scan runs
// inside one read transaction, and nothing is ever created or written. A missing file reads as
// empty (no definition, no terms, no columns, no rows, every form annual). A file that cannot
// be read (damaged, of another layout, locked, a record whose numbers do not decode) fails the
// call with an error whose `where` is the file's name and whose message says why; the caller
// shows no result then.
//
// Positions are checked as they are read: a term or step whose slot lies outside 1..40, a step
// whose source slot lies above 40, a term whose column is 0 is left out with the notice
// "Проверте формулу"; damaged lines of the text files are left out with "Ошибка в <n>.mdv" or
// "... .mds". Notices are returned with the result, never shown here.

#include "analysis/indicators/FormulaText.h"
#include "analysis/indicators/IndicatorDefinition.h"
#include "analysis/indicators/IndicatorFormula.h"
#include "runtime/core/Error.h"

#include <QList>
#include <QString>

#include <optional>

namespace zemor::analysis {

// The successor of a definition, or the empty definition and the notice why there is none.
struct SuccessorDefinition
{
    IndicatorDefinition definition;
    std::optional<FormulaNotice> notice;
};

// One result row of the by-rows layout.
struct FormulaRow
{
    int code = 0;             // the form's row id, or the code of a "<n>.MDS" line
    int populationColumn = 0; // STR:CODNAS, or columns 7-8 of the "<n>.MDS" line
    bool listed = false;      // the row comes from "<n>.MDS"

    bool operator==(const FormulaRow &) const = default;
};

struct FormulaRows
{
    QList<FormulaRow> rows;
    QList<FormulaNotice> notices;
};

class IndicatorFormulaFiles
{
public:
    // The names as the program writes them.
    static QString tablFileName() { return QStringLiteral("TablP.dat"); }
    static QString grafaFileName() { return QStringLiteral("GrafaP.dat"); }
    static QString pokasFileName() { return QStringLiteral("POKAS"); }
    static QString sapkiFileName() { return QStringLiteral("SapkiP.tps"); }
    // "Проверте формулу", "Ошибка в конструкторе".
    static QString formulaFaultMessage();
    static QString successorMissingMessage(qint32 successor);

    // `year` is the computation's year: it names "<year>\forma.dat" and "<year>\stroka.dat".
    explicit IndicatorFormulaFiles(int year) : m_year(year) {}
    int year() const { return m_year; }
    QString formaFileName() const;  // "2025\forma.dat"
    QString strokaFileName() const; // "2025\stroka.dat"

    // The definition with this id (key TAB:KEYUNICODT); nullopt when there is none.
    [[nodiscard]] runtime::Result<std::optional<IndicatorDefinition>>
    readDefinition(qint32 id) const;
    // `LoadSuccessorDefinition`: the definition that takes over after `current`'s last year.
    // When it is missing, the empty definition and "Ошибка в конструкторе" & id.
    [[nodiscard]] runtime::Result<SuccessorDefinition>
    loadSuccessorDefinition(const IndicatorDefinition &current) const;
    // `RebuildDefinitionList`: the definitions of `form` read in table order and arranged by
    // arrangeDefinitionList().
    [[nodiscard]] runtime::Result<QList<IndicatorDefinition>>
    rebuildDefinitionList(int form, bool series, int from, int to) const;
    // The definition a run of `chosen` takes once the list of its form is rebuilt
    // (definitionOfChain()); nullopt when the list holds none of its chain.
    [[nodiscard]] runtime::Result<std::optional<IndicatorDefinition>>
    rebuildDefinitionFor(const IndicatorDefinition &chosen, bool series, int from, int to) const;
    // `FillIndicatorList`: the definitions valid for the year, in table order (TAB:TAB1), of
    // `form` only, or of every form when `form` is nullopt.
    [[nodiscard]] runtime::Result<QList<IndicatorDefinition>>
    readIndicatorList(std::optional<int> form) const;

    // `LoadIndicatorTerms`: the formula lines and steps of a definition, in key order. Terms of
    // one source row and form read one after another make one line (its table that of its
    // first term; a line whose first term names table 0 is not kept), a 41st term a further
    // line; a form-999 term marks its slot. `period` is the run's months; the result's period
    // is widened by every term's own month. A definition id that does not fit the cell file's
    // id field has no terms.
    [[nodiscard]] runtime::Result<IndicatorTerms>
    loadIndicatorTerms(const IndicatorDefinition &definition, MonthRange period) const;

    // `ReadIndicatorFormula`: the lines of "<n>.MDV", sorted by form, then source row; with
    // `chosenRow` only those of that result row. A missing file gives no lines.
    [[nodiscard]] runtime::Result<MdvFormula>
    readIndicatorFormula(qint32 id, std::optional<int> chosenRow) const;
    // The lines of "<n>.MDS" (row list, names and order); a missing file gives none.
    [[nodiscard]] runtime::Result<FormulaRowFile> readFormulaRowLines(qint32 id) const;
    // `ReadFormulaRows`: the result rows of the by-rows layout: the rows of the definition's
    // form and `table` in row-number order (every kind but 7), then the "<n>.MDS" rows (kinds
    // 7 and 8).
    [[nodiscard]] runtime::Result<FormulaRows>
    readFormulaRows(const IndicatorDefinition &definition, int table) const;

    // The result columns 1..columns of the definition, in column order; records with a higher
    // number end the reading.
    [[nodiscard]] runtime::Result<QList<IndicatorColumn>>
    readColumns(const IndicatorDefinition &definition) const;
    // `LoadColumnPictures`: `pictures` with the definition's columns applied.
    [[nodiscard]] runtime::Result<ColumnPictures>
    loadColumnPictures(const IndicatorDefinition &definition, ColumnPictures pictures) const;

    // The stored list format of the definition (its text, trailing blanks removed); nullopt
    // when there is no record.
    [[nodiscard]] runtime::Result<std::optional<QString>> readListFormat(qint32 id) const;

private:
    // Every definition of `form`, in table order.
    [[nodiscard]] runtime::Result<QList<IndicatorDefinition>> readFormDefinitions(int form) const;

    int m_year;
};

} // namespace zemor::analysis
