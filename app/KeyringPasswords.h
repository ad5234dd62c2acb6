#pragma once

#include <QString>
#include <optional>
#include <qcoro/qcorotask.h>

// Passwords of history servers in the desktop's keyring (the Secret Service of GNOME and
// others, KWallet ...) through QtKeychain, under the service "ZVService history" and the
// server's account ("user@host:port/dbname"). Nothing is written anywhere else: without a
// keyring, read() finds nothing and write() fails.
class KeyringPasswords
{
public:
    explicit KeyringPasswords(QString service = QStringLiteral("ZVService history"));

    QCoro::Task<std::optional<QString>> read(QString account);
    QCoro::Task<bool> write(QString account, QString password);
    // Why the last read or write found or kept nothing (English).
    QString lastError() const { return m_lastError; }

private:
    QString m_service;
    QString m_lastError;
};
