#pragma once

#include "info/TransferResult.h"
#include "link/ReplyWait.h"

#include <QString>
#include <functional>

class CommandChannel;

// One command to the gauge and the bounded wait for its reply. The wait ends when a reply that
// starts with the expected keyword has been dispatched into the shared state, so an error reply
// ends it as promptly as a good one; the caller then looks at what the reply set.
class DeviceRequest
{
public:
    DeviceRequest(CommandChannel& channel, const CancelToken* cancel)
        : m_channel(channel), m_cancel(cancel)
    {
    }

    // Sends command; done when a reply starting with replyKeyword arrived, or alsoDone holds.
    WaitResult send(const QString& command, const QString& replyKeyword,
                    const std::function<bool()>& alsoDone = {}) const;
    // The same, deaf to the cancel token: for closing a device file after a cancel.
    WaitResult sendUncancellable(const QString& command, const QString& replyKeyword) const;

    // Sends "$fc?<handle>!" (deaf to the cancel token) and reports how the close ended: ok only
    // when the gauge confirmed it with status 0; a failure is marked fileLeftOpen.
    TransferResult closeFile(int handle) const;

    CommandChannel& channel() const { return m_channel; }
    const CancelToken* cancelToken() const { return m_cancel; }

private:
    WaitResult run(const QString& command, const QString& replyKeyword,
                   const std::function<bool()>& alsoDone, const CancelToken* cancel) const;
    CommandChannel& m_channel;
    const CancelToken* m_cancel;
};
