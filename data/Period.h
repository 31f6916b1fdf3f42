#pragma once

// The period model: period kinds with their words and list texts, the month names, the label
// of a report's period and the rule that accepts a period number in the period choice. A
// report's period is its kind (the form's periodicity, stored with every row) and a number
// within the year: 0 for an annual report, the month, quarter or half-year, a week number, or
// a date number for daily forms.
//
// Everything here is a pure function of its arguments. A kind byte outside 0..5 (a damaged or
// foreign catalogue record) has no word and no list text, and its numbers are accepted like
// those of weeks; nothing here fails.

#include <QString>

#include <cstdint>
#include <optional>

namespace zemor::data {

enum class PeriodKind : std::uint8_t {
    Year = 0,     // annual: number 0
    Month = 1,    // month 1 to 12 (the choice accepts 13)
    Quarter = 2,  // quarter 1 to 4 (the choice accepts 5)
    HalfYear = 3, // half-year 1 or 2 (the choice accepts 3)
    Week = 4,     // week number, 1 or more
    Date = 5,     // a date number
};

inline constexpr int kindWordWidth = 10;    // the kind word is held in STRING(10)
inline constexpr int periodLabelWidth = 20; // the period label in STRING(20)

// The kind of a stored periodicity byte (FOR:TIP, OTC:TIP); nullopt outside 0..5.
std::optional<PeriodKind> periodKindFromByte(int value);

// "год", "месяц", "квартал", "полугодие", "неделя", "дата"; blank for an unknown kind.
QString kindWord(PeriodKind kind);
// The word as its STRING(10) holds it: padded with blanks to ten characters.
QString paddedKindWord(PeriodKind kind);
// The periodicity as the form list shows it: "за год", "ежемесячно", "ежеквартально",
// "за полугодие", "за неделя", "за день"; blank for an unknown kind.
QString periodicityText(PeriodKind kind);

// "январь" .. "декабрь" for 1 to 12, blank otherwise.
QString monthName(int month);

// The label of a period as report entry shows it: a month's name for months 1 to 12, blank for
// an annual report, otherwise the number, one blank and the padded kind word ("2 квартал   ",
// "13 месяц     "); a month number without a name is labelled like the other kinds.
QString periodLabel(PeriodKind kind, qint32 number);
// The month label of the cross-section: the month's name for 1 to 12, otherwise the number.
QString monthLabel(qint32 month);
// A period number as lists show it: a daily report's as its date ("@d5.": "03.03.25"), any
// other as the number.
QString periodNumberText(PeriodKind kind, qint32 number);

// Whether the period is chosen at all: an annual form always works with number 0.
bool choosesPeriodNumber(PeriodKind kind);
// The highest number the choice accepts: 13, 5, 3 for months, quarters and half-years;
// nullopt where there is no upper limit (weeks, dates, unknown kinds); 0 for the year.
std::optional<qint32> highestPeriodNumber(PeriodKind kind);
// Whether the choice accepts the number: 0 for the year; otherwise 1 or more and not above the
// highest number.
bool acceptsPeriodNumber(PeriodKind kind, qint32 number);
// What the choice answers to a number it does not accept ("Ошибка", one OK button).
QString periodNumberError();

} // namespace zemor::data
