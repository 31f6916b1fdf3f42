#pragma once

// How logic asks the user something without knowing about windows. A message is a text in
// which "|" breaks the line, a caption, and a button list written as "&Да|&Нет"; the answer is
// the number of the chosen button counted from 1 in list order. An empty button list means one
// OK button (answer 1). Closing the box without a choice answers 0.
//
// The program hands in the widget implementation (runtime/ui); tests hand in a scripted one.

#include <QString>

namespace zemor::runtime {

enum class MessageIcon { None, Information, Warning, Error, Question };

class Prompter
{
public:
    virtual ~Prompter() = default;
    virtual int message(const QString &text, const QString &caption = {},
                        const QString &buttons = {}, MessageIcon icon = MessageIcon::None,
                        int defaultButton = 1) = 0;
    // The short beep that answers a missing required choice.
    virtual void beep() = 0;
};

} // namespace zemor::runtime
