// Every device sequence with every fault at every command, in the core and through the windows.
#include "info/InfoSequences.h"
#include "info/InfoTexts.h"
#include "info/SafeWriter.h"
#include "info/frmInfo.h"
#include "link/BLE.h"
#include "service/DeviceClock.h"
#include "service/LanguageTransfer.h"
#include "service/MemoryReset.h"
#include "service/ServiceTexts.h"
#include "service/frmTime.h"
#include "state/ServiceLog.h"
#include "tests/common/AppHarness.h"
#include "tests/common/SimLink.h"
#include "tests/common/TestFiles.h"

#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

Q_DECLARE_METATYPE(SimFault)

namespace
{
// A silent gauge costs one reply limit per row; a loaded machine must not make a reply late.
constexpr int kReplyLimitMs = 300;
constexpr int kRunBoundMs = 15000;   // far above a legitimate run, below a hang (kWaitBoundMs)
constexpr int kWaitBoundMs = 20000;  // only a hang reaches it
const QByteArray kLanguage(70, 'L'); // two full chunks and a shorter last one

// How one run ended, as far as the tests can see it.
struct RunOutcome {
    bool ok = false;      // the typed result (or the window) reports success
    QString result;       // the window's text, for diagnostics
    QStringList messages; // user messages shown
    bool linkDropped = false;
    int openHandles = 0;  // device files the gauge still holds open
    int commands = 0;     // commands the gauge received during the run
    QString keyword;      // keyword of the faulted command ("$wr")
    QStringList problems; // windows left unusable, files left half-done on the PC
};

// What the gauge, the PC folder and the channel show after a run with the fault at `at`.
void finish(RunOutcome& out, const SimGauge& gauge, int base, int at, const QString& folder,
            const BleLink& link)
{
    out.openHandles = gauge.openHandleCount();
    out.commands = gauge.commandCount() - base;
    static const QRegularExpression end(QStringLiteral("[?!\\r]"));
    if (at > base && at <= gauge.transcript().size())
        out.keyword = QString::fromLatin1(gauge.transcript().at(at - 1)).section(end, 0, 0);
    static const QRegularExpression temporary(
        QStringLiteral("(\\.tmp|\\.part|~|\\.[A-Za-z0-9]{6})$"));
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();) {
        if (temporary.match(it.next()).hasMatch())
            out.problems.append("file left on the PC: " + it.filePath());
    }
    if (link.busy())
        out.problems.append("channel still marked busy");
}

using CoreRun = std::function<void(SimSession&, RecordingDialogs&, const QString&, RunOutcome&)>;

void readButton(SimSession& s, RecordingDialogs& d, const QString& folder, RunOutcome& out)
{
    SequenceRunner runner;
    InfoTools tools{&d, std::make_shared<InfoEvents>(), folder};
    const DeviceOutcome r =
        QCoro::waitFor(runner.run(s.session, Sequence<DeviceOutcome>([tools](SequenceContext run) {
                                      return InfoSequences::readRecords(run, tools);
                                  })));
    out.ok = r.ok() && s.session->identity() && !s.session->identity()->Revision.isEmpty();
}

// Writes the gauge's own record back: every step runs and the verify compares it all.
CoreRun safeWrite(const QString& file)
{
    return [file](SimSession& s, RecordingDialogs& d, const QString& folder, RunOutcome& out) {
        const QByteArray before = s.gauge.file(file);
        QDir().mkpath(folder + "/backup");
        SafeWriter writer(*s.session, d, BackupStore(folder + "/backup"));
        const DeviceOutcome r = QCoro::waitFor(writer.write(file, hexOf(before)));
        out.ok = r.ok();
        if (!r.ok())
            out.messages.append(InfoTexts::safeWriteFailed(r));
    };
}

void language(SimSession& s, RecordingDialogs&, const QString& folder, RunOutcome& out)
{
    if (!writeFile(folder + "/lng/lDE", kLanguage))
        out.problems.append("language file not written");
    LanguageTransfer transfer(*s.session, folder);
    transfer.setLogSink({});
    const DeviceOutcome r = QCoro::waitFor(transfer.run(folder + "/lng/", "lDE"));
    out.ok = r.ok() && s.gauge.file("lDE") == kLanguage;
    if (!r.ok())
        out.messages.append(ServiceTexts::transferFailed(r));
}

