#pragma once

#include "link/ReplyWait.h"

#include <QString>

class CommandChannel;
class UserDialogs;

// How a memory reset ended.
enum class ResetOutcome {
    Declined,    // the user answered No; nothing was sent
    Done,        // the gauge confirmed the reset
    LinkDropped, // the gauge dropped the link after taking the command: the reset is under way
    Refused,     // the gauge answered with an error status: no reset
    Garbled,     // the gauge's answer could not be taken apart: it is not known
    NoReply,     // no reply in time: it is not known whether the gauge reset
    SendFailed,  // the command could not be written (no link)
    Cancelled,
};

// The reset of the gauge's memory system: one question, "$fsf" + CommandTerminator, a bounded
// wait for the reply. A gauge that resets may drop the link instead of answering; that counts as
// done, because the link only drops once the command has reached the gauge.
class MemoryReset
{
public:
    // The question, German in both interface languages.
    static QString question();
    static QString command();

    explicit MemoryReset(CommandChannel& channel) : m_channel(channel) {}

    // Asks through dialogs; on Yes sends the reset and waits. timeoutMs <= 0: channel default.
    ResetOutcome run(UserDialogs& dialogs, const CancelToken* cancel = nullptr, int timeoutMs = -1);
    // The reset without the question.
    ResetOutcome send(const CancelToken* cancel = nullptr, int timeoutMs = -1);

    // Done or LinkDropped: the program disconnects and ends.
    static bool succeeded(ResetOutcome outcome);
    // The status the gauge answered the last reset with (Refused).
    int status() const { return m_status; }

private:
    CommandChannel& m_channel;
    int m_status = 0;
};
