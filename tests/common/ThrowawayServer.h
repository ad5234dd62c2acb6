#pragma once

// A throwaway PostgreSQL 15 server in a temporary folder (as "nobody" when the test runs as
// root): user zv without a password, TCP on 127.0.0.1 at a port that was free when it started
// (tests of other worktrees run beside it), its Unix socket in the folder.
#include "tests/common/TestFiles.h"

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

class ThrowawayServer
{
public:
    QTemporaryDir folder;
    QString log;
    quint16 port = 0;

    static QString bin() { return QStringLiteral("/usr/lib/postgresql/15/bin/"); }
    // Empty when the server can be set up; else why not.
    QString prepare()
    {
        if (!QFile::exists(bin() + "initdb"))
            return "PostgreSQL 15 server binaries not installed (" + bin() + ")";
        if (!QSqlDatabase::isDriverAvailable("QPSQL"))
            return "Qt's QPSQL driver not installed";
        if (!giveToServer(folder.path()))
            return "no unprivileged user to run the server as";
        return tool("initdb", {"-D", data(), "-U", "zv", "-A", "trust", "--no-sync"}) ? QString()
                                                                                      : log;
    }
    // Starts on a free port (a port taken meanwhile by another program: the next one).
    bool start()
    {
        for (int attempt = 0; attempt < 5; ++attempt) {
            port = freePort();
            if (run())
                return true;
        }
        return false;
    }
    bool stop() { return tool("pg_ctl", {"-D", data(), "-m", "immediate", "-w", "stop"}); }
    // Stops and starts again on the same port; the caller's connections are made anew.
    bool restart()
    {
        for (const QString& name : QSqlDatabase::connectionNames())
            if (name.startsWith("direct-"))
                QSqlDatabase::database(name, false).close();
        return stop() && run();
    }
    QString url(const QString& db, quint16 at = 0) const
    {
        return QStringLiteral("postgresql://zv@127.0.0.1:%1/%2").arg(at ? at : port).arg(db);
    }
    // A connection of the caller's over the socket, beside the programs', made once per database.
    QSqlDatabase direct(const QString& db) const
    {
        const QString name = "direct-" + db;
        if (QSqlDatabase::contains(name))
            return QSqlDatabase::database(name);
        QSqlDatabase c = QSqlDatabase::addDatabase("QPSQL", name);
        c.setHostName(folder.path());
        c.setPort(port);
        c.setUserName("zv");
        c.setDatabaseName(db);
        c.open();
        return c;
    }
    // A new empty database; its URL (through the port given, else the server's).
    QString newDatabase(const QString& name, quint16 at = 0) const
    {
        QSqlQuery create(direct("postgres"));
        if (!create.exec("CREATE DATABASE " + name))
            qWarning() << "CREATE DATABASE" << name << create.lastError().text();
        return url(name, at);
    }
    // A file of the server's (key, configuration) owned by the user it runs as.
    bool writeOwned(const QString& name, const QByteArray& text, bool append = false)
    {
        QFile f(folder.filePath(name));
        return f.open(append ? QIODevice::Append : QIODevice::WriteOnly) &&
               f.write(text) == text.size() &&
               f.setPermissions(QFile::ReadOwner | QFile::WriteOwner) && giveToServer(f.fileName());
    }

private:
    QString data() const { return folder.filePath("data"); }
    bool run()
    {
        return tool("pg_ctl", {"-D", data(), "-l", folder.filePath("log"), "-w", "-o",
                               QStringLiteral("-k %1 -p %2 -c listen_addresses=127.0.0.1")
                                   .arg(folder.path())
                                   .arg(port),
                               "start"});
    }
    // A port the kernel gives for 127.0.0.1 and takes back at once.
    static quint16 freePort()
    {
        const int probe = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        const bool bound = bind(probe, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
                           getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size) == 0;
        close(probe);
        return bound ? ntohs(address.sin_port) : 0;
    }
    static bool giveToServer(const QString& path)
    {
        if (geteuid() != 0)
            return true;
        const passwd* nobody = getpwnam("nobody");
        return nobody && chown(qPrintable(path), nobody->pw_uid, nobody->pw_gid) == 0;
    }
    bool tool(const QString& name, QStringList args)
    {
        QProcess p;
        if (geteuid() == 0)
            args = QStringList{"-u", "nobody", "--", bin() + name} + args;
        p.start(geteuid() == 0 ? "runuser" : bin() + name, args);
        const bool ok = p.waitForFinished(60000) && p.exitCode() == 0;
        log = p.readAllStandardOutput() + p.readAllStandardError();
        return ok;
    }
};
