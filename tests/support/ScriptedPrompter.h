#pragma once

// A Prompter for tests: it records every message and beep and answers from a script.
//
//   ScriptedPrompter prompter;
//   prompter.answers = {2};              // the first message is answered with button 2
//   ... run the code under test ...
//   QCOMPARE(prompter.messages.size(), 1);
//   QVERIFY(prompter.lastText().contains(u"File Access Error"));
//
// When the script is used up every further message gets `fallback` (1: the first button, the
// OK of a plain message). `unscripted` counts the messages answered that way, so a test can
// require that every question it expected was scripted. `before`, when set, runs with each
// message's text before it is answered: a test looks at the files while a question is open.

#include "runtime/core/Prompter.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace zemor::test {

class ScriptedPrompter : public runtime::Prompter
{
public:
    struct Message
    {
        QString text;
        QString caption;
        QString buttons;
        runtime::MessageIcon icon = runtime::MessageIcon::None;
        int defaultButton = 1;
        int answer = 0;
    };

    QList<int> answers; // consumed front to back
    int fallback = 1;
    QList<Message> messages;
    int beeps = 0;
    int unscripted = 0;
    std::function<void(const QString &text)> before;

    int message(const QString &text, const QString &caption, const QString &buttons,
                runtime::MessageIcon icon, int defaultButton) override
    {
        if (before)
            before(text);
        int answer = fallback;
        if (!answers.isEmpty())
            answer = answers.takeFirst();
        else
            ++unscripted;
        messages.append(Message{text, caption, buttons, icon, defaultButton, answer});
        return answer;
    }

    void beep() override { ++beeps; }

    QStringList texts() const
    {
        QStringList result;
        for (const Message &m : messages)
            result.append(m.text);
        return result;
    }
    QString lastText() const { return messages.isEmpty() ? QString() : messages.last().text; }
    void reset()
    {
        answers.clear();
        messages.clear();
        beeps = 0;
        unscripted = 0;
    }
};

} // namespace zemor::test
