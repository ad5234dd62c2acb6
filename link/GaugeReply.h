#pragma once

#include "state/SharedState.h"

#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

// One field of the gauge's identity reply: its key letter (H, M, V, B, R, or any other) and value.
struct IdentityField {
    QChar key;
    QString value;
};

// What one value read back from the command characteristic says, taken apart. Each field that
// is set is the value the reply gives the shared reply variable of the same name; a field left
// unset leaves that variable as it is.
struct GaugeReply {
    QString text;    // the value as it came (Latin-1)
    QString keyword; // its text up to the first "?", blank or "!" ("$rd", "$naxo00")
    // The reply has a keyword the gauge's protocol knows and could be taken apart; a known
    // keyword with a reply too malformed for its layout is not understood (garbled).
    bool understood = false;
    std::optional<qint16> status;  // ReplyStatus (99: a status field that is no number)
    std::optional<qint16> handle;  // FileHandle
    std::optional<qint32> length;  // FileLength
    std::optional<QString> data;   // ReplyData
    std::optional<double> battery; // BatteryLevel
    QList<IdentityField> identity; // the identity fields, in the order they came
    bool listing = false; // "$ls": its status depends on the name searched (ReplyDispatcher)

    // The identity fields merged into `fields`: keys H, M, V, B, R replace theirs.
    void mergeIdentityInto(IdentityFields& fields) const;
};

// Takes a reply apart by its leading keyword; identityCommand is the keyword an identity reply
// must start with. Pure and total on any input: nothing is read outside the text.
GaugeReply parseReply(QStringView value, QStringView identityCommand);

// The keyword of a command or a reply: its text up to the first "?", blank or "!"
// ("$wr?3 0 32 ..." -> "$wr", "$naxo00 H:..." -> "$naxo00").
QString commandKeyword(QStringView command);
