#pragma once

#include "app/frmService.h"
#include "sim/SimBleClient.h"
#include "sim/SimGauge.h"
#include "tests/common/RecordingDialogs.h"

#include <QTemporaryDir>
#include <memory>

// One program start for a test: a temporary program folder (with or without the logo), the
// scripted dialogs, the simulated gauge at zero latency and the main window with short pauses.
class AppHarness
{
public:
    struct Setup {
        bool withLogo = true;
        SimBleClient::Options sim = fastSim();
        BLEClient* client = nullptr; // used instead of the simulated gauge when set
    };
    static SimBleClient::Options fastSim();

    AppHarness();
    explicit AppHarness(const Setup& setup);
    ~AppHarness();

    frmService& window() { return *m_window; }
    BLE& link();
    QString folder() const { return m_dir.path(); }

    // Opens the link window, scans until the gauge is listed, selects it and clicks connect.
    bool startConnect();
    // The same, then waits; true when the link is ready.
    bool connectGauge();
    // Starts a scan and waits until at least `entries` devices are listed.
    bool scanUntil(int entries);

    RecordingDialogs dialogs;
    SimGauge gauge;
    std::unique_ptr<SimBleClient> client;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<frmService> m_window;
};
