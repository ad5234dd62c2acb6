#pragma once

#include "link/CommandChannel.h"
#include "sim/SimBleClient.h"
#include "sim/SimGauge.h"
#include "state/SharedState.h"
#include "state/UserDialogs.h"

#include <QSignalSpy>
#include <QStringList>

// A simulated gauge on an in-process link, connected and ready for commands.
struct SimLink {
    SimGauge gauge;
    SimBleClient client{&gauge};
    CommandChannel channel;

    SimLink()
    {
        channel.setClient(&client);
        QObject::connect(&client, &BLEClient::Disconnected,
                         [] { sharedState().DeviceConnected = false; });
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

// Answers questions as told and records what was shown.
class ScriptedDialogs final : public UserDialogs
{
public:
    bool answer = false;
    QStringList messages;
    QStringList questions;
    void message(const QString& text) override { messages.append(text); }
    bool askYesNo(const QString& text, bool) override
    {
        questions.append(text);
        return answer;
    }
    QString chooseFolder(const QString&, const QString&) override { return {}; }
};
