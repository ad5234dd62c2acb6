#pragma once

#include "link/GaugeReply.h"

#include <QStringView>

struct SharedState;

// What the dispatcher made of one value read back from the command characteristic.
enum class DispatchResult {
    Ignored,  // unknown keyword, empty value, or a reply too malformed to take apart
    Applied,  // the shared reply variables were updated
    Identity, // an identity reply filled the identity fields
};

// Stores what every reply of the gauge carries in the shared reply variables (ReplyStatus,
// ReplyData, FileHandle, FileLength, BatteryLevel, the identity fields). A reply that was not
// understood touches no variable.
class ReplyDispatcher
{
public:
    // Takes the value apart (parseReply, with the state's IdentityCommand) and applies it.
    static DispatchResult dispatch(QStringView value, SharedState& state);
    // Applies a parsed reply. A "$ls" listing is compared with the name in ReplyData: its status
    // (20 when the listing holds the name, else 0) is completed in the reply as well.
    static DispatchResult apply(GaugeReply& reply, SharedState& state);

private:
    static void applyListing(GaugeReply& reply, SharedState& state);
};
