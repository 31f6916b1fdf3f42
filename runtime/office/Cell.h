#pragma once

// One cell of a worksheet: its value (nothing, a number or a text, optionally with the formula
// that computed it) and its format (borders, font, alignment). Plain data.
//
// setEntry() takes a value the way the program sends it, as text, and decides what the cell
// holds the way a spreadsheet takes typed input, with one rule above all: nothing the program
// sent is lost or changed. So a text becomes a number only when the number shows every digit
// of it:
//   - "1234,5", "1234.5", "-0,125", "7", "+3" are numbers (a comma or a point before the
//     fraction, as the program writes them);
//   - "007", "00,5" stay texts (leading zeros would be lost), as do codes such as "1.1.2",
//     numbers with group separators, exponents or more than 15 significant digits (a
//     spreadsheet keeps 15), and everything else;
//   - a leading apostrophe makes the rest a text ("'12" is the text "12");
//   - an empty value empties the cell. The format always stays.

#include <QString>

namespace zemor::runtime::office {

// The line styles of cell borders, numbered as the spreadsheet's BORDER command numbers them.
enum class BorderStyle : quint8 { None = 0, Thin, Medium, Dashed, Dotted, Thick, Double, Hair };

// Horizontal alignment, numbered as the spreadsheet's ALIGNMENT command numbers them, less one.
enum class HorizontalAlignment : quint8 {
    General = 0,
    Left,
    Center,
    Right,
    Fill,
    Justify,
    CenterAcrossSelection
};

struct CellFormat
{
    BorderStyle left = BorderStyle::None;
    BorderStyle right = BorderStyle::None;
    BorderStyle top = BorderStyle::None;
    BorderStyle bottom = BorderStyle::None;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    QString fontName;    // empty: the workbook's default font
    double fontSize = 0; // points; 0: the default size
    HorizontalAlignment alignment = HorizontalAlignment::General;
    bool wrap = false;

    bool isDefault() const { return *this == CellFormat{}; }
    friend bool operator==(const CellFormat &, const CellFormat &) = default;
};

struct Cell
{
    enum class Kind { Empty, Number, Text };

    Kind kind = Kind::Empty;
    double number = 0;
    QString text;
    QString formula; // without the leading "=", A1 references; empty for a plain value
    CellFormat format;

    // Neither a value nor a format: the cell need not be stored.
    bool isBlank() const { return kind == Kind::Empty && formula.isEmpty() && format.isDefault(); }
    // The value as a spreadsheet shows it in the general number format.
    QString displayText() const;

    // Sets the value from text sent by the program (the rules above); drops any formula.
    void setEntry(const QString &value);
    void setNumber(double value);
    void setText(const QString &value);
    void clearValue();

    // Whether `value` would become a number, and which.
    static bool parseNumber(const QString &value, double *number);
};

} // namespace zemor::runtime::office
