#include "runtime/picture/Picture.h"

#include <QDate>

namespace zemor::runtime {

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool allDigits(QStringView s)
{
    for (QChar c : s)
        if (!isAsciiDigit(c))
            return false;
    return true;
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == QChar(0x00A0) || c == QChar(0x202F);
}

// Reads the digits at `pos` into `value`; false when there are none or too many.
bool readNumber(QStringView s, qsizetype &pos, int &value)
{
    const qsizetype start = pos;
    while (pos < s.size() && isAsciiDigit(s[pos]))
        ++pos;
    if (pos == start || pos - start > 6)
        return false;
    value = s.mid(start, pos - start).toInt();
    return true;
}

std::unexpected<Error> badPicture(QStringView text, const QString &why)
{
    return fail(ErrorCode::InvalidData, text.toString(),
                QStringLiteral("Непонятный шаблон вывода \"%1\": %2").arg(text.toString(), why));
}

QString groupThousands(QStringView digits)
{
    QString out;
    out.reserve(digits.size() + digits.size() / 3);
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += u' ';
        out += digits[i];
    }
    return out;
}

int twoDigitYear(int yy)
{
    return yy < 50 ? 2000 + yy : 1900 + yy;
}

} // namespace

Picture::Picture() = default;

Result<Picture> Picture::parse(QStringView text)
{
    QStringView t = text.trimmed();
    if (t.startsWith(u'@'))
        t = t.mid(1);
    if (t.isEmpty())
        return badPicture(text, QStringLiteral("пустой"));

    Picture p;
    const QChar letter = t[0].toLower();
    qsizetype pos = 1;
    if (letter == u's') {
        p.m_kind = Kind::String;
        p.m_fill = Fill::None;
        if (!readNumber(t, pos, p.m_width) || pos != t.size())
            return badPicture(text, QStringLiteral("текстовый шаблон: s и ширина"));
    } else if (letter == u'n') {
        p.m_kind = Kind::Number;
        if (pos < t.size() && t[pos] == u'-')
            ++pos;
        p.m_fill = Fill::None;
        if (pos < t.size() && t[pos] == u'_') {
            p.m_fill = Fill::Blank;
            ++pos;
        } else if (pos + 1 < t.size() && t[pos] == u'0' && isAsciiDigit(t[pos + 1])) {
            p.m_fill = Fill::Zero;
            ++pos;
        }
        if (!readNumber(t, pos, p.m_width))
            return badPicture(text, QStringLiteral("нет ширины"));
        if (pos < t.size() && t[pos] == u'.') {
            ++pos;
            if (!readNumber(t, pos, p.m_places))
                return badPicture(text, QStringLiteral("нет знаков после точки"));
        }
        if (pos != t.size())
            return badPicture(text, QStringLiteral("лишние символы"));
        if (p.m_places > Decimal::maxScale)
            return badPicture(text, QStringLiteral("слишком много знаков после точки"));
        if (p.m_places > 0 && p.m_width < p.m_places + 2)
            return badPicture(text, QStringLiteral("знаки после точки не помещаются в ширину"));
    } else if (letter == u'd') {
        p.m_kind = Kind::Date;
        p.m_fill = Fill::None;
        if (pos >= t.size() || t[pos] != u'5')
            return badPicture(text, QStringLiteral("из шаблонов даты известен только d5"));
        ++pos;
        if (pos < t.size()) {
            const QChar sep = t[pos];
            if (sep != u'.' && sep != u'/' && sep != u'-')
                return badPicture(text, QStringLiteral("неизвестный разделитель даты"));
            p.m_separator = sep;
            ++pos;
        }
        if (pos != t.size())
            return badPicture(text, QStringLiteral("лишние символы"));
        p.m_width = 8;
    } else if (letter == u't') {
        p.m_kind = Kind::Time;
        p.m_fill = Fill::None;
        if (t.mid(1) != u"4")
            return badPicture(text, QStringLiteral("из шаблонов времени известен только t4"));
        p.m_width = 5;
    } else {
        return badPicture(text, QStringLiteral("неизвестный вид шаблона"));
    }
    if (p.m_width < 1 || p.m_width > maxWidth)
        return badPicture(text, QStringLiteral("недопустимая ширина"));
    return p;
}

Result<Picture> Picture::forColumn(QStringView columnFormat)
{
    if (columnFormat.trimmed().isEmpty())
        return Picture();
    return parse(columnFormat);
}

QString Picture::text() const
{
    switch (m_kind) {
    case Kind::String:
        return QStringLiteral("@s%1").arg(m_width);
    case Kind::Number: {
        QString s = QStringLiteral("@n");
        if (m_fill == Fill::Blank)
            s += u'_';
        else if (m_fill == Fill::Zero)
            s += u'0';
        s += QString::number(m_width);
        if (m_places > 0)
            s += u'.' + QString::number(m_places);
        return s;
    }
    case Kind::Date:
        return QStringLiteral("@d5") + m_separator;
    case Kind::Time:
        return QStringLiteral("@t4");
    }
    return {};
}

QString Picture::fitted(QString text) const
{
    if (text.size() > m_width)
        text.truncate(m_width);
    return text.leftJustified(m_width, u' ');
}

