#pragma once

// The period choice window: the kind word, the period number and "Продолжить". The number is
// accepted by the rules of data/Period.h; a number they refuse is answered with "Ошибка" and
// the window stays open with the number as typed. Closing the window without "Продолжить"
// gives period number 0. For daily forms the number is a date, typed and shown as "@d5.".
//
// periodText() is what report entry calls: it sets the kind word and, for every kind but the
// year, asks for the number with this window.

#include "data/Period.h"

#include <QDialog>

class QLineEdit;

namespace zemor::runtime {
class Prompter;
}

namespace zemor::shell::ui {

class PeriodWindow : public QDialog
{
    Q_OBJECT

public:
    PeriodWindow(data::PeriodKind kind, qint32 number, runtime::Prompter &prompter,
                 QWidget *parent = nullptr);

    // The number once accepted; 0 after the window was closed otherwise.
    qint32 number() const { return m_number; }

    // PeriodText: `kindWord` := the kind's word (ten characters); kind 0 sets `number` to 0 at
    // once, any other kind asks with the window. Returns 0.
    static int periodText(data::PeriodKind kind, qint32 &number, QString &kindWord,
                          runtime::Prompter &prompter, QWidget *parent = nullptr);

private:
    void proceed();

    data::PeriodKind m_kind;
    runtime::Prompter &m_prompter;
    QLineEdit *m_field = nullptr;
    qint32 m_number = 0;
};

} // namespace zemor::shell::ui
