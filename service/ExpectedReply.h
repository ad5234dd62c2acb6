#pragma once

#include <QByteArray>
#include <QObject>

class CommandChannel;

// Notes whether the reply a sequence waits for has come in, by its leading keyword. The channel
// matches replies to commands only by their effect on the shared state, so a reply to some other
// window's command (a clock read still under way) could otherwise end the wait.
class ExpectedReply : public QObject
{
    Q_OBJECT
public:
    explicit ExpectedReply(CommandChannel& channel, QObject* parent = nullptr);

    // From now on, wait for a value starting with keyword ("$wr?", "$fsf").
    void expect(const QByteArray& keyword);
    bool arrived() const { return m_arrived; }

private:
    QByteArray m_keyword;
    bool m_arrived = false;
};
