#include "app/KeyringPasswords.h"

#include "state/LogCategories.h"

#include <memory>
#include <qcoro/qcorosignal.h>
#include <qt6keychain/keychain.h>

namespace
{
template <typename Job> std::unique_ptr<Job> job(const QString& service, const QString& account)
{
    auto made = std::make_unique<Job>(service);
    made->setAutoDelete(false);
    made->setInsecureFallback(false); // never a plain file
    made->setKey(account);
    return made;
}
} // namespace

KeyringPasswords::KeyringPasswords(QString service) : m_service(std::move(service)) {}

QCoro::Task<std::optional<QString>> KeyringPasswords::read(QString account)
{
    const auto reading = job<QKeychain::ReadPasswordJob>(m_service, account);
    reading->start();
    co_await qCoro(reading.get(), &QKeychain::Job::finished);
    if (reading->error() == QKeychain::NoError)
        co_return reading->textData();
    m_lastError = reading->errorString();
    qCInfo(zvApp) << "no password in the keyring for" << account << ":" << m_lastError;
    co_return std::nullopt;
}

QCoro::Task<bool> KeyringPasswords::write(QString account, QString password)
{
    const auto writing = job<QKeychain::WritePasswordJob>(m_service, account);
    writing->setTextData(password);
    writing->start();
    co_await qCoro(writing.get(), &QKeychain::Job::finished);
    if (writing->error() == QKeychain::NoError)
        co_return true;
    m_lastError = writing->errorString();
    qCInfo(zvApp) << "password not kept in the keyring for" << account << ":" << m_lastError;
    co_return false;
}
