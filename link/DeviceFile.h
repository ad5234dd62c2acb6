#pragma once

#include "link/DeviceOutcome.h"

#include <QByteArray>
#include <QCoroTask>
#include <QString>
#include <functional>

class CancelToken;
class CommandChannel;
struct GaugeReply;
struct Reply;

// One file on the gauge and the commands that move it: open for reading "$fr?", read in blocks
// of 32 bytes "$rd?", remove "$rm?", create for writing "$fw?", write in chunks of 32 bytes
// "$wr?" and close "$fc?". It keeps the handle its own open or create returned, takes every
// value from the reply to its own command, and has one rule after a failure: close while the
// link is up, else report the file as possibly left open. Every step is a coroutine whose wait
// is bounded and ends on link loss and cancel.
class DeviceFile
{
public:
    static constexpr int kBlockBytes = 32;
    static constexpr int kMaxReadBytes = 65536; // a longer announced length is a garbled open
    static constexpr int kStatusListingMatch = 20;

    explicit DeviceFile(CommandChannel& channel, const CancelToken* cancel = nullptr,
                        int timeoutMs = -1);

    int handle() const { return m_handle; }
    int length() const { return m_length; } // as announced by the open

    // "$fr?name!": a usable handle and length, or a failure (missingFile when the gauge has no
    // such file or it is empty; a handle it gave is closed again).
    QCoro::Task<DeviceOutcome> open(QString name);
    // "$rd?" per 32 bytes of the announced length; the file's hex text, or the failure. Every
    // block but the last must carry exactly the bytes asked for (else a garbled reply); data
    // beyond the announced length (padding of the last block) are dropped at the end.
    QCoro::Task<DeviceResult<QString>> readBlocks();
    // open, readBlocks, close; data shorter than announced are refused.
    QCoro::Task<DeviceResult<QString>> readFile(QString name);

    // "$rm?name!" CR LF; ok with gaugeStatus 20 when the gauge answered with a listing match.
    QCoro::Task<DeviceOutcome> remove(QString name);
    // "$fw?bytes name!": ok only with a handle and status 0; a refused create that still gave a
    // handle closes it. Not sent after a cancel; once sent, deaf to the token like the close,
    // so that a cancelled write still gets the handle to close the new file with.
    QCoro::Task<DeviceOutcome> create(QString name, qint64 bytes);
    // "$wr?handle offset count hex!" for the hex text of one chunk (at most 32 bytes).
    QCoro::Task<DeviceOutcome> write(qint64 byteOffset, QByteArray hex);
    // "$fc?handle!", deaf to the cancel token; ok only when the gauge answered status 0.
    QCoro::Task<DeviceOutcome> close();
    // After failure of a step on the open file: one close unless the link is gone. The failure
    // comes back, marked fileLeftOpen unless the close went through.
    QCoro::Task<DeviceOutcome> closeAfter(DeviceOutcome failure);

    static QString readCommand(int handle, int count);
    static QString createCommand(qint64 bytes, const QString& name);
    static QString writeCommand(int handle, qint64 byteOffset, int count, const QByteArray& hex);
    static QString closeCommand(int handle);

private:
    // Sends command and waits for the reply with keyword (or one that alsoDone accepts).
    QCoro::Task<Reply> exchange(QString command, QString keyword, bool cancellable,
                                std::function<bool(const GaugeReply&)> alsoDone = {});
    static DeviceOutcome refusal(DeviceStep step, const QString& command, const QString& detail,
                                 const Reply& reply);
    static DeviceOutcome waitFailure(const Reply& reply, DeviceStep step, const QString& command);

    CommandChannel& m_channel;
    const CancelToken* m_cancel;
    int m_timeoutMs;
    int m_handle = 0;
    int m_length = 0;
};
