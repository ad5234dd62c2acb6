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

bool sameReplyFields(const SharedState& a, const SharedState& b)
{
    return a.ReplyStatus == b.ReplyStatus && a.ReplyData == b.ReplyData &&
           a.FileHandle == b.FileHandle && a.FileLength == b.FileLength &&
           a.BatteryLevel == b.BatteryLevel && a.Identity.Hardware == b.Identity.Hardware &&
           a.Identity.Mac == b.Identity.Mac && a.Identity.Controler == b.Identity.Controler &&
           a.Identity.Build == b.Identity.Build && a.Identity.Revision == b.Identity.Revision;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    SharedState state;
    state.ReplyStatus = kPrimedStatus;
    state.ReplyData = QString::fromLatin1(kPrimedData[data[0] % kPrimedDataCount]);
    state.IdentityCommand = QStringLiteral("$naxo00");
    const SharedState before = state;

    const QString reply =
        QString::fromLatin1(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const DispatchResult result = ReplyDispatcher::dispatch(reply, state);

    // An ignored reply must leave every reply variable as it was.
    if (result == DispatchResult::Ignored && !sameReplyFields(before, state))
        std::abort();
    return 0;
}