// Reads the clock, sets it once the first read is in, reads it again.
void clock(SimSession& s, RecordingDialogs&, const QString&, RunOutcome& out)
{
    DeviceClock clock(s.link);
    QSignalSpy read(&clock, &DeviceClock::timeRead);
    QSignalSpy failed(&clock, &DeviceClock::readFailed);
    QSignalSpy set(&clock, &DeviceClock::timeSet);
    QObject::connect(
        &clock, &DeviceClock::timeRead, &clock,
        [&] { read.count() == 1 ? clock.setTime() : void(); }, Qt::QueuedConnection);
    clock.start();
    (void)QTest::qWaitFor([&] { return !failed.isEmpty() || read.count() >= 2; }, kWaitBoundMs);
    clock.stop();
    out.ok = failed.isEmpty() && read.count() >= 2 && set.count() == 1;
    if (!failed.isEmpty())
        out.messages.append(ServiceTexts::clockReadFailed(failed[0][0].value<DeviceOutcome>()));
}

void reset(SimSession& s, RecordingDialogs&, const QString&, RunOutcome& out)
{
    const DeviceOutcome r = QCoro::waitFor(MemoryReset(*s.session).send());
    if (!(out.ok = r.ok()))
        out.messages.append(ServiceTexts::resetOutcome(r));
}

const QList<QPair<QString, CoreRun>>& coreRuns()
{
    // clang-format off
    static const QList<QPair<QString, CoreRun>> list{{"read", readButton}, {"upload", safeWrite("probe")},
        {"factory", safeWrite("factory")}, {"language", language}, {"time", clock}, {"reset", reset}};
    // clang-format on
    return list;
}

RunOutcome runCore(const CoreRun& run, int k, SimFault fault)
{
    RunOutcome out;
    QTemporaryDir folder;
    RecordingDialogs dialogs;
    dialogs.answer = true; // the one question: a write with nothing on the gauge to compare with
    SimSession s;
    setUserDialogs(&dialogs);
    sharedState().ProgramFolder = folder.path();
    StartServiceLog();
    if (!s.connect())
        out.problems.append("no connection");
    s.gauge.setFault(k, fault);
    run(s, dialogs, folder.path(), out);
    setUserDialogs(nullptr);
    out.messages += dialogs.messages;
    out.linkDropped = s.dropped;
    finish(out, s.gauge, 0, k, folder.path(), s.link);
    return out;
}

// The information window: success only by its ready text (after a pause) and no message.
void infoWindow(AppHarness& app, std::function<void(frmInfo&)> click, const QString& ready,
                RunOutcome& out)
{
    frmInfo& w = *app.window().info();
    click(w);
    const QLineEdit* box = w.findChild<QLineEdit*>("TraceBox");
    (void)QTest::qWaitFor([&] { return !w.isBusy(); }, kWaitBoundMs);
    if (app.dialogs.messages.isEmpty() && box->text() != InfoTexts::failedIndicator())
        (void)QTest::qWaitFor([&] { return box->text().startsWith(ready); }, kWaitBoundMs);
    out.result = box->text();
    out.ok = app.dialogs.messages.isEmpty() && box->text().startsWith(ready);
    if (w.isBusy() || w.findChild<QTimer*>("TimerTrace")->isActive())
        out.problems.append("information window still busy");
    for (const char* b : {"cmdDaten", "cmdSpeichern", "cmdEinspielen", "cmdFactory"}) {
        if (!w.findChild<QPushButton*>(b)->isEnabled())
            out.problems.append(QString("%1 disabled").arg(b));
    }
}

void transferWindow(AppHarness& app, RunOutcome& out)
{
    frmService& w = app.window();
    QListWidget& list = app.control<QListWidget>("lstDatei");
    const QLineEdit& log = app.control<QLineEdit>("txtLog");
    QProgressBar& progress = app.control<QProgressBar>("pb1");
    const auto items = list.findItems("Deutsch", Qt::MatchExactly);
    if (items.isEmpty())
        return out.problems.append("language file not listed");
    list.setCurrentItem(items.first());
    w.lstDatei_Click();
    int shown = -1; // the progress bar's last value
    QObject::connect(&progress, &QProgressBar::valueChanged, [&shown](int v) { shown = v; });
    bool listUsableWhileBusy = false;
    QObject::connect(app.link().link(), &BleLink::busyChanged, &list,
                     [&](bool busy) { listUsableWhileBusy |= busy && list.isEnabled(); });
    w.cmdTransfer_Click();
    (void)QTest::qWaitFor([&] { return log.text() != messageText(33); }, kWaitBoundMs);
    out.result = log.text();
    out.ok = app.dialogs.messages.isEmpty() &&
             out.result == ServiceTexts::transferSucceeded("lDE") &&
             app.gauge.file("lDE") == kLanguage && shown == progress.maximum() &&
             shown == LanguageTransfer::progressMaximum(kLanguage.size()) &&
             app.control<QLineEdit>("txtSpeicher").text() == "0.0";
    if (!out.ok && app.dialogs.messages != QStringList{out.result})
        out.problems.append("status line differs from the one message");
    const bool connected = sharedState().DeviceConnected;
    if (progress.isVisible() || !app.control<QWidget>("cmdTransfer").isEnabled() ||
        !app.control<QWidget>("cmdTime").isEnabled() ||
        app.control<QWidget>("cmdReset").isVisible() != connected ||
        app.control<QWidget>("cmdInfo").isVisible() != connected)
        out.problems.append("main window not back after the transfer");
    if (listUsableWhileBusy)
        out.problems.append("language list usable during the transfer");
}

