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
        // A reply for another handle or with another byte count would shift every later byte.
        if (s.FileHandle != handle || s.FileLength != count || s.ReplyData.size() != 2 * count) {
            return TransferResult::failure(TransferStatus::GaugeError, command,
                                           QStringLiteral("read reply for handle %1 with %2 bytes")
                                               .arg(s.FileHandle)
                                               .arg(s.FileLength));
        }
        hex += s.ReplyData;
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
