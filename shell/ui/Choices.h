#pragma once

// The questions every subsystem asks the user through the shell's windows: a form of the year
// with its periodicity, a period, a district, an institution, and the help window. Each
// question shows its window modal to the parent given and answers with a typed value; a list
// that could not be read (reported by whoever answered) counts as nothing chosen. Names come
// as their lists hold them; a caller cuts them to its own fields.
//
// The program answers with PickListChoices (the pick list windows); tests hand in a scripted
// implementation. Callers keep a Choices for as long as they ask it.

#include "shell/Picked.h"

#include <QString>
#include <QtGlobal>

#include <optional>

class QWidget;

namespace zemor::shell::ui {

struct FormChoice
{
    qint64 form = 0;  // 0: nothing chosen
    QString name;     // the form's name
    QString codeText; // the form's own code text
    int periodKind = 0;
};

struct PeriodChoice
{
    qint32 number = 0; // 0: nothing chosen, or a kind without period numbers
    QString kindWord;  // the period kind's word, blank-padded as the window shows it
};

struct InstitutionQuestion
{
    qint64 district = 0;
    std::optional<qint64> form; // the caller's form, none: every institution of the district
    QString currentName;        // the name the caller shows now
};

struct InstitutionChoice
{
    enum class Answer {
        Chosen,        // an institution of the list: its code and name
        DistrictTotal, // "Ввод по району": the district's total code, a blank name
        NothingListed, // the list was empty: the caller keeps what it had
        NotChosen,     // the list was closed without a choice, or could not be read
    };
    Answer answer = Answer::NotChosen;
    qint32 code = 0;
    QString name;

    bool chosen() const { return answer == Answer::Chosen || answer == Answer::DistrictTotal; }
};

class Choices
{
public:
    // The district lists.
    static constexpr int districts = 2;
    static constexpr int districtsWithRegion = 22;

    virtual ~Choices() = default;

    // The form pick list of `year` (forms with their periodicity); nullopt when none was
    // chosen.
    virtual std::optional<FormChoice> chooseForm(int year, QWidget *parent) = 0;
    // The period window of the kind; a kind without period numbers answers 0 without a window.
    virtual PeriodChoice choosePeriod(int periodKind, QWidget *parent) = 0;
    // The district list `listKind` (districts or districtsWithRegion); nullopt when none was
    // chosen.
    virtual std::optional<PickedEntry> chooseDistrict(int listKind, QWidget *parent) = 0;
    virtual InstitutionChoice chooseInstitution(const InstitutionQuestion &question,
                                                QWidget *parent) = 0;
    virtual void showHelp(int section, QWidget *parent) = 0;
};

} // namespace zemor::shell::ui
