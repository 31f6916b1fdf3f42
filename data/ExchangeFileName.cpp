#include "data/ExchangeFileName.h"

#include "data/Period.h"

using namespace Qt::StringLiterals;

namespace zemor::data {

namespace {

bool isDigits(QStringView text)
{
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return !text.isEmpty();
}

} // namespace

ExchangeFileName::ExchangeFileName(UserType userType, int ownCode, int year)
    : m_base(prefix(userType, ownCode)), m_year(year)
{
}

void ExchangeFileName::addForm(int formCode, int periodicity, qint32 period)
{
    const QString part = periodPart(periodicity, m_year, period);
    if (part.isEmpty())
        return;
    if (m_lastPeriodicity != periodicity)
        m_base += part;
    m_base += u'F';
    m_base += QString::number(formCode);
    m_lastPeriodicity = periodicity;
    m_hasForms = true;
}

QString ExchangeFileName::fileName() const
{
    return m_base + u".dat"_s;
}

QString ExchangeFileName::prefix(UserType userType, int ownCode)
{
    switch (userType) {
    case UserType::Institution:
        return u"u"_s + QString::number(ownCode);
    case UserType::District:
        return u"r"_s + QString::number(ownCode);
    case UserType::WholeRegion:
        break;
    }
    return u"v"_s;
}

QString ExchangeFileName::periodPart(int periodicity, int year, qint32 period)
{
    const std::optional<PeriodKind> kind = periodKindFromByte(periodicity);
    if (!kind)
        return {};
    switch (*kind) {
    case PeriodKind::Year:
        return u"_"_s + QString::number(year).rightJustified(4, u'0');
    case PeriodKind::Month:
        return u"m"_s + QString::number(period);
    case PeriodKind::Quarter:
        return u"k"_s + QString::number(period);
    case PeriodKind::HalfYear:
        return u"p"_s + QString::number(period);
    case PeriodKind::Week:
    case PeriodKind::Date:
        break;
    }
    return {};
}

QString ExchangeFileName::summaryFileName(int ownCode, int formCode)
{
    return u"ssw%1F%2.dat"_s.arg(ownCode).arg(formCode);
}

bool ExchangeFileName::isSummaryFile(QStringView path)
{
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(slash + 1).contains(u"ssw", Qt::CaseSensitive);
}

QString ExchangeFileName::exportWorkFileName(int ownCode)
{
    return u"export\\W%1.dat"_s.arg(ownCode, 4, 10, QChar(u'0'));
}

std::optional<ExchangeFileName::OldName> ExchangeFileName::parseOldFileName(QStringView fileName)
{
    // An 8.3 name: eight characters, then nothing or a dot and at most three more.
    if (fileName.size() < 8)
        return std::nullopt;
    const QStringView rest = fileName.mid(8);
    if (!rest.isEmpty() && (rest.front() != u'.' || rest.size() > 4))
        return std::nullopt;
    if (fileName[0] != u'W' && fileName[0] != u'w')
        return std::nullopt;
    const QStringView form = fileName.mid(1, 4);
    const QStringView period = fileName.mid(6, 2);
    if (!isDigits(form) || !isDigits(period))
        return std::nullopt;
    return OldName{form.toInt(), period.toInt()};
}

} // namespace zemor::data
