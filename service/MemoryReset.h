#pragma once

#include "link/DeviceOutcome.h"

#include <QCoroTask>
#include <QString>

class CancelToken;
class GaugeSession;
class UserDialogs;

// The reset of the gauge's memory system: one question, "$fsf" + CommandTerminator, a bounded
// wait for the reply. Ok when the gauge answered status 0; a gauge that resets may also drop the
// link instead of answering, which counts as done (linkDroppedDetail) once the gauge has
// acknowledged the write of the command; a drop before that is LinkLost. Declined: the user said
// No and nothing was sent.
class MemoryReset
{
public:
    // The question, German in both interface languages.
    static QString question();
    static QString command();

    explicit MemoryReset(GaugeSession& session) : m_session(session) {}

    // Asks through dialogs; on Yes sends the reset and waits. timeoutMs <= 0: channel default.
    QCoro::Task<DeviceOutcome> run(UserDialogs& dialogs, const CancelToken* cancel = nullptr,
                                   int timeoutMs = -1);
    // The reset without the question.
    QCoro::Task<DeviceOutcome> send(const CancelToken* cancel = nullptr, int timeoutMs = -1);

    // The detail of a reset that counts as done although the gauge dropped the link.
    static QString linkDroppedDetail();

private:
    GaugeSession& m_session;
};
