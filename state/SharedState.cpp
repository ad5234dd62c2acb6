#include "state/SharedState.h"

namespace
{
SharedState& instance()
{
    static SharedState state;
    return state;
}
} // namespace

SharedState& sharedState()
{
    return instance();
}

void resetSharedState()
{
    instance() = SharedState();
}
