#include "WindowRuns.h"

#include "tests/common/AppHarness.h"
#include "info/InfoTexts.h"
#include "info/frmInfo.h"
#include "link/DeviceBusy.h"
#include "service/DeviceClock.h"
#include "service/ServiceTexts.h"
#include "service/frmTime.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace
{
constexpr int kEntryTransferRunning = 33;
constexpr int kEntryReady = 57;
const QString kUploadReady = QStringLiteral("Ready");
constexpr int kLanguageBytes = 70;
constexpr int kWaitBoundMs = 5000;
const QString kLanguageFile = QStringLiteral("lDE");
const QString kLanguageName = QStringLiteral("Deutsch");

void checkMainWindow(frmService& w, RunOutcome& out)
{
    if (w.ended())
        return;
    const QList<QWidget*> device{w.cmdConnect, w.cmdTime,     w.cmdInfo, w.cmdSuche,
                                 w.lstDatei,   w.cmdTransfer, w.cmdReset};
    for (int i = 0; i < device.size(); ++i) {
        if (!device.at(i)->isEnabled())
            out.problems.append(QStringLiteral("main window device control %1 disabled").arg(i));
    }
    if (w.txtLog->text() == messageText(kEntryTransferRunning))
        out.problems.append(QStringLiteral("the main window still says the transfer runs"));
    if (deviceBusy().isBusy())
        out.problems.append(QStringLiteral("channel still marked busy"));
}

void finish(AppHarness& app, int base, int k, RunOutcome& out)
{
    out.messages += app.dialogs.messages;
    out.linkDropped = !sharedState().DeviceConnected;
    out.openHandles = app.gauge.openHandleCount();
    out.commands = app.gauge.commandCount() - base;
    const QList<QByteArray> sent = app.gauge.transcript();
    if (k > 0 && base + k <= sent.size())
        out.lastKeyword = SequenceRuns::keywordOf(sent.at(base + k - 1));
    for (const QString& f : SequenceRuns::leftoverFiles(app.folder()))
        out.problems.append(QStringLiteral("file left on the PC: ") + f);
    checkMainWindow(app.window(), out);
}

template <typename T> T* control(const frmInfo& w, const char* name)
{
    return w.findChild<T*>(QLatin1String(name));
}

void checkInfoWindow(const frmInfo& w, RunOutcome& out)
{
    if (w.isBusy())
        out.problems.append(QStringLiteral("information window still busy"));
    int i = 0;
    for (const char* button : {"cmdDaten", "cmdSpeichern", "cmdEinspielen", "cmdFactory"}) {
        if (!control<QPushButton>(w, button)->isEnabled())
            out.problems.append(QStringLiteral("information window button %1 disabled").arg(i));
        ++i;
    }
    if (control<QTimer>(w, "TimerTrace")->isActive())
        out.problems.append(QStringLiteral("busy indicator still running"));
}

// The information window reports success only by its ready text (after a pause; it may carry an
// addition such as "Ready – checked") and no message.
void infoWindowResult(const frmInfo& w, const QString& readyText, const RecordingDialogs& dialogs,
                      RunOutcome& out)
{
    const QLineEdit* box = control<QLineEdit>(w, "TraceBox");
    const auto ready = [&] { return box->text().startsWith(readyText); };
    QTest::qWaitFor([&] { return !w.isBusy(); }, kWaitBoundMs);
    if (dialogs.messages.isEmpty() && box->text() != InfoTexts::failedIndicator())
        QTest::qWaitFor(ready, kWaitBoundMs);
    out.result = box->text();
    out.ok = dialogs.messages.isEmpty() && ready();
}

void runInfo(AppHarness& app, WindowRuns::Window window, RunOutcome& out)
{
    using WindowRuns::Window;
    frmInfo& w = *app.window().info();
    QString ready = menuText(kEntryReady);
    if (window == Window::Read) {
        w.cmdDaten_Click();
    } else if (window == Window::Upload) {
        const QString folder = app.folder() + QStringLiteral("/Probe");
        QDir().mkpath(folder);
        QFile f(folder + QStringLiteral("/probe"));
        if (!f.open(QIODevice::WriteOnly) ||
            f.write(SequenceRuns::recordHex().toLatin1() + "\r\n") < 0)
            out.problems.append(QStringLiteral("probe file not written"));
        f.close();
        app.dialogs.folderAnswers.append(folder);
        ready = kUploadReady;
        w.cmdEinspielen_Click();
    } else {
        sharedState().ProbeData = QString::fromLatin1(app.gauge.file("factory").toHex().toUpper());
        w.cmdFactory_Click();
    }
    infoWindowResult(w, ready, app.dialogs, out);
    checkInfoWindow(w, out);
}

void runTransfer(AppHarness& app, RunOutcome& out)
{
    frmService& w = app.window();
    const QList<QListWidgetItem*> items = w.lstDatei->findItems(kLanguageName, Qt::MatchExactly);
    if (items.isEmpty()) {
        out.problems.append(QStringLiteral("language file not listed"));
        return;
    }
    w.lstDatei->setCurrentItem(items.first());
    w.lstDatei_Click();
    w.cmdTransfer_Click();
    QTest::qWaitFor([&] { return w.txtLog->text() != messageText(kEntryTransferRunning); },
                    kWaitBoundMs);
    out.result = w.txtLog->text();
    out.ok = app.dialogs.messages.isEmpty() &&
             out.result == ServiceTexts::transferSucceeded(kLanguageFile) &&
             app.gauge.file(kLanguageFile) == QByteArray(kLanguageBytes, 'L');
}

void runReset(AppHarness& app, RunOutcome& out)
{
    frmService& w = app.window();
    app.dialogs.yesNoAnswers.append(true);
    w.cmdReset_Click();
    QTest::qWaitFor([&] { return w.ended() || !app.dialogs.messages.isEmpty(); }, kWaitBoundMs);
    out.result = w.ended() ? QStringLiteral("program ended") : w.txtLog->text();
    out.ok = app.dialogs.messages.isEmpty() && w.ended();
}

// The first read goes out when the window shows; the set button once a time is shown; done when
// a time is shown after the set. A failure text ends the run.
void runTime(AppHarness& app, RunOutcome& out)
{
    frmService& w = app.window();
    w.cmdTime_Click();
    frmTime* t = w.timeWindow();
    const QStringList failures{ServiceTexts::clockReadFailed(WaitResult::TimedOut),
                               ServiceTexts::clockReadFailed(WaitResult::LinkLost)};
    auto failedShown = [&] { return failures.contains(t->txtDateTime->text()); };
    QSignalSpy read(t->clock(), &DeviceClock::timeRead);
    QTest::qWaitFor([&] { return failedShown() || !read.isEmpty(); }, kWaitBoundMs);
    if (!failedShown()) {
        t->cmdAkt->click();
        const int before = int(read.count());
        QTest::qWaitFor([&] { return failedShown() || read.count() > before; }, kWaitBoundMs);
    }
    out.result = t->txtDateTime->text();
    out.ok = !failedShown();
    if (!out.ok)
        out.messages.append(out.result);
    if (!t->cmdAkt->isEnabled())
        out.problems.append(QStringLiteral("set button disabled"));
    // A window left polling on a live link must show the time again once the fault is past.
    if (!out.ok && sharedState().DeviceConnected &&
        !QTest::qWaitFor([&] { return !failedShown(); }, kWaitBoundMs))
        out.problems.append(QStringLiteral("time window does not recover"));
    t->close();
}
} // namespace

