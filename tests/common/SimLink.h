#pragma once

#include "link/CommandChannel.h"
#include "sim/SimBleClient.h"
#include "sim/SimGauge.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"

#include <QSignalSpy>
#include <QStringList>

// A simulated gauge connected at zero latency with its command channel; a dropped link clears
// DeviceConnected as the link window does.
struct SimLink {
    SimGauge gauge;
    SimBleClient client{&gauge};
    CommandChannel channel;
    bool dropped = false;

    SimLink()
    {
        client.options().connectLatencyMs = 0;
        channel.setClient(&client);
        QObject::connect(&client, &BLEClient::Disconnected, &channel, [this] {
            dropped = true;
            sharedState().DeviceConnected = false;
        });
    }

    // Connects the client and sets the shared state as after discovery; false when the
    // simulator did not connect.
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

    // Opens device files for reading straight on the gauge until its next handle is `handle`.
    void takeHandlesBelow(int handle)
    {
        for (int h = 1; h < handle; ++h)
            gauge.handleCommand("$fr?probe!");
        gauge.clearTranscript();
    }

    // The commands received so far, as text.
    QStringList transcript() const
    {
        QStringList list;
        for (const QByteArray& c : gauge.transcript())
            list.append(QString::fromLatin1(c));
        return list;
    }
};

// The same on fresh shared state with the text tables filled.
struct SimSession : SimLink {
    SimSession()
    {
        resetSharedState();
        fillTextTables();
    }
    bool connect() { return connectGauge(); }
};

// Hex text of n bytes counting up from `first` (upper-case digits).
inline QString countingHex(int bytes, int first = 0)
{
    QByteArray data(bytes, '\0');
    for (int i = 0; i < bytes; ++i)
        data[i] = char((first + i) & 0xFF);
    return QString::fromLatin1(data.toHex().toUpper());
}
