#include "app/ClientFactory.h"
#include "app/HistoryLogin.h"
#include "app/HistorySettings.h"
#include "app/KeyringPasswords.h"
#include "app/QtUserDialogs.h"
#include "app/ScreenshotRun.h"
#include "app/frmService.h"
#include "history/HistoryService.h"
#include "link/BLEClient.h"
#include "state/ProgramFiles.h"
#include "state/ProgramIdentity.h"
#include "state/SharedState.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <cstdio>

namespace
{
struct Arguments {
    ClientChoice client;
    QString screenshots;
    QString history;
    QString historyLocal;
    bool exitWhenShown = false;
};

Arguments parse(const QApplication& app)
{
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption simulator(QStringLiteral("simulator"),
                                       QStringLiteral("Talk to the simulated gauge."));
    const QCommandLineOption simDir(QStringLiteral("sim-dir"),
                                    QStringLiteral("Device files of the simulated gauge."),
                                    QStringLiteral("folder"));
    const QCommandLineOption shots(QStringLiteral("screenshots"),
                                   QStringLiteral("Render the windows to PNG files and end."),
                                   QStringLiteral("folder"));
    // For the start-up benchmark: end as soon as the main window is shown.
    QCommandLineOption exitWhenShown(QStringLiteral("exit-when-shown"),
                                     QStringLiteral("Quit once the main window is shown."));
    exitWhenShown.setFlags(QCommandLineOption::HiddenFromHelp);
    const QCommandLineOption history(
        QStringLiteral("history"),
        QStringLiteral("The service history: an SQLite file or a postgresql:// URL (the shared "
                       "server)."),
        QStringLiteral("file|url"));
    const QCommandLineOption historyLocal(
        QStringLiteral("history-local"),
        QStringLiteral("This PC's history file when --history names a server."),
        QStringLiteral("file"));
    parser.addOptions({simulator, simDir, shots, history, historyLocal, exitWhenShown});
    parser.process(app);
    Arguments a;
    a.client.simulator = parser.isSet(simulator);
    a.client.simDir = parser.value(simDir);
    a.screenshots = parser.value(shots);
    a.history = parser.value(history);
    a.historyLocal = parser.value(historyLocal);
    a.exitWhenShown = parser.isSet(exitWhenShown);
    return a;
}

// Runs that need no display: screenshots, the version and the help.
bool needsNoDisplay(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--screenshots" || arg.startsWith("--screenshots=") || arg == "--version" ||
            arg == "-v" || arg == "--help" || arg == "-h" || arg == "--help-all")
            return true;
    }
    return false;
}

// A platform chosen by the caller (-platform or QT_QPA_PLATFORM), or a display to show on.
bool hasDisplayOrPlatform(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "-platform" || arg == "--platform" || arg.startsWith("-platform="))
            return true;
    }
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

const char* kNoDisplay =
    "zvservice: there is no display here (neither DISPLAY nor WAYLAND_DISPLAY is set); use the "
    "command-line tool (zvctl --simulator identity), or serve the window to a VNC viewer with "
    "zvservice -platform vnc:port=5900 and connect to this machine's port 5900.\n";
} // namespace

int main(int argc, char** argv)
{
    // Screenshots, the version and the help need no display.
    if (needsNoDisplay(argc, argv) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!hasDisplayOrPlatform(argc, argv)) {
        std::fputs(kNoDisplay, stderr);
        return 1;
    }
    QApplication app(argc, argv);
    ProgramIdentity::apply();
    QApplication::setApplicationVersion(QStringLiteral(ZV_VERSION));
    ProgramIdentity::adoptEarlierSettings();
    const Arguments args = parse(app);
    sharedState().ProgramFolder = ProgramFiles::folderFor(QCoreApplication::applicationDirPath());

    QtUserDialogs dialogs;
    // No message box may wait for a click while rendering without a display.
    if (args.screenshots.isEmpty())
        setUserDialogs(&dialogs);
    BLEClient* client = createBleClient(args.client, &app);
    // The history outlives the window, whose link reports its end while it goes.
    QPointer<frmService> statusLine;
    const auto warning = [&statusLine](const QString& text) {
        if (statusLine)
            statusLine->showHistoryWarning(text);
    };
    HistoryService history(warning);
    frmService window(client);
    window.setHistoryStore(&history.store());
    window.setCurrentVisit([&history] { return history.currentVisit(); });
    QObject::connect(&history, &HistoryService::changed, &window,
                     [&] { window.showHistorySync(history.syncStatus()); });
    if (!args.screenshots.isEmpty()) {
        // The simulated visits go into a history of their own, never the technician's.
        const QTemporaryDir scratch;
        window.setJournal(&history.journal());
        const QString file = scratch.filePath(QStringLiteral("history.sqlite"));
        history.open(args.history.isEmpty() ? file : args.history,
                     args.historyLocal.isEmpty() ? file : args.historyLocal);
        // The rendering runs from the event loop; the program ends after its quit sequence.
        QCoro::connect(renderScreenshots(window, args.screenshots), &window,
                       [&window](int failures) {
                           QObject::connect(
                               &window, &frmService::programEnded, qApp,
                               [failures] { QCoreApplication::exit(failures == 0 ? 0 : 1); },
                               Qt::QueuedConnection);
                           window.mnuEnd_Click();
                       });
        const int rc = app.exec();
        setUserDialogs(nullptr);
        return rc;
    }
    statusLine = &window;
    window.setJournal(&history.journal());
    KeyringPasswords keyring;
    HistoryLogin login(history, args.historyLocal, &keyring, dialogs, warning);
    window.setHistoryLogin(&login);
    QSettings settings;
    HistorySettings chosen(settings);
    const QString first = args.history.isEmpty() ? chosen.takeLocation() : args.history;
    QCoro::connect(login.open(first), &window, [](const HistoryOpenResult&) {});
    QObject::connect(&window, &frmService::historyLocationOpened, &window,
                     [&chosen](const QString& location) { chosen.setLocation(location); });
    QObject::connect(&window, &frmService::programEnded, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    window.show();
    // Once the window system has exposed (and so painted) the window. exit(), not quit(): quit()
    // would close the window and run the quit sequence with its pause.
    if (args.exitWhenShown) {
        auto* shown = new QTimer(&app);
        QObject::connect(shown, &QTimer::timeout, &app, [&window] {
            if (window.windowHandle() && window.windowHandle()->isExposed())
                QCoreApplication::exit(0);
        });
        shown->start(1);
    }
    const int rc = app.exec();
    setUserDialogs(nullptr);
    return rc;
}
