#include "info/FileWriter.h"

#include "info/DeviceRequest.h"
#include "info/HexText.h"
#include "info/InfoTexts.h"
#include "link/CommandChannel.h"
#include "state/LogCategories.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"
#include "state/UserDialogs.h"

namespace
{
// The listing match a remove may be answered with.
constexpr int16_t kStatusNoSuchFile = 20;
constexpr int kEntryCannotDelete = 23;
} // namespace

TransferResult FileWriter::confirmData(const QString& hex)
{
    const HexText::Check check = HexText::check(hex);
    if (!check.ok()) {
        userDialogs().message(InfoTexts::hexRefused(check, int(hex.size())));
        return TransferResult::failure(TransferStatus::InvalidData, QString(),
                                       InfoTexts::hexProblemName(check.problem));
    }
    if (hex.size() != HexText::RecordCharacters &&
        !userDialogs().askYesNo(InfoTexts::notOneRecord(int(hex.size() / 2)), false)) {
        return TransferResult::failure(TransferStatus::Declined, QString(),
                                       QStringLiteral("not one 400-byte record"));
    }
    return TransferResult::success();
}

TransferResult FileWriter::Schreibe_Com(const QString& name, const QString& hex)
{
    if (TransferResult r = confirmData(hex); !r.ok())
        return r;
    return writeConfirmed(name, hex);
}

TransferResult FileWriter::writeConfirmed(const QString& name, const QString& hex)
{
    SharedState& s = sharedState();
    const HexText::Check check = HexText::check(hex);
    if (!check.ok())
        return TransferResult::failure(TransferStatus::InvalidData, QString(),
                                       InfoTexts::hexProblemName(check.problem));
    if (!s.DeviceConnected)
        return TransferResult::failure(TransferStatus::NotConnected, QString(),
                                       QStringLiteral("no gauge connected"));
    s.FileHex = hex;
    if (TransferResult r = remove(name); !r.ok())
        return r;
    int handle = 0;
    if (TransferResult r = create(name, int(hex.size() / 2), handle); !r.ok())
        return r;
    if (TransferResult r = writeChunks(handle, hex); !r.ok())
        return closeAfterFailure(r, handle);
    const DeviceRequest request(m_channel, m_cancel);
    if (TransferResult closed = request.closeFile(handle); !closed.ok())
        return closed;
    return TransferResult::success();
}

TransferResult FileWriter::remove(const QString& name)
{
    SharedState& s = sharedState();
    s.ReplyStatus = 55;
    s.ReplyData.clear();
    const QString command = QStringLiteral("$rm?") + name + s.CommandTerminator;
    const WaitResult w =
        DeviceRequest(m_channel, m_cancel).send(command, QStringLiteral("$rm"), [] {
            const int16_t status = sharedState().ReplyStatus;
            return status == 0 || status == kStatusNoSuchFile;
        });
    if (w != WaitResult::Done)
        return TransferResult::fromWait(w, command);
    if (s.ReplyStatus == kStatusNoSuchFile) {
        userDialogs().message(name + messageText(kEntryCannotDelete));
    } else if (s.ReplyStatus != 0) {
        TransferResult r = TransferResult::failure(
            TransferStatus::GaugeError, command,
            QStringLiteral("remove answered with status %1").arg(s.ReplyStatus));
        r.gaugeStatus = s.ReplyStatus;
        return r;
    }
    return TransferResult::success();
}

TransferResult FileWriter::create(const QString& name, int bytes, int& handle)
{
    SharedState& s = sharedState();
    s.FileHandle = 0;
    s.ReplyData.clear();
    s.ReplyStatus = 55;
    s.FileLength = bytes;
    const QString command = QStringLiteral("$fw?") + QString::number(bytes) + QLatin1Char(' ') +
                            name + QLatin1Char('!');
    const WaitResult w = DeviceRequest(m_channel, m_cancel).send(command, QStringLiteral("$fw"));
    if (w != WaitResult::Done)
        return TransferResult::fromWait(w, command);
    handle = s.FileHandle;
    if (handle > 0)
        return TransferResult::success();
    TransferResult r = TransferResult::failure(
        TransferStatus::GaugeError, command,
        QStringLiteral("create gave no handle, status %1").arg(s.ReplyStatus));
    r.gaugeStatus = s.ReplyStatus;
    return r;
}

TransferResult FileWriter::writeChunks(int handle, const QString& hex)
{
    SharedState& s = sharedState();
    const DeviceRequest request(m_channel, m_cancel);
    s.FileLength = int32_t(hex.size());
    for (int position = 0; position < hex.size(); position += kChunkCharacters) {
        const int characters = int(qMin<qsizetype>(kChunkCharacters, hex.size() - position));
        s.ReplyStatus = 55;
        const QString command = QStringLiteral("$wr?") + QString::number(handle) +
                                QLatin1Char(' ') + QString::number(position / 2) +
                                QLatin1Char(' ') + QString::number(characters / 2) +
                                QLatin1Char(' ') + hex.mid(position, characters) + QLatin1Char('!');
        const WaitResult w = request.send(command, QStringLiteral("$wr"));
        if (w != WaitResult::Done)
            return TransferResult::fromWait(w, command);
        if (s.ReplyStatus != 0) {
            TransferResult r =
                TransferResult::failure(TransferStatus::GaugeError, command,
                                        QStringLiteral("write at byte %1 answered with status %2")
                                            .arg(position / 2)
                                            .arg(s.ReplyStatus));
            r.gaugeStatus = s.ReplyStatus;
            return r;
        }
        s.FileLength = int32_t(hex.size() - position - characters);
    }
    return TransferResult::success();
}

TransferResult FileWriter::closeAfterFailure(TransferResult failure, int handle)
{
    if (failure.status == TransferStatus::LinkLost) {
        failure.fileLeftOpen = true;
    } else {
        failure.fileLeftOpen = !DeviceRequest(m_channel, m_cancel).closeFile(handle).ok();
    }
    qCInfo(zvInfo) << "write failed:" << describeTransfer(failure);
    return failure;
}
