#include "tests/bluez/fakebluez/FakeBluezOptions.h"

namespace
{
bool takeNumber(const QStringList& args, int& i, int& value, QString& error)
{
    if (i + 1 >= args.size()) {
        error = QStringLiteral("%1 needs a number").arg(args.at(i));
        return false;
    }
    bool ok = false;
    value = args.at(++i).toInt(&ok);
    if (!ok || value < 0) {
        error = QStringLiteral("%1: not a count: %2").arg(args.at(i - 1), args.at(i));
        return false;
    }
    return true;
}

bool takeText(const QStringList& args, int& i, QString& value, QString& error)
{
    if (i + 1 >= args.size()) {
        error = QStringLiteral("%1 needs a value").arg(args.at(i));
        return false;
    }
    value = args.at(++i);
    return true;
}
} // namespace

bool parseFakeBluezOptions(const QStringList& args, FakeBluezOptions& options, QString& error)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        bool ok = true;
        if (a == QLatin1String("--no-adapter"))
            options.noAdapter = true;
        else if (a == QLatin1String("--powered-off"))
            options.poweredOff = true;
        else if (a == QLatin1String("--never-resolve"))
            options.neverResolve = true;
        else if (a == QLatin1String("--ignore-disconnect"))
            options.ignoreDisconnect = true;
        else if (a == QLatin1String("--no-command-char"))
            options.noCommandChar = true;
        else if (a == QLatin1String("--version"))
            options.showVersion = true;
        else if (a == QLatin1String("--disconnect-after"))
            ok = takeNumber(args, i, options.disconnectAfter, error);
        else if (a == QLatin1String("--reply-delay"))
            ok = takeNumber(args, i, options.replyDelayMs, error);
        else if (a == QLatin1String("--op-delay-us"))
            ok = takeNumber(args, i, options.opDelayUs, error);
        else if (a == QLatin1String("--sim-dir"))
            ok = takeText(args, i, options.simDir, error);
        else if (a == QLatin1String("--dump-dir"))
            ok = takeText(args, i, options.dumpDir, error);
        else if (a == QLatin1String("--remembered"))
            ok = takeText(args, i, options.remembered.emplace_back(), error);
        else {
            error = QStringLiteral("unknown option: %1").arg(a);
            ok = false;
        }
        if (!ok)
            return false;
    }
    return true;
}
