#pragma once

#include "link/CancelToken.h"
#include "link/DeviceOutcome.h"
#include "link/EventLoopTurn.h"
#include "link/GaugeSession.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

// What a device sequence runs on: the connected gauge's session (null: no gauge connected) and
// the token that cancels it.
struct SequenceContext {
    std::shared_ptr<GaugeSession> session;
    const CancelToken& cancel;
};

template <typename R> using Sequence = std::function<QCoro::Task<R>(SequenceContext)>;

// The one way every window and the command-line tool run a device sequence. The runner takes the
// session's busy mark (one sequence on a gauge at a time), owns the cancel token, starts the
// sequence from the event loop and holds the session and the token until it has ended. It is a
// child of its owner (a window): the owner's end, like cancel(), cancels the sequence, which
// still closes its device file while the link is up. A sequence cancelled after it changed the
// gauge's file is reported through the incomplete-file report, whoever cancelled it.
class SequenceRunner : public QObject
{
    Q_OBJECT
public:
    using IncompleteReport = std::function<void(const DeviceOutcome&)>;

    explicit SequenceRunner(QObject* owner = nullptr);
    ~SequenceRunner() override;

    // Tells the user that a cancelled write left the gauge's file incomplete (the words of the
    // window or of zvctl: how to restore the backup). It must not refer to the owner.
    void setIncompleteReport(IncompleteReport report) { m_report = std::move(report); }

    bool isRunning() const { return bool(m_token); }
    void cancel();

    // Runs the sequence; Busy at once, nothing run, while this runner or another sequence on
    // the session runs. The result comes also when the owner has gone meanwhile.
    template <typename R>
    QCoro::Task<R> run(std::shared_ptr<GaugeSession> session, Sequence<R> sequence);

signals:
    void runningChanged(bool running);

private:
    template <typename R>
    static QCoro::Task<R> runOn(std::shared_ptr<CancelToken> token,
                                std::shared_ptr<GaugeSession> session, Sequence<R> sequence,
                                IncompleteReport report);
    static DeviceOutcome busyOutcome();
    void begin(std::shared_ptr<CancelToken> token);
    void finish(const std::shared_ptr<CancelToken>& token);

    std::shared_ptr<CancelToken> m_token;
    IncompleteReport m_report;
};

template <typename R>
QCoro::Task<R> SequenceRunner::run(std::shared_ptr<GaugeSession> session, Sequence<R> sequence)
{
    if (m_token || (session && session->isBusy())) {
        R busy{};
        outcomeOf(busy) = busyOutcome();
        co_return busy;
    }
    auto token = std::make_shared<CancelToken>();
    begin(token);
    const QPointer<SequenceRunner> self(this);
    R result = co_await runOn<R>(token, std::move(session), std::move(sequence), m_report);
    if (self)
        self->finish(token);
    co_return result;
}

template <typename R>
QCoro::Task<R> SequenceRunner::runOn(std::shared_ptr<CancelToken> token,
                                     std::shared_ptr<GaugeSession> session, Sequence<R> sequence,
                                     IncompleteReport report)
{
    std::optional<GaugeSession::Busy> busy;
    if (session)
        busy.emplace(*session);
    co_await EventLoopTurn();
    // Arguments of a co_await are named: GCC 12 may destroy a temporary built there twice.
    const SequenceContext context{session, *token};
    R result = co_await sequence(context);
    if (const DeviceOutcome& o = outcomeOf(result); o.fileIncomplete && report)
        report(o);
    co_return result;
}
