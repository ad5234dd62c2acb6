#pragma once

#include "link/BLEClient.h"
#include "link/ReplyDispatcher.h"
#include "link/ReplyWait.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>

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

    // Writes CommandText to the command characteristic. A failing write shows the error report
    // (number, source, description and the log file) and returns the failure.
    BleResult WriteNaxo();
    // The same without any message: for sequences that report failures themselves.
    BleResult send(const QString& command);
    // Writes CommandText without response: no read-back, no reply.
    BleResult PostNaxo();

    // Sends a command and waits until condition holds (bounded, ends on link loss or cancel).
    // A write that fails returns LinkLost.
    WaitResult request(const QString& command, const std::function<bool()>& condition,
                       const CancelToken* cancel = nullptr, int timeoutMs = -1);

    // Waits until a reply with exactly the keyword replyKeyword ("$fc", "$wr", "$fsf"; a trailing
    // "?" is ignored) has been dispatched, or alsoDone holds; bounded like every wait. The channel
    // matches replies to commands only by their effect on the shared state, so without the keyword
    // a late reply to another window's command could end the wait. A reply with the keyword that
    // the dispatcher could not take apart ends the wait as Garbled. Replies always arrive through
    // the event loop, so arming the wait right after the send cannot miss one.
    WaitResult waitForReply(const QByteArray& replyKeyword,
                            const std::function<bool()>& alsoDone = {},
                            const CancelToken* cancel = nullptr, int timeoutMs = -1);
    // send() and waitForReply(); a write that fails returns LinkLost.
    WaitResult requestReply(const QString& command, const QByteArray& replyKeyword,
                            const std::function<bool()>& alsoDone = {},
                            const CancelToken* cancel = nullptr, int timeoutMs = -1);

    // Ready-made operations on the link.
    BleResult ReadBattery();
    BleResult ReadTime();
    BleResult WriteTime();
    BleResult PostTrace();
    BleResult SubTrace();
    BleResult UnsubTrace();
    // Returns false when no gauge is connected (connectRequested() is emitted then).
    WaitResult FactoryMode(qint16 status);

    // "YYYY-MM-DD/hh:mm:ss" for a local date and time.
    static QString timeTextFor(const QDateTime& localTime);
    // "<number>   <source>\r<description>   <log file>"
    // The keyword a reply starts with: its text up to the first "?", blank or "!".
    static QStringView replyKeyword(QStringView reply);
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
    void valueReceived(const QByteArray& value);
    void replyHandled(DispatchResult result);
    void identityChanged();
    void linkLost();
    void connectRequested();

private:
    BleResult writeCommandText();
    QPointer<BLEClient> m_client;
};
