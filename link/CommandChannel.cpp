#include "link/CommandChannel.h"

#include "link/CancelToken.h"
#include "link/GaugeProtocol.h"
#include "state/LogCategories.h"
#include "state/ServiceLog.h"
#include "state/SharedState.h"
#include "state/UserDialogs.h"

CommandChannel::CommandChannel(BLEClient* client, ChannelIds ids, SharedState& variables,
                               QObject* parent)
    : QObject(parent), m_client(client), m_ids(std::move(ids)), m_variables(variables)
{
    m_limit.setSingleShot(true);
    m_limit.setTimerType(Qt::PreciseTimer); // a limit must not end early
    connect(&m_limit, &QTimer::timeout, this, [this] {
        if (m_current)
            end(m_current, WaitResult::TimedOut);
    });
    if (!client) {
        m_open = false;
        return;
    }
    connect(client, &BLEClient::WriteResponse, this, &CommandChannel::BLEClient1_WriteResponse);
    connect(client, &BLEClient::Value, this, &CommandChannel::BLEClient1_Value);
    connect(client, &BLEClient::Subscribed, this, &CommandChannel::BLEClient1_Subscribed);
    connect(client, &BLEClient::Unsubscribed, this, &CommandChannel::BLEClient1_Unsubscribed);
}

CommandChannel::~CommandChannel()
{
    close();
}

void CommandChannel::close()
{
    const bool wasOpen = std::exchange(m_open, false);
    while (m_current || !m_queue.isEmpty())
        end(m_current ? m_current : m_queue.first(), WaitResult::LinkLost);
    if (wasOpen)
        emit closed();
}

BleResult CommandChannel::writeCommand(const QString& command)
{
    if (!m_client || !m_open)
        return BleResult::failure(BleNotConnected, QStringLiteral("no gauge connected"));
    m_variables.CommandText = command;
    emit commandSent(command);
    const BleResult r =
        m_client->WriteValue(m_ids.service, m_ids.command, QString(), command.toLatin1());
    if (!r.ok())
        qCWarning(zvLink) << "write failed:" << r.code << r.description;
    return r;
}

BleResult CommandChannel::send(const QString& command)
{
    return writeCommand(command);
}

void CommandChannel::enqueue(ChannelRequest* request)
{
    watchCancel(request->m_expectation.cancel);
    m_queue.append(request);
    if (!m_current)
        startNext();
}

void CommandChannel::withdraw(ChannelRequest* request)
{
    if (m_current == request) {
        m_current = nullptr;
        m_limit.stop();
        startNext();
    }
    m_queue.removeOne(request);
}

void CommandChannel::startNext()
{
    while (!m_current && !m_queue.isEmpty()) {
        ChannelRequest* next = m_queue.takeFirst();
        if (!start(next))
            next->finish(next->m_reply.wait, nullptr);
    }
}

// Sends the request's command: false (and its result set) when it ended before its wait began.
bool CommandChannel::start(ChannelRequest* request)
{
    const CancelToken* token = request->m_expectation.cancel;
    if (token && token->isCancelled()) {
        request->m_reply.wait = WaitResult::Cancelled;
        return false;
    }
    m_current = request;
    if (!writeCommand(request->m_command).ok()) {
        m_current = nullptr;
        request->m_reply.wait = WaitResult::LinkLost;
        return false;
    }
    const int limit = request->m_expectation.timeoutMs;
    // The write may have ended the request already (a reply delivered within it).
    if (m_current == request)
        m_limit.start(limit > 0 ? limit : replyTimeoutMs());
    return true;
}

// Ends a request, starts the next one in the queue, then resumes the ended one's sequence: so
// a sequence that sends again at once queues behind a request that was waiting already.
void CommandChannel::end(ChannelRequest* request, WaitResult wait, const GaugeReply* reply)
{
    if (m_current == request) {
        m_current = nullptr;
        m_limit.stop();
    } else {
        m_queue.removeOne(request);
    }
    startNext();
    request->finish(wait, reply);
}

// A sequence's token is connected once, when its first request is queued; the connection goes
// with the token.
void CommandChannel::watchCancel(const CancelToken* token)
{
    m_watched.removeIf([](const QPointer<const CancelToken>& t) { return t.isNull(); });
    if (!token || m_watched.contains(token))
        return;
    m_watched.append(token);
    connect(token, &CancelToken::cancelled, this, &CommandChannel::onCancelled);
}

