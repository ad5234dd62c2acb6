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

private:
    CommandChannel& m_channel;
};
