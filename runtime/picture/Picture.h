#pragma once

// A display picture: the short text ("@n_12", "n04", "@s50", "@d5.", "t4") that says how a
// value is shown in a list cell, an entry field, a report cell or a generated name, and how
// typed text is read back. A Picture is a small value; parse() checks the text once and every
// later call works on the parsed form. Nothing here fails silently: a picture that cannot be
// read is refused by parse(), typed text that cannot be read is an error value, and a value
// that the picture cannot show appears as a row of '#' across the whole width.
//
// Pictures (the leading '@' is optional, the letter may be upper or lower case, blanks around
// are ignored, so a blank-padded STRING field can be passed as it is):
//
//   s<w>            text, w characters: cut to w, padded with blanks on the right.
//   n[-][f]<w>[.p]  number, w characters in all (sign, digits, point and places included),
//                   p places (0 when not given), right-aligned. f is the fill:
//                     '_'   padded with blanks on the left, no thousands separator;
//                     '0'   padded with zeros on the left (after a minus), no separator;
//                     none  padded with blanks, thousands grouped with one blank
//                           ("1 234 567.50"); the grouping is left out when only it would make
//                           the value too wide.
//                   The '-' is accepted for compatibility and changes nothing: a negative
//                   number is always shown with a leading '-'. The point is always ".".
//                   Values are rounded half away from zero to p places; -0 is shown as 0.
//                   Zero is shown as "0" (callers that want an empty cell test for zero).
//   d5[sep]         a date as dd.mm.yy, 8 characters; sep is '.', '/' or '-' ('.' when left
//                   out). A date is held as its day number, QDate::toJulianDay(); 0 is no date
//                   and shows as blanks.
//   t4              a time of day as hh:mm, 5 characters.
//
// Every format call returns exactly width() characters. Reading back (parseNumber,
// parseDate) accepts what format produces, blanks around, the grouping blanks, and "," as the
// point. Two-digit years are read in a fixed window: 00..49 are 2000..2049, 50..99 are
// 1950..1999.
//
// A blank column picture means "@n_12": forColumn() applies that rule.

#include "runtime/core/Error.h"
#include "runtime/decimal/Decimal.h"

#include <QString>
#include <QStringView>
#include <QTime>

namespace zemor::runtime {

class Picture
{
public:
    enum class Kind { String, Number, Date, Time };
    enum class Fill { None, Blank, Zero };

    static constexpr int maxWidth = 4000;

    // "@n_12".
    Picture();

    [[nodiscard]] static Result<Picture> parse(QStringView text);
    // The picture of a catalogue column: blank means "@n_12".
    [[nodiscard]] static Result<Picture> forColumn(QStringView columnFormat);

    Kind kind() const { return m_kind; }
    int width() const { return m_width; }
    int places() const { return m_places; }
    Fill fill() const { return m_fill; }
    // The picture in its canonical spelling ("@n_12", "@s50", "@d5.", "@t4").
    QString text() const;

    // A number. A string picture shows the number's plain text; a date picture takes the
    // integer part as a day number; a time picture takes it as seconds after midnight.
    QString format(const Decimal &value) const;
    // A text. A string picture cuts and pads it; a number or date picture reads it as a
    // number or date first and shows it as such, and shows it as text when it does not read.
    QString formatText(QStringView text) const;
    // A day number (QDate::toJulianDay(); 0 shows blank). Under a non-date picture the day
    // number is shown as a number.
    QString formatDate(qint64 dayNumber) const;
    // A time of day; an invalid QTime shows blank. Under a non-time picture the time shows
    // as hh:mm cut or padded to the width.
    QString formatTime(const QTime &time) const;

    // Typed text to a number: blank is 0, grouping blanks are dropped, "," is a point, the
    // value is rounded to the picture's places. InvalidData when it is not a number, Overflow
    // when the number does not fit the picture's width. Under a string picture any number
    // is accepted as it stands.
    [[nodiscard]] Result<Decimal> parseNumber(QStringView typed) const;
    // Typed text to a day number: dd.mm.yy or dd.mm.yyyy ("." "/" "-" or "," between the
    // parts, one- or two-digit day and month), or ddmmyy / ddmmyyyy; blank is 0 (no date).
    // InvalidData for anything else, including a day that does not exist.
    [[nodiscard]] Result<qint64> parseDate(QStringView typed) const;

private:
    QString fitted(QString text) const;
    QString overflowText() const { return QString(m_width, u'#'); }
    // The number as the picture shows it, without padding; empty when it cannot be shown.
    QString numberText(const Decimal &rounded) const;

    Kind m_kind = Kind::Number;
    Fill m_fill = Fill::Blank;
    int m_width = 12;
    int m_places = 0;
    QChar m_separator = u'.'; // dates
};

} // namespace zemor::runtime
