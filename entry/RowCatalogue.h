#pragma once

// The rows of one form as the form catalogue (`stroka`) lists them: for each row id its table,
// its printed code and its position in the table. The checks use it to find a row's table, to
// write row codes into failure texts and to resolve the row code of a column rule. Filled by
// ControlRuleLoader or by a caller; a plain value.

#include <QHash>
#include <QString>

#include <optional>

namespace zemor::entry {

struct CatalogueRow
{
    int id = 0;       // STR:UNICOD
    qint64 table = 0; // STR:CODTABL
    QString code;     // STR:CODSTR, trailing blanks removed
    int number = 0;   // STR:NUMBER, the position in the table
};

class RowCatalogue
{
public:
    // A second row with the same id replaces the first.
    void add(const CatalogueRow &row);
    const CatalogueRow *row(int id) const;
    // The row of a table by its printed code, compared without regard to case or trailing
    // blanks; of several rows with one code, the first added.
    const CatalogueRow *rowByCode(qint64 table, const QString &code) const;
    int size() const { return int(m_rows.size()); }

private:
    static QString codeKey(qint64 table, const QString &code);

    QHash<int, CatalogueRow> m_rows;
    QHash<QString, int> m_byCode;
};

} // namespace zemor::entry
