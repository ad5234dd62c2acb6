#include "service/ExpectedReply.h"

#include "link/CommandChannel.h"

ExpectedReply::ExpectedReply(CommandChannel& channel, QObject* parent) : QObject(parent)
{
    connect(&channel, &CommandChannel::valueReceived, this, [this](const QByteArray& value) {
        if (!m_keyword.isEmpty() && value.startsWith(m_keyword))
            m_arrived = true;
    });
}

void ExpectedReply::expect(const QByteArray& keyword)
{
    m_keyword = keyword;
    m_arrived = false;
}
