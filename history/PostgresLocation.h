#pragma once

#include "history/LocationError.h"

#include <QList>
#include <QString>
#include <optional>
#include <utility>

// A PostgreSQL server as libpq names it: its connection keywords with their values (host, port,
// dbname, user, sslmode, sslrootcert, service ...), in the order given. The password is kept
// apart so that it is never shown, logged or stored with the rest; empty, libpq looks in its
// password file, its service file and PGPASSWORD.
struct PostgresLocation {
    QList<std::pair<QString, QString>> parameters; // never "password"
    QString password;

    // Reads postgresql://[user[:password]@][host][:port][,...][/dbname][?keyword=value&...]
    // (scheme in any case, postgres:// too) as libpq does: every part %-decoded, every keyword
    // one libpq knows, "ssl=true" as sslmode=require. Total: any text gives a location or error.
    static std::optional<PostgresLocation> fromUrl(const QString& url, LocationError& error);
    // Whether libpq knows this connection keyword.
    static bool isKeyword(const QString& keyword);

    bool has(const QString& keyword) const;
    QString value(const QString& keyword) const;
    // Sets the keyword's value (the last one given counts); "password" goes to `password`.
    void set(const QString& keyword, const QString& value);
    // The URL without the password: for the status line, the settings and the service log.
    QString url() const;
    // "user@host:port/dbname": whom a password kept in the keyring belongs to.
    QString account() const;
};
