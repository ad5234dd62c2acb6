#pragma once

#include "link/CommandChannel.h"
#include "state/SharedState.h"

#include <QMap>
#include <QObject>
#include <QString>
#include <optional>

class ServiceJournal;

// A record file ("probe" or "factory") as read from the gauge: its hex text and its fields.
struct GaugeRecord {
    QString hex;
    DeviceRecordValues values;
};

// One connection to one gauge and what belongs to it: the gauge's address, the command channel
// over this connection's characteristics, what was read from the gauge in it (its identity, its
// record files), whether a device sequence owns the channel, and the history visit it reports
// to. The link makes one when a connection is ready and ends it when the link goes down; nothing
// read in it carries over to the next connection. Sessions of different gauges (each with its own
// client) can exist side by side.
//
// Sequences hold the session (shared) while they run; a session that has ended answers every
// request at once with LinkLost.
class GaugeSession : public QObject
{
    Q_OBJECT
public:
    // variables: the shared reply variables the channel fills; journal: where the visit is
    // reported (may be null: nothing is recorded).
    GaugeSession(BLEClient* client, const QString& address, ChannelIds ids, SharedState& variables,
                 ServiceJournal* journal = nullptr, QObject* parent = nullptr);
    ~GaugeSession() override;

    QString address() const { return m_address; }
    CommandChannel& channel() { return m_channel; }
    ServiceJournal& journal() const;

    // Connected: the link is up. end() is called once it goes down (also by the session itself
    // when its client reports the disconnection).
    bool isOpen() const { return m_channel.isOpen(); }
    void end();

    // What was read in this connection.
    const std::optional<IdentityFields>& identity() const { return m_identity; }
    void storeIdentity(const IdentityFields& identity);
    std::optional<GaugeRecord> record(const QString& file) const;
    void storeRecord(const QString& file, const GaugeRecord& record);

    // One device sequence at a time: the busy mark lasts as long as a Busy object.
    bool isBusy() const { return m_busyDepth > 0; }
    class Busy
    {
    public:
        explicit Busy(GaugeSession& session);
        ~Busy();
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;

    private:
        GaugeSession& m_session;
    };

signals:
    void ended();
    void identityChanged();
    void recordChanged(const QString& file);
    void busyChanged(bool busy);

private:
    QString m_address;
    CommandChannel m_channel;
    ServiceJournal* m_journal;
    std::optional<IdentityFields> m_identity;
    QMap<QString, GaugeRecord> m_records;
    int m_busyDepth = 0;
    bool m_ended = false;
};
