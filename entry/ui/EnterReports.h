#pragma once

// The report entry procedure: one report (institution, form, period of the reporting year) is
// chosen, opened in the entry window, filled table by table and written back.
//
// interactive() is the menu's and the toolbar's way in: the process year is held within its
// bounds and the context is given that year's file names, then the form and period, the
// district and the institution are asked in that order; any choice not made ends the procedure
// without a message of its own. givenReport() opens the
// report its caller names and skips the choices; when the user deletes that report the
// caller's district reads 0 afterwards.
//
// The procedure works on the data context it is given. On a window of its own (ownWindow) the
// entry window is modeless and is returned open (nullptr when the procedure ended before it
// opened); the caller keeps the context alive until the window is destroyed, which happens
// when it closes. Otherwise the entry window is modal and the call returns when it has closed.
// The services are the caller's; the entry window keeps its own copy (the choices and the page
// sink are shared with it).

#include "shell/ui/Services.h"

#include <QString>
#include <QtGlobal>

#include <memory>
#include <optional>

class QWidget;

namespace zemor::data {
class DataContext;
}
namespace zemor::runtime {
class Prompter;
}
namespace zemor::shell {
struct AppState;
namespace ui {
class Choices;
struct FormChoice;
} // namespace ui
} // namespace zemor::shell

namespace zemor::entry::ui {

class EntryWindow;

// A report named by the caller of the open-given-report mode.
struct GivenReport
{
    qint32 institution = 0;
    qint64 district = 0; // set to 0 when the report was deleted
    qint64 form = 0;
    qint32 period = 0;
    int periodKind = 0;
    QString formCodeText;
    QString formName;
    QString districtName;
    QString title;
};

// A district as report entry keeps it: its code (0: nothing chosen) and its name.
struct DistrictName
{
    qint64 district = 0;
    QString name;
};

// An institution as report entry keeps it: its code (0: nothing chosen) and the title.
struct InstitutionTitle
{
    qint32 institution = 0;
    QString title;
};

class EnterReports
{
public:
    static QWidget *interactive(data::DataContext &context, const shell::ui::Services &services,
                                bool ownWindow, QWidget *parent = nullptr);
    static void givenReport(data::DataContext &context, const shell::ui::Services &services,
                            GivenReport &report, QWidget *parent = nullptr);

    // The choices in report entry's fields: the form with its 100-character name and
    // 10-character code text (nullopt: none chosen), the district with its 30-character name.
    static std::optional<shell::ui::FormChoice> chooseForm(shell::ui::Choices &choices, int year,
                                                           QWidget *parent);
    static DistrictName chooseDistrict(shell::ui::Choices &choices, int listKind, QWidget *parent);
    // The institution pick list of the district for the form: the chosen institution with its
    // name as the 50-character title, `current` with `title` as it was when there was nothing
    // to list, institution 0 when nothing was chosen.
    static InstitutionTitle chooseInstitution(shell::ui::Choices &choices, qint64 district,
                                              qint64 form, const QString &title, qint32 current,
                                              QWidget *parent);

private:
    static QWidget *run(EntryWindow *window, bool ownWindow);
};

} // namespace zemor::entry::ui
