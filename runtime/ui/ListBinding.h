#pragma once

// Shows a QueueModel in a QTableView the way a ListFormat says, and gives the list the habits
// every list of the program shares. The binding is a child of the view and lives as long as it;
// the caller owns the model.
//
// Layout: column n of the format shows field n of the model; fields beyond the format are
// hidden. Widths and indents are in quarters of the view font's average character width. 'M'
// columns can be resized by the user, the others cannot. The headings row is shown when some
// column has a heading; headings take their alignment from the format (their indent is kept in
// the format but not drawn). Fixed ('F') columns at the left stay in view while the others scroll
// sideways: a second, borderless view over the left edge shows them, sharing the model and the
// selection (each view with a delegate of its own; delegate() is the main view's).
//
// Habits:
// - a double click on a line toggles its mark (the model's mark column shows "o") or chooses
//   the line, as the caller sets; Enter chooses the current line when choosing is on; lists that
//   mark by a click (setClickMarks) toggle the mark with a single left click instead, and the
//   double click that a click begins toggles it once, not twice;
// - with heading sorting on, a double click on a heading sorts by that column, ascending the
//   first time and then alternately descending and ascending; the current line stays current;
// - typed text over the list moves to the next line whose locator ('?') column begins with it
//   (the current column when it is a locator, else the first locator column); characters typed
//   in quick succession extend the text;
// - row selection by default, cell selection on request.
//
// setFormat() may be called again at any time (lists whose format depends on the data).

#include "runtime/ui/ListFormat.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QTableView>

namespace zemor::runtime::ui {

class ListCellDelegate;
class QueueModel;

// A guarded pointer to a view that answers nullptr as soon as the view is being destroyed, not
// only once it is gone: from the end of its QTableView destructor on the object is no longer a
// QTableView (a view takes its viewport and other children down while it is a bare QWidget, and
// they send events the binding watches), and nothing of it may be used as one.
class TableViewRef
{
public:
    TableViewRef() = default;
    explicit TableViewRef(QTableView *view) : m_object(view) {}
    TableViewRef &operator=(QTableView *view)
    {
        m_object = view;
        return *this;
    }
    QTableView *data() const { return qobject_cast<QTableView *>(m_object.data()); }
    operator QTableView *() const { return data(); }
    QTableView *operator->() const { return data(); }

private:
    QPointer<QObject> m_object;
};

class ListBinding : public QObject
{
    Q_OBJECT

public:
    enum class DoubleClick { None, ToggleMark, Choose };

    // Sets `model` on `view` and applies `format`.
    ListBinding(QTableView *view, QueueModel *model, const ListFormat &format = {});
    ~ListBinding() override;

    QTableView *view() const { return m_view; }
    QueueModel *model() const { return m_model; }
    const ListFormat &format() const { return m_format; }
    ListCellDelegate *delegate() const { return m_delegate; }
    // The view over the fixed columns, or nullptr when the format has none to keep in view.
    QTableView *fixedView() const { return m_fixedView; }

    void setFormat(const ListFormat &format);
    void setDoubleClickAction(DoubleClick action) { m_doubleClick = action; }
    // A single left click on a line toggles its mark (with DoubleClick::ToggleMark).
    void setClickMarks(bool on) { m_clickMarks = on; }
    void setHeadingSort(bool enabled) { m_headingSort = enabled; }
    void setCellSelection(bool cells);

    // Pixels per width unit for the view's current font.
    double unit() const;
    int pixelWidth(int units) const;

    int currentRow() const;
    // Makes `row` current and selected, and scrolls to it; -1 clears the selection.
    void selectRow(int row);
    // The text the cell shows (its picture applied).
    QString cellText(int row, int column) const;
    // Widens the given columns so that their values and headings show whole: a code column
    // written narrow in its format would otherwise cut "101" to "10". Never narrower than the
    // format says.
    void widenToContents(const QList<int> &columns);

    // What a double click on the line does, without a mouse (also used by the view).
    void activateRow(int row);
    // What a double click on the heading of `column` does.
    void sortByHeading(int column);
    // Moves to the next line whose locator column begins with `text`; false when none does.
    bool locate(const QString &text);

Q_SIGNALS:
    void chosen(int row);
    void markToggled(int row, bool marked);
    void sortedByHeading(int column, Qt::SortOrder order);
    void inputRefused(int row, int column, const QString &message);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ListCellDelegate *newDelegate(QObject *parent);
    QList<ListCellDelegate *> delegates() const;
    bool locateFrom(const QString &text, int start);
    void applyLayout();
    void updateFixedView();
    void placeFixedView();
    void keepClearOfFixedColumns(const QModelIndex &current);

    TableViewRef m_view;
    QueueModel *m_model = nullptr;
    ListCellDelegate *m_delegate = nullptr;
    TableViewRef m_fixedView;
    ListFormat m_format;
    DoubleClick m_doubleClick = DoubleClick::None;
    bool m_clickMarks = false;
    int m_lastClickRow = -1; // the line the last marking click toggled, and when
    quint64 m_lastClickTime = 0;
    bool m_headingSort = false;
    QHash<int, Qt::SortOrder> m_headingOrder;
    QString m_typed;
    QElapsedTimer m_typedTimer;
};

} // namespace zemor::runtime::ui
