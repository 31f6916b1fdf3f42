#pragma once

// An in-memory queue of lines shown by a list: every line holds one value per field, and
// column n of the model is field n. A window fills the queue from its files, sorts it and hands
// it to a ListBinding, which decides how the columns look.
//
// Values are QVariants holding a QString (text fields), an integer, a double (REAL) or a
// runtime::Decimal (DECIMAL fields); an invalid QVariant is an empty value. Qt::DisplayRole gives
// the value as plain text, ValueRole the value itself (ListBinding formats it with the column's
// picture).
//
// Sorting is stable and goes by one or more fields, each ascending or descending. Numbers compare
// by value whatever their type, texts as their Windows-1251 bytes with trailing blanks ignored
// (the order of the stored keys), empty values before everything else. The current line and the
// selection of a view follow their lines through a sort.
//
// Marks: when a mark column is set, its cells show "o" for each line whose mark field holds 1
// and are empty otherwise; toggleMark() sets the field to 1 or 0. The mark field may be any
// field, shown or not.
//
// Editing: fields made editable accept setData(); the value is stored as given, so the caller
// (the cell editor) converts typed text before it comes here.
//
// The model owns its lines. Out-of-range rows or fields are programming errors (Q_ASSERT) and
// read as empty values in a release build.

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <QVariant>

#include <compare>

namespace zemor::runtime::ui {

class QueueModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Role { ValueRole = Qt::UserRole + 1 };

    struct SortKey
    {
        int field = 0;
        Qt::SortOrder order = Qt::AscendingOrder;
    };

    explicit QueueModel(int fieldCount, QObject *parent = nullptr);
    // Field names (for fieldIndex()); they are also the default headings.
    explicit QueueModel(const QStringList &fieldNames, QObject *parent = nullptr);

    int fieldCount() const { return m_fieldCount; }
    int fieldIndex(QStringView name) const; // -1 when there is no such field

    // Lines. A line with fewer values than fields is filled with empty values; one with more is
    // a programming error and is cut.
    void clear();
    void setLines(QList<QVariantList> lines);
    int appendLine(QVariantList values);
    void insertLine(int row, QVariantList values);
    void removeLine(int row);
    const QVariantList &line(int row) const;
    QVariant value(int row, int field) const;
    void setValue(int row, int field, const QVariant &value);

    // Sorting, stable. An empty key list keeps the order.
    void sortBy(const QList<SortKey> &keys);
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    // The order sortBy() uses for two values of one field.
    static std::weak_ordering compareValues(const QVariant &a, const QVariant &b);

    // Marks.
    void setMarkColumn(int column, int markField);
    int markColumn() const { return m_markColumn; }
    int markField() const { return m_markField; }
    bool isMarked(int row) const;
    void setMarked(int row, bool marked);
    bool toggleMark(int row); // the new state
    int markedCount() const;
    QList<int> markedRows() const;

    void setEditable(int field, bool editable);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant &value,
                       int role = Qt::EditRole) override;

Q_SIGNALS:
    void markChanged(int row, bool marked);

private:
    QVariantList normalized(QVariantList values) const;
    bool validRow(int row) const { return row >= 0 && row < m_lines.size(); }
    bool validField(int field) const { return field >= 0 && field < m_fieldCount; }

    int m_fieldCount = 0;
    QStringList m_fieldNames;
    QList<QVariantList> m_lines;
    QList<QVariant> m_headings;
    QList<QVariant> m_headingAlignments;
    QList<bool> m_editable;
    int m_markColumn = -1;
    int m_markField = -1;
};

} // namespace zemor::runtime::ui
