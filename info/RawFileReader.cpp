#include "info/RawFileReader.h"

#include "info/DeviceRequest.h"
#include "link/CommandChannel.h"
#include "state/LogCategories.h"
#include "state/SharedState.h"

namespace
{
// Set before the open so that the open reply, whatever it carries, is seen to have come.
constexpr int16_t kNoHandleYet = -1;
} // namespace

TransferResult RawFileReader::read(const QString& name, QString& hex)
{
    hex.clear();
    if (!sharedState().DeviceConnected)
        return TransferResult::failure(TransferStatus::NotConnected, QString(),
                                       QStringLiteral("no gauge connected"));
    int handle = 0;
    int length = 0;
    if (TransferResult r = open(name, handle, length); !r.ok())
        return r;
    QString content;
    if (TransferResult r = readBlocks(handle, length, content); !r.ok())
        return closeAfterFailure(r, handle);
    // A copy that lacks bytes would pass for the whole file.
    if (content.size() < 2 * length) {
        return closeAfterFailure(
            TransferResult::failure(
                TransferStatus::GaugeError, QStringLiteral("$rd?"),
                QStringLiteral("%1 of %2 bytes read").arg(content.size() / 2).arg(length)),
            handle);
    }
    if (TransferResult closed = DeviceRequest(m_channel, m_cancel).closeFile(handle); !closed.ok())
        return closed;
    hex = content;
    return TransferResult::success();
}

TransferResult RawFileReader::open(const QString& name, int& handle, int& length)
{
    SharedState& s = sharedState();
    s.FileLength = 0;
    s.FileHandle = kNoHandleYet;
    const QString command = QStringLiteral("$fr?") + name + QLatin1Char('!');
    const WaitResult w = DeviceRequest(m_channel, m_cancel).send(command, QStringLiteral("$fr"));
    if (w != WaitResult::Done)
        return TransferResult::fromWait(w, command);
    handle = s.FileHandle;
    length = s.FileLength;
    if (handle > 0 && length > 0 && length <= kMaxFileBytes)
        return TransferResult::success();
    TransferResult r = TransferResult::failure(
        TransferStatus::GaugeError, command,
        QStringLiteral("the gauge opened no data (handle %1, length %2)").arg(handle).arg(length));
    if (handle > 0)
        r.fileLeftOpen = !DeviceRequest(m_channel, m_cancel).closeFile(handle).ok();
    r.missingFile = (handle <= 0 || length == 0) && !r.fileLeftOpen;
    return r;
}

TransferResult RawFileReader::readBlocks(int handle, int length, QString& hex)
{
    SharedState& s = sharedState();
    const DeviceRequest request(m_channel, m_cancel);
    for (int remaining = length; remaining > 0; remaining -= kBlockBytes) {
        const int count = qMin(remaining, kBlockBytes);
        s.ReplyStatus = 55;
        s.ReplyData.clear();
        const QString command = QStringLiteral("$rd?") + QString::number(handle) +
                                QLatin1Char(' ') + QString::number(count) + QLatin1Char('!');
        const WaitResult w = request.send(command, QStringLiteral("$rd"));
        if (w != WaitResult::Done)
            return TransferResult::fromWait(w, command);
        // A reply for another handle would mix another file's bytes into this one.
        if (s.FileHandle != handle) {
            return TransferResult::failure(
                TransferStatus::GaugeError, command,
                QStringLiteral("read reply for handle %1").arg(s.FileHandle));
        }
        // Whatever the reply carries is appended; a gauge may pad its last block.
        hex += s.ReplyData;
    }
    const qsizetype announced = qsizetype(2) * length;
    if (hex.size() > announced) {
        qCInfo(zvInfo) << "read of handle" << handle << "dropped" << (hex.size() - announced) / 2
                       << "bytes beyond the announced length" << length;
        hex.truncate(announced);
    }
    return TransferResult::success();
}

TransferResult RawFileReader::closeAfterFailure(TransferResult failure, int handle)
{
    if (failure.status == TransferStatus::LinkLost) {
        failure.fileLeftOpen = true;
        return failure;
    }
    failure.fileLeftOpen = !DeviceRequest(m_channel, m_cancel).closeFile(handle).ok();
    qCInfo(zvInfo) << "read of handle" << handle << "failed:" << describeTransfer(failure);
    return failure;
}
