#pragma once

#include "link/CommandChannel.h"
#include "sim/SimBleClient.h"
#include "sim/SimGauge.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"
#include "state/UserDialogs.h"

#include <QSignalSpy>
#include <QStringList>

// A simulated gauge connected at zero latency, its command channel, and the shared state set up
// as after discovery.
struct SimSession {
    SimGauge gauge;
    SimBleClient client{&gauge};
    CommandChannel channel;

    SimSession()
    {
        resetSharedState();
        fillTextTables();
        client.options().connectLatencyMs = 0;
        channel.setClient(&client);
    }

    // Connects the client and marks the link as up; false when the simulator did not connect.
    bool connect()
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

    QStringList transcript() const
    {
        QStringList commands;
        for (const QByteArray& c : gauge.transcript())
            commands.append(QString::fromLatin1(c));
        return commands;
    }
};

// Records every message and question; answers questions and folder requests as told.
class RecordingDialogs final : public UserDialogs
{
public:
    QStringList messages;
    QStringList questions;
    QList<bool> questionDefaults;
    bool answer = false;
    QString folder;
    int folderRequests = 0;

    void message(const QString& text) override { messages.append(text); }
    bool askYesNo(const QString& text, bool defaultYes) override
    {
        questions.append(text);
        questionDefaults.append(defaultYes);
        return answer;
    }
    QString chooseFolder(const QString&, const QString&) override
    {
        ++folderRequests;
        return folder;
    }
};

// Hex text of n bytes counting up from `first` (upper-case digits).
inline QString countingHex(int bytes, int first = 0)
{
    QByteArray data(bytes, '\0');
    for (int i = 0; i < bytes; ++i)
        data[i] = char((first + i) & 0xFF);
    return QString::fromLatin1(data.toHex().toUpper());
}
