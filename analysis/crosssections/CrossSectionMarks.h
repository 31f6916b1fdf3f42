#pragma once

// The marked cells of a cross-section and the marking grid of one table: what the user marks
// (a cell, a row or a column of the grid), the marks added for a period or a series of periods,
// their order, deleting, and the changes of form, table and year. The window shows this state
// and hands it every user action; nothing here reads a file (the tables come from the caller's
// FormCatalogue) or shows a message: an action that the user must be told about answers the
// message text.
//
// Numbers that come from the catalogue are checked before use: a table counts at most the 35
// values of a report row, a grid column is data column n = stored column - table offset for n
// in 1 .. the table's column count, and a column record outside that range is not shown. Every
// data column 1 .. count has a grid column, also where the catalogue has no record for it (its
// title is then blank), so a table whose column numbers have a gap marks each column with the
// value it really reads.
//
// Cell marking stops once the list holds more than maxMarks marks; "+" and the series add
// without limit, and a build uses the first maxMarks marks only.
//
// A mark of an annual form reads periods 0..0 whatever form is shown: "+" and the series copy a
// mark by the period kind of the mark's own form, which the caller's lookup answers for forms
// other than the one shown (a form it cannot tell is taken as not annual).

#include "runtime/core/Error.h"

#include <QList>
#include <QString>

#include <array>
#include <functional>

namespace zemor::entry {
class FormCatalogue;
}

namespace zemor::analysis {

inline constexpr int crossSectionValueCount = 35; // values of a report row
inline constexpr int crossSectionMaxMarks = 105;  // marks a build reads

// One marked cell (QW).
struct CrossSectionMark
{
    qint32 nn = 0;         // QW:NN, position in the list from 1
    qint32 year = 0;       // QW:YEAR
    qint32 periodFrom = 0; // QW:MES1
    qint32 periodTo = 0;   // QW:MES2
    qint64 form = 0;       // QW:FORMA
    qint64 table = 0;      // QW:CODTABL
    QString rowCode;       // QW:CODSTR
    int storedColumn = 0;  // QW:CODGR
    QString rowName;       // QW:NAMESTR
    QString columnName;    // QW:NAMEGR
    int rowId = 0;         // QW:UNICODSTR
    int dataColumn = 0;    // QW:GR, the value read (1 .. 35)
    QString picture;       // QW:FORMATGR

    bool operator==(const CrossSectionMark &) const = default;
};

// A table of the form as the cross-section uses it (QST), with its rows and columns.
struct CrossSectionTable
{
    qint64 code = 0; // QST:CODTABL
    QString name;    // QST:NAME
    int offset = 0;  // QST:SM
    int columns = 0; // QST:A, at most 35
    struct Row
    {
        int id = 0;        // STR:UNICOD
        QString code;      // STR:CODSTR
        QString shortName; // STR:NAMEL
        QString sex;       // STR:POL
        int number = 0;    // STR:NUMBER
    };
    struct Column
    {
        bool described = false; // a column record exists for this data column
        int storedColumn = 0;   // GRA:COD (offset + data column where none exists)
        QString name;           // GRA:NAME
        QString shortName;      // GRA:NAMEL
        QString picture;        // GRA:FORMAT, "@n_12" when blank
    };
    QList<Row> rows;           // in row-number order
    QList<Column> dataColumns; // data column n at [n - 1], n = 1 .. columns

    // The tables of a form, by code.
    static QList<CrossSectionTable> tablesOf(const entry::FormCatalogue &catalogue);
    // The heading of a grid column: its number followed by the short name, cut to 15 characters.
    QString heading(int dataColumn) const;
    // The grid's list format: row code, name and sex mark, then one column per data column.
    QString gridFormat() const;
};

// One line of the marking grid (QT).
struct CrossSectionGridRow
{
    QString code;                                      // QT:CODSTR
    QString shortName;                                 // QT:S
    QString sex;                                       // QT:POL
    std::array<bool, crossSectionValueCount> marked{}; // QT:DATA1 .. QT:DATA35 ("O" when true)
    int rowId = 0;                                     // QT:UNICODSTR
    int number = 0;                                    // QT:NUMBER

    bool isMarked(int dataColumn) const
    {
        return dataColumn >= 1 && dataColumn <= crossSectionValueCount &&
               marked[size_t(dataColumn - 1)];
    }
};

enum class MarkMode { Cell = 1, Row = 2, Column = 3 }; // ?OPTIONOTM

// ?SORTGR; each choice sorts by the keys its label names ("м1" descending).
enum class MarkOrder {
    Added = 0,                 // no choice made: the order of adding
    FormTableColumnRowPeriods, // 1 "ф,т,гр,стр,м2,м1"
    PeriodsFormTableColumnRow, // 2 "м2,м1,ф,т,гр,стр"
    FormTableRowColumnPeriods, // 3 "ф,т,стр,гр,м2,м1"
    PeriodsFormTableRowColumn, // 4 "м2,м1,ф,т,стр,гр"
};

class CrossSectionMarks
{
public:
    static QString tooManyText()
    {
        return QStringLiteral("Число отметок больше 105.Нажмите кнопку <ГОТОВО>");
    }
    static QString noCellText() { return QStringLiteral("Не выбрана ячейка"); }
    static QString chooseCellText()
    {
        return QStringLiteral("Выберите ячейку (Двойной щелчок мыши)");
    }
    static QString wrongPeriodText() { return QStringLiteral("Неверно указан период"); }
    static QString noMarksText() { return QStringLiteral("Нет отмеченных ячеек."); }
    static QString orderLabel(MarkOrder order);

