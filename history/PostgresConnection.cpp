#include "history/PostgresConnection.h"

#include "state/LogCategories.h"

#include <QSqlError>
#include <QSqlQuery>

namespace
{
const QString kDriver = QStringLiteral("QPSQL");

// A value as libpq reads it in a connection string: in single quotes, '\' and '\'' escaped.
QString quoted(QString value)
{
    value.replace(u'\\', QStringLiteral("\\\\"));
    value.replace(u'\'', QStringLiteral("\\'"));
    return u'\'' + value + u'\'';
}

bool isSinglePort(const QString& port)
{
    bool number = false;
    port.toInt(&number);
    return number;
}

// The driver's own setters quote what they pass; a port list is no number and goes as an option.
bool takenBySetter(const QString& keyword, const PostgresLocation& location)
{
    return keyword == u"host" || keyword == u"dbname" || keyword == u"user" ||
           (keyword == u"port" && isSinglePort(location.value(keyword)));
}

QList<std::pair<QString, QString>> defaults(const PostgresConnection::Limits& limits)
{
    return {{QStringLiteral("connect_timeout"), QString::number(limits.connectTimeoutS)},
            {QStringLiteral("keepalives"), QStringLiteral("1")},
            {QStringLiteral("keepalives_idle"), QString::number(limits.keepalivesIdleS)},
            {QStringLiteral("keepalives_interval"), QString::number(limits.keepalivesIntervalS)},
            {QStringLiteral("keepalives_count"), QString::number(limits.keepalivesCount)},
            {QStringLiteral("tcp_user_timeout"), QString::number(limits.tcpUserTimeoutMs)},
            {QStringLiteral("fallback_application_name"), limits.applicationName}};
}

// libpq's own words: PQnoPasswordSupplied is never translated; the server's refusal is in the
// server's language, English by default.
PostgresConnection::Refusal refusalOf(const QString& message)
{
    if (message.contains(QLatin1String("no password supplied")))
        return PostgresConnection::Refusal::PasswordMissing;
    if (message.contains(QLatin1String("password authentication failed")))
        return PostgresConnection::Refusal::PasswordRejected;
    return PostgresConnection::Refusal::Other;
}

void remove(const QString& name)
{
    if (QSqlDatabase::contains(name))
        QSqlDatabase::database(name, false).close();
    QSqlDatabase::removeDatabase(name);
}
} // namespace

namespace PostgresConnection
{

QString connectOptions(const PostgresLocation& location, const Limits& limits)
{
    QStringList options;
    for (const auto& [keyword, value] : location.parameters) {
        if (!takenBySetter(keyword, location))
            options << keyword + u'=' + quoted(value);
    }
    for (const auto& [keyword, value] : defaults(limits)) {
        if (!location.has(keyword))
            options << keyword + u'=' + quoted(value);
    }
    return options.join(u' ');
}

bool applySessionLimits(QSqlDatabase& db, const Limits& limits)
{
    // Only where the server, the role or the URL's options set no bound of their own.
    const QString sql =
        QStringLiteral("SELECT set_config(n, v, false) FROM (VALUES ('statement_timeout', '%1'), "
                       "('lock_timeout', '%2'), ('idle_in_transaction_session_timeout', '%3')) "
                       "AS l(n, v) WHERE current_setting(n) = '0'")
            .arg(limits.statementTimeoutMs)
            .arg(limits.lockTimeoutMs)
            .arg(limits.idleInTransactionMs);
    QSqlQuery q(db);
    if (q.exec(sql))
        return true;
    qCInfo(zvHistory) << "session limits not set:" << q.lastError().text();
    return false;
}

Result open(const QString& name, const PostgresLocation& location, const Limits& limits)
{
    if (!QSqlDatabase::isDriverAvailable(kDriver))
        return {false, Refusal::DriverMissing,
                QStringLiteral("the PostgreSQL driver (QPSQL) is not installed")};
    remove(name);
    Result result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(kDriver, name);
        db.setHostName(location.value(QStringLiteral("host")));
        db.setDatabaseName(location.value(QStringLiteral("dbname")));
        db.setUserName(location.value(QStringLiteral("user")));
        db.setPassword(location.password);
        if (const QString port = location.value(QStringLiteral("port")); isSinglePort(port))
            db.setPort(port.toInt());
        db.setConnectOptions(connectOptions(location, limits));
        result.ok = db.open();
        if (result.ok) {
            applySessionLimits(db, limits); // without them the history still works
        } else {
            const QString message = db.lastError().text();
            result.refusal = refusalOf(message);
            result.error = location.url() + QStringLiteral(": ") + message;
        }
    }
    if (!result.ok) {
        qCInfo(zvHistory) << "server not opened:" << result.error;
        remove(name);
    }
    return result;
}

} // namespace PostgresConnection
