#pragma once

// The institution sets' windows over analysis::InstitutionSets and analysis::SetEditor.
//
// "Список ЛПУ" (P9$SCRL): the sets of `NABOR` by id (?BROWSE:1); "Удалить" (?DELETE) deletes the
// chosen set without a question, "Редактировать" (?EDIT) or a double click opens it, "Добавить"
// (?ADD) opens a new, empty set; Enter closes the window. The buttons show "Delete.gif" and
// "Edit.gif" of the working directory when it has them.
//
// "Учреждения УЗ Таргинской области" (P9$SCRADD), modal to the list: the candidates (?BROWSE:2,
// a double click toggles a mark), the set's name (?QN:NAME), the kinds (?NAMEVID: a double
// click or Enter marks or unmarks the kind under the cursor and applies the filters), the
// district choice (?QSR:NAME), "Город" (?LOCGOR), "Село" (?LOCSEL), the counts (?KOLLPU,
// ?KOLOTM), "Отсортировать по отметке" (?SORTO), "Сброс" (?SBROS) and "Сохранить" (?PUT). A save
// keeps the window open; every save of a new set adds one more set. A refused or failed save
// is told to the user and leaves the list as the file holds it. The filters keep their state
// from one opened set to the next within one run of the procedure.

#include "analysis/ratings/InstitutionSets.h"
#include "shell/ui/Services.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace zemor::data {
class DataContext;
}
namespace zemor::runtime::ui {
class ListBinding;
class QueueModel;
} // namespace zemor::runtime::ui

namespace zemor::analysis::ui {

class InstitutionSetListWindow : public QDialog
{
    Q_OBJECT

public:
    // The procedure: the candidates read once, then the list of sets. A file that cannot be
    // read is told to the user and nothing opens. On a window of its own the window is modeless
    // and returned open (the caller keeps the data context and the services alive until it is
    // destroyed); otherwise it runs modally and nullptr is answered.
    static QWidget *run(data::DataContext &context, const shell::ui::Services &services,
                        bool ownWindow, QWidget *parent = nullptr);

    InstitutionSetListWindow(data::DataContext &context, shell::ui::Services services,
                             SetCandidates candidates, QWidget *parent = nullptr);

    const InstitutionSets &sets() const { return m_sets; }
    runtime::ui::ListBinding *binding() const { return m_binding; }
    SetEditor &editor() { return m_editor; }

    // Loads the sets of the file; false (and a message) when it cannot be read.
    bool load();
    // What the buttons do; the set window runs modally.
    void editSet(int row);
    void addSet();
    void removeSet(int row);

    // Shows the sets again, keeping the set `id` current when it is there.
    void showSets(qint32 id);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void openSetWindow(std::optional<InstitutionSet> set);

    data::DataContext &m_context;
    shell::ui::Services m_services;
    InstitutionSets m_sets;
    SetEditor m_editor;
    runtime::ui::QueueModel *m_model = nullptr;
    runtime::ui::ListBinding *m_binding = nullptr;
};

class InstitutionSetWindow : public QDialog
{
    Q_OBJECT

public:
    // `set` empty: a new set. The editor and the store are the list window's.
    InstitutionSetWindow(InstitutionSets &sets, SetEditor &editor, runtime::Prompter &prompter,
                         std::optional<InstitutionSet> set, QWidget *parent = nullptr);

    runtime::ui::ListBinding *candidates() const { return m_binding; }
    runtime::ui::ListBinding *kinds() const { return m_kindBinding; }
    // The set saved last (0 none yet).
    qint32 savedId() const { return m_savedId; }

    // What the controls do.
    void toggleCandidate(int row);
    void chooseKind(int row);
    void chooseDistrict(int index);
    void setCity(bool on);
    void setVillage(bool on);
    void sortByMark();
    void reset();
    // "Сохранить": true when saved.
    bool save();

Q_SIGNALS:
    void saved(qint32 id);
    // After a refused or failed save the sets were read again from the file.
    void reloaded();

private:
    void showCandidates(int current);
    void showKinds(int current);
    void showCounts();

    InstitutionSets &m_sets;
    SetEditor &m_editor;
    runtime::Prompter &m_prompter;
    std::optional<qint32> m_id; // the existing set's id
    qint32 m_savedId = 0;

    QLineEdit *m_name = nullptr;
    QComboBox *m_districts = nullptr;
    QCheckBox *m_city = nullptr;
    QCheckBox *m_village = nullptr;
    QLabel *m_kindText = nullptr;
    QLabel *m_count = nullptr;
    QLabel *m_marked = nullptr;
    runtime::ui::QueueModel *m_model = nullptr;
    runtime::ui::ListBinding *m_binding = nullptr;
    runtime::ui::QueueModel *m_kindModel = nullptr;
    runtime::ui::ListBinding *m_kindBinding = nullptr;
};

} // namespace zemor::analysis::ui
