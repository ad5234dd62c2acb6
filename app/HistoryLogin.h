#pragma once

#include "history/HistoryService.h"

#include <qcoro/qcorotask.h>

class KeyringPasswords;
class UserDialogs;

// Opening the history the technician chose (the History window's field, the settings,
// --history): a file, or a server to synchronise this PC's file with, its password from the URL,
// the keyring, libpq's own password or service file, or else asked for. The new history is tried
// on a connection of its own first, so one that does not open leaves the history open before as
// it was; a server that does not answer now is still taken (this PC records into its own file
// and the synchroniser tries again), one that refuses the password is not.
class HistoryLogin
{
public:
    // localFile: this PC's file while a server is chosen (--history-local; empty: the default).
    // keyring may be null (none on this desktop).
    HistoryLogin(HistoryService& history, QString localFile, KeyringPasswords* keyring,
                 UserDialogs& dialogs, HistoryService::Warning warning);

    // Opens the history named by text (empty: the default file) and records there from then on.
    // A password given in the URL, or typed with "keep" ticked, goes to the keyring.
    QCoro::Task<HistoryOpenResult> open(QString text);

private:
    QCoro::Task<HistoryOpenResult> openServer(PostgresLocation server);
    // Asks until the server takes the password, the technician cancels or three tries failed.
    HistoryOpenResult askPassword(PostgresLocation& server, HistoryOpenResult tried, bool& keep);
    HistoryOpenResult switchTo(const HistoryLocation& location, const HistoryOpenResult& tried);
    void warn(const QString& text);

    HistoryService& m_history;
    QString m_localFile;
    KeyringPasswords* m_keyring;
    UserDialogs& m_dialogs;
    HistoryService::Warning m_warning;
};
