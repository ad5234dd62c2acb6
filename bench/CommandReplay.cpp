#include "bench/CommandReplay.h"

#include <memory>

namespace
{
constexpr qsizetype kFieldStart = 4; // after "$xx?"

bool startsWithHandle(const QByteArray& text)
{
    return text.startsWith("$rd?") || text.startsWith("$fc?") || text.startsWith("$fr?");
}

qsizetype handleEnd(const QByteArray& text)
{
    qsizetype end = kFieldStart;
    while (end < text.size() && text[end] != ' ' && text[end] != '!')
        ++end;
    return end;
}
} // namespace

CommandReplay::CommandReplay(QList<QByteArray> commands, QList<QByteArray> replies)
    : m_commands(std::move(commands)), m_replies(std::move(replies))
{
}

QByteArray CommandReplay::withHandle(QByteArray text, const QByteArray& handle)
{
    if (!startsWithHandle(text))
        return text;
    return text.replace(kFieldStart, handleEnd(text) - kFieldStart, handle);
}

QByteArray CommandReplay::handleOf(const QByteArray& reply)
{
    if (!reply.startsWith("$fr?"))
        return {};
    return reply.mid(kFieldStart, handleEnd(reply) - kFieldStart);
}

// An open names its file where other commands carry the handle: it goes out as recorded.
CommandSource CommandReplay::source() const
{
    auto sent = std::make_shared<qsizetype>(0);
    auto handle = std::make_shared<QByteArray>();
    return [commands = m_commands, sent, handle](const QByteArray& reply) {
        if (const QByteArray h = handleOf(reply); !h.isEmpty())
            *handle = h;
        if (*sent >= commands.size())
            return QByteArray();
        const QByteArray& command = commands[(*sent)++];
        return command.startsWith("$fr?") ? command : withHandle(command, *handle);
    };
}

QString CommandReplay::differenceFrom(const QList<QByteArray>& replies) const
{
    if (replies.size() != m_replies.size())
        return QStringLiteral("%1 replies instead of %2").arg(replies.size()).arg(m_replies.size());
    for (qsizetype i = 0; i < replies.size(); ++i) {
        if (withHandle(replies[i], "H") != withHandle(m_replies[i], "H"))
            return QStringLiteral("reply %1: %2 instead of %3")
                .arg(i + 1)
                .arg(QString::fromLatin1(replies[i].left(40)),
                     QString::fromLatin1(m_replies[i].left(40)));
    }
    return {};
}
