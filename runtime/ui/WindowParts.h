#pragma once

// Pieces that the windows of every folder build from: a push button that Enter does not press
// (the window's default button stays the one it names), a list format read from its text, a
// list bound to its format, and a row of buttons pushed to the right.
//
// A list format the program writes itself and cannot read is a programming error (asserted in
// debug builds); a release build shows such a list unformatted.

#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/ListFormat.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QString>
#include <QTableView>

#include <initializer_list>

namespace zemor::runtime::ui {

// A push button named `equate` showing `text` (and `tip` as its tool tip, when given) that is
// never the window's default.
inline QPushButton *commandButton(QWidget *parent, const QString &equate, const QString &text,
                                  const QString &tip = {})
{
    auto *b = createControl<QPushButton>(parent, equate, text);
    b->setAutoDefault(false);
    if (!tip.isEmpty())
        b->setToolTip(tip);
    return b;
}

// The list format written as `text`.
inline ListFormat formatOf(const QString &text)
{
    const auto format = ListFormat::parse(text);
    Q_ASSERT_X(format, "formatOf", qPrintable(text));
    return format.value_or(ListFormat());
}

// The binding of `view` to `model` in the list format written as `format`.
inline ListBinding *bindList(QTableView *view, QueueModel *model, const QString &format)
{
    return new ListBinding(view, model, formatOf(format));
}

// The buttons in a row, pushed to the right.
inline QHBoxLayout *buttonRow(std::initializer_list<QWidget *> buttons)
{
    auto *row = new QHBoxLayout;
    row->addStretch();
    for (QWidget *b : buttons)
        row->addWidget(b);
    return row;
}

} // namespace zemor::runtime::ui
