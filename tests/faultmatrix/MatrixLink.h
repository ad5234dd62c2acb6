#pragma once

#include "link/CommandChannel.h"
#include "sim/SimBleClient.h"
#include "sim/SimGauge.h"
#include "state/SharedState.h"

#include <QSignalSpy>

// A simulated gauge at zero latency on a connected link; a dropped link clears DeviceConnected
// as the link window does.
struct MatrixLink {
    SimGauge gauge;
    SimBleClient client{&gauge};
    CommandChannel channel;
    bool dropped = false;

    MatrixLink()
    {
        client.options().connectLatencyMs = 0;
        channel.setClient(&client);
        QObject::connect(&client, &BLEClient::Disconnected, &channel, [this] {
            dropped = true;
            sharedState().DeviceConnected = false;
        });
    }

    bool connectGauge()
    {
        QSignalSpy connected(&client, &BLEClient::Connected);
        if (!client.ConnectDevice(gauge.serverId()).ok() || !connected.wait(2000))
            return false;
        SharedState& s = sharedState();
        s.ServiceId = SimBleClient::kServiceId;
        s.CommandCharId = SimBleClient::kCommandCharId;
        s.DeviceConnected = true;
        return true;
    }
};
