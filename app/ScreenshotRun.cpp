#include "app/ScreenshotRun.h"

#include "app/frmService.h"
#include "app/frmTrace.h"
#include "info/frmInfo.h"
#include "link/BLE.h"
#include "link/BleLink.h"
#include "service/frmTime.h"
#include "state/LogCategories.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <functional>

namespace
{
constexpr int kStepLimitMs = 10000;
constexpr int kWakeMs = 20;

// Runs events until done() holds or the limit has passed.
bool waitFor(const std::function<bool()>& done)
{
    QTimer wake;
    wake.start(kWakeMs);
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < kStepLimitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    return done();
}

class Shooter
{
public:
    Shooter(frmService& window, const QString& folder) : w(window), dir(folder) {}

    void save(QWidget* widget, const QString& name)
    {
        widget->show();
        widget->adjustSize();
        QCoreApplication::processEvents();
        const QString path = dir.filePath(name + QLatin1Char('-') + suffix + ".png");
        if (!widget->grab().save(path)) {
            qCWarning(zvApp) << "could not write" << path;
            ++failures;
        }
    }

    void expect(bool reached, const char* what)
    {
        if (!reached) {
            qCWarning(zvApp) << "screenshot state not reached:" << what;
            ++failures;
        }
    }

    void round()
    {
        save(&w, QStringLiteral("main"));
        BLE* link = w.ble();
        link->show();
        link->cmdScan->click();
        expect(waitFor([link] { return link->lbDevices->count() > 0; }), "scan list");
        link->lbDevices->setCurrentRow(0);
        save(link, QStringLiteral("link"));
        link->cmdConnect->click();
        expect(waitFor([link] { return sharedState().ServicesFound && link->isHidden(); }),
               "connected");
        save(&w, QStringLiteral("main-connected"));
        w.cmdInfo_Click();
        if (frmInfo* info = w.info()) {
            info->cmdDaten_Click(); // reads the gauge's two files into the table
            expect(waitFor([info] { return info->TraceBox->text() == menuText(57); }),
                   "information read");
            save(info, QStringLiteral("info"));
            info->hide();
        }
        w.cmdTime_Click();
        frmTime* time = w.timeWindow();
        expect(waitFor([time] { return !time->txtDateTime->text().isEmpty(); }), "time read");
        save(time, QStringLiteral("time"));
        time->close();
        w.mnuTrace_Click();
        save(w.traceWindow(), QStringLiteral("trace"));
        w.traceWindow()->hide();
        link->link()->BLEDisconnect();
        expect(waitFor([] { return !sharedState().DeviceConnected; }), "disconnected");
    }

    frmService& w;
    QDir dir;
    QString suffix;
    int failures = 0;
};
} // namespace

int renderScreenshots(frmService& window, const QString& folder)
{
    if (!QDir().mkpath(folder))
        return 1;
    Shooter shooter(window, folder);
    shooter.suffix = QStringLiteral("de");
    window.German_Click();
    shooter.round();
    shooter.suffix = QStringLiteral("en");
    window.English_Click();
    shooter.round();
    return shooter.failures;
}
