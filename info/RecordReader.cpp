#include "info/RecordReader.h"

#include "info/DeviceRequest.h"
#include "info/RecordDecoder.h"
#include "link/CommandChannel.h"
#include "state/LogCategories.h"
#include "state/SharedState.h"

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
    RawFileReader raw(m_channel, m_cancel);
    int handle = 0;
    int length = 0;
    s.FileHex.clear();
    if (TransferResult r = raw.open(name, handle, length); !r.ok())
        return r;
    // FileHex grows by one block per reply.
    if (TransferResult r = raw.readBlocks(handle, length, s.FileHex); !r.ok())
        return raw.closeAfterFailure(r, handle);
    const RecordDecodeResult decoded = decodeRecord(s.FileHex, s.Record);
    if (!decoded.ok) {
        return raw.closeAfterFailure(
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