void resetWindow(AppHarness& app, RunOutcome& out)
{
    frmService& w = app.window();
    app.dialogs.yesNoAnswers.append(true);
    w.cmdReset_Click();
    (void)QTest::qWaitFor([&] { return w.ended() || !app.dialogs.messages.isEmpty(); },
                          kWaitBoundMs);
    out.result = app.control<QLineEdit>("txtLog").text();
    out.ok = app.dialogs.messages.isEmpty() && w.ended();
    if (out.ok && (sharedState().DeviceConnected || out.result != messageText(28) ||
                   app.dialogs.questions != QStringList{"Wollen Sie das Gerät wirklich resetten?"}))
        out.problems.append("ended without the reset question, text or disconnect");
}

// The first read when shown, the set once a time is shown, done when a time follows the set; a
// window left polling on a live link must recover.
void timeWindow(AppHarness& app, RunOutcome& out)
{
    app.window().cmdTime_Click();
    frmTime* t = app.window().timeWindow();
    QStringList failures;
    for (const WaitResult why : {WaitResult::TimedOut, WaitResult::LinkLost, WaitResult::Garbled})
        failures << ServiceTexts::clockReadFailed(DeviceOutcome::fromWait(why, {}, {}));
    auto failedShown = [&] { return failures.contains(t->txtDateTime->text()); };
    QSignalSpy read(t->clock(), &DeviceClock::timeRead);
    for (int reads = 1; reads <= 2 && !failedShown(); ++reads) {
        if (reads == 2)
            t->cmdAkt->click();
        const int before = int(read.count());
        (void)QTest::qWaitFor([&] { return failedShown() || read.count() > before; }, kWaitBoundMs);
    }
    out.result = t->txtDateTime->text();
    out.ok = !failedShown();
    if (!out.ok)
        out.messages.append(out.result);
    if (!t->cmdAkt->isEnabled())
        out.problems.append("set button disabled");
    if (!out.ok && sharedState().DeviceConnected &&
        !QTest::qWaitFor([&] { return !failedShown(); }, kWaitBoundMs))
        out.problems.append("time window does not recover");
    t->close();
}

using WindowRun = std::function<void(AppHarness&, RunOutcome&)>;

const QList<QPair<QString, WindowRun>>& windowRuns()
{
    static const QList<QPair<QString, WindowRun>> list{
        {"window-read",
         [](AppHarness& a, RunOutcome& o) {
             infoWindow(a, &frmInfo::cmdDaten_Click, menuText(57), o);
         }},
        {"window-upload",
         [](AppHarness& a, RunOutcome& o) {
             if (!writeFile(a.folder() + "/Probe/probe",
                            a.gauge.file("probe").toHex().toUpper() + "\r\n"))
                 o.problems.append("probe file not written");
             a.dialogs.folderAnswers.append(a.folder() + "/Probe");
             infoWindow(a, &frmInfo::cmdEinspielen_Click, "Ready", o);
         }},
        {"window-factory",
         [](AppHarness& a, RunOutcome& o) {
             a.link().link()->session()->storeRecord("probe", {hexOf(a.gauge.file("factory")), {}});
             infoWindow(a, &frmInfo::cmdFactory_Click, menuText(57), o);
         }},
        {"window-transfer", transferWindow},
        {"window-reset", resetWindow},
        {"window-time", timeWindow}};
    return list;
}

RunOutcome runWindow(const WindowRun& run, int k, SimFault fault)
{
    RunOutcome out;
    {
        AppHarness app;
        app.dialogs.answer = true;
        writeFile(app.folder() + "/lng/lDE", kLanguage);
        if (!app.connectGauge())
            out.problems.append("no connection");
        const int base = app.gauge.commandCount();
        app.gauge.setFault(base + k, k ? fault : SimFault::None);
        run(app, out);
        out.messages += app.dialogs.messages;
        out.linkDropped = !sharedState().DeviceConnected;
        finish(out, app.gauge, base, base + k, app.folder(), *app.link().link());
        if (!app.window().ended() && app.control<QLineEdit>("txtLog").text() == messageText(33))
            out.problems.append("the main window still says the transfer runs");
    }
    // Windows closed during the run are deleted later; nothing of this run may outlive it.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return out;
}

