#include "link/CommandChannel.h"

#include "state/LogCategories.h"
#include "state/ServiceJournal.h"
#include "state/SharedState.h"
#include "state/UserDialogs.h"

#include <utility>

CommandChannel::CommandChannel(QObject* parent) : QObject(parent) {}

ServiceJournal& CommandChannel::journal() const
{
    static ServiceJournal nothing;
    return m_journal ? *m_journal : nothing;
}

void CommandChannel::setClient(BLEClient* client)
{
    if (m_client)
        disconnect(m_client, nullptr, this, nullptr);
    m_client = client;
    if (!client)
        return;
    connect(client, &BLEClient::WriteResponse, this, &CommandChannel::BLEClient1_WriteResponse);
    connect(client, &BLEClient::Value, this, &CommandChannel::BLEClient1_Value);
    connect(client, &BLEClient::Subscribed, this, &CommandChannel::BLEClient1_Subscribed);
    connect(client, &BLEClient::Unsubscribed, this, &CommandChannel::BLEClient1_Unsubscribed);
    connect(client, &BLEClient::Disconnected, this, [this] {
        forgetGaugeData(sharedState());
        emit linkLost();
    });
}

QString CommandChannel::errorReport(int number, const QString& source, const QString& description)
{
    return QString::number(number) + QStringLiteral("   ") + source + QLatin1Char('\r') +
           description + QStringLiteral("   ") + sharedState().LogFilePath;
}

BleResult CommandChannel::writeCommandText()
{
    const SharedState& s = sharedState();
    if (!m_client)
        return BleResult::failure(BleNotConnected, QStringLiteral("no Bluetooth client"));
    emit commandSent(s.CommandText);
    const BleResult r =
        m_client->WriteValue(s.ServiceId, s.CommandCharId, QString(), s.CommandText.toLatin1());
    if (!r.ok())
        qCWarning(zvLink) << "write failed:" << r.code << r.description;
    return r;
}

BleResult CommandChannel::WriteNaxo(UserDialogs& dialogs)
{
    const BleResult r = writeCommandText();
    if (!r.ok())
        dialogs.message(errorReport(r.code, QStringLiteral("WriteNaxo"), r.description));
    return r;
}

BleResult CommandChannel::send(const QString& command)
{
    sharedState().CommandText = command;
    return writeCommandText();
}

BleResult CommandChannel::PostNaxo()
{
    const SharedState& s = sharedState();
    if (!m_client)
        return BleResult::failure(BleNotConnected, QStringLiteral("no Bluetooth client"));
    emit commandSent(s.CommandText);
    return m_client->PostValue(s.ServiceId, s.CommandCharId, s.CommandText.toLatin1());
}

QCoro::Task<WaitResult> CommandChannel::ask(QString command, ReplyExpectation expect)
{
    if (expect.cancel && expect.cancel->isCancelled())
        co_return WaitResult::Cancelled;
    if (!send(command).ok())
        co_return WaitResult::LinkLost;
    co_return co_await ReplyWait(*this, std::move(expect));
}

BleResult CommandChannel::ReadBattery()
{
    return send(QStringLiteral("$gcv!"));
}

BleResult CommandChannel::ReadTime()
{
    return send(QStringLiteral("$glt!"));
}

QString CommandChannel::timeTextFor(const QDateTime& localTime)
{
    // Taken as DD.MM.YYYY hh:mm:ss and rearranged as year-month-day/hour:minute:second.
    return localTime.toString(QStringLiteral("yyyy-MM-dd/HH:mm:ss"));
}

BleResult CommandChannel::WriteTime()
{
    SharedState& s = sharedState();
    s.TimeText = timeTextFor(QDateTime::currentDateTime());
    return send(QStringLiteral("$slt?") + s.TimeText + s.CommandTerminator);
}

BleResult CommandChannel::PostTrace()
{
    const SharedState& s = sharedState();
    if (!m_client)
        return BleResult::failure(BleNotConnected, QStringLiteral("no Bluetooth client"));
    return m_client->PostValue(s.ServiceId, s.TraceCharId, s.CommandText.toLatin1());
}

BleResult CommandChannel::SubTrace()
{
    const SharedState& s = sharedState();
    if (!m_client)
        return BleResult::failure(BleNotConnected, QStringLiteral("no Bluetooth client"));
    return m_client->Subscribe(s.ServiceId, s.TraceCharId);
}

BleResult CommandChannel::UnsubTrace()
{
    const SharedState& s = sharedState();
    if (!s.TraceSubscribed || !m_client)
        return BleResult::success();
    return m_client->Unsubscribe(s.ServiceId, s.TraceCharId);
}

QCoro::Task<WaitResult> CommandChannel::FactoryMode(qint16 status)
{
    SharedState& s = sharedState();
    if (!s.DeviceConnected) {
        emit connectRequested();
        co_return WaitResult::LinkLost;
    }
    s.ReplyStatus = 55;
    // The gauge's keyword for this request is not known; the status number goes out alone.
    ReplyExpectation done{{}, [] { return sharedState().ReplyStatus == 0; }};
    co_return co_await ask(QString::number(status) + s.CommandTerminator, std::move(done));
}

void CommandChannel::BLEClient1_WriteResponse(const QString& serviceId,
                                              const QString& characteristicId, const QString&,
                                              const QString&, const QString&)
{
    const SharedState& s = sharedState();
    if (characteristicId != s.CommandCharId || serviceId != s.ServiceId || !m_client)
        return;
    emit commandAcknowledged();
    const BleResult r = m_client->ReadValue(s.ServiceId, s.CommandCharId, QString());
    if (!r.ok())
        qCWarning(zvLink) << "read-back failed:" << r.code << r.description;
}

void CommandChannel::BLEClient1_Value(const QString&, const QString&, const QString&,
                                      const QString&, const QString&, const QByteArray& value)
{
    m_lastReply = QString::fromLatin1(value);
    emit valueReceived(value);
    const DispatchResult result = ReplyDispatcher::dispatch(m_lastReply, sharedState());
    qCDebug(zvLink) << "reply" << value << "->" << int(result);
    if (result == DispatchResult::Identity)
        emit identityChanged();
    if (result == DispatchResult::Applied && value.startsWith("$gcv?"))
        journal().batteryRead(sharedState().BatteryLevel);
    emit replyHandled(result);
}

void CommandChannel::BLEClient1_Subscribed(const QString&, const QString&, const QString&,
                                           const QString&)
{
    sharedState().TraceSubscribed = true;
    sharedState().ReplyStatus = 0;
    emit replyHandled(DispatchResult::Applied);
}

void CommandChannel::BLEClient1_Unsubscribed(const QString&, const QString&, const QString&,
                                             const QString&)
{
    sharedState().TraceSubscribed = false;
    sharedState().ReplyStatus = 0;
    emit replyHandled(DispatchResult::Applied);
}
