#pragma once

// Draws and edits the cells of a list by its ListFormat: each value through its column's
// picture, aligned and indented as the column says, in the column's colours (the selected ones
// on a selected line), with the column's right and bottom lines. ListBinding makes one per list
// and sets it on the list's views; the delegate keeps a copy of the format.
//
// cellText() is the text of a cell. Text pictures drop their padding blanks; number, date and
// time pictures keep them in a left-aligned column, where the picture's own right alignment is
// what lines the numbers up, and lose them elsewhere. An empty value shows as an empty cell.
//
// Editing (for fields the model makes editable): the edit field is put over the cell, holds at
// most the picture's width in characters and is read back through the picture: numbers become
// Decimals (or integers, where the field held an integer), dates day numbers, times QTime.
// A number too wide for its picture is given to the field whole, never as its row of '#'.
// A field whose text was left as it was given stores nothing, so the value keeps every digit
// the picture does not show. Typed text that the picture refuses is not stored: Enter and Tab
// do not accept it (the edit stays open, its text selected), the cell keeps its value, and
// inputRefused() says why.

#include "runtime/ui/ListFormat.h"

#include <QStyledItemDelegate>

class QLineEdit;

namespace zemor::runtime::ui {

class ListCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit ListCellDelegate(QObject *parent = nullptr) : QStyledItemDelegate(parent) {}

    void setFormat(const ListFormat &format) { m_format = format; }
    const ListFormat &format() const { return m_format; }
    // Pixels per width unit (a quarter of the average character width of the list's font).
    void setUnit(double pixels) { m_unit = pixels; }
    double unit() const { return m_unit; }

    // The text shown for `value` in the column, or the value's plain text beyond the format.
    QString cellText(int column, const QVariant &value) const;
    static QString cellText(const ListColumn &column, const QVariant &value);
    static Qt::Alignment alignmentOf(ListAlignment alignment);

    // The typed text read back into the kind of value the field holds; `current` is the value
    // the cell has now.
    static Result<QVariant> readTyped(const ListColumn &column, QStringView typed,
                                      const QVariant &current);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The text an edit field starts with for `value`.
    static QString editText(const ListColumn &column, const QVariant &value);
    // Whether the edit field may be accepted: its text was left as it was given, or it reads.
    // When it does not read, inputRefused() is emitted and the text selected.
    bool acceptable(QWidget *editor) const;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;

Q_SIGNALS:
    void inputRefused(const QModelIndex &index, const QString &message) const;

protected:
    bool eventFilter(QObject *object, QEvent *event) override;

private:
    const ListColumn *columnAt(int column) const;
    // Whether the field's text differs from what it was given to show.
    static bool changed(const QLineEdit *edit);
    Result<QVariant> readEditor(const QLineEdit *edit, const QModelIndex &index) const;

    ListFormat m_format;
    double m_unit = 2.0;
};

} // namespace zemor::runtime::ui
