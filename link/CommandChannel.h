#pragma once

#include "link/BLEClient.h"
#include "link/ChannelRequest.h"
#include "link/ReplyDispatcher.h"

#include <QCoroTask>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

class UserDialogs;

// The identifiers of the gauge's custom service and its characteristics, as the BLE client
// reported them in this connection's discovery.
struct ChannelIds {
    QString service;
    QString command;
    QString trace;
};

// The command channel to one connected gauge: a command goes out as a write with response, the
// write response triggers the read-back of the command characteristic, and the value read is the
// gauge's reply. Each reply is taken apart once (parseReply), stored in the shared reply
// variables (ReplyDispatcher) and handed to the request waiting for it.
//
// One request is in flight at a time: ask() queues behind the one under way. The channel owns the
// one timer that bounds a wait and its connections to the client; a request adds neither.
class CommandChannel : public QObject
{
    Q_OBJECT
public:
    CommandChannel(BLEClient* client, ChannelIds ids, SharedState& variables,
                   QObject* parent = nullptr);
    ~CommandChannel() override;

    BLEClient* client() const { return m_client; }
    const ChannelIds& ids() const { return m_ids; }
    // Discovery may report the trace characteristic after the link was ready.
    void setIds(const ChannelIds& ids) { m_ids = ids; }
    // The shared reply variables this channel fills (and CommandText, TimeText).
    SharedState& variables() const { return m_variables; }

    // The link is up: requests are sent. close() ends every request as LinkLost, at once.
    bool isOpen() const { return m_open; }
    void close();

    // Sends command and waits for what expect names; bounded, ends on link loss and cancel. A
    // write that fails, or a token cancelled before, ends it without a wait (LinkLost,
    // Cancelled). Replies are matched to commands only by their keyword or by `matches`, so a
    // late reply to an earlier command with the same keyword can end a wait.
    ChannelRequest ask(QString command, ReplyExpectation expect)
    {
        return ChannelRequest(*this, std::move(command), std::move(expect));
    }
    // Writes a command without waiting for a reply (its read-back still follows).
    BleResult send(const QString& command);
    // The last value read back from the command characteristic, as text.
    QString lastReply() const { return m_lastReply; }

    // Writes CommandText. A failing write shows the error report (number, source, description
    // and the log file) and returns the failure.
    BleResult WriteNaxo(UserDialogs& dialogs);
    // Writes CommandText without response: no read-back, no reply.
    BleResult PostNaxo();

    // Ready-made operations: each writes its command and touches no reply variable first.
    BleResult ReadBattery();
    BleResult ReadTime();
    // Sets TimeText from the computer's clock (or to timeText) and sends "$slt?" TimeText "!"
    // CR LF.
    BleResult WriteTime();
    BleResult WriteTime(const QString& timeText);
    BleResult PostTrace();
    BleResult SubTrace();
    BleResult UnsubTrace();
    // The status number and CommandTerminator, then the wait for a reply with status 0. On a
    // closed channel: connectRequested() and LinkLost, nothing sent.
    QCoro::Task<WaitResult> FactoryMode(qint16 status, const CancelToken* cancel = nullptr);

    // "YYYY-MM-DD/hh:mm:ss" for a local date and time.
    static QString timeTextFor(const QDateTime& localTime);

    // Event handlers of the BLE client.
    void BLEClient1_WriteResponse(const QString& serviceId, const QString& characteristicId,
                                  const QString& descriptorId, const QString& uuid,
                                  const QString& description);
    void BLEClient1_Value(const QString& serviceId, const QString& characteristicId,
                          const QString& descriptorId, const QString& uuid,
                          const QString& description, const QByteArray& value);
    void BLEClient1_Subscribed(const QString& serviceId, const QString& characteristicId,
                               const QString& uuid, const QString& description);
    void BLEClient1_Unsubscribed(const QString& serviceId, const QString& characteristicId,
                                 const QString& uuid, const QString& description);

signals:
    void commandSent(const QString& command);
    // The gauge acknowledged the write of a command (its write response came).
    void commandAcknowledged();
    void valueReceived(const QByteArray& value);
    // A reply has been taken apart and applied to the reply variables.
    void replied(const GaugeReply& reply);
    // The trace characteristic's subscription changed (TraceSubscribed).
    void traceSubscriptionChanged(bool subscribed);
    // The channel was closed: the link is down.
    void closed();
    void connectRequested();

private:
    friend class ChannelRequest;
    void enqueue(ChannelRequest* request);
    void withdraw(ChannelRequest* request);
    void startNext();
    bool start(ChannelRequest* request);
    void end(ChannelRequest* request, WaitResult wait, const GaugeReply* reply = nullptr);
    void watchCancel(const CancelToken* token);
    void onCancelled();
    BleResult writeCommand(const QString& command);

    QPointer<BLEClient> m_client;
    ChannelIds m_ids;
    SharedState& m_variables;
    bool m_open = true;
    ChannelRequest* m_current = nullptr;
    QList<ChannelRequest*> m_queue;
    QTimer m_limit;
    QList<QPointer<const CancelToken>> m_watched; // tokens of requests, each connected once
    QString m_lastReply;
};
