// zvctl: the command-line face of ZELVO Service.
#include "cli/CliCommands.h"
#include "cli/CliDialogs.h"
#include "cli/CliSession.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

namespace {
const char* kUsage =
    "usage: zvctl [--simulator] [--sim-dir DIR] [--device ADDR] [--timeout MS] [--trace] [--json]\n"
    "             [--lang de|en] [--yes] COMMAND [ARGS]\n"
    "commands:\n"
    "  scan              list the gauges that advertise nearby\n"
    "  send TEXT         send one raw command (\\r and \\n escapes) and print the reply\n"
    "  battery           read the battery value\n"
    "  time [--set]      read the gauge's clock, or set it to this computer's time first\n";

int usage(const QString& why)
{
    if (!why.isEmpty())
        std::fprintf(stderr, "zvctl: %s\n", why.toLocal8Bit().constData());
    std::fputs(kUsage, stderr);
    return ExitUsage;
}

int run(CliSession& session, const QStringList& args, const QCommandLineParser& parser)
{
    const QString command = args.value(0);
    if (command == QLatin1String("scan") && args.size() == 1)
        return CliCommands::scan(session);
    if (command == QLatin1String("send") && args.size() == 2)
        return CliCommands::send(session, args.at(1));
    if (command == QLatin1String("battery") && args.size() == 1)
        return CliCommands::battery(session);
    if (command == QLatin1String("time") && args.size() == 1)
        return CliCommands::time(session, parser.isSet(QStringLiteral("set")));
    return usage(command.isEmpty() ? QStringLiteral("no command given")
                                   : QStringLiteral("unknown command or wrong arguments: ") + args.join(' '));
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ZVService"));
    QCommandLineParser parser;
    parser.addOptions({
        {"simulator", "use the built-in simulated gauge"},
        {"sim-dir", "load the simulated gauge's files from DIR", "DIR"},
        {"device", "connect to this gauge (12 hex digits)", "ADDR"},
        {"timeout", "time limit of one reply in ms", "MS"},
        {"trace", "print every command and reply on standard error"},
        {"json", "print results as JSON"},
        {"lang", "language of messages: de or en", "LANG", "de"},
        {"yes", "answer Yes to every question"},
        {"set", "time: set the gauge's clock first"},
    });
    parser.addPositionalArgument("command", "the command to run");
    if (!parser.parse(app.arguments()))
        return usage(parser.errorText());
    const QString lang = parser.value(QStringLiteral("lang"));
    bool timeoutOk = true;
    CliOptions options;
    options.simulator = parser.isSet(QStringLiteral("simulator"));
    options.simDir = parser.value(QStringLiteral("sim-dir"));
    options.device = parser.value(QStringLiteral("device"));
    options.timeoutMs = parser.isSet(QStringLiteral("timeout"))
                            ? parser.value(QStringLiteral("timeout")).toInt(&timeoutOk)
                            : 0;
    options.trace = parser.isSet(QStringLiteral("trace"));
    options.json = parser.isSet(QStringLiteral("json"));
    options.language = lang == QLatin1String("en") ? 1 : 0;
    if (lang != QLatin1String("de") && lang != QLatin1String("en"))
        return usage(QStringLiteral("--lang must be de or en"));
    if (!timeoutOk || options.timeoutMs < 0)
        return usage(QStringLiteral("--timeout must be a number of milliseconds"));

    CliDialogs dialogs;
    dialogs.setAssumeYes(parser.isSet(QStringLiteral("yes")));
    setUserDialogs(&dialogs);
    const QStringList args = parser.positionalArguments();
    if (args.isEmpty())
        return usage(QStringLiteral("no command given"));
    CliSession session(options);
    if (!session.open())
        return ExitFailed;
    const int rc = run(session, args, parser);
    setUserDialogs(nullptr);
    return rc;
}
