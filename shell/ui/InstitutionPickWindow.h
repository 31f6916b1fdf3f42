#pragma once

// The window of the institution pick list: the caller's current name, the list of
// institutions and, where it is offered, "Ввод по району" for the district total. A double
// click or Enter takes a line; closing the window otherwise is no choice. The entries and the
// result rules come from shell::PickInstitution; InstitutionPickChooser shows this window for
// it, modal to the parent given.

#include "runtime/ui/ListWindow.h"
#include "shell/PickInstitution.h"

namespace zemor::shell::ui {

class InstitutionPickWindow : public runtime::ui::ListWindow
{
    Q_OBJECT

public:
    InstitutionPickWindow(const QString &currentName, bool districtTotalOffered,
                          const QList<InstitutionEntry> &entries, QWidget *parent = nullptr);

    InstitutionChooser::Answer answer() const;

private:
    bool m_districtTotal = false;
};

class InstitutionPickChooser : public InstitutionChooser
{
public:
    explicit InstitutionPickChooser(QWidget *parent = nullptr) : m_parent(parent) {}
    Answer choose(const QString &currentName, bool districtTotalOffered,
                  const QList<InstitutionEntry> &entries) override;

private:
    QWidget *m_parent;
};

} // namespace zemor::shell::ui
