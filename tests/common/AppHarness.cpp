#include "tests/common/AppHarness.h"

#include "link/BLE.h"
#include "link/BleLink.h"
#include "state/SharedState.h"

#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

SimBleClient::Options AppHarness::fastSim()
{
    SimBleClient::Options o;
    o.connectLatencyMs = 0;
    o.advertiseIntervalMs = 5;
    return o;
}

AppHarness::AppHarness() : AppHarness(Setup()) {}

AppHarness::AppHarness(const Setup& setup)
{
    resetSharedState();
    setUserDialogs(&dialogs);
    sharedState().ProgramFolder = m_dir.path();
    if (setup.withLogo) {
        QImage logo(48, 48, QImage::Format_ARGB32);
        logo.fill(Qt::darkBlue);
        logo.save(m_dir.filePath(QStringLiteral("NaxoLogo.png")));
    }
    client = std::make_unique<SimBleClient>(&gauge, setup.sim);
    m_window = std::make_unique<frmService>(setup.client ? setup.client : client.get());
    m_window->setQuitPauseMs(0);
    link().link()->setConnectPauseMs(0);
    link().link()->setTimerIntervalMs(10); // one discovery tick
    m_window->show();
}

AppHarness::~AppHarness()
{
    m_window.reset();
    client.reset();
    setUserDialogs(nullptr);
}

BLE& AppHarness::link()
{
    return *m_window->ble();
}

QStringList AppHarness::shownControls()
{
    QStringList shown;
    for (const char* name : {"cmdConnect", "cmdTime", "cmdInfo", "cmdReset", "cmdSuche", "lstDatei",
                             "cmdTransfer", "pb1", "picZV", "picNaxo"}) {
        if (control<QWidget>(name).isVisible())
            shown << QLatin1String(name);
    }
    return shown;
}

bool AppHarness::scanUntil(int entries)
{
    BLE& w = link();
    w.cmdScan->click();
    return QTest::qWaitFor([&w, entries] { return w.lbDevices->count() >= entries; });
}

bool AppHarness::startConnect()
{
    m_window->cmdConnect_Click();
    if (!scanUntil(1))
        return false;
    link().lbDevices->setCurrentRow(0);
    link().cmdConnect->click();
    return true;
}

bool AppHarness::connectGauge()
{
    BLE& w = link();
    return startConnect() &&
           QTest::qWaitFor([&w] { return sharedState().ServicesFound && w.isHidden(); });
}
