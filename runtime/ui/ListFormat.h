#pragma once

// The column layout of a list, as the windows write it: one text, set at run time, parsed once
// into a list of columns. A ListFormat is a value; ListBinding applies it to a table view.
//
// The text is a sequence of columns, each of them
//
//     width alignment [(indent)] { element }
//
// width        decimal digits, in quarters of the average character width (see ListColumn);
// alignment    L left, R right, C centred, D decimal (numbers, aligned on their right end);
// (indent)     the distance of the text from the aligned edge, in the same unit.
//
// and the elements, in any order:
//
// |            a line at the right edge of the column's cells (with '_' the list is a grid);
// _            a line under the column's cells;
// M            the column can be resized by the user;
// F            the column is fixed: it stays at the left while the columns after it scroll
//              (the row code and name of a table stay in view beside its many value columns);
// ~text~[a[(n)]]  the heading, with its own alignment letter and indent; without them the
//              heading is aligned as the column; a heading cannot contain '~';
// @picture@    the display picture of the values (runtime/picture, "@n_3@", "@s200@");
//              without one the value is shown as it is;
// E(f,b,sf,sb) colours: text, background, selected text, selected background; each one empty
//              (the list's own) or a number, hexadecimal with a trailing H ("0FFH"), else
//              decimal; the number is blue-green-red, so 0FFH is red and 0FFFFE1H pale cyan;
// ?            the column is a locator: typed text finds the next line whose value in this
//              column begins with it (the code columns of the pick lists carry it);
// /            the next column starts a new display line of the row; our lists draw every
//              row on one line and only keep the flag;
// *            the colours of the column's cells come from the line itself;
// Y            a style per cell, taken from the line;
// I            an icon from the line before the cell's text;
// Z(n)         the column uses style n;
// #n#          the column shows field n of the line (from 1) rather than the next field.
//
// The last six are not used by the lists of this program; they are read so that a format
// written with them still parses, and they are kept in the column for a caller that wants them.
//
// Failure: parse() refuses the whole text, with InvalidData naming the position (from 1) and
// what was expected there; nothing is guessed. A picture that runtime/picture refuses refuses
// the format as well.

#include "runtime/core/Error.h"
#include "runtime/ui/ListColumn.h"

#include <QList>
#include <QString>
#include <QStringView>

namespace zemor::runtime::ui {

class ListFormat
{
public:
    ListFormat() = default;

    [[nodiscard]] static Result<ListFormat> parse(QStringView text);

    // Colours written as in E(): "" is invalid (the list's own), "0FFH" red, "255" red too.
    [[nodiscard]] static Result<QColor> parseColor(QStringView text);
    // The number of a colour as E() writes it: "0FFH" for red.
    static QString colorText(const QColor &color);

    const QList<ListColumn> &columns() const { return m_columns; }
    int columnCount() const { return int(m_columns.size()); }
    bool isEmpty() const { return m_columns.isEmpty(); }
    const ListColumn &column(int index) const { return m_columns.at(index); }

    // For formats built from data: a heading added here may hold any character.
    void append(const ListColumn &column) { m_columns.append(column); }
    void append(const ListFormat &other) { m_columns.append(other.m_columns); }

    // The number of fixed columns at the left: those before the first column without 'F'.
    int fixedColumnCount() const;
    // The first locator column, or -1.
    int locatorColumn() const;
    bool hasHeadings() const;

    // The format written back as text; parse(toString()) gives the same columns as long as no
    // heading contains '~'.
    QString toString() const;

private:
    QList<ListColumn> m_columns;
};

} // namespace zemor::runtime::ui
