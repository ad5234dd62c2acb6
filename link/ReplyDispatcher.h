#pragma once

#include <QString>
#include <QStringView>

struct SharedState;

// What the dispatcher made of one value read back from the command characteristic.
enum class DispatchResult {
    Ignored,  // unknown keyword, empty value, or a reply too malformed to take apart
    Applied,  // the shared reply variables were updated
    Identity, // an identity reply filled the identity fields
};

// Parses every reply of the gauge by its leading keyword and stores what it carries in the shared
// state. Total on any input: a reply that lacks a separator its layout needs is ignored without
// touching any state, and nothing is ever read outside the reply text.
class ReplyDispatcher
{
public:
    static DispatchResult dispatch(QStringView value, SharedState& state);

private:
    static DispatchResult dispatchIdentity(QStringView value, SharedState& state);
    static DispatchResult dispatchFileReply(QStringView value, SharedState& state);
    static DispatchResult dispatchDataReply(QStringView value, SharedState& state);
    static DispatchResult dispatchResetReply(QStringView value, SharedState& state);
    static DispatchResult dispatchPayloadReply(QStringView value, SharedState& state);
};
