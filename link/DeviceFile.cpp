#include "link/DeviceFile.h"

#include "link/CancelToken.h"
#include "link/CommandChannel.h"
#include "link/GaugeProtocol.h"
#include "state/LogCategories.h"
#include "state/ServiceLog.h"

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

QCoro::Task<Reply> DeviceFile::exchange(QString command, QString keyword, bool cancellable,
                                        std::function<bool(const GaugeReply&)> alsoDone)
{
    ReplyExpectation expect{keyword, std::move(alsoDone), cancellable ? m_cancel : nullptr,
                            m_timeoutMs};
    Reply reply = co_await m_channel.ask(command, std::move(expect));
    if (reply.wait != WaitResult::Done)
        qCInfo(zvLink) << "file command" << command.left(24)
                       << "ended:" << waitResultName(reply.wait);
    co_return reply;
}

DeviceOutcome DeviceFile::waitFailure(const Reply& reply, DeviceStep step, const QString& command)
{
    DeviceOutcome o = DeviceOutcome::fromWait(reply.wait, step, command);
    o.reply = reply.reply.text;
    return o;
}

DeviceOutcome DeviceFile::refusal(DeviceStep step, const QString& command, const QString& detail,
                                  const Reply& reply)
{
    DeviceOutcome o = DeviceOutcome::failed(DeviceFailure::GaugeError, step, command, detail);
    o.gaugeStatus = reply.reply.status.value_or(0);
    o.reply = reply.reply.text;
    return o;
}

QCoro::Task<DeviceOutcome> DeviceFile::open(QString name)
{
    const QString command = QStringLiteral("$fr?") + name + QLatin1Char('!');
    const Reply reply = co_await exchange(command, QStringLiteral("$fr"), true);
    if (reply.wait != WaitResult::Done)
        co_return waitFailure(reply, DeviceStep::Open, command);
    m_handle = reply.reply.handle.value_or(0);
    m_length = reply.reply.length.value_or(0);
    if (m_handle > 0 && m_length > 0 && m_length <= kMaxReadBytes)
        co_return DeviceOutcome::success(DeviceStep::Open);
    DeviceOutcome r = refusal(DeviceStep::Open, command,
                              QStringLiteral("the gauge opened no data (handle %1, length %2)")
                                  .arg(m_handle)
                                  .arg(m_length),
                              reply);
    r.gaugeStatus = 0;
    if (m_handle > 0)
        r = co_await closeAfter(r);
    r.missingFile = (m_handle <= 0 || m_length == 0) && !r.fileLeftOpen;
    co_return r;
}

QCoro::Task<DeviceResult<QString>> DeviceFile::readBlocks()
{
    QString hex;
    for (int remaining = m_length; remaining > 0; remaining -= kBlockBytes) {
        const int asked = qMin(remaining, kBlockBytes);
        const QString command = readCommand(m_handle, asked);
        const Reply reply = co_await exchange(command, QStringLiteral("$rd"), true);
        if (reply.wait != WaitResult::Done)
            co_return{waitFailure(reply, DeviceStep::Read, command), std::nullopt};
        const int handle = reply.reply.handle.value_or(0);
        const QString data = reply.reply.data.value_or(QString());
        // A reply for another handle would mix another file's bytes into this one.
        if (handle != m_handle)
            co_return{refusal(DeviceStep::Read, command,
                              QStringLiteral("read reply for handle %1").arg(handle), reply),
                      std::nullopt};
        // A block before the last that carries more or fewer bytes than asked for would move
        // every later byte to another field: a garbled reply. Only the last block may differ (a
        // gauge may pad it; a short one is refused by readFile).
        if (remaining > kBlockBytes && data.size() != 2 * asked) {
            DeviceOutcome r = refusal(DeviceStep::Read, command,
                                      QStringLiteral("garbled reply: %1 bytes in a block of %2")
                                          .arg(data.size() / 2)
                                          .arg(asked),
                                      reply);
            r.failure = DeviceFailure::Garbled;
            r.gaugeStatus = 0;
            co_return{r, std::nullopt};
        }
        hex += data;
    }
    const qsizetype announced = qsizetype(2) * m_length;
    if (hex.size() > announced) {
        AppendServiceLog(QStringLiteral("Lesen: %1 bytes beyond the announced length %2 dropped")
                             .arg((hex.size() - announced) / 2)
                             .arg(m_length));
        hex.truncate(announced);
    }
    co_return{DeviceOutcome::success(DeviceStep::Read), hex};
}

