#include "entry/EntryColumns.h"

namespace zemor::entry {

void EntryColumns::clear(int offset, int columns)
{
    m_offset = offset;
    m_count = TableEntry{0, offset, columns}.valueColumns();
    m_columns.fill(ColumnDescription());
}

bool EntryColumns::place(int storedColumn, const QString &name, const QString &shortName,
                         const QString &picture)
{
    const int n = TableEntry{0, m_offset, m_count}.valueIndex(storedColumn);
    if (n == 0)
        return false;
    ColumnDescription &c = m_columns[size_t(n - 1)];
    c.present = true;
    c.storedColumn = storedColumn;
    c.name = name;
    c.shortName = shortName;
    const QString trimmed = picture.trimmed();
    c.picture = trimmed.isEmpty() ? QStringLiteral("@n_12") : trimmed;
    return true;
}

QString EntryColumns::listFormat(bool hasCodes, const QSet<int> &computed) const
{
    static const QString head = QStringLiteral("16L|FM~Nстроки~@s9@7L(1)|F~Ош.~L(0)@s1@E(0FFH,,,)");
    static const QString nameColour = QStringLiteral("E(,0E6FFFFH,,)");
    const bool narrow = m_count >= 5;
    QString format = head;
    format += narrow ? QStringLiteral("80L|F_M~Название~@S100@")
                     : QStringLiteral("160L|F_M~Название~@S100@");
    format += nameColour;
    if (!hasCodes)
        format += QStringLiteral("7C|F_M@S1@");
    else
        format += narrow ? QStringLiteral("25L|F_M@S30@") : QStringLiteral("40L|F_M@S30@");

    for (int n = 1; n <= m_count; ++n) {
        const ColumnDescription &c = m_columns[size_t(n - 1)];
        const int number = m_offset + n;
        // A column the catalogue does not describe has no heading.
        const QString heading =
            c.present ? (QString::number(number) + c.shortName.trimmed()).left(15) : QString();
        format += n == m_count ? QStringLiteral("43C|_M~") : QStringLiteral("43R|_M~");
        format += heading + QStringLiteral("~L") + c.picture + u'@';
        if (computed.contains(n))
            format += QStringLiteral("E(,099FFCCH,,)");
    }
    return format;
}

} // namespace zemor::entry
