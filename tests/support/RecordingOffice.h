#pragma once

// The office programs for tests: every conversation opened and every command executed is
// recorded; `reachable` false refuses every conversation (channel 0).
//
//   test::RecordingOffice office;
//   ... open a blank ...
//   QCOMPARE(office.commands, QStringList{u"WinWord: [FileOpen (\"/w/temp1/f12.doc\")]"_s});

#include "runtime/office/Conversation.h"

#include <QHash>
#include <QStringList>

namespace zemor::test {

class RecordingOffice final : public runtime::office::Conversation
{
public:
    bool reachable = true;
    QStringList opened;   // "service topic"
    QStringList commands; // "service: command"

    int open(const QString &service, const QString &topic) override
    {
        opened.append(service + u' ' + topic);
        if (!reachable)
            return 0;
        m_services.insert(++m_next, service);
        return m_next;
    }
    runtime::Status execute(int channel, const QString &command) override
    {
        commands.append(m_services.value(channel) + QStringLiteral(": ") + command);
        return {};
    }
    runtime::Status poke(int, const QString &, const QString &) override { return {}; }
    runtime::Status close(int channel) override
    {
        m_services.remove(channel);
        return {};
    }

private:
    QHash<int, QString> m_services;
    int m_next = 0;
};

} // namespace zemor::test
