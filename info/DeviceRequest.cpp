#include "info/DeviceRequest.h"

#include "link/CommandChannel.h"
#include "state/LogCategories.h"
#include "state/SharedState.h"

WaitResult DeviceRequest::send(const QString& command, const QString& replyKeyword,
                               const std::function<bool()>& alsoDone) const
{
    return run(command, replyKeyword, alsoDone, m_cancel);
}

WaitResult DeviceRequest::sendUncancellable(const QString& command,
                                            const QString& replyKeyword) const
{
    return run(command, replyKeyword, {}, nullptr);
}

WaitResult DeviceRequest::run(const QString& command, const QString& replyKeyword,
                              const std::function<bool()>& alsoDone,
                              const CancelToken* cancel) const
{
    const WaitResult r = m_channel.requestReply(command, replyKeyword.toLatin1(), alsoDone, cancel);
    if (r != WaitResult::Done)
        qCInfo(zvInfo) << "request" << command.left(24) << "ended:" << waitResultName(r);
    return r;
}

TransferResult DeviceRequest::closeFile(int handle) const
{
    SharedState& s = sharedState();
    s.ReplyStatus = 55;
    const QString command = QStringLiteral("$fc?") + QString::number(handle) + QLatin1Char('!');
    const WaitResult w = sendUncancellable(command, QStringLiteral("$fc"));
    TransferResult r;
    if (w != WaitResult::Done) {
        r = TransferResult::fromWait(w, command);
    } else if (s.ReplyStatus != 0) {
        r = TransferResult::failure(
            TransferStatus::GaugeError, command,
            QStringLiteral("close answered with status %1").arg(s.ReplyStatus));
        r.gaugeStatus = s.ReplyStatus;
    }
    r.fileLeftOpen = !r.ok();
    return r;
}
