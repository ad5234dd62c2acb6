#include "link/ProtocolTrace.h"

#include "link/CommandChannel.h"
#include "state/RadioText.h"

namespace
{
const QString kSentMark = QStringLiteral("->");
const QString kReceivedMark = QStringLiteral("<-");
const QString kTimeFormat = QStringLiteral("HH:mm:ss.zzz");
} // namespace

ProtocolTrace::ProtocolTrace(QObject* parent) : QObject(parent)
{
    m_clock.start();
}

void ProtocolTrace::attach(CommandChannel* channel)
{
    if (m_channel)
        disconnect(m_channel, nullptr, this, nullptr);
    m_channel = channel;
    if (!channel)
        return;
    connect(channel, &CommandChannel::commandSent, this, &ProtocolTrace::recordSent);
    connect(channel, &CommandChannel::valueReceived, this, &ProtocolTrace::recordReceived);
}

QString ProtocolTrace::formatLine(const TraceLine& line)
{
    const bool sent = line.direction == TraceLine::Direction::Sent;
    QString text = line.time.toString(kTimeFormat) + QStringLiteral("  ") +
                   (sent ? kSentMark : kReceivedMark) + QLatin1Char(' ') + line.text;
    if (!sent && line.roundTripMs >= 0)
        text += QStringLiteral("  (RTT %1 ms)").arg(line.roundTripMs);
    return text;
}

QString ProtocolTrace::text() const
{
    QString all;
    for (const TraceLine& line : m_lines)
        all += formatLine(line) + QLatin1Char('\n');
    return all;
}

void ProtocolTrace::recordSent(const QString& command)
{
    TraceLine line;
    line.direction = TraceLine::Direction::Sent;
    line.text = RadioText::visible(command);
    m_pendingSinceMs = m_clock.elapsed();
    append(line);
}

void ProtocolTrace::recordReceived(const QByteArray& value)
{
    TraceLine line;
    line.direction = TraceLine::Direction::Received;
    line.text = RadioText::visible(QString::fromLatin1(value));
    if (m_pendingSinceMs >= 0)
        line.roundTripMs = m_clock.elapsed() - m_pendingSinceMs;
    m_pendingSinceMs = -1;
    append(line);
}

void ProtocolTrace::clear()
{
    m_lines.clear();
    m_pendingSinceMs = -1;
    emit cleared();
}

void ProtocolTrace::append(TraceLine line)
{
    line.time = QDateTime::currentDateTime();
    if (m_lines.size() >= kMaxLines)
        m_lines.removeFirst();
    m_lines.append(line);
    emit lineAdded(line);
}
