#include "entry/RowCatalogue.h"

namespace zemor::entry {

void RowCatalogue::add(const CatalogueRow &row)
{
    CatalogueRow stored = row;
    while (stored.code.endsWith(u' '))
        stored.code.chop(1);
    m_rows.insert(stored.id, stored);
    // A code printed on several rows of a table names the first of them, as a key look-up of
    // the code finds it.
    const QString key = codeKey(stored.table, stored.code);
    if (!m_byCode.contains(key))
        m_byCode.insert(key, stored.id);
}

const CatalogueRow *RowCatalogue::row(int id) const
{
    const auto it = m_rows.constFind(id);
    return it == m_rows.constEnd() ? nullptr : &it.value();
}

const CatalogueRow *RowCatalogue::rowByCode(qint64 table, const QString &code) const
{
    const auto it = m_byCode.constFind(codeKey(table, code));
    return it == m_byCode.constEnd() ? nullptr : row(it.value());
}

QString RowCatalogue::codeKey(qint64 table, const QString &code)
{
    QString trimmed = code;
    while (trimmed.endsWith(u' '))
        trimmed.chop(1);
    return QString::number(table) + u'\x1f' + trimmed.toLower();
}

} // namespace zemor::entry
