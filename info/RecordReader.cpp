#include "info/RecordReader.h"

#include "info/DeviceRequest.h"
#include "info/RecordDecoder.h"
#include "link/CommandChannel.h"
#include "state/LogCategories.h"
#include "state/SharedState.h"

namespace
{
// Set before the open so that the open reply, whatever it carries, is seen to have come.
constexpr int16_t kNoHandleYet = -1;
} // namespace

RecordReader::RecordReader(CommandChannel& channel, const CancelToken* cancel, QObject* parent)
    : QObject(parent), m_channel(channel), m_cancel(cancel)
{
}

TransferResult RecordReader::Lese_Com(const QString& name)
{
    SharedState& s = sharedState();
    if (!s.DeviceConnected)
        return TransferResult::failure(TransferStatus::NotConnected, QString(),
                                       QStringLiteral("no gauge connected"));
    ClearRecordValues(s.Record);
    s.CurrentFileName = name;
    int handle = 0;
    int length = 0;
    if (TransferResult r = open(name, handle, length); !r.ok())
        return r;
    if (TransferResult r = readBlocks(handle, length); !r.ok())
        return closeAfterFailure(r, handle);
    const RecordDecodeResult decoded = decodeRecord(s.FileHex, s.Record);
    if (!decoded.ok) {
        return closeAfterFailure(
            TransferResult::failure(TransferStatus::DecodeFailed, QString(),
                                    QStringLiteral("field %1 at byte %2 of %3 bytes")
                                        .arg(QString::fromLatin1(decoded.failedField))
                                        .arg(decoded.failedOffset)
                                        .arg(s.FileHex.size() / 2)),
            handle);
    }
    emit recordDecoded();
    const DeviceRequest request(m_channel, m_cancel);
    if (TransferResult closed = request.closeFile(handle); !closed.ok())
        return closed;
    if (name == s.ProbeFileName) {
        if (TransferResult r = requestIdentity(); !r.ok())
            return r;
        s.ProbeData = s.FileHex;
    } else {
        s.FactoryData = s.FileHex;
    }
    return TransferResult::success();
}

TransferResult RecordReader::open(const QString& name, int& handle, int& length)
{
    SharedState& s = sharedState();
    s.FileLength = 0;
    s.FileHandle = kNoHandleYet;
    const QString command = QStringLiteral("$fr?") + name + QLatin1Char('!');
    const WaitResult w = DeviceRequest(m_channel, m_cancel).send(command, QStringLiteral("$fr"));
    s.FileHex.clear();
    if (w != WaitResult::Done)
        return TransferResult::fromWait(w, command);
    handle = s.FileHandle;
    length = s.FileLength;
    if (handle > 0 && length > 0 && length <= kMaxFileBytes)
        return TransferResult::success();
    TransferResult r = TransferResult::failure(
        TransferStatus::GaugeError, command,
        QStringLiteral("the gauge opened no data (handle %1, length %2)").arg(handle).arg(length));
    // A handle without usable data is still an open file on the gauge.
    if (handle > 0)
        r.fileLeftOpen = !DeviceRequest(m_channel, m_cancel).closeFile(handle).ok();
    return r;
}

TransferResult RecordReader::readBlocks(int handle, int length)
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
        s.FileHex += s.ReplyData;
    }
    return TransferResult::success();
}

TransferResult RecordReader::requestIdentity()
{
    SharedState& s = sharedState();
    s.Identity.Revision.clear();
    emit identityRequested();
    s.ReplyStatus = 55;
    const QString command = s.IdentityCommand + s.CommandTerminator;
    const WaitResult w = DeviceRequest(m_channel, m_cancel).send(command, s.IdentityCommand, [] {
        return !sharedState().Identity.Revision.isEmpty();
    });
    if (w != WaitResult::Done)
        return TransferResult::fromWait(w, command);
    if (s.Identity.Revision.isEmpty())
        return TransferResult::failure(TransferStatus::GaugeError, command,
                                       QStringLiteral("identity reply without revision"));
    return TransferResult::success();
}

TransferResult RecordReader::closeAfterFailure(TransferResult failure, int handle)
{
    // Without the link nothing can be closed; after a cancel the close still goes out.
    if (failure.status == TransferStatus::LinkLost) {
        failure.fileLeftOpen = true;
        return failure;
    }
    failure.fileLeftOpen = !DeviceRequest(m_channel, m_cancel).closeFile(handle).ok();
    qCInfo(zvInfo) << "read of" << sharedState().CurrentFileName
                   << "failed:" << describeTransfer(failure);
    return failure;
}
