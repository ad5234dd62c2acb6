#include "link/DeviceFile.h"

#include "link/CommandChannel.h"
#include "state/LogCategories.h"
#include "state/ServiceLog.h"
#include "state/SharedState.h"

namespace
{
constexpr qint16 kPending = 55;
// Set before an open so that the open reply, whatever it carries, is seen to have come.
constexpr qint16 kNoHandleYet = -1;
} // namespace

DeviceFile::DeviceFile(CommandChannel& channel, const CancelToken* cancel, int timeoutMs)
    : m_channel(channel), m_cancel(cancel), m_timeoutMs(timeoutMs)
{
}

QString DeviceFile::readCommand(int handle, int count)
{
    return QStringLiteral("$rd?%1 %2!").arg(handle).arg(count);
}

QString DeviceFile::createCommand(qint64 bytes, const QString& name)
{
    return QStringLiteral("$fw?") + QString::number(bytes) + QLatin1Char(' ') + name +
           QLatin1Char('!');
}

QString DeviceFile::writeCommand(int handle, qint64 byteOffset, int count, const QByteArray& hex)
{
    return QStringLiteral("$wr?") + QString::number(handle) + QLatin1Char(' ') +
           QString::number(byteOffset) + QLatin1Char(' ') + QString::number(count) +
           QLatin1Char(' ') + QLatin1String(hex) + QLatin1Char('!');
}

QString DeviceFile::closeCommand(int handle)
{
    return QStringLiteral("$fc?") + QString::number(handle) + QLatin1Char('!');
}

QCoro::Task<TransferResult> DeviceFile::exchange(QString command, QString keyword, bool cancellable,
                                                 std::function<bool()> alsoDone)
{
    ReplyExpectation expect{keyword, std::move(alsoDone), cancellable ? m_cancel : nullptr,
                            m_timeoutMs};
    const WaitResult w = co_await m_channel.ask(command, std::move(expect));
    TransferResult r = TransferResult::fromWait(w, command);
    if (w == WaitResult::Done || w == WaitResult::Garbled)
        r.reply = m_channel.lastReply();
    if (!r.ok())
        qCInfo(zvLink) << "file command" << command.left(24) << "ended:" << waitResultName(w);
    co_return r;
}

TransferResult DeviceFile::refusal(const QString& command, const QString& detail, int status) const
{
    TransferResult r = TransferResult::failure(TransferStatus::GaugeError, command, detail);
    r.gaugeStatus = status;
    r.reply = m_channel.lastReply();
    return r;
}

QCoro::Task<TransferResult> DeviceFile::open(QString name)
{
    SharedState& s = sharedState();
    s.FileLength = 0;
    s.FileHandle = kNoHandleYet;
    const QString command = QStringLiteral("$fr?") + name + QLatin1Char('!');
    if (TransferResult r = co_await exchange(command, QStringLiteral("$fr"), true); !r.ok())
        co_return r;
    m_handle = s.FileHandle;
    m_length = s.FileLength;
    if (m_handle > 0 && m_length > 0 && m_length <= kMaxReadBytes)
        co_return TransferResult::success();
    TransferResult r = refusal(command,
                               QStringLiteral("the gauge opened no data (handle %1, length %2)")
                                   .arg(m_handle)
                                   .arg(m_length),
                               0);
    if (m_handle > 0)
        r = co_await closeAfter(r);
    r.missingFile = (m_handle <= 0 || m_length == 0) && !r.fileLeftOpen;
    co_return r;
}

QCoro::Task<TransferResult> DeviceFile::readBlocks(QString& hex)
{
    SharedState& s = sharedState();
    for (int remaining = m_length; remaining > 0; remaining -= kBlockBytes) {
        s.ReplyStatus = kPending;
        s.ReplyData.clear();
        const int asked = qMin(remaining, kBlockBytes);
        const QString command = readCommand(m_handle, asked);
        if (TransferResult r = co_await exchange(command, QStringLiteral("$rd"), true); !r.ok())
            co_return r;
        // A reply for another handle would mix another file's bytes into this one.
        if (s.FileHandle != m_handle)
            co_return refusal(command, QStringLiteral("read reply for handle %1").arg(s.FileHandle),
                              0);
        // A block before the last that carries more or fewer bytes than asked for would move
        // every later byte to another field: a garbled reply. Only the last block may differ (a
        // gauge may pad it; a short one is refused by readFile).
        if (remaining > kBlockBytes && s.ReplyData.size() != 2 * asked) {
            TransferResult r = refusal(command,
                                       QStringLiteral("garbled reply: %1 bytes in a block of %2")
                                           .arg(s.ReplyData.size() / 2)
                                           .arg(asked),
                                       0);
            r.garbled = true;
            co_return r;
        }
        hex += s.ReplyData;
    }
    const qsizetype announced = qsizetype(2) * m_length;
    if (hex.size() > announced) {
        AppendServiceLog(QStringLiteral("Lesen: %1 bytes beyond the announced length %2 dropped")
                             .arg((hex.size() - announced) / 2)
                             .arg(m_length));
        hex.truncate(announced);
    }
    co_return TransferResult::success();
}

