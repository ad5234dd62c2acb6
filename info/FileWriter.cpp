#include "info/FileWriter.h"

#include "info/HexText.h"
#include "info/InfoTexts.h"
#include "link/DeviceFile.h"
#include "link/GaugeSession.h"
#include "state/LogCategories.h"
#include "state/ServiceJournal.h"
#include "state/TextCatalogue.h"
#include "state/UserDialogs.h"

namespace
{
constexpr int kEntryCannotDelete = 23;

DeviceOutcome refused(DeviceFailure failure, const QString& detail)
{
    return DeviceOutcome::failed(failure, DeviceStep::Check, QString(), detail);
}
} // namespace

DeviceOutcome FileWriter::confirmData(const QString& hex, UserDialogs& dialogs)
{
    const HexText::Check check = HexText::check(hex);
    if (!check.ok()) {
        dialogs.message(InfoTexts::hexRefused(check, int(hex.size())));
        return refused(DeviceFailure::InvalidData, InfoTexts::hexProblemName(check.problem));
    }
    if (hex.size() != HexText::RecordCharacters &&
        !dialogs.askYesNo(InfoTexts::notOneRecord(int(hex.size() / 2)), false)) {
        return refused(DeviceFailure::Declined, QStringLiteral("not one 400-byte record"));
    }
    return DeviceOutcome::success(DeviceStep::Check);
}

QCoro::Task<DeviceOutcome> FileWriter::Schreibe_Com(QString name, QString hex)
{
    if (DeviceOutcome r = confirmData(hex, m_dialogs); !r.ok())
        co_return r;
    co_return co_await writeConfirmed(name, hex);
}

QCoro::Task<DeviceOutcome> FileWriter::writeConfirmed(QString name, QString hex)
{
    const HexText::Check check = HexText::check(hex);
    if (!check.ok())
        co_return refused(DeviceFailure::InvalidData, InfoTexts::hexProblemName(check.problem));
    if (!m_session.isOpen())
        co_return refused(DeviceFailure::NotConnected, QStringLiteral("no gauge connected"));
    m_session.journal().fileWriteStarting(name);
    DeviceFile file(m_session.channel(), m_cancel);
    const DeviceOutcome removed = co_await file.remove(name);
    if (!removed.ok())
        co_return removed;
    if (removed.gaugeStatus == DeviceFile::kStatusListingMatch)
        m_dialogs.message(name + messageText(kEntryCannotDelete));
    if (DeviceOutcome r = co_await file.create(name, hex.size() / 2); !r.ok())
        co_return r;
    for (int position = 0; position < hex.size(); position += kChunkCharacters) {
        const int characters = int(qMin<qsizetype>(kChunkCharacters, hex.size() - position));
        DeviceOutcome r =
            co_await file.write(position / 2, hex.mid(position, characters).toLatin1());
        if (!r.ok()) {
            r = co_await file.closeAfter(r);
            qCInfo(zvInfo) << "write failed:" << describeOutcome(r);
            co_return r;
        }
    }
    DeviceOutcome closed = co_await file.close();
    closed.bytes = closed.ok() ? hex.size() / 2 : 0;
    co_return closed;
}