    // The state of the window: form, its period kind, year and period of new marks.
    qint64 form() const { return m_form; }
    int periodKind() const { return m_periodKind; }
    qint32 year() const { return m_year; }
    qint32 periodFrom() const { return m_periodFrom; }
    qint32 periodTo() const { return m_periodTo; }
    void setPeriod(qint32 from, qint32 to)
    {
        m_periodFrom = from;
        m_periodTo = to;
    }
    // The year of new marks; the caller loads the year's tables and hands them to setTables.
    void setYear(qint32 year) { m_year = year; }
    // The period kind of a form in a year (-1 when it cannot be told).
    using PeriodKindOf = std::function<int(int year, qint64 form)>;
    void setPeriodKindOf(PeriodKindOf periodKindOf) { m_periodKindOf = std::move(periodKindOf); }
    // Another form: marks stay. When its period kind differs, the period of new marks becomes
    // the caller's range (`callerKind`, `callerFrom`, `callerTo`) when the kinds agree, else the
    // whole year of the new kind (1..12, 1..4, 1..2), else from 1 on.
    void setForm(qint64 form, int periodKind, int callerKind, qint32 callerFrom, qint32 callerTo);
    void start(qint64 form, int periodKind, qint32 year, qint32 from, qint32 to);

    // The tables of the current form; the first becomes current and its grid is built.
    void setTables(QList<CrossSectionTable> tables);
    const QList<CrossSectionTable> &tables() const { return m_tables; }
    int tableIndex() const { return m_tableIndex; }
    const CrossSectionTable *currentTable() const;
    // Chooses the table at `index` of the list (out of range: nothing) and builds its grid.
    void chooseTable(int index);
    bool hasNextTable() const { return m_tableIndex + 1 < m_tables.size(); }
    bool hasPreviousTable() const { return m_tableIndex > 0; }
    const QList<CrossSectionGridRow> &grid() const { return m_grid; }

    // A double click on grid row `row`, data column `dataColumn`, in `mode`. Answers the
    // messages to show, in order (one per cell that could not be marked).
    QStringList mark(int row, int dataColumn, MarkMode mode);

    // "+": a copy of the mark at `selected` (or the last) with the year and period of new marks
    // (0..0 for a mark of an annual form).
    QString addMark(int selected);
    // "+" of the series `from`..`to` for the mark at `selected` (or the last): one mark per year
    // when the mark's form is annual (the range held within `firstYear`..`lastYear`), else one
    // per period of the mark's kind. The range used is written back.
    QString addSeries(int selected, qint32 &from, qint32 &to, int firstYear, int lastYear);

    MarkOrder order() const { return m_order; }
    void setOrder(MarkOrder order);
    void sortMarks();
    // "-": the mark at `index` goes (out of range: nothing); the grid is not changed.
    void removeMark(int index);
    // "Сброс выборки": every mark goes, the grid's marks too.
    void reset();
    const QList<CrossSectionMark> &marks() const { return m_marks; }
    // A loaded set replaces every mark; the grid shows those of the current table.
    void replaceMarks(QList<CrossSectionMark> marks);

    // The grouping the window starts with: by institutions when a district filter or a
    // selection narrows the reports, by districts otherwise.
    static int initialGrouping(int districtFilter, bool selectionEmpty)
    {
        return districtFilter > 0 || !selectionEmpty ? 2 : 1;
    }

    // The period every mark of an annual form takes.
    static bool isAnnual(int periodKind) { return periodKind == 0; }

private:
    void buildGrid();
    void refreshGrid();
    // Toggles one cell; answers the message when the cell could not be marked.
    QString toggle(int row, int dataColumn);
    CrossSectionMark templateMark(int selected) const;
    // The period kind of `form` in the year of new marks.
    int periodKindOf(qint64 form) const;

    qint64 m_form = 0;
    int m_periodKind = 0;
    qint32 m_year = 0;
    qint32 m_periodFrom = 0;
    qint32 m_periodTo = 0;
    QList<CrossSectionTable> m_tables;
    int m_tableIndex = -1;
    QList<CrossSectionGridRow> m_grid;
    QList<CrossSectionMark> m_marks;
    MarkOrder m_order = MarkOrder::Added;
    PeriodKindOf m_periodKindOf;
};

} // namespace zemor::analysis
