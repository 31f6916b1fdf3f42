#include "analysis/crosssections/CrossSectionMarks.h"

#include "entry/FormCatalogue.h"

#include <algorithm>

namespace zemor::analysis {

namespace {

QString defaultPicture()
{
    return QStringLiteral("@n_12");
}

// The highest period number of a series for the kinds that have one.
int highestSeriesPeriod(int periodKind)
{
    switch (periodKind) {
    case 1:
        return 12;
    case 2:
        return 4;
    case 3:
        return 2;
    default:
        return 0;
    }
}

// -1, 0, 1 for the ascending order of two values.
template <class T> int compareValues(const T &a, const T &b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

int comparePeriods(const CrossSectionMark &a, const CrossSectionMark &b)
{
    if (int c = compareValues(a.year, b.year))
        return c;
    if (int c = compareValues(a.periodTo, b.periodTo))
        return c;
    return -compareValues(a.periodFrom, b.periodFrom); // "м1" descending
}

int compareFormTable(const CrossSectionMark &a, const CrossSectionMark &b)
{
    if (int c = compareValues(a.form, b.form))
        return c;
    return compareValues(a.table, b.table);
}

int compareColumnRow(const CrossSectionMark &a, const CrossSectionMark &b)
{
    if (int c = compareValues(a.dataColumn, b.dataColumn))
        return c;
    return QString::compare(a.rowCode, b.rowCode);
}

int compareRowColumn(const CrossSectionMark &a, const CrossSectionMark &b)
{
    if (int c = QString::compare(a.rowCode, b.rowCode))
        return c;
    return compareValues(a.dataColumn, b.dataColumn);
}

int compareMarks(MarkOrder order, const CrossSectionMark &a, const CrossSectionMark &b)
{
    switch (order) {
    case MarkOrder::Added:
        return 0;
    case MarkOrder::FormTableColumnRowPeriods:
        if (int c = compareFormTable(a, b))
            return c;
        if (int c = compareColumnRow(a, b))
            return c;
        return comparePeriods(a, b);
    case MarkOrder::PeriodsFormTableColumnRow:
        if (int c = comparePeriods(a, b))
            return c;
        if (int c = compareFormTable(a, b))
            return c;
        return compareColumnRow(a, b);
    case MarkOrder::FormTableRowColumnPeriods:
        if (int c = compareFormTable(a, b))
            return c;
        if (int c = compareRowColumn(a, b))
            return c;
        return comparePeriods(a, b);
    case MarkOrder::PeriodsFormTableRowColumn:
        if (int c = comparePeriods(a, b))
            return c;
        if (int c = compareFormTable(a, b))
            return c;
        return compareRowColumn(a, b);
    }
    return 0;
}

} // namespace

QList<CrossSectionTable> CrossSectionTable::tablesOf(const entry::FormCatalogue &catalogue)
{
    QList<CrossSectionTable> tables;
    for (const entry::FormTable &source : catalogue.tables()) {
        CrossSectionTable table;
        table.code = source.code;
        table.name = source.name;
        table.offset = source.offset;
        table.columns = source.entry().valueColumns();
        for (const entry::FormRow &row : catalogue.rows(source.code))
            table.rows.append({row.id, row.code, row.shortName, row.sex, row.number});
        table.dataColumns.resize(table.columns);
        for (int n = 1; n <= table.columns; ++n) {
            Column &column = table.dataColumns[n - 1];
            column.storedColumn = table.offset + n;
            column.picture = defaultPicture();
        }
        for (const entry::FormColumn &source : catalogue.columns(source.code)) {
            const int n = source.storedColumn - table.offset;
            if (n < 1 || n > table.columns)
                continue;
            Column &column = table.dataColumns[n - 1];
            column.described = true;
            column.storedColumn = source.storedColumn;
            column.name = source.name;
            column.shortName = source.shortName;
            column.picture = source.picture.trimmed().isEmpty() ? defaultPicture() : source.picture;
        }
        tables.append(table);
    }
    std::stable_sort(
        tables.begin(), tables.end(),
        [](const CrossSectionTable &a, const CrossSectionTable &b) { return a.code < b.code; });
    return tables;
}

QString CrossSectionTable::heading(int dataColumn) const
{
    if (dataColumn < 1 || dataColumn > dataColumns.size())
        return {};
    const Column &column = dataColumns[dataColumn - 1];
    return (QString::number(column.storedColumn) + column.shortName).left(15);
}

QString CrossSectionTable::gridFormat() const
{
    QString format =
        QStringLiteral("16C|_FM~Nстроки~L@s9@E(,0CCFFFFH,,)80L(2)|_M~Название~L@S120@7C|"
                       "M@S1@20C");
    for (int n = 1; n <= columns; ++n) {
        format += QStringLiteral("|_M~") + heading(n) +
                  (n == columns ? QStringLiteral("~L@S1@") : QStringLiteral("~L@S10@20C"));
    }
    return format;
}

QString CrossSectionMarks::orderLabel(MarkOrder order)
{
    switch (order) {
    case MarkOrder::Added:
        return {};
    case MarkOrder::FormTableColumnRowPeriods:
        return QStringLiteral("ф,т,гр,стр,м2,м1");
    case MarkOrder::PeriodsFormTableColumnRow:
        return QStringLiteral("м2,м1,ф,т,гр,стр");
    case MarkOrder::FormTableRowColumnPeriods:
        return QStringLiteral("ф,т,стр,гр,м2,м1");
    case MarkOrder::PeriodsFormTableRowColumn:
        return QStringLiteral("м2,м1,ф,т,стр,гр");
    }
    return {};
}

void CrossSectionMarks::start(qint64 form, int periodKind, qint32 year, qint32 from, qint32 to)
{
    m_form = form;
    m_periodKind = periodKind;
    m_year = year;
    m_periodFrom = from;
    m_periodTo = to;
}

void CrossSectionMarks::setForm(qint64 form, int periodKind, int callerKind, qint32 callerFrom,
                                qint32 callerTo)
{
    if (form == m_form)
        return;
    m_form = form;
    if (periodKind == m_periodKind)
        return;
    m_periodKind = periodKind;
    if (periodKind == callerKind) {
        m_periodFrom = callerFrom;
        m_periodTo = callerTo;
    } else if (const int last = highestSeriesPeriod(periodKind); last > 0) {
        m_periodFrom = 1;
        m_periodTo = last;
    } else {
        m_periodFrom = 1;
    }
}

void CrossSectionMarks::setTables(QList<CrossSectionTable> tables)
{
    m_tables = std::move(tables);
    m_tableIndex = m_tables.isEmpty() ? -1 : 0;
    buildGrid();
}

const CrossSectionTable *CrossSectionMarks::currentTable() const
{
    return m_tableIndex >= 0 && m_tableIndex < m_tables.size() ? &m_tables[m_tableIndex] : nullptr;
}

void CrossSectionMarks::chooseTable(int index)
{
    if (index < 0 || index >= m_tables.size())
        return;
    m_tableIndex = index;
    buildGrid();
}

void CrossSectionMarks::buildGrid()
{
    m_grid.clear();
    const CrossSectionTable *table = currentTable();
    if (!table)
        return;
    for (const CrossSectionTable::Row &row : table->rows) {
        CrossSectionGridRow line;
        line.code = row.code;
        line.shortName = row.shortName;
        line.sex = row.sex;
        line.rowId = row.id;
        line.number = row.number;
        m_grid.append(line);
    }
    refreshGrid();
}

void CrossSectionMarks::refreshGrid()
{
    for (CrossSectionGridRow &line : m_grid)
        line.marked.fill(false);
    const CrossSectionTable *table = currentTable();
    if (!table)
        return;
    for (const CrossSectionMark &mark : std::as_const(m_marks)) {
        if (mark.year != m_year || mark.form != m_form || mark.table != table->code)
            continue;
        if (mark.dataColumn < 1 || mark.dataColumn > table->columns)
            continue;
        for (CrossSectionGridRow &line : m_grid) {
            if (line.rowId == mark.rowId)
                line.marked[size_t(mark.dataColumn - 1)] = true;
        }
    }
}

QStringList CrossSectionMarks::mark(int row, int dataColumn, MarkMode mode)
{
    QStringList messages;
    const CrossSectionTable *table = currentTable();
    if (!table || row < 0 || row >= m_grid.size())
        return messages;
    const auto keep = [&messages](const QString &message) {
        if (!message.isEmpty())
            messages.append(message);
    };
    switch (mode) {
    case MarkMode::Cell:
        keep(toggle(row, dataColumn));
        break;
    case MarkMode::Row:
        for (int n = 1; n <= table->columns; ++n)
            keep(toggle(row, n));
        break;
    case MarkMode::Column:
        for (int r = 0; r < m_grid.size(); ++r)
            keep(toggle(r, dataColumn));
        break;
    }
    return messages;
}

QString CrossSectionMarks::toggle(int row, int dataColumn)
{
    const CrossSectionTable *table = currentTable();
    if (!table || dataColumn < 1 || dataColumn > table->columns)
        return {};
    CrossSectionGridRow &line = m_grid[row];
    bool &cell = line.marked[size_t(dataColumn - 1)];
    if (cell) {
        cell = false;
        m_marks.removeIf([&](const CrossSectionMark &mark) {
            return mark.year == m_year && mark.form == m_form && mark.rowId == line.rowId &&
                   mark.dataColumn == dataColumn;
        });
        sortMarks();
        return {};
    }
    if (m_marks.size() > crossSectionMaxMarks)
        return tooManyText();
    const CrossSectionTable::Column &column = table->dataColumns[dataColumn - 1];
    CrossSectionMark mark;
    mark.year = m_year;
    if (isAnnual(m_periodKind)) {
        mark.periodFrom = 0;
        mark.periodTo = 0;
    } else {
        mark.periodFrom = m_periodFrom;
        mark.periodTo = m_periodTo;
    }
    mark.form = m_form;
    mark.table = table->code;
    mark.rowId = line.rowId;
    mark.dataColumn = dataColumn;
    mark.rowCode = line.code;
    mark.rowName = line.sex.trimmed().isEmpty()
                       ? line.shortName
                       : line.shortName.trimmed() + QLatin1Char('/') + line.sex;
    mark.storedColumn = column.storedColumn;
    mark.columnName = column.name;
    mark.picture = column.picture;
    m_marks.append(mark);
    sortMarks();
    cell = true;
    return {};
}

CrossSectionMark CrossSectionMarks::templateMark(int selected) const
{
    return selected >= 0 && selected < m_marks.size() ? m_marks[selected] : m_marks.last();
}

int CrossSectionMarks::periodKindOf(qint64 form) const
{
    if (form == m_form)
        return m_periodKind;
    return m_periodKindOf ? m_periodKindOf(m_year, form) : -1;
}

QString CrossSectionMarks::addMark(int selected)
{
    if (m_marks.isEmpty())
        return noCellText();
    CrossSectionMark mark = templateMark(selected);
    mark.year = m_year;
    if (isAnnual(periodKindOf(mark.form))) {
        mark.periodFrom = 0;
        mark.periodTo = 0;
    } else {
        mark.periodFrom = m_periodFrom;
        mark.periodTo = m_periodTo;
    }
    m_marks.append(mark);
    sortMarks();
    refreshGrid();
    return {};
}

QString CrossSectionMarks::addSeries(int selected, qint32 &from, qint32 &to, int firstYear,
                                     int lastYear)
{
    // Without marks the range is held as the form shown would take it.
    const int kind = m_marks.isEmpty() ? m_periodKind : periodKindOf(templateMark(selected).form);
    const bool annual = isAnnual(kind);
    if (annual) {
        if (from < firstYear)
            from = firstYear;
        if (to > lastYear)
            to = lastYear;
    }
    if (m_marks.isEmpty())
        return chooseCellText();
    const int highest = highestSeriesPeriod(kind);
    if (from < 1 || to < from || (highest > 0 && to > highest))
        return wrongPeriodText();
    const CrossSectionMark pattern = templateMark(selected);
    for (qint32 p = from; p <= to; ++p) {
        CrossSectionMark mark = pattern;
        if (annual) {
            mark.year = p;
            mark.periodFrom = 0;
            mark.periodTo = 0;
        } else {
            mark.year = m_year;
            mark.periodFrom = p;
            mark.periodTo = p;
        }
        m_marks.append(mark);
    }
    sortMarks();
    refreshGrid();
    return {};
}

void CrossSectionMarks::setOrder(MarkOrder order)
{
    m_order = order;
    sortMarks();
}

void CrossSectionMarks::sortMarks()
{
    std::stable_sort(m_marks.begin(), m_marks.end(),
                     [order = m_order](const CrossSectionMark &a, const CrossSectionMark &b) {
                         return compareMarks(order, a, b) < 0;
                     });
    qint32 nn = 0;
    for (CrossSectionMark &mark : m_marks)
        mark.nn = ++nn;
}

void CrossSectionMarks::removeMark(int index)
{
    if (index < 0 || index >= m_marks.size())
        return;
    m_marks.removeAt(index);
    sortMarks();
}

void CrossSectionMarks::reset()
{
    m_marks.clear();
    refreshGrid();
}

void CrossSectionMarks::replaceMarks(QList<CrossSectionMark> marks)
{
    m_marks = std::move(marks);
    refreshGrid();
}

} // namespace zemor::analysis
