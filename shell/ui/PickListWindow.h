#pragma once

// The window of the generic pick list: the year and the list of entries, one of which the user
// takes with a double click or Enter. Closing the window otherwise is no choice. The entries
// and the rules behind them come from shell::PickFromList; PickListChooser shows this window
// for it, modal to the parent given.

#include "runtime/ui/ListWindow.h"
#include "shell/PickFromList.h"

namespace zemor::shell::ui {

class PickListWindow : public runtime::ui::ListWindow
{
    Q_OBJECT

public:
    PickListWindow(const QString &title, int year, const QList<PickEntry> &entries,
                   QWidget *parent = nullptr);
};

class PickListChooser : public ListChooser
{
public:
    explicit PickListChooser(QWidget *parent = nullptr) : m_parent(parent) {}
    std::optional<int> choose(const QString &title, int year,
                              const QList<PickEntry> &entries) override;

private:
    QWidget *m_parent;
};

} // namespace zemor::shell::ui
