#pragma once

#include "bench/BleCommandRun.h"

#include <QString>

// The commands and replies of one read, recorded from the program, for another client to send
// again. The gauge hands out a new file handle at every open, so the replay puts the handle of
// its own "$fr" reply into the "$rd" and "$fc" commands, and replies are compared without it.
class CommandReplay
{
public:
    CommandReplay() = default;
    CommandReplay(QList<QByteArray> commands, QList<QByteArray> replies);

    int size() const { return int(m_commands.size()); }
    CommandSource source() const;
    // "" when replies are the recorded ones (handles aside), else the first that is not.
    QString differenceFrom(const QList<QByteArray>& replies) const;

    // The handle field ("$rd?H ...", "$fc?H!", "$fr?H ...") replaced by handle.
    static QByteArray withHandle(QByteArray text, const QByteArray& handle);
    // The handle field of a "$fr" reply; empty for anything else.
    static QByteArray handleOf(const QByteArray& reply);

private:
    QList<QByteArray> m_commands;
    QList<QByteArray> m_replies;
};
