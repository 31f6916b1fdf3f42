#pragma once

// An indicator definition: one record of the indicator copy of the tables file ("TablP.dat"),
// read into a plain value, and the columns and display pictures of its result. The definition
// names its formula (by id), the form whose rows it offers, the years it is valid for, its
// successor after the last of them, its kind, how many result columns it shows and which
// layouts it allows. Reading the files is IndicatorFormulaFiles' part; the functions here work
// on records and values only.
//
// Numbers that the definition's text field holds (the years, the successor) read as 0 when they
// are not numbers. The column count is taken as at most 40, the number of result slots.

#include "analysis/indicators/IndicatorFormula.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>

namespace zemor::data {
class TablRecord;
class GrafaRecord;
} // namespace zemor::data

namespace zemor::analysis {

struct IndicatorDefinition
{
    qint32 id = 0;        // QST:UNICODT: names "<n>.MDV", "<n>.MDS", keys its cells and columns
    int form = 0;         // QST:CODFORM
    QString name;         // QST:NAME, at most 150 characters
    int firstYear = 0;    // QST:YEAR1
    int lastYear = 0;     // QST:YEAR2
    QString workbook;     // QST:XLS: the Excel template, blank for the common one
    qint32 successor = 0; // QST:TWO: takes over after lastYear, 0 none
    int kind = 0;         // QST:SM
    int columns = 0;      // QST:A, 0..40
    int type = 0;         // QST:TYPE: 1 by place, 2 by rows, 20 by rows over the region, else all

    static constexpr int nameLength = 150;

    // `ParseIndicatorDefinition`: the definition of a tables record.
    static IndicatorDefinition fromRecord(const data::TablRecord &record);

    bool isEmpty() const { return id == 0; }
    bool isValidIn(int year) const { return firstYear <= year && year <= lastYear; }
    bool overlaps(int from, int to) const { return firstYear <= to && lastYear >= from; }
    // Kinds 7, 8 and 9 read the formula text "<n>.MDV".
    bool readsFormulaText() const { return kind >= 7 && kind <= 9; }
    // The result rows of the by-rows layout: the form's table (every kind but 7), then the
    // lines of "<n>.MDS" (kinds 7 and 8).
    bool takesFormRows() const { return kind != 7; }
    bool takesListedRows() const { return kind == 7 || kind == 8; }

    bool operator==(const IndicatorDefinition &) const = default;
};

// `RebuildDefinitionList`, once the candidates are read: the definitions of one form, read in
// table order, that the list keeps: with the time series those valid for any of the years
// [from, to], otherwise those valid for `year`. With the series a definition that is the
// successor of another listed one (one that starts earlier) is left out, since the series
// reaches it through its predecessor. Sorted by form, then name.
QList<IndicatorDefinition> arrangeDefinitionList(const QList<IndicatorDefinition> &candidates,
                                                 bool series, int from, int to, int year);

// The entry of the arranged `list` that a run of `chosen` takes: `chosen` itself when listed,
// otherwise the first entry of its chain of successors (one from which `chosen` is reached, or
// one reached from it, through the successors among `candidates`); nullopt when the list holds
// none of its chain. Other indicators of the form are never taken for it.
std::optional<IndicatorDefinition> definitionOfChain(const QList<IndicatorDefinition> &list,
                                                     const QList<IndicatorDefinition> &candidates,
                                                     const IndicatorDefinition &chosen);

// One result column of a definition, from its column record (`GRA:CODTABL` = the definition id).
struct IndicatorColumn
{
    int number = 0;        // GRA:COD, 1..40
    QString heading;       // GRA:NAME (80 characters are shown on screen and in Excel, 100 printed)
    QString shortHeading;  // GRA:NAMEL, the list column's heading
    int width = 9;         // GRA:L, 0 taken as 9
    QString picture;       // display picture: "@S15" when GRA:FORMAT is blank
    bool adaptive = false; // GRA:FORMAT began with "1": adaptive precision on `picture`

    static IndicatorColumn fromRecord(const data::GrafaRecord &record);

    bool operator==(const IndicatorColumn &) const = default;
};

// The display pictures of the 40 result slots and their adaptive-precision flags.
struct ColumnPictures
{
    std::array<QString, resultSlotCount> pictures;
    std::array<bool, resultSlotCount> adaptive{};

    // `LoadColumnPictures`: each column's picture and flag go to its slot; slots without a
    // column keep what they had.
    void apply(const QList<IndicatorColumn> &columns);
};

} // namespace zemor::analysis
