#pragma once

// Pieces the windows of the control runs share: a list bound to its format, a row of buttons at
// the right, and a group of options numbered from 1.

#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/ListFormat.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QTableView>

#include <initializer_list>

namespace zemor::entry::ui {

// The binding of `view` to `model` in the list format `format` (a programming error when the
// format cannot be read; a release build shows the list unformatted).
inline runtime::ui::ListBinding *bindList(QTableView *view, runtime::ui::QueueModel *model,
                                          const QString &format)
{
    const auto parsed = runtime::ui::ListFormat::parse(format);
    Q_ASSERT(parsed);
    return new runtime::ui::ListBinding(view, model, parsed ? *parsed : runtime::ui::ListFormat());
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

// Radio buttons "<equate>:RADIO1", ... in `row` of `box`, numbered from 1 in the group;
// `checked` is checked.
inline QButtonGroup *optionGroup(QWidget *box, QHBoxLayout *row, const QString &equate,
                                 const QStringList &texts, int checked)
{
    auto *group = new QButtonGroup(box);
    for (int i = 0; i < texts.size(); ++i) {
        auto *option = runtime::ui::createControl<QRadioButton>(
            box, QStringLiteral("%1:RADIO%2").arg(equate).arg(i + 1), texts.at(i));
        group->addButton(option, i + 1);
        row->addWidget(option);
    }
    group->button(checked)->setChecked(true);
    return group;
}

} // namespace zemor::entry::ui
