#include "info/FileWriter.h"

#include "info/HexText.h"
#include "info/InfoTexts.h"
#include "link/CommandChannel.h"
#include "link/DeviceFile.h"
#include "state/LogCategories.h"
#include "state/ServiceJournal.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"
#include "state/UserDialogs.h"

namespace
{
constexpr int kEntryCannotDelete = 23;
} // namespace

TransferResult FileWriter::confirmData(const QString& hex, UserDialogs& dialogs)
{
    const HexText::Check check = HexText::check(hex);
    if (!check.ok()) {
        dialogs.message(InfoTexts::hexRefused(check, int(hex.size())));
        return TransferResult::failure(TransferStatus::InvalidData, QString(),
                                       InfoTexts::hexProblemName(check.problem));
    }
    if (hex.size() != HexText::RecordCharacters &&
        !dialogs.askYesNo(InfoTexts::notOneRecord(int(hex.size() / 2)), false)) {
        return TransferResult::failure(TransferStatus::Declined, QString(),
                                       QStringLiteral("not one 400-byte record"));
    }
    return TransferResult::success();
}

QCoro::Task<TransferResult> FileWriter::Schreibe_Com(QString name, QString hex)
{
    if (TransferResult r = confirmData(hex, m_dialogs); !r.ok())
        co_return r;
    co_return co_await writeConfirmed(name, hex);
}

QCoro::Task<TransferResult> FileWriter::writeConfirmed(QString name, QString hex)
{
    SharedState& s = sharedState();
    const HexText::Check check = HexText::check(hex);
    if (!check.ok())
        co_return TransferResult::failure(TransferStatus::InvalidData, QString(),
                                          InfoTexts::hexProblemName(check.problem));
    if (!s.DeviceConnected)
        co_return TransferResult::failure(TransferStatus::NotConnected, QString(),
                                          QStringLiteral("no gauge connected"));
    s.FileHex = hex;
    m_channel.journal().fileWriteStarting(name);
    DeviceFile file(m_channel, m_cancel);
    const TransferResult removed = co_await file.remove(name);
    if (!removed.ok())
        co_return removed;
    if (removed.gaugeStatus == DeviceFile::kStatusListingMatch)
        m_dialogs.message(name + messageText(kEntryCannotDelete));
    s.FileLength = int(hex.size() / 2);
    if (TransferResult r = co_await file.create(name, hex.size() / 2); !r.ok())
        co_return r;
    s.FileLength = int32_t(hex.size());
    for (int position = 0; position < hex.size(); position += kChunkCharacters) {
        const int characters = int(qMin<qsizetype>(kChunkCharacters, hex.size() - position));
        TransferResult r =
            co_await file.write(position / 2, hex.mid(position, characters).toLatin1());
        if (!r.ok()) {
            r = co_await file.closeAfter(r);
            qCInfo(zvInfo) << "write failed:" << describeTransfer(r);
            co_return r;
        }
        s.FileLength = int32_t(hex.size() - position - characters);
    }
    co_return co_await file.close();
}