QCoro::Task<TransferResult> DeviceFile::readFile(QString name, QString& hex)
{
    hex.clear();
    if (!sharedState().DeviceConnected)
        co_return TransferResult::failure(TransferStatus::NotConnected, QString(),
                                          QStringLiteral("no gauge connected"));
    if (TransferResult r = co_await open(name); !r.ok())
        co_return r;
    QString content;
    TransferResult r = co_await readBlocks(content);
    // A copy that lacks bytes would pass for the whole file.
    if (r.ok() && content.size() < 2 * m_length)
        r = refusal(readCommand(m_handle, kBlockBytes),
                    QStringLiteral("%1 of %2 bytes read").arg(content.size() / 2).arg(m_length), 0);
    if (!r.ok())
        co_return co_await closeAfter(r);
    if (TransferResult closed = co_await close(); !closed.ok())
        co_return closed;
    hex = content;
    co_return TransferResult::success();
}

QCoro::Task<TransferResult> DeviceFile::remove(QString name)
{
    SharedState& s = sharedState();
    s.ReplyStatus = kPending;
    s.ReplyData.clear();
    const QString command = QStringLiteral("$rm?") + name + s.CommandTerminator;
    // A listing match (status 20) that another reply brings in ends the wait as well; any other
    // reply's status does not, so only the gauge's answer to this remove counts as done.
    std::function<bool()> listingMatch = [] {
        return sharedState().ReplyStatus == kStatusListingMatch;
    };
    TransferResult r =
        co_await exchange(command, QStringLiteral("$rm"), true, std::move(listingMatch));
    if (!r.ok())
        co_return r;
    if (s.ReplyStatus == kStatusListingMatch)
        r.gaugeStatus = kStatusListingMatch;
    else if (s.ReplyStatus != 0)
        r = refusal(command, QStringLiteral("remove answered with status %1").arg(s.ReplyStatus),
                    s.ReplyStatus);
    co_return r;
}

QCoro::Task<TransferResult> DeviceFile::create(QString name, qint64 bytes)
{
    SharedState& s = sharedState();
    s.FileHandle = 0;
    s.ReplyData.clear();
    s.ReplyStatus = kPending;
    const QString command = createCommand(bytes, name);
    if (m_cancel && m_cancel->isCancelled())
        co_return TransferResult::fromWait(WaitResult::Cancelled, command);
    // Once sent, the create is awaited whatever the token says: its reply brings the handle
    // that the close after a cancel needs.
    if (TransferResult r = co_await exchange(command, QStringLiteral("$fw"), false); !r.ok())
        co_return r;
    m_handle = s.FileHandle;
    if (m_handle > 0 && s.ReplyStatus == 0)
        co_return TransferResult::success();
    TransferResult r =
        refusal(command,
                QStringLiteral("create gave handle %1, status %2").arg(m_handle).arg(s.ReplyStatus),
                s.ReplyStatus);
    if (m_handle > 0) // a refused create that still opened a file
        r = co_await closeAfter(r);
    co_return r;
}

QCoro::Task<TransferResult> DeviceFile::write(qint64 byteOffset, QByteArray hex)
{
    sharedState().ReplyStatus = kPending;
    const QString command = writeCommand(m_handle, byteOffset, int(hex.size() / 2), hex);
    if (TransferResult r = co_await exchange(command, QStringLiteral("$wr"), true); !r.ok())
        co_return r;
    const qint16 status = sharedState().ReplyStatus;
    if (status != 0)
        co_return refusal(
            command,
            QStringLiteral("write at byte %1 answered with status %2").arg(byteOffset).arg(status),
            status);
    co_return TransferResult::success();
}

QCoro::Task<TransferResult> DeviceFile::close()
{
    sharedState().ReplyStatus = kPending;
    const QString command = closeCommand(m_handle);
    TransferResult r = co_await exchange(command, QStringLiteral("$fc"), false);
    const qint16 status = sharedState().ReplyStatus;
    if (r.ok() && status != 0)
        r = refusal(command, QStringLiteral("close answered with status %1").arg(status), status);
    r.fileLeftOpen = !r.ok();
    co_return r;
}

QCoro::Task<TransferResult> DeviceFile::closeAfter(TransferResult failure)
{
    if (failure.status == TransferStatus::LinkLost || !sharedState().DeviceConnected) {
        failure.fileLeftOpen = true;
        co_return failure;
    }
    const TransferResult closed = co_await close();
    failure.fileLeftOpen = closed.fileLeftOpen;
    qCInfo(zvLink) << "file" << m_handle << "closed after a failure:" << closed.ok() << "-"
                   << describeTransfer(failure);
    co_return failure;
}
