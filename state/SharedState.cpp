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

void forgetGaugeData(SharedState& state)
{
    state.Identity = IdentityFields();
    state.Record = DeviceRecordValues();
    state.FileHex.clear();
    state.ProbeData.clear();
    state.FactoryData.clear();
}
