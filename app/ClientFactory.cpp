#include "app/ClientFactory.h"

#include "link/SupportReport.h"
#include "link/bluetooth/BluezVersion.h"
#include "link/bluetooth/QtBleClient.h"
#include "sim/SimBleClient.h"
#include "sim/SimGauge.h"
#include "state/LogCategories.h"

namespace
{
BLEClient* createSimulator(const QString& simDir, QObject* parent)
{
    auto* gauge = new SimGauge(parent);
    if (!simDir.isEmpty()) {
        QStringList skipped;
        const QStringList loaded = gauge->loadFolder(simDir, &skipped);
        qCInfo(zvApp) << "simulated gauge files:" << loaded << "skipped:" << skipped;
    }
    return new SimBleClient(gauge, parent);
}
} // namespace

BLEClient* createBleClient(const ClientChoice& choice, QObject* parent)
{
    // A support file names the BlueZ version also while the simulated gauge is used.
    SupportReport::setBluezVersionProvider(&BluezVersion::query);
    if (choice.simulator)
        return createSimulator(choice.simDir, parent);
    return new QtBleClient(parent);
}
