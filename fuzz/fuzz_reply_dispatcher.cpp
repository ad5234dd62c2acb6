// Feeds arbitrary replies to the reply dispatcher. The first byte chooses what the previous
// command left in ReplyData (so that the "$ls" comparison is reached both ways); the rest is the
// reply, read as Latin-1 like the bytes of the command characteristic.
#include "link/ReplyDispatcher.h"
#include "state/SharedState.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace
{
constexpr int16_t kPrimedStatus = 55;
const char* const kPrimedData[] = {"", "probe", "factory", "lDE"};
constexpr size_t kPrimedDataCount = sizeof kPrimedData / sizeof kPrimedData[0];

// The shared state is large (every catalogue text): one instance, its reply fields primed anew
// for every input.
SharedState& primed(const QString& replyData)
{
    static SharedState state;
    state.ReplyStatus = kPrimedStatus;
    state.ReplyData = replyData;
    state.FileHandle = 0;
    state.FileLength = 0;
    state.BatteryLevel = 0;
    state.Identity = IdentityFields{};
    return state;
}

bool untouched(const SharedState& s, const QString& replyData)
{
    return s.ReplyStatus == kPrimedStatus && s.ReplyData == replyData && s.FileHandle == 0 &&
           s.FileLength == 0 && s.BatteryLevel == 0 && s.Identity.Hardware.isNull() &&
           s.Identity.Mac.isNull() && s.Identity.Controler.isNull() && s.Identity.Build.isNull() &&
           s.Identity.Revision.isNull();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    static const QString primedData[] = {
        QString::fromLatin1(kPrimedData[0]), QString::fromLatin1(kPrimedData[1]),
        QString::fromLatin1(kPrimedData[2]), QString::fromLatin1(kPrimedData[3])};
    const QString& replyData = primedData[data[0] % kPrimedDataCount];
    SharedState& state = primed(replyData);
    const QString reply =
        QString::fromLatin1(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const DispatchResult result = ReplyDispatcher::dispatch(reply, state);

    // An ignored reply must leave every reply variable as it was.
    if (result == DispatchResult::Ignored && !untouched(state, replyData))
        std::abort();
    return 0;
}
