#pragma once

// A modal window with a list to take one line from: a QTableView ("?BROWSE:1") over a QueueModel,
// laid out by a ListFormat through a ListBinding. Enter or a double click on a line takes it and
// closes the window; choose() shows the window and answers the line taken, or nothing when the
// window was closed any other way.
//
// A list window of the program derives from it, keeping its own objectName and title: it adds
// what stands above the list (a year, a name, a button) with addAbove(), fills the lines with
// setLines(), widens the columns that must show whole and opens on a line with openAt(). A button
// that ends the window with another answer than a line calls accept() itself; chosenRow() then
// stays -1.
//
// The window owns its model, view and binding. An unreadable format string is a programming
// error (Q_ASSERT); a release build shows the list without a format.

#include <QDialog>
#include <QList>
#include <QVariantList>

#include <initializer_list>
#include <optional>

class QLayout;
class QTableView;
class QVBoxLayout;

namespace zemor::runtime::ui {

class ListBinding;
class QueueModel;

class ListWindow : public QDialog
{
    Q_OBJECT

public:
    // `fieldCount` values a line; `format` is the list's format string.
    ListWindow(const QString &objectName, const QString &title, int fieldCount,
               const QString &format, QWidget *parent = nullptr);

    QTableView *view() const { return m_view; }
    QueueModel *model() const { return m_model; }
    ListBinding *binding() const { return m_binding; }

    // The line taken, -1 while none was.
    int chosenRow() const { return m_chosen; }
    // Shows the window modal and answers the line taken.
    std::optional<int> choose();

protected:
    void addAbove(QLayout *layout);
    void addAbove(QWidget *widget);
    void setLines(QList<QVariantList> lines);
    // Widens the columns so that their values and headings show whole (never narrower).
    void widenToContents(std::initializer_list<int> columns);
    // Makes `row` the current line, or the first one when `row` is not a line; the list keeps
    // the keyboard focus.
    void openAt(int row);
    // Takes `row` and closes the window.
    void chooseRow(int row);

private:
    QVBoxLayout *m_layout = nullptr;
    QTableView *m_view = nullptr;
    QueueModel *m_model = nullptr;
    ListBinding *m_binding = nullptr;
    int m_chosen = -1;
};

} // namespace zemor::runtime::ui
