#pragma once

#include <QString>
#include <QStringList>

// The scenario the fake plays, chosen on its command line.
struct FakeBluezOptions {
    bool noAdapter = false;        // --no-adapter: no Adapter1 object at all
    bool poweredOff = false;       // --powered-off: the adapter exists, Powered = false
    bool neverResolve = false;     // --never-resolve: Connect never reaches ServicesResolved
    int disconnectAfter = 0;       // --disconnect-after K: the link drops when command K+1 arrives
    bool noCommandChar = false;    // --no-command-char: the gauge service lacks the command char
    int replyDelayMs = 0;          // --reply-delay MS: the read-back of a reply comes this late
    int opDelayUs = 0; // --op-delay-us US: every write and read of the command char takes this long
    bool ignoreDisconnect = false; // --ignore-disconnect: Disconnect is never answered
    QString simDir;                // --sim-dir DIR: device files loaded into the gauge
    QString dumpDir;               // --dump-dir DIR: device files written here at exit
    QStringList remembered;        // --remembered ID (repeatable): a device known before the scan
    bool showVersion = false;      // --version: print the bluetoothd version and quit
};

// Parses the fake's arguments (without the program name). On a bad argument returns false and
// puts a one-line reason into error.
bool parseFakeBluezOptions(const QStringList& args, FakeBluezOptions& options, QString& error);
