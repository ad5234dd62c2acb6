#pragma once

#include "history/HistoryRecorder.h"

#include <qcoro/qcorotask.h>

class KeyringPasswords;
class UserDialogs;

// Opening the history the technician chose (the History window's field, the settings,
// --history): a file, or a server with its password from the URL, the keyring, libpq's own
// password or service file, or else asked for. The new history is tried on a connection of its
// own first, so one that does not open leaves the history open before as it was.
class HistoryLogin
{
public:
    // keyring may be null (none on this desktop).
    HistoryLogin(HistoryRecorder& recorder, HistoryStore& store, KeyringPasswords* keyring,
                 UserDialogs& dialogs, HistoryRecorder::Warning warning);

    // Opens the history named by text (empty: the default file) and records there from then on.
    // A password given in the URL, or typed with "keep" ticked, goes to the keyring.
    QCoro::Task<HistoryOpenResult> open(QString text);

private:
    QCoro::Task<HistoryOpenResult> openServer(PostgresLocation server);
    // Asks until the server takes the password, the technician cancels or three tries failed.
    HistoryOpenResult askPassword(PostgresLocation& server, HistoryOpenResult tried, bool& keep);
    HistoryOpenResult switchTo(const HistoryLocation& location, const HistoryOpenResult& tried);
    void warn(const QString& text);

    HistoryRecorder& m_recorder;
    HistoryStore& m_store;
    KeyringPasswords* m_keyring;
    UserDialogs& m_dialogs;
    HistoryRecorder::Warning m_warning;
};
