// zvctl: the command-line face of ZELVO Service.
#include "cli/CliCommands.h"
#include "cli/CliDialogs.h"
#include "cli/CliHistoryCommands.h"
#include "cli/CliOutput.h"
#include "cli/CliRecordCommands.h"
#include "cli/CliServiceCommands.h"
#include "cli/CliSession.h"
#include "cli/DeviceAddress.h"
#include "cli/InterruptSignals.h"
#include "history/HistoryService.h"
#include "link/GaugeProtocol.h"
#include "sim/SimGauge.h"
#include "state/ProgramFiles.h"
#include "state/ProgramIdentity.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <memory>

namespace
{
const char* kUsage =
    "usage: zvctl [--simulator] [--sim-dir DIR] [--device ADDR] [--timeout MS] [--trace] [--json]\n"
    "             [--lang de|en] [--yes] [--backup-dir DIR] [--history FILE|URL]\n"
    "             [--history-local FILE] COMMAND [ARGS]\n"
    "       zvctl --version | --help\n"
    "commands:\n"
    "  scan                 list the gauges that advertise nearby\n"
    "  send TEXT            send one raw command (\\r and \\n escapes) and print the reply\n"
    "  battery              read the battery value\n"
    "  time [--set]         read the gauge's clock, or set it to this computer's time first\n"
    "  identity             print the gauge's identity (Hardware, Mac, Controler, Build, "
    "Revision)\n"
    "  read                 read \"probe\" and \"factory\" and print them as the table shows them\n"
    "                       (--json: every decoded field, the hex text and the identity)\n"
    "  download DIR         read both files and save them as DIR/probe and DIR/factory\n"
    "                       (both or none)\n"
    "  upload-probe DIR     write DIR/probe into the gauge's \"probe\" file\n"
    "  write-factory DIR    write DIR/probe into the gauge's \"factory\" file\n"
    "                       both uploads first read the gauge's file, ask before data of\n"
    "                       another gauge or probe type (or none on the gauge to compare with)\n"
    "                       or not one 400-byte record (--yes answers Yes), save the gauge's\n"
    "                       file as a backup (--backup-dir DIR, created when missing, else\n"
    "                       \"backup\" beside the program), and read the file back: only\n"
    "                       identical data count as done\n"
    "  restore FILE --to probe|factory\n"
    "                       write a backup file back into the gauge (backed up and verified)\n"
    "  languages [DIR]      list the language files in DIR or in the program's \"lng\" folder\n"
    "  send-language FILE   send a language file; its name (\"l\" + code, e.g. lDE) is its name\n"
    "                       on the gauge; other names are refused (exit 2)\n"
    "  reset --yes          reset the gauge's memory; without --yes refused (exit 2), nothing "
    "sent\n"
    "  history              list the gauges in the service history\n"
    "  history SERIAL       a gauge's visits and what was done in each\n"
    "  history diff SERIAL [SNAPSHOT SNAPSHOT]\n"
    "                       field by field: two snapshots, or per file its last two contents\n"
    "  history export FILE.csv\n"
    "                       every event of every gauge as CSV\n"
    "  history report SERIAL [VISIT] FILE.pdf\n"
    "                       the service report of a visit (default: the newest) as PDF, in --lang\n"
    "the device commands record into the service history: --history FILE (SQLite), else\n"
    "history.sqlite in the user's data folder (or --history-local FILE); with --history\n"
    "postgresql://user@host[:port]/db?keyword=value... that file is synchronised with the\n"
    "shared server\n"
    "without --simulator zvctl talks through Bluetooth (BlueZ) to the gauge --device names, or to\n"
    "the first one found\n"
    "exit status: 0 done, 1 refused or failed by the gauge, 2 usage error,\n"
    "             3 no reply in time or link lost, 130 / 143 interrupted (SIGINT / SIGTERM):\n"
    "             the running transfer is cancelled and its device file closed; a second\n"
    "             signal ends zvctl at once\n"
    "test aid: --sim-fault K:KIND (repeatable) makes the simulated gauge fail its K-th command,\n"
    "          KIND drop (link drops), silent (no reply), garbled, error (error status)\n";

// A usage error: one line with what was wrong.
int usage(QString why)
{
    if (why.endsWith(QLatin1Char('.')))
        why.chop(1);
    std::fprintf(stderr, "zvctl: %s; see zvctl --help\n", why.toLocal8Bit().constData());
    return ExitUsage;
}

bool parseFault(const QString& text, QPair<int, SimFault>& fault)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    bool ok = false;
    const int k = parts.value(0).toInt(&ok);
    if (parts.size() != 2 || !ok || k < 1)
        return false;
    static const QList<QPair<QString, SimFault>> kinds = {{"drop", SimFault::DropLink},
                                                          {"silent", SimFault::NoReply},
                                                          {"garbled", SimFault::Garbled},
                                                          {"error", SimFault::StatusError}};
    for (const auto& kind : kinds) {
        if (parts.at(1) == kind.first) {
            fault = {k, kind.second};
            return true;
        }
    }
    return false;
}

