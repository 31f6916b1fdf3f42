#include "runtime/office/Cell.h"

#include <cmath>

namespace zemor::runtime::office {

namespace {
// A spreadsheet keeps 15 significant digits of a number; a longer one stays a text.
constexpr int kMaxSignificantDigits = 15;
} // namespace

bool Cell::parseNumber(const QString &value, double *number)
{
    const QString s = value.trimmed();
    qsizetype i = 0;
    if (i < s.size() && (s.at(i) == u'-' || s.at(i) == u'+'))
        ++i;
    const qsizetype intStart = i;
    while (i < s.size() && s.at(i).isDigit() && s.at(i).unicode() < 0x80)
        ++i;
    const QString intPart = s.mid(intStart, i - intStart);
    if (intPart.isEmpty())
        return false;
    if (intPart.size() > 1 && intPart.front() == u'0')
        return false; // "007": the zeros would be lost
    QString fracPart;
    if (i < s.size() && (s.at(i) == u'.' || s.at(i) == u',')) {
        ++i;
        const qsizetype fracStart = i;
        while (i < s.size() && s.at(i).isDigit() && s.at(i).unicode() < 0x80)
            ++i;
        fracPart = s.mid(fracStart, i - fracStart);
        if (fracPart.isEmpty())
            return false;
    }
    if (i != s.size())
        return false;

    QString digits = intPart + fracPart;
    while (digits.endsWith(u'0') && digits.size() > intPart.size())
        digits.chop(1);
    qsizetype lead = 0;
    while (lead < digits.size() && digits.at(lead) == u'0')
        ++lead;
    if (digits.size() - lead > kMaxSignificantDigits)
        return false;

    const QString normalized = (s.front() == u'-' ? QStringLiteral("-") : QString()) + intPart +
                               (fracPart.isEmpty() ? QString() : u'.' + fracPart);
    bool ok = false;
    double parsed = normalized.toDouble(&ok);
    if (!ok || !std::isfinite(parsed))
        return false;
    if (parsed == 0)
        parsed = 0; // no negative zero
    if (number != nullptr)
        *number = parsed;
    return true;
}

void Cell::setEntry(const QString &value)
{
    if (value.isEmpty()) {
        clearValue();
        return;
    }
    if (value.startsWith(u'\'')) {
        setText(value.mid(1));
        return;
    }
    double parsed = 0;
    if (parseNumber(value, &parsed))
        setNumber(parsed);
    else
        setText(value);
}

void Cell::setNumber(double value)
{
    kind = Kind::Number;
    number = value;
    text.clear();
    formula.clear();
}

void Cell::setText(const QString &value)
{
    if (value.isEmpty()) {
        clearValue();
        return;
    }
    kind = Kind::Text;
    number = 0;
    text = value;
    formula.clear();
}

void Cell::clearValue()
{
    kind = Kind::Empty;
    number = 0;
    text.clear();
    formula.clear();
}

QString Cell::displayText() const
{
    switch (kind) {
    case Kind::Empty:
        return {};
    case Kind::Text:
        return text;
    case Kind::Number:
        if (std::isfinite(number) && number == std::trunc(number) && std::fabs(number) < 1e15)
            return QString::number(static_cast<qint64>(number));
        return QString::number(number, 'g', kMaxSignificantDigits);
    }
    return {};
}

} // namespace zemor::runtime::office
