#pragma once

// One column of a list as its format text describes it (see ListFormat for the text itself).
// A plain value: ListFormat::parse fills it, a window that builds a format from catalogue data
// fills it directly (so that a heading taken from data may hold any character).
//
// Widths and indents are in quarters of the list font's average character width, the unit the
// format texts are written in: a one-character mark column is 7 or 9 wide, a column of 12-digit
// numbers 43, and a width taken from a catalogue in characters is written as that number times 4.

#include "runtime/picture/Picture.h"

#include <QColor>
#include <QString>

#include <optional>

namespace zemor::runtime::ui {

// L, R, C and D. D aligns numbers on their right end like R: the pictures of this program
// already give every number of a column the same number of places.
enum class ListAlignment { Left, Right, Center, Decimal };

// E(fg,bg,selfg,selbg): text and background colours, and both again for a selected line.
// An invalid colour means the list's own colour.
struct ListColors
{
    QColor foreground;
    QColor background;
    QColor selectedForeground;
    QColor selectedBackground;

    bool isEmpty() const
    {
        return !foreground.isValid() && !background.isValid() && !selectedForeground.isValid() &&
               !selectedBackground.isValid();
    }
    bool operator==(const ListColors &) const = default;
};

struct ListColumn
{
    int width = 0;
    ListAlignment alignment = ListAlignment::Left;
    int indent = 0; // from the aligned edge: the left one for L and C, the right one for R and D

    bool rightBorder = false;  // '|': a line at the right edge of every cell
    bool bottomBorder = false; // '_': a line under every cell
    bool resizable = false;    // 'M': the user may drag the column wider or narrower
    bool fixed = false;        // 'F': stays at the left while the other columns scroll
    bool locator = false;      // '?': typing over the list finds a line by this column's text
    bool breakAfter = false;   // '/': the row's next column starts a new display line
    bool rowColors = false;    // '*': the colours come from the line (the model), not from E()
    bool cellStyle = false;    // 'Y': a style per cell, taken from the line
    bool icon = false;         // 'I': the cell shows an icon from the line before its text
    std::optional<int> style;  // 'Z(n)': a column style by number
    std::optional<int> field;  // '#n#': the line's field n (from 1) in place of the next one

    bool hasHeading = false; // '~...~' present, even when empty
    QString heading;
    ListAlignment headingAlignment = ListAlignment::Left; // the column's own unless given
    int headingIndent = 0;

    QString pictureText;            // between the '@'s, as written; empty when there is none
    std::optional<Picture> picture; // parsed once from pictureText

    ListColors colors;
};

} // namespace zemor::runtime::ui
