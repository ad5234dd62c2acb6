#pragma once

#include "link/BleLink.h"
#include "link/GaugeSession.h"
#include "sim/SimBleClient.h"
#include "sim/SimGauge.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"
#include "state/UserDialogs.h"

#include <QSignalSpy>
#include <QStringList>

// A simulated gauge at zero latency and the link to it; connectGauge() makes the session as the
// link window's connect does. The link's channels fill the shared reply variables.
struct SimLink {
    SimGauge gauge;
    SimBleClient client{&gauge};
    BleLink link{&client, userDialogs(), sharedState()};
    std::shared_ptr<GaugeSession> session;
    bool dropped = false;

    SimLink()
    {
        client.options().connectLatencyMs = 0;
        link.setConnectPauseMs(0);
        QObject::connect(&client, &BLEClient::Disconnected, &link, [this] { dropped = true; });
    }

    // Connects through the link; false when the simulator did not connect.
    bool connectGauge()
    {
        const auto connected = QCoro::waitFor(link.connectTo(gauge.serverId()));
        session = connected.value.value_or(nullptr);
        return connected.ok();
    }
    CommandChannel& channel() { return session->channel(); }

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
