#include "info/RecordReader.h"

#include "info/RecordDecoder.h"
#include "link/CommandChannel.h"
#include "link/DeviceFile.h"
#include "state/ServiceJournal.h"
#include "state/SharedState.h"

RecordReader::RecordReader(CommandChannel& channel, const CancelToken* cancel, QObject* parent)
    : QObject(parent), m_channel(channel), m_cancel(cancel)
{
}

QCoro::Task<TransferResult> RecordReader::Lese_Com(QString name)
{
    SharedState& s = sharedState();
    if (!s.DeviceConnected)
        co_return TransferResult::failure(TransferStatus::NotConnected, QString(),
                                          QStringLiteral("no gauge connected"));
    ClearRecordValues(s.Record);
    s.CurrentFileName = name;
    s.FileHex.clear();
    DeviceFile file(m_channel, m_cancel);
    if (TransferResult r = co_await file.open(name); !r.ok())
        co_return r;
    if (TransferResult r = co_await file.readBlocks(s.FileHex); !r.ok())
        co_return co_await file.closeAfter(r);
    const RecordDecodeResult decoded = decodeRecord(s.FileHex, s.Record);
    if (!decoded.ok) {
        co_return co_await file.closeAfter(
            TransferResult::failure(TransferStatus::DecodeFailed, QString(),
                                    QStringLiteral("field %1 at byte %2 of %3 bytes")
                                        .arg(QString::fromLatin1(decoded.failedField))
                                        .arg(decoded.failedOffset)
                                        .arg(s.FileHex.size() / 2)));
    }
    emit recordDecoded();
    if (TransferResult closed = co_await file.close(); !closed.ok())
        co_return closed;
    m_channel.journal().recordRead(name, s.FileHex);
    if (name == s.ProbeFileName) {
        s.Identity.Revision.clear();
        emit identityRequested();
        if (TransferResult r = co_await requestIdentity(m_channel, m_cancel); !r.ok())
            co_return r;
        s.ProbeData = s.FileHex;
    } else {
        s.FactoryData = s.FileHex;
    }
    co_return TransferResult::success();
}

QCoro::Task<TransferResult> requestIdentity(CommandChannel& channel, const CancelToken* cancel)
{
    SharedState& s = sharedState();
    s.ReplyStatus = 55;
    const QString command = s.IdentityCommand + s.CommandTerminator;
    // The identity reply ends the wait; without a revision it is a gauge error below.
    ReplyExpectation identity{s.IdentityCommand,
                              [] { return !sharedState().Identity.Revision.isEmpty(); }, cancel};
    const WaitResult w = co_await channel.ask(command, std::move(identity));
    if (w != WaitResult::Done)
        co_return TransferResult::fromWait(w, command);
    if (s.Identity.Revision.isEmpty())
        co_return TransferResult::failure(TransferStatus::GaugeError, command,
                                          QStringLiteral("identity reply without revision"));
    channel.journal().identityRead();
    co_return TransferResult::success();
}
