#pragma once

// What the windows of the control runs share besides runtime/ui/WindowParts.h: a group of
// options numbered from 1.

#include "runtime/ui/Controls.h"
#include "runtime/ui/WindowParts.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QStringList>

namespace zemor::entry::ui {

using runtime::ui::bindList;
using runtime::ui::buttonRow;

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
