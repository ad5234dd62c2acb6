#include "service/MemoryReset.h"

#include "link/GaugeProtocol.h"
#include "link/GaugeSession.h"
#include "state/LogCategories.h"
#include "state/ServiceJournal.h"
#include "state/UserDialogs.h"

QString MemoryReset::question()
{
    return QStringLiteral("Wollen Sie das Gerät wirklich resetten?");
}

QString MemoryReset::command()
{
    return QStringLiteral("$fsf") + GaugeProtocol::kTerminator;
}

QString MemoryReset::linkDroppedDetail()
{
    return QStringLiteral("the gauge dropped the link: resetting");
}

QCoro::Task<DeviceOutcome> MemoryReset::run(UserDialogs& dialogs, const CancelToken* cancel,
                                            int timeoutMs)
{
    if (!dialogs.askYesNo(question(), false))
        co_return DeviceOutcome::failed(DeviceFailure::Declined, DeviceStep::Reset, QString(),
                                        QStringLiteral("the user said No"));
    co_return co_await send(cancel, timeoutMs);
}

QCoro::Task<DeviceOutcome> MemoryReset::send(const CancelToken* cancel, int timeoutMs)
{
    const QString text = command();
    if (!m_session.isOpen())
        co_return DeviceOutcome::failed(DeviceFailure::NotConnected, DeviceStep::Reset, text,
                                        QStringLiteral("no gauge connected"));
    ReplyExpectation resetReply{QStringLiteral("$fsf"), {}, cancel, timeoutMs};
    const Reply reply = co_await m_session.channel().ask(text, std::move(resetReply));
    qCInfo(zvService) << "memory reset:" << waitResultName(reply.wait);
    DeviceOutcome r = DeviceOutcome::fromWait(reply.wait, DeviceStep::Reset, text);
    // Only a gauge that has taken the command (its write acknowledged) is resetting when the
    // link drops; a drop before that is a lost link, whatever became of the command.
    if (reply.wait == WaitResult::LinkLost && reply.acknowledged) {
        r = DeviceOutcome::success(DeviceStep::Reset);
        r.detail = linkDroppedDetail();
    } else if (const int status = reply.reply.status.value_or(0);
               reply.wait == WaitResult::Done && status != 0) {
        r = DeviceOutcome::failed(DeviceFailure::GaugeError, DeviceStep::Reset, text,
                                  QStringLiteral("reset answered with status %1").arg(status));
        r.gaugeStatus = status;
    }
    r.reply = reply.reply.text;
    m_session.journal().memoryReset(r.ok(), r.ok() ? r.detail : describeOutcome(r));
    co_return r;
}
