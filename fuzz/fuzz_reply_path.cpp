// The whole way of what a gauge sends: raw values of the command characteristic go through the
// command channel and the dispatcher into the shared state, where the running device sequence's
// waits match them by keyword and condition. The first byte picks the sequence (read "probe" with
// the identity request, read "factory", write a file in two chunks, remove a file); the rest,
// split at line feeds, are the values the gauge gives back, one per turn of the loop, whatever
// was asked. When they run out the link drops. Every sequence must end, with a result that fits
// what it was given.
#include "info/RecordDecoder.h"
#include "info/RecordReader.h"
#include "link/CommandChannel.h"
#include "link/DeviceFile.h"
#include "state/SharedState.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QLoggingCategory>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace
{
constexpr int kSequences = 4;
constexpr int kTurnsAfterDrop = 8; // a sequence still running this long after the drop hangs
const QByteArray kWritten = QByteArrayLiteral("00112233445566778899AABBCCDDEEFF00112233445566778899"
                                              "AABBCCDDEEFF0011223344556677");

// A gauge that is always there until told otherwise: every method succeeds, nothing is queued.
class ScriptedClient : public BLEClient
{
public:
    BleResult Configure(const QString&) override { return {}; }
    BleResult StartScanning(const QString&) override { return {}; }
    BleResult StopScanning() override { return {}; }
    BleResult ConnectDevice(const QString&) override { return {}; }
    BleResult DisconnectDevice() override { return {}; }
    BleResult Discover(const QString&, const QString&) override { return {}; }
    BleResult WriteValue(const QString&, const QString&, const QString&, const QByteArray&) override
    {
        return sharedState().DeviceConnected ? BleResult{} : BleResult{BleNotConnected, {}};
    }
    BleResult PostValue(const QString&, const QString&, const QByteArray&) override { return {}; }
    BleResult ReadValue(const QString&, const QString&, const QString&) override { return {}; }
    BleResult Subscribe(const QString&, const QString&) override { return {}; }
    BleResult Unsubscribe(const QString&, const QString&) override { return {}; }
};

struct Fixture {
    ScriptedClient client;
    CommandChannel channel;
    Fixture() { channel.setClient(&client); }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void startState()
{
    SharedState& s = sharedState();
    s.DeviceConnected = true;
    s.ReplyStatus = 0;
    s.ReplyData.clear();
    s.FileHandle = 0;
    s.FileLength = 0;
    s.FileHex.clear();
    s.ProbeData.clear();
    s.FactoryData.clear();
    s.Identity = IdentityFields{};
}

QCoro::Task<TransferResult> writeFile(CommandChannel& channel)
{
    DeviceFile file(channel);
    TransferResult r = co_await file.create(QStringLiteral("lDE"), kWritten.size() / 2);
    if (!r.ok())
        co_return r;
    const qsizetype half = kWritten.size() / 2;
    r = co_await file.write(0, kWritten.left(half));
    if (r.ok())
        r = co_await file.write(half / 2, kWritten.mid(half));
    if (!r.ok())
        co_return co_await file.closeAfter(r);
    co_return co_await file.close();
}

QCoro::Task<TransferResult> runSequence(int which, CommandChannel& channel)
{
    if (which == 0 || which == 1) {
        RecordReader reader(channel);
        TransferResult r = co_await reader.Lese_Com(which == 0 ? QStringLiteral("probe")
                                                               : QStringLiteral("factory"));
        co_return r;
    }
    if (which == 2) {
        TransferResult r = co_await writeFile(channel);
        co_return r;
    }
    DeviceFile file(channel);
    TransferResult r = co_await file.remove(QStringLiteral("probe"));
    co_return r;
}

QCoro::Task<void> drive(int which, CommandChannel& channel, TransferResult& result, bool& done)
{
    result = co_await runSequence(which, channel);
    done = true;
}

// What a successful read leaves behind: a whole record that decodes, and for "probe" the
// identity that came with it.
void checkRead(int which, const TransferResult& result)
{
    const SharedState& s = sharedState();
    if (which > 1 || !result.ok())
        return;
    const QString& kept = which == 0 ? s.ProbeData : s.FactoryData;
    DeviceRecordValues values;
    if (kept != s.FileHex || kept.isEmpty() || !decodeRecord(kept, values).ok)
        std::abort();
    if (which == 0 && s.Identity.Revision.isEmpty())
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*=false"));
    sharedState().LogFilePath = QStringLiteral("/dev/null");
    sharedState().ServiceId = QStringLiteral("S");
    sharedState().CommandCharId = QStringLiteral("C");
    setReplyTimeoutMs(60 * 60 * 1000); // no timer fires here: only posted events are run
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    Fixture& f = fixture();
    startState();
    const int which = data[0] % kSequences;
    // The values, split at line feeds, as views into the input (nothing copied).
    QList<QByteArray> values;
    const char* const end = reinterpret_cast<const char*>(data + size);
    for (const char* from = reinterpret_cast<const char*>(data + 1);;) {
        const char* to = std::find(from, end, '\n');
        values.append(QByteArray::fromRawData(from, to - from));
        if (to == end)
            break;
        from = to + 1;
    }

    TransferResult result;
    bool done = false;
    auto task = drive(which, f.channel, result, done);
    qsizetype next = 0;
    int afterDrop = 0;
    while (true) {
        QCoreApplication::sendPostedEvents();
        if (done)
            break;
        if (next < values.size()) {
            emit f.client.Value({}, {}, {}, {}, {}, values.at(next++));
        } else if (afterDrop++ == 0) {
            sharedState().DeviceConnected = false;
            emit f.client.Disconnected(0, QString());
        } else if (afterDrop > kTurnsAfterDrop) {
            std::abort(); // the sequence did not end after the link dropped
        }
    }
    checkRead(which, result);
    return 0;
}
