#include "runtime/ui/QueueModel.h"

#include "runtime/decimal/Decimal.h"
#include "runtime/text/Cp1251.h"
#include "runtime/text/FixedString.h"

#include <algorithm>
#include <numeric>

namespace zemor::runtime::ui {

namespace {

const QString markText = QStringLiteral("o");

enum class Kind { Empty, Integer, Decimal, Real, Text };

Kind kindOf(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return Kind::Empty;
    if (v.metaType() == QMetaType::fromType<Decimal>())
        return Kind::Decimal;
    switch (v.metaType().id()) {
    case QMetaType::Bool:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return Kind::Integer;
    case QMetaType::Float:
    case QMetaType::Double:
        return Kind::Real;
    default:
        return Kind::Text;
    }
}

bool isNumber(Kind k)
{
    return k == Kind::Integer || k == Kind::Decimal || k == Kind::Real;
}

Decimal decimalOf(const QVariant &v, Kind k)
{
    if (k == Kind::Decimal)
        return v.value<Decimal>();
    if (v.metaType().id() == QMetaType::ULongLong || v.metaType().id() == QMetaType::ULong) {
        const qulonglong u = v.toULongLong();
        return Decimal::fromUnits(u, 0);
    }
    return Decimal(static_cast<std::int64_t>(v.toLongLong()));
}

std::weak_ordering compareDoubles(double a, double b)
{
    if (a < b)
        return std::weak_ordering::less;
    if (b < a)
        return std::weak_ordering::greater;
    return std::weak_ordering::equivalent;
}

QByteArray textBytes(const QVariant &v)
{
    if (v.metaType().id() == QMetaType::QByteArray)
        return v.toByteArray();
    return text::toCp1251(v.toString());
}

} // namespace

QueueModel::QueueModel(int fieldCount, QObject *parent)
    : QAbstractTableModel(parent), m_fieldCount(std::max(0, fieldCount)), m_headings(m_fieldCount),
      m_headingAlignments(m_fieldCount), m_editable(m_fieldCount, false)
{
}

QueueModel::QueueModel(const QStringList &fieldNames, QObject *parent)
    : QueueModel(int(fieldNames.size()), parent)
{
    m_fieldNames = fieldNames;
}

int QueueModel::fieldIndex(QStringView name) const
{
    for (int i = 0; i < m_fieldNames.size(); ++i) {
        if (QStringView(m_fieldNames[i]).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QVariantList QueueModel::normalized(QVariantList values) const
{
    Q_ASSERT_X(values.size() <= m_fieldCount, "QueueModel", "more values than fields");
    values.resize(m_fieldCount);
    return values;
}

void QueueModel::clear()
{
    beginResetModel();
    m_lines.clear();
    endResetModel();
}

void QueueModel::setLines(QList<QVariantList> lines)
{
    beginResetModel();
    for (QVariantList &l : lines)
        l = normalized(std::move(l));
    m_lines = std::move(lines);
    endResetModel();
}

int QueueModel::appendLine(QVariantList values)
{
    const int row = int(m_lines.size());
    beginInsertRows({}, row, row);
    m_lines.append(normalized(std::move(values)));
    endInsertRows();
    return row;
}

void QueueModel::insertLine(int row, QVariantList values)
{
    Q_ASSERT(row >= 0 && row <= m_lines.size());
    row = std::clamp(row, 0, int(m_lines.size()));
    beginInsertRows({}, row, row);
    m_lines.insert(row, normalized(std::move(values)));
    endInsertRows();
}

void QueueModel::removeLine(int row)
{
    Q_ASSERT(validRow(row));
    if (!validRow(row))
        return;
    beginRemoveRows({}, row, row);
    m_lines.removeAt(row);
    endRemoveRows();
}

const QVariantList &QueueModel::line(int row) const
{
    Q_ASSERT(validRow(row));
    static const QVariantList empty;
    return validRow(row) ? m_lines.at(row) : empty;
}

QVariant QueueModel::value(int row, int field) const
{
    Q_ASSERT(validRow(row) && validField(field));
    if (!validRow(row) || !validField(field))
        return {};
    return m_lines.at(row).at(field);
}

void QueueModel::setValue(int row, int field, const QVariant &value)
{
    Q_ASSERT(validRow(row) && validField(field));
    if (!validRow(row) || !validField(field))
        return;
    m_lines[row][field] = value;
    Q_EMIT dataChanged(index(row, field), index(row, field));
    if (field == m_markField && validField(m_markColumn))
        Q_EMIT dataChanged(index(row, m_markColumn), index(row, m_markColumn));
}

std::weak_ordering QueueModel::compareValues(const QVariant &a, const QVariant &b)
{
    const Kind ka = kindOf(a);
    const Kind kb = kindOf(b);
    if (ka == Kind::Empty || kb == Kind::Empty) {
        if (ka == kb)
            return std::weak_ordering::equivalent;
        return ka == Kind::Empty ? std::weak_ordering::less : std::weak_ordering::greater;
    }
    if (isNumber(ka) && isNumber(kb)) {
        if (ka == Kind::Real || kb == Kind::Real) {
            const double da = ka == Kind::Decimal ? a.value<Decimal>().toDouble() : a.toDouble();
            const double db = kb == Kind::Decimal ? b.value<Decimal>().toDouble() : b.toDouble();
            return compareDoubles(da, db);
        }
        return decimalOf(a, ka) <=> decimalOf(b, kb);
    }
    if (isNumber(ka) != isNumber(kb)) // numbers before texts
        return isNumber(ka) ? std::weak_ordering::less : std::weak_ordering::greater;
    return text::compareFixed(textBytes(a), textBytes(b)) <=> 0;
}

void QueueModel::sortBy(const QList<SortKey> &keys)
{
    for (const SortKey &k : keys) {
        Q_ASSERT(validField(k.field));
        if (!validField(k.field))
            return;
    }
    if (keys.isEmpty() || m_lines.size() < 2)
        return;

    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);

    QList<int> order(m_lines.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
        for (const SortKey &k : keys) {
            const auto c = compareValues(m_lines[x][k.field], m_lines[y][k.field]);
            if (c != 0)
                return k.order == Qt::AscendingOrder ? c < 0 : c > 0;
        }
        return false;
    });

    QList<QVariantList> sorted;
    sorted.reserve(m_lines.size());
    QList<int> newRowOf(m_lines.size());
    for (int newRow = 0; newRow < order.size(); ++newRow) {
        sorted.append(std::move(m_lines[order[newRow]]));
        newRowOf[order[newRow]] = newRow;
    }
    m_lines = std::move(sorted);

    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &i : before)
        after.append(index(newRowOf[i.row()], i.column()));
    changePersistentIndexList(before, after);

    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void QueueModel::sort(int column, Qt::SortOrder order)
{
    sortBy({SortKey{column, order}});
}

void QueueModel::setMarkColumn(int column, int markField)
{
    Q_ASSERT(validField(column) && validField(markField));
    m_markColumn = column;
    m_markField = markField;
    if (!m_lines.isEmpty() && validField(column))
        Q_EMIT dataChanged(index(0, column), index(int(m_lines.size()) - 1, column));
}

bool QueueModel::isMarked(int row) const
{
    if (!validField(m_markField) || !validRow(row))
        return false;
    return m_lines.at(row).at(m_markField).toInt() == 1;
}

void QueueModel::setMarked(int row, bool marked)
{
    Q_ASSERT(validField(m_markField) && validRow(row));
    if (!validField(m_markField) || !validRow(row) || isMarked(row) == marked)
        return;
    setValue(row, m_markField, marked ? 1 : 0);
    Q_EMIT markChanged(row, marked);
}

bool QueueModel::toggleMark(int row)
{
    const bool marked = !isMarked(row);
    setMarked(row, marked);
    return isMarked(row);
}

int QueueModel::markedCount() const
{
    return int(markedRows().size());
}

QList<int> QueueModel::markedRows() const
{
    QList<int> rows;
    for (int r = 0; r < m_lines.size(); ++r) {
        if (isMarked(r))
            rows.append(r);
    }
    return rows;
}

void QueueModel::setEditable(int field, bool editable)
{
    Q_ASSERT(validField(field));
    if (validField(field))
        m_editable[field] = editable;
}

int QueueModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_lines.size());
}

int QueueModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_fieldCount;
}

QVariant QueueModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !validRow(index.row()) || !validField(index.column()))
        return {};
    const QVariant &v = m_lines.at(index.row()).at(index.column());
    const bool markCell = index.column() == m_markColumn && validField(m_markField);
    switch (role) {
    case Qt::DisplayRole:
        if (markCell)
            return isMarked(index.row()) ? markText : QString();
        if (v.metaType() == QMetaType::fromType<Decimal>())
            return v.value<Decimal>().toString();
        return v;
    case Qt::EditRole:
    case ValueRole:
        if (markCell)
            return isMarked(index.row()) ? markText : QString();
        return v;
    default:
        return {};
    }
}

bool QueueModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !validRow(index.row()) ||
        !validField(index.column()) || !m_editable[index.column()])
        return false;
    setValue(index.row(), index.column(), value);
    return true;
}

Qt::ItemFlags QueueModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && validField(index.column()) && m_editable[index.column()])
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant QueueModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || !validField(section))
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole) {
        if (m_headings[section].isValid())
            return m_headings[section];
        return section < m_fieldNames.size() ? QVariant(m_fieldNames[section]) : QVariant();
    }
    if (role == Qt::TextAlignmentRole)
        return m_headingAlignments[section];
    return {};
}

bool QueueModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant &value,
                               int role)
{
    if (orientation != Qt::Horizontal || !validField(section))
        return false;
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        m_headings[section] = value;
    else if (role == Qt::TextAlignmentRole)
        m_headingAlignments[section] = value;
    else
        return false;
    Q_EMIT headerDataChanged(orientation, section, section);
    return true;
}

} // namespace zemor::runtime::ui