QString Picture::numberText(const Decimal &rounded) const
{
    const QString plain = rounded.toString(m_places);
    const bool negative = plain.startsWith(u'-');
    const QStringView body = QStringView(plain).mid(negative ? 1 : 0);
    switch (m_fill) {
    case Fill::Zero: {
        const qsizetype pad = m_width - plain.size();
        if (pad < 0)
            return {};
        QString out = negative ? QStringLiteral("-") : QString();
        out += QString(pad, u'0');
        out += body;
        return out;
    }
    case Fill::Blank:
        return plain.size() <= m_width ? plain : QString();
    case Fill::None: {
        const qsizetype point = body.indexOf(u'.');
        const QStringView integer = point < 0 ? body : body.left(point);
        const QStringView fraction = point < 0 ? QStringView() : body.mid(point);
        QString grouped = negative ? QStringLiteral("-") : QString();
        grouped += groupThousands(integer);
        grouped += fraction;
        if (grouped.size() <= m_width)
            return grouped;
        return plain.size() <= m_width ? plain : QString();
    }
    }
    return {};
}

QString Picture::format(const Decimal &value) const
{
    switch (m_kind) {
    case Kind::String:
        return fitted(value.toString());
    case Kind::Number: {
        const QString text = numberText(value.rounded(m_places));
        return text.isEmpty() ? overflowText() : text.rightJustified(m_width, u' ');
    }
    case Kind::Date:
        return formatDate(value.toInt64());
    case Kind::Time: {
        const std::int64_t seconds = value.toInt64();
        if (seconds < 0 || seconds >= 24 * 3600)
            return overflowText();
        return formatTime(QTime(0, 0).addSecs(int(seconds)));
    }
    }
    return {};
}

QString Picture::formatText(QStringView text) const
{
    switch (m_kind) {
    case Kind::String:
        break;
    case Kind::Time: {
        const QString trimmed = text.trimmed().toString();
        for (const QString &form : {QStringLiteral("h:mm"), QStringLiteral("h:mm:ss")}) {
            const QTime time = QTime::fromString(trimmed, form);
            if (time.isValid())
                return formatTime(time);
        }
        break;
    }
    case Kind::Number: {
        QString compact;
        for (QChar c : text)
            if (!isBlank(c))
                compact += c;
        if (const auto value = Decimal::fromString(compact))
            return format(*value);
        break;
    }
    case Kind::Date:
        if (const auto day = parseDate(text))
            return formatDate(*day);
        break;
    }
    return fitted(text.toString());
}

QString Picture::formatDate(qint64 dayNumber) const
{
    if (m_kind != Kind::Date)
        return format(Decimal(dayNumber));
    if (dayNumber == 0)
        return QString(m_width, u' ');
    const QDate date = QDate::fromJulianDay(dayNumber);
    if (!date.isValid() || date.year() < 1 || date.year() > 9999)
        return overflowText();
    auto two = [](int n) { return QString::number(n).rightJustified(2, u'0'); };
    return two(date.day()) + m_separator + two(date.month()) + m_separator + two(date.year() % 100);
}

QString Picture::formatTime(const QTime &time) const
{
    if (!time.isValid())
        return QString(m_width, u' ');
    const QString text = time.toString(QStringLiteral("hh:mm"));
    return m_kind == Kind::Time ? text : fitted(text);
}

Result<Decimal> Picture::parseNumber(QStringView typed) const
{
    QString compact;
    compact.reserve(typed.size());
    for (QChar c : typed)
        if (!isBlank(c))
            compact += c;
    auto value = Decimal::fromString(compact);
    if (!value)
        return fail(value.error().code, typed.toString(),
                    value.error().code == ErrorCode::Overflow
                        ? QStringLiteral("Слишком большое число")
                        : QStringLiteral("Это не число: \"%1\"").arg(typed.toString()));
    if (m_kind != Kind::Number)
        return value;
    const Decimal rounded = value->rounded(m_places);
    if (numberText(rounded).isEmpty())
        return fail(ErrorCode::Overflow, typed.toString(),
                    QStringLiteral("%1 не помещается в шаблон %2").arg(rounded.toString(), text()));
    return rounded;
}

Result<qint64> Picture::parseDate(QStringView typed) const
{
    const QStringView t = typed.trimmed();
    if (t.isEmpty())
        return qint64(0);
    auto bad = [&] {
        return fail(ErrorCode::InvalidData, typed.toString(),
                    QStringLiteral("Это не дата: \"%1\"").arg(typed.toString()));
    };
    QStringView dayText, monthText, yearText;
    if (allDigits(t)) {
        if (t.size() != 6 && t.size() != 8)
            return bad();
        dayText = t.mid(0, 2);
        monthText = t.mid(2, 2);
        yearText = t.mid(4);
    } else {
        QStringView parts[3];
        int count = 0;
        qsizetype start = 0;
        for (qsizetype i = 0; i <= t.size(); ++i) {
            const bool end = i == t.size();
            if (end || t[i] == u'.' || t[i] == u'/' || t[i] == u'-' || t[i] == u',') {
                if (count == 3)
                    return bad();
                parts[count++] = t.mid(start, i - start);
                start = i + 1;
            }
        }
        if (count != 3)
            return bad();
        dayText = parts[0];
        monthText = parts[1];
        yearText = parts[2];
        if (dayText.isEmpty() || dayText.size() > 2 || monthText.isEmpty() ||
            monthText.size() > 2 || (yearText.size() != 2 && yearText.size() != 4))
            return bad();
        if (!allDigits(dayText) || !allDigits(monthText) || !allDigits(yearText))
            return bad();
    }
    int year = yearText.toInt();
    if (yearText.size() == 2)
        year = twoDigitYear(year);
    const QDate date(year, monthText.toInt(), dayText.toInt());
    if (!date.isValid() || year < 1)
        return bad();
    return date.toJulianDay();
}

} // namespace zemor::runtime