// Faults after which a sequence still completes: the clock is set without waiting for the
// answer; a backup open answered with an error status finds no file to back up or compare with,
// and the write goes on after a Yes. A link that drops on "$fsf" before the write was
// acknowledged is no reset.
bool completesDespite(const QString& name, int k, const QString& keyword, SimFault fault)
{
    if (keyword == "$slt")
        return fault != SimFault::DropLink;
    return k == 1 && keyword == "$fr" && fault == SimFault::StatusError &&
           (name.endsWith("upload") || name.endsWith("factory"));
}

void checkRun(const QString& name, const RunOutcome& out, int k, SimFault fault, qint64 ms)
{
    const QStringList facts{out.keyword, out.result, QString("%1 ms").arg(ms)};
    const QByteArray what = (facts + out.messages + out.problems).join(" | ").toUtf8();
    QVERIFY2(out.commands >= qMax(k, 1) && ms < kRunBoundMs, what);
    QVERIFY2(out.problems.isEmpty(), what);
    const bool succeeds = k == 0 || completesDespite(name, k, out.keyword, fault);
    QVERIFY2(out.ok == succeeds, what);
    QVERIFY2(succeeds ? k > 0 || out.messages.isEmpty() : !out.messages.value(0).isEmpty(), what);
    // A close the gauge swallows or refuses may leave that one file open on a live link.
    const bool closeFailed = out.keyword == "$fc" && fault != SimFault::DropLink;
    QVERIFY2(out.linkDropped || out.openHandles <= (closeFailed ? 1 : 0), what);
}

const QList<QPair<SimFault, const char*>> kFaults{{SimFault::DropLink, "drop"},
                                                  {SimFault::NoReply, "noreply"},
                                                  {SimFault::Garbled, "garbled"},
                                                  {SimFault::StatusError, "status"}};

// The core sequences, then the windows (named "window-...").
QList<QPair<QString, std::function<RunOutcome(int, SimFault)>>> allRuns()
{
    QList<QPair<QString, std::function<RunOutcome(int, SimFault)>>> list;
    for (const auto& [name, r] : coreRuns())
        list.append({name, [r](int k, SimFault f) { return runCore(r, k, f); }});
    for (const auto& [name, r] : windowRuns())
        list.append({name, [r](int k, SimFault f) { return runWindow(r, k, f); }});
    return list;
}
} // namespace

class FaultMatrixTest : public QObject
{
    Q_OBJECT
    QMap<int, RunOutcome> m_faultFree; // counted the commands; checked in row k = 0
    const QList<QPair<QString, std::function<RunOutcome(int, SimFault)>>> m_runs = allRuns();

private slots:
    // In the core every command, through the windows the first, a middle and the last.
    void matrix_data()
    {
        QTest::addColumn<int>("run");
        QTest::addColumn<int>("k");
        QTest::addColumn<SimFault>("fault");
        // ZV_MATRIX_PART=core or =windows runs one half (ctest runs both halves side by side).
        const QByteArray part = qgetenv("ZV_MATRIX_PART");
        setReplyTimeoutMs(0); // the fault-free runs count the commands: none may time out
        for (int i = 0; i < m_runs.size(); ++i) {
            const QString name = m_runs[i].first;
            const bool window = name.startsWith("window-");
            if (!part.isEmpty() && (part == "windows") != window)
                continue;
            m_faultFree[i] = m_runs[i].second(0, SimFault::None);
            const int n = name == "window-time" ? 2 : m_faultFree[i].commands;
            QTest::addRow("%s/0/none", qPrintable(name)) << i << 0 << SimFault::None;
            for (int k = 1; k <= n; ++k) {
                if (window && k != 1 && k != (n + 1) / 2 && k != n)
                    continue;
                for (const auto& [fault, tag] : kFaults)
                    QTest::addRow("%s/%d/%s", qPrintable(name), k, tag) << i << k << fault;
            }
        }
        setReplyTimeoutMs(kReplyLimitMs);
    }
    // fault f at command k (k = 0: no fault) / ends in time, with a message unless the fault
    // cannot be seen, no file left open on a live link, nothing half-done, windows usable
    void matrix()
    {
        QFETCH(int, run);
        QFETCH(int, k);
        QFETCH(SimFault, fault);
        QElapsedTimer clock;
        clock.start();
        const RunOutcome out = k ? m_runs[run].second(k, fault) : m_faultFree[run];
        checkRun(m_runs[run].first, out, k, fault, k ? clock.elapsed() : 0);
    }
};

QTEST_MAIN(FaultMatrixTest)
#include "tst_faultmatrix.moc"