namespace WindowRuns
{
QList<Window> all()
{
    return {Window::Read,     Window::Upload, Window::Factory,
            Window::Transfer, Window::Reset,  Window::Time};
}

QString name(Window window)
{
    switch (window) {
    case Window::Read:
        return QStringLiteral("window-read");
    case Window::Upload:
        return QStringLiteral("window-upload");
    case Window::Factory:
        return QStringLiteral("window-factory");
    case Window::Transfer:
        return QStringLiteral("window-transfer");
    case Window::Reset:
        return QStringLiteral("window-reset");
    case Window::Time:
        return QStringLiteral("window-time");
    }
    return {};
}

// One program start on a gauge with the language file beside it, the fault, the window's run.
static void runWith(Window window, int k, SimFault fault, RunOutcome& out)
{
    AppHarness app;
    QDir().mkpath(app.folder() + QStringLiteral("/lng"));
    QFile f(app.folder() + QStringLiteral("/lng/") + kLanguageFile);
    if (!f.open(QIODevice::WriteOnly) || f.write(QByteArray(kLanguageBytes, 'L')) < 0)
        out.problems.append(QStringLiteral("language file not written"));
    f.close();
    if (!app.connectGauge()) {
        out.problems.append(QStringLiteral("no connection"));
        return;
    }
    const int base = app.gauge.commandCount();
    if (k > 0)
        app.gauge.setFault(base + k, fault);
    switch (window) {
    case Window::Read:
    case Window::Upload:
    case Window::Factory:
        runInfo(app, window, out);
        break;
    case Window::Transfer:
        runTransfer(app, out);
        break;
    case Window::Reset:
        runReset(app, out);
        break;
    case Window::Time:
        runTime(app, out);
        break;
    }
    finish(app, base, k, out);
}

RunOutcome run(Window window, int k, SimFault fault)
{
    RunOutcome out;
    runWith(window, k, fault, out);
    // Windows closed during the run are deleted later; nothing of this run may outlive it.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return out;
}
} // namespace WindowRuns
