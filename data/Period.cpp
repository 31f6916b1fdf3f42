#include "data/Period.h"

#include "runtime/picture/Picture.h"

using namespace Qt::StringLiterals;

namespace zemor::data {

std::optional<PeriodKind> periodKindFromByte(int value)
{
    if (value < 0 || value > static_cast<int>(PeriodKind::Date))
        return std::nullopt;
    return static_cast<PeriodKind>(value);
}

QString kindWord(PeriodKind kind)
{
    switch (kind) {
    case PeriodKind::Year:
        return u"год"_s;
    case PeriodKind::Month:
        return u"месяц"_s;
    case PeriodKind::Quarter:
        return u"квартал"_s;
    case PeriodKind::HalfYear:
        return u"полугодие"_s;
    case PeriodKind::Week:
        return u"неделя"_s;
    case PeriodKind::Date:
        return u"дата"_s;
    }
    return {};
}

QString paddedKindWord(PeriodKind kind)
{
    return kindWord(kind).leftJustified(kindWordWidth, u' ', true);
}

QString periodicityText(PeriodKind kind)
{
    switch (kind) {
    case PeriodKind::Year:
        return u"за год"_s;
    case PeriodKind::Month:
        return u"ежемесячно"_s;
    case PeriodKind::Quarter:
        return u"ежеквартально"_s;
    case PeriodKind::HalfYear:
        return u"за полугодие"_s;
    case PeriodKind::Week:
        return u"за неделя"_s;
    case PeriodKind::Date:
        return u"за день"_s;
    }
    return {};
}

QString monthName(int month)
{
    static const char16_t *const names[12] = {
        u"январь", u"февраль", u"март",     u"апрель",  u"май",    u"июнь",
        u"июль",   u"август",  u"сентябрь", u"октябрь", u"ноябрь", u"декабрь",
    };
    if (month < 1 || month > 12)
        return {};
    return QString::fromUtf16(names[month - 1]);
}

QString periodLabel(PeriodKind kind, qint32 number)
{
    if (kind == PeriodKind::Year)
        return {};
    if (kind == PeriodKind::Month && number >= 1 && number <= 12)
        return monthName(number);
    return QString::number(number) + u' ' + paddedKindWord(kind);
}

QString monthLabel(qint32 month)
{
    if (month >= 1 && month <= 12)
        return monthName(month);
    return QString::number(month);
}

bool choosesPeriodNumber(PeriodKind kind)
{
    return kind != PeriodKind::Year;
}

std::optional<qint32> highestPeriodNumber(PeriodKind kind)
{
    switch (kind) {
    case PeriodKind::Year:
        return 0;
    case PeriodKind::Month:
        return 13;
    case PeriodKind::Quarter:
        return 5;
    case PeriodKind::HalfYear:
        return 3;
    case PeriodKind::Week:
    case PeriodKind::Date:
        break;
    }
    return std::nullopt;
}

bool acceptsPeriodNumber(PeriodKind kind, qint32 number)
{
    if (kind == PeriodKind::Year)
        return number == 0;
    if (number < 1)
        return false;
    const std::optional<qint32> highest = highestPeriodNumber(kind);
    return !highest || number <= *highest;
}

QString periodNumberError()
{
    return u"Ошибка"_s;
}

QString periodNumberText(PeriodKind kind, qint32 number)
{
    if (kind != PeriodKind::Date)
        return QString::number(number);
    static const auto picture = runtime::Picture::parse(u"@d5.");
    return picture ? picture->formatDate(number).trimmed() : QString::number(number);
}

} // namespace zemor::data
