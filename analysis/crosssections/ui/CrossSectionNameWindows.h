#pragma once

// The two windows of the saved cross-section names: "Название разреза" (P1$SCRADD), which shows
// the id a new name is expected to get (?RAN:IDQW) and takes the name (?RAN:NAME) until
// "Добавить" (?INS); and "Список" (P1$SCRL), the saved names with their ids, one taken by Enter
// or a double click. Both answer nothing when closed any other way. Storing the name is the
// caller's (SavedCrossSections).

#include "analysis/crosssections/SavedCrossSections.h"
#include "runtime/ui/ListWindow.h"

#include <QDialog>

#include <optional>

class QLineEdit;

namespace zemor::analysis::ui {

class CrossSectionNameWindow : public QDialog
{
    Q_OBJECT

public:
    explicit CrossSectionNameWindow(qint32 shownId, QWidget *parent = nullptr);
    // Shows the window modal; the name typed when "Добавить" was pressed.
    std::optional<QString> ask();

private:
    QLineEdit *m_name = nullptr;
};

class SavedCrossSectionList : public runtime::ui::ListWindow
{
    Q_OBJECT

public:
    SavedCrossSectionList(const QList<SavedCrossSectionChoice> &choices, QWidget *parent = nullptr);

    static std::optional<SavedCrossSectionChoice>
    choose(const QList<SavedCrossSectionChoice> &choices, QWidget *parent);

private:
    QList<SavedCrossSectionChoice> m_choices;
};

// The table list "Выбор таблицы" (P1$SCRL1, ?BROWSE:2): the tables of the form by code.
class CrossSectionTableList : public runtime::ui::ListWindow
{
    Q_OBJECT

public:
    CrossSectionTableList(const QList<CrossSectionTable> &tables, int current,
                          QWidget *parent = nullptr);
};

} // namespace zemor::analysis::ui
