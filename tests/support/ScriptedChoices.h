#pragma once

// The choices for tests: every question is answered from the fields and recorded in `asked`,
// in order ("form", "period", "district <list kind>", "institution <district>", "help").
//
//   auto choices = std::make_shared<ScriptedChoices>();
//   choices->form = {12, u"Форма 12"_s, u"12"_s, 1};
//   choices->period = 1;
//   choices->district = {3, u"Заречный"_s};
//   choices->institution = {301, u"ЦРБ"_s};
//
// A field left at code 0 answers "nothing chosen". `institutionListed` false answers the
// institution question with an empty list, the caller keeping what it had.

#include "shell/ui/Choices.h"

#include <QStringList>

namespace zemor::test {

class ScriptedChoices : public shell::ui::Choices
{
public:
    shell::ui::FormChoice form;
    qint32 period = 0;
    QString periodWord; // empty: "месяц" for monthly forms, "год" otherwise
    shell::PickedEntry district;
    shell::PickedEntry institution;
    bool institutionListed = true;
    QStringList asked;
    qint64 askedDistrict = 0; // the district of the last institution question

    std::optional<shell::ui::FormChoice> chooseForm(int, QWidget *) override
    {
        asked.append(QStringLiteral("form"));
        if (form.form == 0)
            return std::nullopt;
        return form;
    }
    shell::ui::PeriodChoice choosePeriod(int kind, QWidget *) override
    {
        asked.append(QStringLiteral("period"));
        const QString word = !periodWord.isEmpty() ? periodWord
                             : kind == 1           ? QStringLiteral("месяц")
                                                   : QStringLiteral("год");
        return {kind == 0 ? 0 : period, word};
    }
    std::optional<shell::PickedEntry> chooseDistrict(int listKind, QWidget *) override
    {
        asked.append(QStringLiteral("district %1").arg(listKind));
        if (district.code == 0)
            return std::nullopt;
        return district;
    }
    shell::ui::InstitutionChoice chooseInstitution(const shell::ui::InstitutionQuestion &question,
                                                   QWidget *) override
    {
        asked.append(QStringLiteral("institution %1").arg(question.district));
        askedDistrict = question.district;
        using Answer = shell::ui::InstitutionChoice::Answer;
        if (!institutionListed)
            return {Answer::NothingListed, 0, QString()};
        if (institution.code == 0)
            return {};
        return {Answer::Chosen, qint32(institution.code), institution.name};
    }
    void showHelp(int, QWidget *) override { asked.append(QStringLiteral("help")); }
};

} // namespace zemor::test