// The command, its arguments and what it needs; -1 when the words name no command.
int run(CliSession& session, const QStringList& args, const QCommandLineParser& parser,
        HistoryService& history)
{
    const QString command = args.value(0);
    const int n = int(args.size());
    const QString arg = args.value(1);
    if (command == QLatin1String("history"))
        return CliHistoryCommands::run(history, args.mid(1), session.options().json,
                                       session.options().programFolder);
    if (command == QLatin1String("scan") && n == 1)
        return CliCommands::scan(session);
    if (command == QLatin1String("send") && n == 2)
        return CliCommands::send(session, arg);
    if (command == QLatin1String("battery") && n == 1)
        return CliCommands::battery(session);
    if (command == QLatin1String("time") && n == 1)
        return CliServiceCommands::time(session, parser.isSet(QStringLiteral("set")));
    if (command == QLatin1String("identity") && n == 1)
        return CliRecordCommands::identity(session);
    if (command == QLatin1String("read") && n == 1)
        return CliRecordCommands::read(session);
    if (command == QLatin1String("download") && n == 2)
        return CliRecordCommands::download(session, arg);
    if (command == QLatin1String("upload-probe") && n == 2)
        return CliRecordCommands::upload(session, arg, GaugeProtocol::kProbeFile);
    if (command == QLatin1String("write-factory") && n == 2)
        return CliRecordCommands::upload(session, arg, GaugeProtocol::kFactoryFile);
    if (command == QLatin1String("restore") && n == 2) {
        const QString to = parser.value(QStringLiteral("to"));
        if (to != GaugeProtocol::kProbeFile && to != GaugeProtocol::kFactoryFile)
            return usage(QStringLiteral("restore needs --to probe or --to factory"));
        return CliRecordCommands::restore(session, arg, to);
    }
    if (command == QLatin1String("languages") && n <= 2)
        return CliServiceCommands::languages(session, arg);
    if (command == QLatin1String("send-language") && n == 2)
        return CliServiceCommands::sendLanguage(session, arg);
    if (command == QLatin1String("reset") && n == 1)
        return CliServiceCommands::reset(session, parser.isSet(QStringLiteral("yes")));
    return usage(command.isEmpty()
                     ? QStringLiteral("no command given")
                     : QStringLiteral("unknown command or wrong arguments: ") + args.join(' '));
}

// The command with the service history around it; the history ends (and says what could not
// be written or stays for the server) after the session has ended its visit.
int runWithHistory(const QStringList& args, const QCommandLineParser& parser,
                   const CliOptions& options, InterruptSignals& interrupts)
{
    HistoryService history(
        [](const QString& text) { CliOutput::message(QStringLiteral("history: ") + text); });
    if (args.first() != QLatin1String("languages") && args.first() != QLatin1String("scan"))
        history.open(parser.value(QStringLiteral("history")),
                     parser.value(QStringLiteral("history-local")));
    int rc = ExitDone;
    {
        CliSession session(options);
        session.setJournal(&history.journal());
        QObject::connect(&interrupts, &InterruptSignals::interrupted, &session,
                         &CliSession::cancel);
        rc = run(session, args, parser, history);
    }
    history.finish();
    return rc;
}

