#pragma once

// The program's side of a conversation with an office program, as the procedures use it:
// open a conversation with a service ("Excel", "WinWord") on a topic ("SYSTEM" or a workbook),
// execute commands on it, poke values into its items and close it. A channel is a positive
// number; 0 means no conversation (the service is unknown or cannot be reached).
//
// Every operation answers whether the office program accepted it. A command or poke on channel
// 0 or on a closed channel is refused with FileNotOpen; a procedure that got channel 0 stops and
// says so instead of writing into nothing. close() reports a failure to keep what the
// conversation made (a workbook that could not be written): the procedure must not announce a
// finished export then.
//
// The program hands in OfficeServer; tests of the procedures may hand in their own.

#include "runtime/core/Error.h"

#include <QString>

namespace zemor::runtime::office {

class Conversation
{
public:
    virtual ~Conversation() = default;

    virtual int open(const QString &service, const QString &topic) = 0;
    [[nodiscard]] virtual Status execute(int channel, const QString &command) = 0;
    // `item` is at most 80 characters.
    [[nodiscard]] virtual Status poke(int channel, const QString &item, const QString &value) = 0;
    [[nodiscard]] virtual Status close(int channel) = 0;
};

} // namespace zemor::runtime::office
