#pragma once

#include "bench/BleStepRunner.h"

class QtBleClient;

// The program's Bluetooth back end driven as BareBleClient drives Qt: a command is written with
// response through QtBleClient, its WriteResponse starts the read-back, its Value the next
// command. Nothing of the command channel or the reply wait takes part. Each step blocks in an
// event loop of its own until it is done.
class BackEndRunner : public BleStepRunner
{
public:
    BackEndRunner(QtBleClient& client, QString gaugeId, QString serviceId, QString commandId);

    // Connects to the gauge (seen in an earlier scan) and discovers its service.
    bool open();
    QList<QByteArray> run(const CommandSource& next);
    bool close();

private:
    void send(const QByteArray& command) override;

    QtBleClient& m_client;
    QString m_gaugeId;
    QString m_serviceId;
    QString m_commandId;
};
