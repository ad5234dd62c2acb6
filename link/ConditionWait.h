#pragma once

#include "link/WaitResult.h"

#include <QObject>
#include <QTimer>
#include <coroutine>
#include <functional>

class CancelToken;

// Where one coroutine at a time waits for its owner's state: `co_await wait.until(condition,
// limitMs, token)` ends as Done once the condition holds (it is tested at once and at every
// check() of the owner), as TimedOut when limitMs (> 0) has passed and as Cancelled when the
// token is cancelled or the owner abandons the wait. A pause is a wait for a condition that never
// holds. The owner's handlers call check() after they changed its state; its destructor calls
// abandon(), so no coroutine is left waiting on an object that is gone.
class ConditionWait : public QObject
{
    Q_OBJECT
public:
    class Awaiter
    {
    public:
        bool await_ready();
        void await_suspend(std::coroutine_handle<> handle);
        WaitResult await_resume() const { return m_result; }

    private:
        friend class ConditionWait;
        Awaiter(ConditionWait& wait, std::function<bool()> condition, int limitMs,
                const CancelToken* cancel);
        ConditionWait& m_wait;
        std::function<bool()> m_condition;
        int m_limitMs;
        const CancelToken* m_cancel;
        std::coroutine_handle<> m_handle;
        WaitResult m_result = WaitResult::Done;
    };

    explicit ConditionWait(QObject* parent = nullptr);
    ~ConditionWait() override;

    Awaiter until(std::function<bool()> condition, int limitMs,
                  const CancelToken* cancel = nullptr);
    Awaiter pause(int ms, const CancelToken* cancel = nullptr);
    bool waiting() const { return m_waiter != nullptr; }

    void check();
    void abandon();

private:
    void finish(WaitResult result);

    Awaiter* m_waiter = nullptr;
    QTimer m_limit;
    QMetaObject::Connection m_cancelled;
};
