#include "link/GaugeSession.h"

#include "state/LogCategories.h"
#include "state/ServiceJournal.h"

GaugeSession::GaugeSession(BLEClient* client, const QString& address, ChannelIds ids,
                           SharedState& variables, ServiceJournal* visits, QObject* parent)
    : QObject(parent), m_address(address), m_channel(client, std::move(ids), variables),
      m_journal(visits)
{
    if (client)
        connect(client, &BLEClient::Disconnected, this, &GaugeSession::end);
    connect(&m_channel, &CommandChannel::replied, this, [this](const GaugeReply& reply) {
        if (reply.battery)
            journal().batteryRead(*reply.battery);
    });
    journal().visitStarted(address);
}

GaugeSession::~GaugeSession()
{
    end();
}

ServiceJournal& GaugeSession::journal() const
{
    static ServiceJournal nothing;
    return m_journal ? *m_journal : nothing;
}

void GaugeSession::end()
{
    if (std::exchange(m_ended, true))
        return;
    qCInfo(zvLink) << "session of" << m_address << "ended";
    m_channel.close();
    journal().visitEnded();
    emit ended();
}

void GaugeSession::storeIdentity(const IdentityFields& identity)
{
    m_identity = identity;
    emit identityChanged();
}

std::optional<GaugeRecord> GaugeSession::record(const QString& file) const
{
    const auto it = m_records.constFind(file);
    return it == m_records.cend() ? std::nullopt : std::optional<GaugeRecord>(*it);
}

void GaugeSession::storeRecord(const QString& file, const GaugeRecord& record)
{
    m_records.insert(file, record);
    emit recordChanged(file);
}

GaugeSession::Busy::Busy(GaugeSession& session) : m_session(session)
{
    if (++m_session.m_busyDepth == 1)
        emit m_session.busyChanged(true);
}

GaugeSession::Busy::~Busy()
{
    if (--m_session.m_busyDepth == 0)
        emit m_session.busyChanged(false);
}
