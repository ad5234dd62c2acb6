#include "link/ReplyDispatcher.h"

#include "state/SharedState.h"

namespace
{
constexpr qint16 kStatusListingMatch = 20;
} // namespace

DispatchResult ReplyDispatcher::dispatch(QStringView value, SharedState& state)
{
    GaugeReply reply = parseReply(value, state.IdentityCommand);
    return apply(reply, state);
}

DispatchResult ReplyDispatcher::apply(GaugeReply& reply, SharedState& state)
{
    if (!reply.understood)
        return DispatchResult::Ignored;
    if (reply.listing) {
        applyListing(reply, state);
        return DispatchResult::Applied;
    }
    if (reply.handle)
        state.FileHandle = *reply.handle;
    if (reply.length)
        state.FileLength = *reply.length;
    if (reply.data)
        state.ReplyData = *reply.data;
    if (reply.battery)
        state.BatteryLevel = *reply.battery;
    if (reply.status)
        state.ReplyStatus = *reply.status;
    if (reply.identity.isEmpty())
        return DispatchResult::Applied;
    reply.mergeIdentityInto(state.Identity);
    return DispatchResult::Identity;
}

// The first listing is kept whole in ReplyData; once ReplyData holds a name, a listing says
// whether it holds that name.
void ReplyDispatcher::applyListing(GaugeReply& reply, SharedState& state)
{
    if (state.ReplyData.isEmpty()) {
        state.ReplyData = reply.text;
        reply.status = 0;
    } else {
        reply.status = reply.text.contains(state.ReplyData) ? kStatusListingMatch : 0;
    }
    state.ReplyStatus = *reply.status;
}
