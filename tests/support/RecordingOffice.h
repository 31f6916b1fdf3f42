#pragma once

// The office programs for tests: every conversation opened, every command executed and every
// cell poked is recorded; `reachable` false refuses every conversation (channel 0).
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
    QStringList opened;            // "service topic"
    QStringList commands;          // "service: command"
    QHash<QString, QString> cells; // the last value poked into each item ("R1C1" -> value)

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
    runtime::Status poke(int, const QString &item, const QString &value) override
    {
        cells.insert(item, value);
        return {};
    }
    runtime::Status close(int channel) override
    {
        m_services.remove(channel);
        return {};
    }
    // Forgets what was recorded; the conversations open stay open.
    void reset()
    {
        opened.clear();
        commands.clear();
        cells.clear();
    }

private:
    QHash<int, QString> m_services;
    int m_next = 0;
};

} // namespace zemor::test
