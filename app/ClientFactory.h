#pragma once

#include <QString>

class BLEClient;
class QObject;

// Which BLE back end the program talks through.
struct ClientChoice {
    bool simulator = false; // the simulated gauge in process
    QString simDir;         // device files the simulated gauge starts with (optional)
};

// Creates the back end, owned by parent.
BLEClient* createBleClient(const ClientChoice& choice, QObject* parent);
