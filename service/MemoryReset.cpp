#include "service/MemoryReset.h"

#include "link/CommandChannel.h"
#include "link/DeviceBusy.h"
#include "state/LogCategories.h"
#include "state/ServiceJournal.h"
#include "state/SharedState.h"
#include "state/UserDialogs.h"

namespace
{
constexpr qint16 kPending = 55;
} // namespace

QString MemoryReset::question()
{
    return QStringLiteral("Wollen Sie das Gerät wirklich resetten?");
}

QString MemoryReset::command()
{
    return QStringLiteral("$fsf") + sharedState().CommandTerminator;
}

QString MemoryReset::linkDroppedDetail()
{
    return QStringLiteral("the gauge dropped the link: resetting");
}

QCoro::Task<TransferResult> MemoryReset::run(UserDialogs& dialogs, const CancelToken* cancel,
                                             int timeoutMs)
{
    if (!dialogs.askYesNo(question(), false))
        co_return TransferResult::failure(TransferStatus::Declined, QString(),
                                          QStringLiteral("the user said No"));
    co_return co_await send(cancel, timeoutMs);
}

QCoro::Task<TransferResult> MemoryReset::send(const CancelToken* cancel, int timeoutMs)
{
    SharedState& s = sharedState();
    const QString text = command();
    if (!s.DeviceConnected)
        co_return TransferResult::failure(TransferStatus::NotConnected, text,
                                          QStringLiteral("no gauge connected"));
    const DeviceBusy::Guard busy;
    s.ReplyStatus = kPending;
    if (cancel && cancel->isCancelled())
        co_return TransferResult::fromWait(WaitResult::Cancelled, text);
    // Only a gauge that has taken the command (its write acknowledged) is resetting when the
    // link drops; a drop before that is a lost link, whatever became of the command.
    bool acknowledged = false;
    const QObject scope;
    QObject::connect(&m_channel, &CommandChannel::commandAcknowledged, &scope,
                     [&acknowledged] { acknowledged = true; });
    if (!m_channel.send(text).ok())
        co_return TransferResult::failure(TransferStatus::NotConnected, text,
                                          QStringLiteral("the command could not be written"));
    ReplyExpectation resetReply{QStringLiteral("$fsf"), {}, cancel, timeoutMs};
    const WaitResult wait = co_await m_channel.reply(std::move(resetReply));
    qCInfo(zvService) << "memory reset:" << waitResultName(wait);
    TransferResult r = TransferResult::fromWait(wait, text);
    if (wait == WaitResult::LinkLost && acknowledged) {
        r = TransferResult::success();
        r.detail = linkDroppedDetail();
    } else if (wait == WaitResult::Done && s.ReplyStatus != 0) {
        r = TransferResult::failure(
            TransferStatus::GaugeError, text,
            QStringLiteral("reset answered with status %1").arg(s.ReplyStatus));
        r.gaugeStatus = s.ReplyStatus;
    }
    if (wait == WaitResult::Done || wait == WaitResult::Garbled)
        r.reply = m_channel.lastReply();
    m_channel.journal().memoryReset(r.ok(), r.ok() ? r.detail : describeTransfer(r));
    co_return r;
}
