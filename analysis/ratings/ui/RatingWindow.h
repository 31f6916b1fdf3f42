#pragma once

// "Индикатор": the window "Формирование  индикаторов" (P1$SCRY) that rates the members of an
// institution set by one quality indicator. It shows the year (?YEAR1, the process's year when
// it opens), the months from and to (?MES1, ?MES2, 0 and 0), the indicators (?LIST1: every
// `indik` record of a type up to 10), "скорректированный" (?NORMA_2, kept but used by no
// computation) and the six calculation types (?TIP_RASH_QI:2, type 3 when it opens).
//
// "OK" (?OK_1) or a double click on an indicator runs it (RatingData::rate()) with the window's
// year, months and type, under a progress window whose "Отмена" calls the run off. What the run
// tells (a missing set, a table missing from the catalogue) is shown; a file that cannot be read
// is named with its reason. A run that computed ends in the rating window (RatingOutputWindow),
// after which this window is current again. The run computes with its own year; the process's
// year is never written, and nothing is written to any file.

#include "analysis/ratings/Rating.h"
#include "analysis/ratings/RatingData.h"
#include "analysis/ratings/ui/RatingOutputWindow.h"
#include "shell/ui/Services.h"

#include <QDialog>
#include <QHash>

#include <array>
#include <optional>

class QCheckBox;
class QRadioButton;
class QSpinBox;

namespace zemor::data {
class DataContext;
}
namespace zemor::runtime::ui {
class ListBinding;
class QueueModel;
} // namespace zemor::runtime::ui

namespace zemor::analysis::ui {

class RatingWindow : public QDialog
{
    Q_OBJECT

public:
    static QString title() { return QStringLiteral("Формирование  индикаторов"); }
    static QString normsNote() { return QStringLiteral("Формы нормативов заполнять по области"); }

    // The procedure: the window opens on the indicators read (a file that cannot be read is
    // told and no window opens). Modal from the menu; on a window of its own (ownWindow)
    // modeless and returned open.
    static QWidget *run(data::DataContext &context, const shell::ui::Services &services,
                        OpenRankTable openRankTable, bool ownWindow, QWidget *parent = nullptr);

    RatingWindow(data::DataContext &context, shell::ui::Services services,
                 OpenRankTable openRankTable, QWidget *parent = nullptr);

    // Reads the indicators into the list; false (and the user told) when `indik` cannot be read.
    bool load();
    const QList<RatingIndicator> &indicators() const { return m_indicators; }
    runtime::ui::ListBinding *binding() const { return m_binding; }

    // What the window's controls ask for, for the list's current indicator (none without one).
    std::optional<RatingRequest> request() const;
    // Computes the current indicator and tells what the run says; the run when it computed.
    std::optional<RatingRun> compute();
    // ?OK_1: compute() and, when it computed, the rating window until it is closed.
    void rate();

private:
    data::DataContext &m_context;
    shell::ui::Services m_services;
    OpenRankTable m_openRankTable;
    QList<RatingIndicator> m_indicators;
    QHash<int, QString> m_districtNames;
    bool m_districtNamesRead = false;

    QSpinBox *m_year = nullptr;
    QSpinBox *m_firstMonth = nullptr;
    QSpinBox *m_lastMonth = nullptr;
    QCheckBox *m_corrected = nullptr;
    std::array<QRadioButton *, 6> m_types{};
    runtime::ui::QueueModel *m_model = nullptr;
    runtime::ui::ListBinding *m_binding = nullptr;
};

} // namespace zemor::analysis::ui