// Reads the options into o; an error text when one is wrong.
QString readOptions(const QCommandLineParser& parser, CliOptions& o)
{
    const QString lang = parser.value(QStringLiteral("lang"));
    if (lang != QLatin1String("de") && lang != QLatin1String("en"))
        return QStringLiteral("--lang must be de or en");
    bool timeoutOk = true;
    o.simulator = parser.isSet(QStringLiteral("simulator"));
    o.simDir = parser.value(QStringLiteral("sim-dir"));
    if (parser.isSet(QStringLiteral("device"))) {
        o.device = parseDeviceAddress(parser.value(QStringLiteral("device")));
        if (o.device.isEmpty())
            return QStringLiteral("--device must be 12 hex digits or six pairs like "
                                  "C0:FF:EE:12:34:56");
    }
    o.timeoutMs = parser.isSet(QStringLiteral("timeout"))
                      ? parser.value(QStringLiteral("timeout")).toInt(&timeoutOk)
                      : 0;
    o.trace = parser.isSet(QStringLiteral("trace"));
    o.backupDir = parser.value(QStringLiteral("backup-dir"));
    o.json = parser.isSet(QStringLiteral("json"));
    o.language = lang == QLatin1String("en") ? 1 : 0;
    if (!timeoutOk || o.timeoutMs < 0)
        return QStringLiteral("--timeout must be a number of milliseconds");
    for (const QString& f : parser.values(QStringLiteral("sim-fault"))) {
        QPair<int, SimFault> fault;
        if (!parseFault(f, fault))
            return QStringLiteral("--sim-fault must be K:drop|silent|garbled|error, K from 1");
        o.simFaults.append(fault);
    }
    if (!o.simFaults.isEmpty() && !o.simulator)
        return QStringLiteral("--sim-fault needs --simulator");
    return {};
}

void addOptions(QCommandLineParser& parser)
{
    parser.addOptions({
        {"simulator", "use the built-in simulated gauge"},
        {"sim-dir", "load the simulated gauge's files from DIR", "DIR"},
        {"sim-fault", "test aid: the simulated gauge fails command K", "K:KIND"},
        {"device", "connect to this gauge (12 hex digits or C0:FF:EE:12:34:56)", "ADDR"},
        {"timeout", "time limit of one reply in ms", "MS"},
        {"trace", "print every command and reply on standard error"},
        {"json", "print results as JSON"},
        {"lang", "language of messages: de or en", "LANG", "de"},
        {"yes", "answer Yes to every question"},
        {"backup-dir", "uploads: keep the backups of the gauge's files in DIR", "DIR"},
        {"set", "time: set the gauge's clock first"},
        {"to", "restore: the gauge's file to write, probe or factory", "FILE"},
        {"history", "the service history: an SQLite file or a postgresql:// URL", "FILE|URL"},
        {"history-local", "this PC's history file when --history names a server", "FILE"},
        {{"h", "help"}, "print this help"},
        {"version", "print the version"},
    });
    parser.addPositionalArgument("command", "the command to run");
}

// The service report draws its pages with widgets (its curves are a Qt Charts chart): that
// command alone runs a QApplication, on the offscreen platform, so that it needs no display and
// draws the same pages with one or without. Every other command runs without the GUI.
std::unique_ptr<QCoreApplication> applicationFor(int& argc, char** argv)
{
    QStringList words;
    for (int i = 0; i < argc; ++i)
        words.append(QString::fromLocal8Bit(argv[i]));
    QCommandLineParser parser;
    addOptions(parser);
    parser.parse(words);
    const QStringList args = parser.positionalArguments();
    if (args.value(0) != QLatin1String("history") || args.value(1) != QLatin1String("report"))
        return std::make_unique<QCoreApplication>(argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QApplication>(argc, argv);
}
} // namespace

int main(int argc, char* argv[])
{
    const std::unique_ptr<QCoreApplication> application = applicationFor(argc, argv);
    const QCoreApplication& app = *application;
    ProgramIdentity::apply();
    QCommandLineParser parser;
    addOptions(parser);
    if (!parser.parse(app.arguments()))
        return usage(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(kUsage, stdout);
        return ExitDone;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::puts("zvctl " ZV_VERSION);
        return ExitDone;
    }
    CliOptions options;
    if (const QString wrong = readOptions(parser, options); !wrong.isEmpty())
        return usage(wrong);
    const QStringList args = parser.positionalArguments();
    if (args.isEmpty())
        return usage(QStringLiteral("no command given"));
    options.programFolder = ProgramFiles::folderFor(QCoreApplication::applicationDirPath());

    CliDialogs dialogs;
    dialogs.setAssumeYes(parser.isSet(QStringLiteral("yes")));
    setUserDialogs(&dialogs);
    // Ctrl-C or a SIGTERM cancels what runs as closing a window does; the exit status says so.
    InterruptSignals interrupts;
    const int rc = runWithHistory(args, parser, options, interrupts);
    setUserDialogs(nullptr);
    return interrupts.received() ? interrupts.exitStatus() : rc;
}
