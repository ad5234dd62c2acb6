// Feeds arbitrary text to the identity parser: the input follows the identity keyword
// "$naxo00", as the gauge's identity reply would ("$naxo00 H:.. V:.. B:.. R:.. M:..!").
#include "link/ReplyDispatcher.h"
#include "state/SharedState.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace
{
constexpr int16_t kPrimedStatus = 55;

SharedState& primed()
{
    static SharedState state;
    state.ReplyStatus = kPrimedStatus;
    state.ReplyData.clear();
    state.Identity = IdentityFields{};
    return state;
}

// The fields come from the text before the first "!".
bool fieldsClean(const IdentityFields& f)
{
    for (const QString* field : {&f.Hardware, &f.Mac, &f.Controler, &f.Build, &f.Revision}) {
        if (field->contains(u'!'))
            return false;
    }
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString keyword = QStringLiteral("$naxo00");
    SharedState& state = primed();
    const QString reply =
        keyword + QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size));
    const DispatchResult result = ReplyDispatcher::dispatch(reply, state);
    switch (result) {
    case DispatchResult::Identity:
        if (!fieldsClean(state.Identity) || !state.ReplyData.isEmpty())
            std::abort();
        break;
    case DispatchResult::Applied: // a bare identity reply: its text, no fields
        if (state.ReplyStatus != 0 || state.ReplyData.contains(u':') ||
            !state.Identity.Revision.isNull())
            std::abort();
        break;
    case DispatchResult::Ignored:
        if (state.ReplyStatus != kPrimedStatus || !state.Identity.Revision.isNull())
            std::abort();
        break;
    }
    return 0;
}
