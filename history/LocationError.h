#pragma once

#include <QString>

// What is wrong with the text naming a history. `part` names where (a scheme, a parameter, "port"
// ...), never a value: a value could be a password.
struct LocationError {
    enum class Kind {
        None,
        UnknownScheme,    // a URL of another kind than postgresql:// or postgres://
        Malformed,        // not a URL libpq would read
        BadEscape,        // a % not followed by two hex digits, or %00
        UnknownParameter, // a query key libpq does not know
        BadPort,          // a port that is not a number from 1 to 65535
        Unpassable,       // a ';', which the Qt driver turns into a space
        NotAFile,         // a server where only a file will do (this PC's own history)
    };
    Kind kind = Kind::None;
    QString part;

    bool isError() const { return kind != Kind::None; }
    // English, for the status line, the service log and standard error.
    QString text() const;
};
