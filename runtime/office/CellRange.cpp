#include "runtime/office/CellRange.h"

namespace zemor::runtime::office {

namespace {

// Reads an unsigned decimal at `i` no larger than `max`; 0 when there is none or it is out of
// range.
int readNumber(const QString &s, qsizetype &i, int max)
{
    qint64 value = 0;
    const qsizetype start = i;
    while (i < s.size() && s.at(i) >= u'0' && s.at(i) <= u'9') {
        value = value * 10 + (s.at(i).unicode() - u'0');
        if (value > max)
            return 0;
        ++i;
    }
    return i == start ? 0 : int(value);
}

// "R<row>C<column>" from `i`.
bool readR1C1Cell(const QString &s, qsizetype &i, int *row, int *column)
{
    if (i >= s.size() || s.at(i).toUpper() != u'R')
        return false;
    ++i;
    *row = readNumber(s, i, CellRange::kMaxRows);
    if (*row == 0 || i >= s.size() || s.at(i).toUpper() != u'C')
        return false;
    ++i;
    *column = readNumber(s, i, CellRange::kMaxColumns);
    return *column != 0;
}

bool readA1Cell(const QString &s, qsizetype &i, int *row, int *column)
{
    qint64 col = 0;
    const qsizetype start = i;
    while (i < s.size() && s.at(i).toUpper() >= u'A' && s.at(i).toUpper() <= u'Z') {
        col = col * 26 + (s.at(i).toUpper().unicode() - u'A' + 1);
        if (col > CellRange::kMaxColumns)
            return false;
        ++i;
    }
    if (i == start)
        return false;
    if (i < s.size() && s.at(i) == u'$')
        ++i;
    *column = int(col);
    *row = readNumber(s, i, CellRange::kMaxRows);
    return *row != 0;
}

CellRange ordered(int r1, int c1, int r2, int c2)
{
    return {qMin(r1, r2), qMin(c1, c2), qMax(r1, r2), qMax(c1, c2)};
}

} // namespace

std::optional<CellRange> CellRange::parseR1C1(const QString &text)
{
    const QString s = text.trimmed();
    qsizetype i = 0;
    int r1 = 0, c1 = 0;
    if (!readR1C1Cell(s, i, &r1, &c1))
        return std::nullopt;
    if (i == s.size())
        return single(r1, c1);
    if (s.at(i) != u':')
        return std::nullopt;
    ++i;
    int r2 = 0, c2 = 0;
    if (!readR1C1Cell(s, i, &r2, &c2) || i != s.size())
        return std::nullopt;
    return ordered(r1, c1, r2, c2);
}

std::optional<CellRange> CellRange::parseR1C1Columns(const QString &text)
{
    const QString s = text.trimmed();
    qsizetype i = 0;
    const auto column = [&]() -> int {
        if (i >= s.size() || s.at(i).toUpper() != u'C')
            return 0;
        ++i;
        return readNumber(s, i, kMaxColumns);
    };
    const int c1 = column();
    if (c1 == 0)
        return std::nullopt;
    int c2 = c1;
    if (i < s.size()) {
        if (s.at(i) != u':')
            return std::nullopt;
        ++i;
        c2 = column();
        if (c2 == 0 || i != s.size())
            return std::nullopt;
    }
    return ordered(1, c1, kMaxRows, c2);
}

std::optional<CellRange> CellRange::parseA1(const QString &text)
{
    QString s = text.trimmed();
    s.remove(u'$');
    qsizetype i = 0;
    int r1 = 0, c1 = 0;
    if (!readA1Cell(s, i, &r1, &c1))
        return std::nullopt;
    if (i == s.size())
        return single(r1, c1);
    if (s.at(i) != u':')
        return std::nullopt;
    ++i;
    int r2 = 0, c2 = 0;
    if (!readA1Cell(s, i, &r2, &c2) || i != s.size())
        return std::nullopt;
    return ordered(r1, c1, r2, c2);
}

QString CellRange::columnName(int column)
{
    QString name;
    while (column > 0) {
        const int digit = (column - 1) % 26;
        name.prepend(QChar(u'A' + digit));
        column = (column - 1) / 26;
    }
    return name;
}

QString CellRange::toR1C1() const
{
    const QString first = QStringLiteral("R%1C%2").arg(top).arg(left);
    if (top == bottom && left == right)
        return first;
    return first + QStringLiteral(":R%1C%2").arg(bottom).arg(right);
}

QString CellRange::toA1() const
{
    const QString first = columnName(left) + QString::number(top);
    if (top == bottom && left == right)
        return first;
    return first + u':' + columnName(right) + QString::number(bottom);
}

} // namespace zemor::runtime::office