void CommandChannel::onCancelled()
{
    const auto cancelledBy = [](const ChannelRequest* r) {
        return r->m_expectation.cancel && r->m_expectation.cancel->isCancelled();
    };
    for (ChannelRequest* r : QList<ChannelRequest*>(m_queue)) {
        if (cancelledBy(r) && m_queue.contains(r))
            end(r, WaitResult::Cancelled);
    }
    if (m_current && cancelledBy(m_current))
        end(m_current, WaitResult::Cancelled);
}

BleResult CommandChannel::WriteNaxo(UserDialogs& dialogs)
{
    const BleResult r = writeCommand(m_variables.CommandText);
    if (!r.ok())
        dialogs.message(errorReport(r.code, QStringLiteral("WriteNaxo"), r.description));
    return r;
}

BleResult CommandChannel::PostNaxo()
{
    if (!m_client || !m_open)
        return BleResult::failure(BleNotConnected, QStringLiteral("no gauge connected"));
    emit commandSent(m_variables.CommandText);
    return m_client->PostValue(m_ids.service, m_ids.command, m_variables.CommandText.toLatin1());
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
    return WriteTime(timeTextFor(QDateTime::currentDateTime()));
}

BleResult CommandChannel::WriteTime(const QString& timeText)
{
    m_variables.TimeText = timeText;
    return send(QStringLiteral("$slt?") + timeText + GaugeProtocol::kTerminator);
}

BleResult CommandChannel::PostTrace()
{
    if (!m_client || !m_open)
        return BleResult::failure(BleNotConnected, QStringLiteral("no gauge connected"));
    return m_client->PostValue(m_ids.service, m_ids.trace, m_variables.CommandText.toLatin1());
}

BleResult CommandChannel::SubTrace()
{
    if (!m_client || !m_open)
        return BleResult::failure(BleNotConnected, QStringLiteral("no gauge connected"));
    return m_client->Subscribe(m_ids.service, m_ids.trace);
}

BleResult CommandChannel::UnsubTrace()
{
    if (!m_variables.TraceSubscribed || !m_client || !m_open)
        return BleResult::success();
    return m_client->Unsubscribe(m_ids.service, m_ids.trace);
}

QCoro::Task<WaitResult> CommandChannel::FactoryMode(qint16 status, const CancelToken* cancel)
{
    if (!m_open) {
        emit connectRequested();
        co_return WaitResult::LinkLost;
    }
    // The gauge's keyword for this request is not known; the status number goes out alone.
    ReplyExpectation done{{}, [](const GaugeReply& r) { return r.status == 0; }, cancel};
    const Reply reply =
        co_await ask(QString::number(status) + GaugeProtocol::kTerminator, std::move(done));
    co_return reply.wait;
}

void CommandChannel::BLEClient1_WriteResponse(const QString& serviceId,
                                              const QString& characteristicId, const QString&,
                                              const QString&, const QString&)
{
    if (characteristicId != m_ids.command || serviceId != m_ids.service || !m_client || !m_open)
        return;
    if (m_current)
        m_current->m_reply.acknowledged = true;
    emit commandAcknowledged();
    const BleResult r = m_client->ReadValue(m_ids.service, m_ids.command, QString());
    if (!r.ok())
        qCWarning(zvLink) << "read-back failed:" << r.code << r.description;
}

// The reply variables are filled and every listener has heard of the reply before the waiting
// sequence resumes; the sequence then runs on from here. The client delivers its events through
// the event loop, so a command the sequence writes now cannot re-enter this handler.
void CommandChannel::BLEClient1_Value(const QString&, const QString&, const QString&,
                                      const QString&, const QString&, const QByteArray& value)
{
    m_lastReply = QString::fromLatin1(value);
    emit valueReceived(value);
    GaugeReply reply = parseReply(m_lastReply, m_variables.IdentityCommand);
    const DispatchResult result = ReplyDispatcher::apply(reply, m_variables);
    qCDebug(zvLink) << "reply" << value << "->" << int(result);
    emit replied(reply);
    WaitResult how = WaitResult::Done;
    if (m_current && m_current->endsWith(reply, how))
        end(m_current, how, &reply);
}

void CommandChannel::BLEClient1_Subscribed(const QString&, const QString&, const QString&,
                                           const QString&)
{
    m_variables.TraceSubscribed = true;
    m_variables.ReplyStatus = 0;
    emit traceSubscriptionChanged(true);
}

void CommandChannel::BLEClient1_Unsubscribed(const QString&, const QString&, const QString&,
                                             const QString&)
{
    m_variables.TraceSubscribed = false;
    m_variables.ReplyStatus = 0;
    emit traceSubscriptionChanged(false);
}
