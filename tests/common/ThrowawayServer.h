#pragma once

// A throwaway PostgreSQL 15 server in a temporary folder (as an unprivileged user when run as
// root), listening on 127.0.0.1 at a port free when it starts, user zv without a password.
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTemporaryDir>
#include <pwd.h>
#include <unistd.h>

class ThrowawayServer
{
public:
    QTemporaryDir folder;
    QString log;
    quint16 port = 0;

    // Empty when the server can be set up; else why not.
    QString prepare()
    {
        const QString bin = QStringLiteral("/usr/lib/postgresql/15/bin/");
        if (!QFile::exists(bin + "initdb"))
            return "PostgreSQL 15 server binaries not installed (" + bin + ")";
        if (!QSqlDatabase::isDriverAvailable("QPSQL"))
            return "Qt's QPSQL driver not installed";
        if (geteuid() == 0) {
            const passwd* nobody = getpwnam("nobody");
            if (!nobody || chown(qPrintable(folder.path()), nobody->pw_uid, nobody->pw_gid) != 0)
                return "no unprivileged user to run the server as";
        }
        return tool("initdb", {"-D", data(), "-U", "zv", "-A", "trust", "--no-sync"}) ? QString()
                                                                                      : log;
    }
    // Starts on a free port (a port taken meanwhile by another program: the next one).
    bool start()
    {
        for (int attempt = 0; attempt < 5; ++attempt) {
            if (port == 0 || attempt > 0)
                port = freePort();
            if (tool("pg_ctl", {"-D", data(), "-l", folder.filePath("log"), "-w", "-o",
                                QStringLiteral("-k %1 -p %2 -c listen_addresses=127.0.0.1")
                                    .arg(folder.path())
                                    .arg(port),
                                "start"}))
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
        return stop() && tool("pg_ctl", {"-D", data(), "-l", folder.filePath("log"), "-w", "-o",
                                         QStringLiteral("-k %1 -p %2 -c listen_addresses=127.0.0.1")
                                             .arg(folder.path())
                                             .arg(port),
                                         "start"});
    }
    QString url(const QString& db, quint16 at = 0) const
    {
        return QStringLiteral("postgresql://zv@127.0.0.1:%1/%2").arg(at ? at : port).arg(db);
    }
    // A connection of the caller's beside the programs', made once per database.
    QSqlDatabase direct(const QString& db) const
    {
        const QString name = "direct-" + db;
        if (QSqlDatabase::contains(name))
            return QSqlDatabase::database(name);
        QSqlDatabase c = QSqlDatabase::addDatabase("QPSQL", name);
        c.setHostName("127.0.0.1");
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

private:
    QString data() const { return folder.filePath("data"); }
    static quint16 freePort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }
    bool tool(const QString& name, QStringList args)
    {
        const QString program = QStringLiteral("/usr/lib/postgresql/15/bin/") + name;
        QProcess p;
        if (geteuid() == 0)
            args = QStringList{"-u", "nobody", "--", program} + args;
        p.start(geteuid() == 0 ? "runuser" : program, args);
        const bool ok = p.waitForFinished(60000) && p.exitCode() == 0;
        log = p.readAllStandardOutput() + p.readAllStandardError();
        return ok;
    }
};
