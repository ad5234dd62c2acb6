#pragma once

#include "history/PostgresLocation.h"

// Where the service history is: an SQLite file or a PostgreSQL server, read from the text the
// user gave (--history, the History window's field, the settings).
struct HistoryLocation {
    QString sqlitePath; // empty with a server, or for the default file
    std::optional<PostgresLocation> server;
    LocationError error; // what was wrong with the text; then neither of the above is set

    // A URL (scheme://...) must be postgresql:// or postgres://, in any case; anything else with
    // a scheme, or a postgres: without //, is an error, never a file of that name. Other texts
    // are file paths. Total on any input.
    static HistoryLocation parse(const QString& text);
    // The text with a password in it taken out, for a text that may not parse (shown in the
    // window, logged): parse(text).displayText() when it parses.
    static QString withoutPassword(const QString& text);

    bool isValid() const { return !error.isError(); }
    bool isServer() const { return server.has_value(); }
    // The file path, or the server's URL without its password.
    QString displayText() const;
};
