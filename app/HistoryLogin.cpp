#include "app/HistoryLogin.h"

#include "app/KeyringPasswords.h"
#include "history/HistoryTexts.h"
#include "state/LogCategories.h"
#include "state/ServiceLog.h"
#include "state/UserDialogs.h"

namespace
{
constexpr int kPasswordTries = 3;

using Refusal = PostgresConnection::Refusal;

bool wantsPassword(const HistoryOpenResult& r)
{
    return r.refusal == Refusal::PasswordMissing || r.refusal == Refusal::PasswordRejected;
}

// A server that did not answer (or refused for another reason than the password): this PC
// records into its own file meanwhile, and the synchroniser keeps trying.
bool recordsLocally(const HistoryLocation& location, const HistoryOpenResult& tried)
{
    return location.isServer() && tried.refusal == Refusal::Other;
}

// A connection of its own, closed again: whether the history opens, without touching the one
// in use.
HistoryOpenResult trial(const HistoryLocation& location)
{
    HistoryStore store;
    return store.open(location);
}
} // namespace

HistoryLogin::HistoryLogin(HistoryService& history, QString localFile, KeyringPasswords* keyring,
                           UserDialogs& dialogs, HistoryService::Warning warning)
    : m_history(history), m_localFile(std::move(localFile)), m_keyring(keyring), m_dialogs(dialogs),
      m_warning(std::move(warning))
{
}

void HistoryLogin::warn(const QString& text)
{
    qCInfo(zvApp) << "history:" << text;
    AppendServiceLog(QStringLiteral("History: ") + text);
    if (m_warning)
        m_warning(text);
}

QCoro::Task<HistoryOpenResult> HistoryLogin::open(QString text)
{
    const HistoryLocation location = HistoryLocation::parse(text);
    if (location.isServer())
        co_return co_await openServer(*location.server);
    co_return switchTo(location, trial(location));
}

QCoro::Task<HistoryOpenResult> HistoryLogin::openServer(PostgresLocation server)
{
    const bool fromUrl = !server.password.isEmpty();
    if (!fromUrl && m_keyring)
        server.password = (co_await m_keyring->read(server.account())).value_or(QString());
    HistoryOpenResult tried = trial(HistoryLocation{{}, server, {}});
    bool keep = fromUrl;
    if (wantsPassword(tried))
        tried = askPassword(server, tried, keep);
    if (tried.ok && keep && m_keyring && !server.password.isEmpty())
        co_await m_keyring->write(server.account(), server.password);
    co_return switchTo(HistoryLocation{{}, server, {}}, tried);
}

HistoryOpenResult HistoryLogin::askPassword(PostgresLocation& server, HistoryOpenResult tried,
                                            bool& keep)
{
    const QString keepCaption = m_keyring ? HistoryTexts::keepPassword() : QString();
    for (int asked = 0; asked < kPasswordTries && wantsPassword(tried); ++asked) {
        const bool rejected = tried.refusal == Refusal::PasswordRejected;
        const std::optional<PasswordAnswer> answer = m_dialogs.askPassword(
            HistoryTexts::passwordQuestion(server.url(), rejected), keepCaption);
        if (!answer)
            break;
        server.password = answer->password;
        keep = answer->keep;
        tried = trial(HistoryLocation{{}, server, {}});
    }
    return tried;
}

HistoryOpenResult HistoryLogin::switchTo(const HistoryLocation& location,
                                         const HistoryOpenResult& tried)
{
    if (!tried.ok && !recordsLocally(location, tried)) {
        const QString now = m_history.store().isOpen() ? m_history.location() : QString();
        warn(now.isEmpty()
                 ? QStringLiteral("no history: %1; the service work goes on without it")
                       .arg(tried.error)
                 : QStringLiteral("not opened: %1; still recording into %2").arg(tried.error, now));
        return tried;
    }
    if (!tried.movedAside.isEmpty())
        warn(QStringLiteral("the history was damaged: moved to %1, a new one started")
                 .arg(tried.movedAside));
    if (!tried.ok)
        warn(QStringLiteral("the server does not answer now (%1); this PC records into its own "
                            "file and synchronises once it does")
                 .arg(tried.error));
    HistoryOpenResult opened = m_history.open(location, m_localFile);
    opened.movedAside = tried.movedAside;
    return opened;
}
