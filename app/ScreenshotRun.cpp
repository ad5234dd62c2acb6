#include "app/ScreenshotRun.h"

#include "app/frmHistory.h"
#include "app/frmService.h"
#include "app/frmTrace.h"
#include "info/frmInfo.h"
#include "link/BLE.h"
#include "link/BleLink.h"
#include "report/ServiceReportDocument.h"
#include "service/frmTime.h"
#include "state/LogCategories.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"

#include <QCoroTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <chrono>
#include <functional>

namespace
{
constexpr int kStepLimitMs = 10000;
constexpr std::chrono::milliseconds kWake{20};

// Looks at done() every kWake until it holds or the limit has passed.
QCoro::Task<bool> reached(std::function<bool()> done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < kStepLimitMs)
        co_await QCoro::sleepFor(kWake);
    co_return done();
}

QString text(QWidget* window, const char* lineEdit)
{
    const auto* box = window->findChild<QLineEdit*>(QString::fromLatin1(lineEdit));
    return box ? box->text() : QString();
}

class Shooter
{
public:
    Shooter(frmService& window, const QString& folder) : w(window), dir(folder) {}

    // Shows the widget, lets it lay itself out, renders it.
    QCoro::Task<> save(QWidget* widget, QString name)
    {
        widget->show();
        widget->adjustSize();
        co_await QCoro::sleepFor(kWake);
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

    // Waits for done() and counts a state not reached. Callers pass a named condition: g++ 12
    // destroys a lambda written inside a co_await expression twice.
    QCoro::Task<> expectState(std::function<bool()> done, const char* what)
    {
        const bool ok = co_await reached(done);
        expect(ok, what);
    }

    QCoro::Task<> round()
    {
        co_await save(&w, QStringLiteral("main"));
        BLE* link = w.ble();
        link->show();
        link->cmdScan->click();
        const std::function<bool()> listed = [link] { return link->lbDevices->count() > 0; };
        co_await expectState(listed, "scan list");
        link->lbDevices->setCurrentRow(0);
        co_await save(link, QStringLiteral("link"));
        link->cmdConnect->click();
        const std::function<bool()> connected = [link] {
            return sharedState().ServicesFound && link->isHidden();
        };
        co_await expectState(connected, "connected");
        co_await save(&w, QStringLiteral("main-connected"));
        w.cmdInfo_Click();
        co_await infoRound();
        w.cmdTime_Click();
        co_await timeRound();
        w.mnuTrace_Click();
        co_await save(w.traceWindow(), QStringLiteral("trace"));
        w.traceWindow()->hide();
        link->link()->BLEDisconnect();
        const std::function<bool()> disconnected = [] { return !sharedState().DeviceConnected; };
        co_await expectState(disconnected, "disconnected");
        // The visit just made, its events and the two records read, compared.
        w.mnuHistory_Click();
        co_await save(w.historyWindow(), QStringLiteral("history"));
        w.historyWindow()->hide();
    }

    // The read button fills the table and the curves.
    QCoro::Task<> infoRound()
    {
        const QPointer<frmInfo> info = w.info();
        if (!info)
            co_return;
        info->cmdDaten_Click();
        const std::function<bool()> read = [info] {
            return info && text(info, "TraceBox") == menuText(57);
        };
        co_await expectState(read, "information read");
        if (!info)
            co_return;
        co_await save(info, QStringLiteral("info"));
        // The probe data written into "factory": the visit has a verified write to report.
        info->cmdFactory_Click();
        const std::function<bool()> written = [info] { return !info || !info->isBusy(); };
        co_await expectState(written, "factory written");
        if (info)
            info->hide();
    }

    // The service report of the visit just made, in German and in English, from the History
    // window (dev.sh turns the first pages into PNG files).
    void reports()
    {
        frmHistory* history = w.historyWindow();
        history->refresh();
        const int language = sharedState().LanguageIndex;
        const QImage logo = ServiceReportDocument::logoIn(sharedState().ProgramFolder);
        for (const auto& [index, name] :
             {std::pair{LanguageGerman, "de"}, {LanguageEnglish, "en"}}) {
            sharedState().LanguageIndex = qint16(index);
            const std::optional<ServiceReport> report = history->chosenVisitReport();
            const QString path = dir.filePath(QStringLiteral("report-%1.pdf").arg(name));
            if (!report || !ServiceReportDocument(*report, logo).writePdf(path)) {
                qCWarning(zvApp) << "could not write" << path;
                ++failures;
            }
        }
        sharedState().LanguageIndex = qint16(language);
    }

    QCoro::Task<> timeRound()
    {
        const QPointer<frmTime> time = w.timeWindow();
        const std::function<bool()> shown = [time] {
            return time && !time->txtDateTime->text().isEmpty();
        };
        co_await expectState(shown, "time read");
        if (!time)
            co_return;
        co_await save(time, QStringLiteral("time"));
        time->close();
    }

    frmService& w;
    QDir dir;
    QString suffix;
    int failures = 0;
};
} // namespace

QCoro::Task<int> renderScreenshots(frmService& window, QString folder)
{
    if (!QDir().mkpath(folder))
        co_return 1;
    Shooter shooter(window, folder);
    shooter.suffix = QStringLiteral("de");
    window.German_Click();
    co_await shooter.round();
    shooter.reports();
    shooter.suffix = QStringLiteral("en");
    window.English_Click();
    co_await shooter.round();
    co_return shooter.failures;
}
