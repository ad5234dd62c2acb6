// The whole way of what a gauge sends: raw values of the command characteristic go through the
// session's command channel, which takes each apart once, fills the reply variables and hands it
// to the request of the running device sequence that it ends. The first byte picks the sequence
// (read "probe" with the identity request, read "factory", write a file in two chunks, remove a
// file); the rest, split at line feeds, are the values the gauge gives back, one per turn of the
// loop, whatever was asked. When they run out the link drops. Every sequence must end, with a
// result that fits what it was given.
#include "info/RecordDecoder.h"
#include "info/RecordReader.h"
#include "link/DeviceFile.h"
#include "link/GaugeSession.h"
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
        return connected ? BleResult{} : BleResult{BleNotConnected, {}};
    }
    BleResult PostValue(const QString&, const QString&, const QByteArray&) override { return {}; }
    BleResult ReadValue(const QString&, const QString&, const QString&) override { return {}; }
    BleResult Subscribe(const QString&, const QString&) override { return {}; }
    BleResult Unsubscribe(const QString&, const QString&) override { return {}; }
    bool connected = true;
};

// The reply variables are large (every catalogue text): one instance for every input.
SharedState& replyVariables()
{
    static SharedState variables;
    return variables;
}

QCoro::Task<DeviceOutcome> writeFile(CommandChannel& channel)
{
    DeviceFile file(channel);
    DeviceOutcome r = co_await file.create(QStringLiteral("lDE"), kWritten.size() / 2);
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

const QString& recordName(int which)
{
    static const QString names[] = {QStringLiteral("probe"), QStringLiteral("factory")};
    return names[which];
}

QCoro::Task<DeviceOutcome> runSequence(int which, GaugeSession& session)
{
    if (which == 0 || which == 1) {
        const QString name = recordName(which);
        const DeviceResult<GaugeRecord> r = co_await RecordReader::Lese_Com(session, name);
        co_return r.outcome;
    }
    if (which == 2) {
        DeviceOutcome r = co_await writeFile(session.channel());
        co_return r;
    }
    DeviceFile file(session.channel());
    const QString name = QStringLiteral("probe");
    DeviceOutcome r = co_await file.remove(name);
    co_return r;
}

QCoro::Task<void> drive(int which, GaugeSession& session, DeviceOutcome& result, bool& done)
{
    result = co_await runSequence(which, session);
    done = true;
}

// What a successful read leaves behind in the session: a whole record that decodes, and for
// "probe" the identity that came with it.
void checkRead(int which, const DeviceOutcome& result, const GaugeSession& session)
{
    if (which > 1 || !result.ok())
        return;
    const std::optional<GaugeRecord> kept = session.record(recordName(which));
    DeviceRecordValues values;
    if (!kept || kept->hex.isEmpty() || !decodeRecord(kept->hex, values).ok)
        std::abort();
    if (which == 0 && (!session.identity() || session.identity()->Revision.isEmpty()))
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*=false"));
    sharedState().LogFilePath = QStringLiteral("/dev/null");
    setReplyTimeoutMs(60 * 60 * 1000); // no timer fires here: only posted events are run
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    ScriptedClient client;
    GaugeSession session(&client, QStringLiteral("0123456789AB"), {"S", "C", "T"},
                         replyVariables());
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

    DeviceOutcome result;
    bool done = false;
    auto task = drive(which, session, result, done);
    qsizetype next = 0;
    int afterDrop = 0;
    while (true) {
        QCoreApplication::sendPostedEvents();
        if (done)
            break;
        if (next < values.size()) {
            emit client.Value({}, {}, {}, {}, {}, values.at(next++));
        } else if (afterDrop++ == 0) {
            client.connected = false;
            emit client.Disconnected(0, QString());
        } else if (afterDrop > kTurnsAfterDrop) {
            std::abort(); // the sequence did not end after the link dropped
        }
    }
    checkRead(which, result, session);
    return 0;
}
