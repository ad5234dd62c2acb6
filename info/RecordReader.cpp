#include "info/RecordReader.h"

#include "info/RecordDecoder.h"
#include "link/DeviceFile.h"
#include "link/GaugeProtocol.h"
#include "state/ServiceJournal.h"

namespace RecordReader
{
namespace
{
DeviceOutcome decodeFailure(const RecordDecodeResult& decoded, const QString& hex)
{
    return DeviceOutcome::failed(DeviceFailure::DecodeFailed, DeviceStep::Read, QString(),
                                 QStringLiteral("field %1 at byte %2 of %3 bytes")
                                     .arg(QString::fromLatin1(decoded.failedField))
                                     .arg(decoded.failedOffset)
                                     .arg(hex.size() / 2));
}

// The record read completely (the journal hears of it), not yet stored in the session.
QCoro::Task<DeviceResult<GaugeRecord>> readFile(GaugeSession& session, QString name,
                                                const CancelToken* cancel)
{
    if (!session.isOpen())
        co_return{DeviceOutcome::failed(DeviceFailure::NotConnected, DeviceStep::Check, QString(),
                                        QStringLiteral("no gauge connected")),
                  std::nullopt};
    DeviceFile file(session.channel(), cancel);
    if (DeviceOutcome r = co_await file.open(name); !r.ok())
        co_return{r, std::nullopt};
    const DeviceResult<QString> blocks = co_await file.readBlocks();
    GaugeRecord record{blocks.value.value_or(QString()), {}};
    DeviceOutcome failure = blocks.outcome;
    if (const RecordDecodeResult decoded = decodeRecord(record.hex, record.values);
        failure.ok() && !decoded.ok)
        failure = decodeFailure(decoded, record.hex);
    if (!failure.ok()) {
        const DeviceOutcome closed = co_await file.closeAfter(failure);
        co_return{closed, std::nullopt};
    }
    if (DeviceOutcome closed = co_await file.close(); !closed.ok())
        co_return{closed, std::nullopt};
    session.journal().recordRead(name, record.hex);
    co_return{DeviceOutcome::success(DeviceStep::Close), record};
}
} // namespace

QCoro::Task<DeviceResult<GaugeRecord>> readRecord(GaugeSession& session, QString name,
                                                  const CancelToken* cancel)
{
    DeviceResult<GaugeRecord> read = co_await readFile(session, name, cancel);
    if (read.ok())
        session.storeRecord(name, *read.value);
    co_return read;
}

QCoro::Task<DeviceResult<IdentityFields>> requestIdentity(GaugeSession& session,
                                                          const CancelToken* cancel)
{
    const QString command = GaugeProtocol::kIdentityCommand + GaugeProtocol::kTerminator;
    ReplyExpectation identityReply{GaugeProtocol::kIdentityCommand, {}, cancel};
    const Reply reply = co_await session.channel().ask(command, std::move(identityReply));
    DeviceOutcome outcome = DeviceOutcome::fromWait(reply.wait, DeviceStep::Identity, command);
    outcome.reply = reply.reply.text;
    if (!outcome.ok())
        co_return{outcome, std::nullopt};
    IdentityFields identity;
    reply.reply.mergeIdentityInto(identity);
    if (identity.Revision.isEmpty()) {
        outcome.failure = DeviceFailure::GaugeError;
        outcome.detail = QStringLiteral("identity reply without revision");
        co_return{outcome, std::nullopt};
    }
    session.storeIdentity(identity);
    session.journal().identityRead(identity);
    co_return{outcome, identity};
}

QCoro::Task<DeviceResult<GaugeRecord>> Lese_Com(GaugeSession& session, QString name,
                                                const CancelToken* cancel)
{
    DeviceResult<GaugeRecord> read = co_await readFile(session, name, cancel);
    if (read.ok() && name == GaugeProtocol::kProbeFile) {
        const DeviceResult<IdentityFields> identity = co_await requestIdentity(session, cancel);
        if (!identity.ok())
            co_return{identity.outcome, std::nullopt};
    }
    if (read.ok())
        session.storeRecord(name, *read.value);
    co_return read;
}
} // namespace RecordReader
