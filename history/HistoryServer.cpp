#include "history/HistoryServer.h"

#include <QSqlError>
#include <QUrl>
#include <QUrlQuery>

namespace HistoryServer
{

bool open(HistoryDb& server, const QString& url)
{
    server.postgres = true;
    server.location = url;
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        server.lastError = QStringLiteral("the PostgreSQL driver (QPSQL) is not installed");
        return false;
    }
    const QUrl u(url);
    const QUrlQuery query(u);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), server.connectionName);
    db.setHostName(query.hasQueryItem(QStringLiteral("host"))
                       ? query.queryItemValue(QStringLiteral("host"), QUrl::FullyDecoded)
                       : u.host());
    db.setPort(query.hasQueryItem(QStringLiteral("port"))
                   ? query.queryItemValue(QStringLiteral("port")).toInt()
                   : u.port(5432));
    db.setUserName(u.userName());
    db.setPassword(u.password());
    db.setDatabaseName(u.path().mid(1));
    db.setConnectOptions(QStringLiteral("connect_timeout=5"));
    if (!db.open()) {
        server.lastError = QStringLiteral("%1: %2").arg(u.toDisplayString(QUrl::RemovePassword),
                                                        db.lastError().text());
        return false;
    }
    QSqlQuery(db).exec(QStringLiteral("SET statement_timeout = %1").arg(kStatementBoundMs));
    server.open = true;
    return true;
}

} // namespace HistoryServer
