#pragma once

// What report entry asks of the rest of the program before and while a report is open: the
// process-wide reporting year with its bounds and the installation's settings, the form and
// period, the district and the institution, and the help window. Report entry sits below the
// shell, so it only declares these questions; the shell answers them with its pick lists and
// tests answer them from a script.
//
// Every question shows its window modal to the parent given and answers "nothing chosen" with
// a zero code; a choice that could not be offered (a file that could not be read) counts as
// nothing chosen and has been reported by whoever answered. The provider belongs to the entry
// window that asks it and lives as long as that window.

#include <QString>
#include <QtGlobal>

class QWidget;

namespace zemor::entry::ui {

// The process-wide settings report entry reads (GLOBYEAR and its bounds, GLOBTIPUSER,
// GLOBCODREG, GLOBNAMEOBL, GLOBKODUSER).
struct EntrySettings
{
    int year = 0;
    int yearFirst = 0;
    int yearLast = 0;
    int userType = 0; // 0 whole region, 1 district, 2 institution
    qint64 district = 0;
    QString name;
    qint32 ownCode = 0;
};

struct FormChoice
{
    qint64 form = 0;  // 0: nothing chosen
    QString name;     // the form name (100 characters)
    QString codeText; // the form's own code text (10 characters)
    int periodKind = 0;
};

struct DistrictChoice
{
    qint64 district = 0; // 0: nothing chosen
    QString name;
};

class EntryChoicesProvider
{
public:
    virtual ~EntryChoicesProvider() = default;

    virtual EntrySettings settings() const = 0;
    // The process-wide year, after it was held within its bounds.
    virtual void setYear(int year) = 0;

    // The form pick list of the year (forms with their periodicity).
    virtual FormChoice chooseForm(int year, QWidget *parent) = 0;
    // The period window: sets the kind word and answers the period number; kind 0 answers 0
    // without a window, closing the window answers 0.
    virtual qint32 choosePeriod(int periodKind, QString &kindWord, QWidget *parent) = 0;
    // The district pick list of `listKind` (2 the districts, 22 with the region-wide entries).
    virtual DistrictChoice chooseDistrict(int year, int listKind, QWidget *parent) = 0;
    // The institution pick list of the district for the form; `title` holds the current name
    // and receives the chosen one. Answers the institution code: the chosen one, 0 when the
    // list was closed without a choice, `current` when there was nothing to list.
    virtual qint32 chooseInstitution(qint64 district, qint64 form, QString &title, qint32 current,
                                     QWidget *parent) = 0;
    virtual void showHelp(int section, QWidget *parent) = 0;
};

} // namespace zemor::entry::ui
