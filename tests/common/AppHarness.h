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

    // Opens the link window, scans, selects the gauge and clicks connect (then waits until ready).
    bool startConnect();
    bool connectGauge();
    // Starts a scan and waits until at least `entries` devices are listed.
    bool scanUntil(int entries);
    // Names of the main window's link-dependent controls that are shown, in a fixed order.
    QStringList shownControls();
    // The main window's control of that object name; a missing one ends the test run.
    template <class T> T& control(const char* name)
    {
        T* found = m_window->findChild<T*>(QLatin1String(name));
        if (!found)
            qFatal("the main window has no %s", name);
        return *found;
    }

    RecordingDialogs dialogs;
    SimGauge gauge;
    std::unique_ptr<SimBleClient> client;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<frmService> m_window;
};