QCoro::Task<DeviceResult<QString>> DeviceFile::readFile(QString name)
{
    if (!m_channel.isOpen())
        co_return{DeviceOutcome::failed(DeviceFailure::NotConnected, DeviceStep::Check, QString(),
                                        QStringLiteral("no gauge connected")),
                  std::nullopt};
    if (DeviceOutcome r = co_await open(name); !r.ok())
        co_return{r, std::nullopt};
    DeviceResult<QString> content = co_await readBlocks();
    DeviceOutcome r = content.outcome;
    // A copy that lacks bytes would pass for the whole file.
    if (r.ok() && content.value->size() < 2 * m_length) {
        r = DeviceOutcome::failed(
            DeviceFailure::GaugeError, DeviceStep::Read, readCommand(m_handle, kBlockBytes),
            QStringLiteral("%1 of %2 bytes read").arg(content.value->size() / 2).arg(m_length));
    }
    if (!r.ok()) {
        const DeviceOutcome closed = co_await closeAfter(r);
        co_return{closed, std::nullopt};
    }
    if (DeviceOutcome closed = co_await close(); !closed.ok())
        co_return{closed, std::nullopt};
    co_return{DeviceOutcome::success(DeviceStep::Close), content.value};
}

QCoro::Task<DeviceOutcome> DeviceFile::remove(QString name)
{
    const QString command = QStringLiteral("$rm?") + name + GaugeProtocol::kTerminator;
    // A listing match (status 20) that another reply brings in ends the wait as well; any other
    // reply's status does not, so only the gauge's answer to this remove counts as done.
    const auto listingMatch = [](const GaugeReply& r) { return r.status == kStatusListingMatch; };
    const Reply reply = co_await exchange(command, QStringLiteral("$rm"), true, listingMatch);
    if (reply.wait != WaitResult::Done)
        co_return waitFailure(reply, DeviceStep::Remove, command);
    DeviceOutcome r = DeviceOutcome::success(DeviceStep::Remove);
    const int status = reply.reply.status.value_or(0);
    if (status == kStatusListingMatch)
        r.gaugeStatus = kStatusListingMatch;
    else if (status != 0)
        r = refusal(DeviceStep::Remove, command,
                    QStringLiteral("remove answered with status %1").arg(status), reply);
    co_return r;
}

QCoro::Task<DeviceOutcome> DeviceFile::create(QString name, qint64 bytes)
{
    const QString command = createCommand(bytes, name);
    if (m_cancel && m_cancel->isCancelled())
        co_return DeviceOutcome::fromWait(WaitResult::Cancelled, DeviceStep::Create, command);
    // Once sent, the create is awaited whatever the token says: its reply brings the handle
    // that the close after a cancel needs.
    const Reply reply = co_await exchange(command, QStringLiteral("$fw"), false);
    if (reply.wait != WaitResult::Done)
        co_return waitFailure(reply, DeviceStep::Create, command);
    m_handle = reply.reply.handle.value_or(0);
    const int status = reply.reply.status.value_or(0);
    if (m_handle > 0 && status == 0)
        co_return DeviceOutcome::success(DeviceStep::Create);
    DeviceOutcome r = refusal(
        DeviceStep::Create, command,
        QStringLiteral("create gave handle %1, status %2").arg(m_handle).arg(status), reply);
    if (m_handle > 0) // a refused create that still opened a file
        r = co_await closeAfter(r);
    co_return r;
}

QCoro::Task<DeviceOutcome> DeviceFile::write(qint64 byteOffset, QByteArray hex)
{
    const QString command = writeCommand(m_handle, byteOffset, int(hex.size() / 2), hex);
    const Reply reply = co_await exchange(command, QStringLiteral("$wr"), true);
    if (reply.wait != WaitResult::Done)
        co_return waitFailure(reply, DeviceStep::Write, command);
    const int status = reply.reply.status.value_or(0);
    if (status != 0)
        co_return refusal(
            DeviceStep::Write, command,
            QStringLiteral("write at byte %1 answered with status %2").arg(byteOffset).arg(status),
            reply);
    co_return DeviceOutcome::success(DeviceStep::Write);
}

QCoro::Task<DeviceOutcome> DeviceFile::close()
{
    const QString command = closeCommand(m_handle);
    const Reply reply = co_await exchange(command, QStringLiteral("$fc"), false);
    DeviceOutcome r = reply.wait == WaitResult::Done
                          ? DeviceOutcome::success(DeviceStep::Close)
                          : waitFailure(reply, DeviceStep::Close, command);
    const int status = reply.reply.status.value_or(0);
    if (r.ok() && status != 0)
        r = refusal(DeviceStep::Close, command,
                    QStringLiteral("close answered with status %1").arg(status), reply);
    r.fileLeftOpen = !r.ok();
    co_return r;
}

QCoro::Task<DeviceOutcome> DeviceFile::closeAfter(DeviceOutcome failure)
{
    if (failure.failure == DeviceFailure::LinkLost || !m_channel.isOpen()) {
        failure.fileLeftOpen = true;
        co_return failure;
    }
    const DeviceOutcome closed = co_await close();
    failure.fileLeftOpen = closed.fileLeftOpen;
    qCInfo(zvLink) << "file" << m_handle << "closed after a failure:" << closed.ok() << "-"
                   << describeOutcome(failure);
    co_return failure;
}
