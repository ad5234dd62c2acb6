#pragma once

#include "link/BLEClient.h"
#include "link/ReplyDispatcher.h"
#include "link/ReplyWait.h"

#include <QCoroTask>
#include <QDateTime>
#include <QObject>
#include <QPointer>

class ServiceJournal;
class UserDialogs;

// The command channel to the gauge: a command in CommandText goes out with a write with response,
// the write response triggers the read-back of the command characteristic, and the value read is
// the gauge's reply, parsed by the one dispatcher into the shared state.
class CommandChannel : public QObject
{
    Q_OBJECT
public:
    explicit CommandChannel(QObject* parent = nullptr);

    void setClient(BLEClient* client);
    BLEClient* client() const { return m_client; }

    // Where the sequences report what they did to the gauge (the service history); the channel
    // does not own it. Without one, journal() is a journal that records nothing.
    void setJournal(ServiceJournal* journal) { m_journal = journal; }
    ServiceJournal& journal() const;

    // Writes CommandText to the command characteristic. A failing write shows the error report
    // (number, source, description and the log file) and returns the failure.
    BleResult WriteNaxo(UserDialogs& dialogs);
    // The same without any message: for sequences that report failures themselves.
    BleResult send(const QString& command);
    // Writes CommandText without response: no read-back, no reply.
    BleResult PostNaxo();

    // Sends command and waits for what expect names (the reply's keyword, a condition on the
    // shared state, or both); bounded, ends on link loss and cancel. A write that fails, or a
    // token cancelled before, ends it at once without a wait (LinkLost, Cancelled). The channel
    // matches replies to commands only by their keyword and their effect on the shared state, so
    // without the keyword a late reply to another window's command could end the wait.
    QCoro::Task<WaitResult> ask(QString command, ReplyExpectation expect);
    // The wait alone, for a command already sent.
    ReplyWait reply(ReplyExpectation expect) { return ReplyWait(*this, std::move(expect)); }
    // The last value read back from the command characteristic, as text.
    QString lastReply() const { return m_lastReply; }

    // Ready-made operations on the link.
    BleResult ReadBattery();
    BleResult ReadTime();
    BleResult WriteTime();
    BleResult PostTrace();
    BleResult SubTrace();
    BleResult UnsubTrace();
    // LinkLost at once when no gauge is connected (connectRequested() is emitted then).
    QCoro::Task<WaitResult> FactoryMode(qint16 status);

    // "YYYY-MM-DD/hh:mm:ss" for a local date and time.
    static QString timeTextFor(const QDateTime& localTime);
    // "<number>   <source>\r<description>   <log file>"
    static QString errorReport(int number, const QString& source, const QString& description);

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
    void replyHandled(DispatchResult result);
    void identityChanged();
    // The link dropped; what was read from the gauge has been forgotten (forgetGaugeData).
    void linkLost();
    void connectRequested();

private:
    BleResult writeCommandText();
    QPointer<BLEClient> m_client;
    ServiceJournal* m_journal = nullptr;
    QString m_lastReply;
};
