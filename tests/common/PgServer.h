#pragma once

#include "tests/common/TestFiles.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

// A throwaway PostgreSQL 15 server in a temporary folder, run as "nobody" when the test runs as
// root. Its Unix socket is in that folder; with TCP it listens on 127.0.0.1 at a port that was
// free when it started (tests of other worktrees run beside it).
class PgServer
{
public:
    QTemporaryDir folder;
    QString log;
    int port = 5432;

    static QString bin() { return QStringLiteral("/usr/lib/postgresql/15/bin/"); }
    // Why the server cannot run here, or empty once its cluster is made (user "zv", trust).
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
    bool start(bool tcp = false)
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            port = tcp ? freePort() : 5432;
            const QString listen = tcp ? "127.0.0.1" : "";
            if (tool("pg_ctl", {"-D", data(), "-l", folder.filePath("log"), "-w", "-o",
                                QString("-k %1 -p %2 -c listen_addresses='%3'")
                                    .arg(folder.path())
                                    .arg(port)
                                    .arg(listen),
                                "start"}))
                return true;
        }
        return false;
    }
    bool stop() { return tool("pg_ctl", {"-D", data(), "-m", "immediate", "-w", "stop"}); }
    QString url(const QString& db) const
    {
        return QString("postgresql://zv@localhost/%1?host=%2&port=%3")
            .arg(db, folder.path())
            .arg(port);
    }
    // A file of the server's (key, configuration) owned by the user it runs as.
    bool writeOwned(const QString& name, const QByteArray& text, bool append = false)
    {
        QFile f(folder.filePath(name));
        return f.open(append ? QIODevice::Append : QIODevice::WriteOnly) &&
               f.write(text) == text.size() &&
               f.setPermissions(QFile::ReadOwner | QFile::WriteOwner) && giveToServer(f.fileName());
    }
    // A connection over the socket as zv, opened once per database.
    QSqlDatabase connection(const QString& db) const
    {
        const QString name = "pgserver-" + db;
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
    bool sql(const QString& statement, const QString& db = "postgres") const
    {
        return QSqlQuery(connection(db)).exec(statement);
    }

private:
    QString data() const { return folder.filePath("data"); }
    // A port the kernel gives for 127.0.0.1 and takes back at once.
    static int freePort()
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
