#include "info/DeviceRequest.h"

#include "link/CommandChannel.h"
#include "state/LogCategories.h"
#include "state/SharedState.h"

#include <QObject>

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
    if (cancel && cancel->isCancelled())
        return WaitResult::Cancelled;
    bool replied = false;
    const QByteArray keyword = replyKeyword.toLatin1();
    QObject context;
    // valueReceived comes before the dispatcher runs, replyHandled after it: the condition is
    // tested once the reply's effect is in the shared state.
    QObject::connect(&m_channel, &CommandChannel::valueReceived, &context,
                     [&replied, &keyword](const QByteArray& value) {
                         if (value.startsWith(keyword))
                             replied = true;
                     });
    const WaitResult r = m_channel.request(
        command, [&] { return replied || (alsoDone && alsoDone()); }, cancel);
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
