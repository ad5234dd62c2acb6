#pragma once

#include <QCoroTask>
#include <coroutine>
#include <memory>

// `co_await EventLoopTurn()` suspends the coroutine and resumes it from the event loop. A device
// sequence that a click starts awaits it first: its dialogs and waits then run after the click
// handler has returned, never inside it.
class EventLoopTurn
{
public:
    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> handle) const;
    void await_resume() const noexcept {}
    // Resumes handle from the event loop, once the handler running now has returned.
    static void resumeLater(std::coroutine_handle<> handle);
};

// Awaits task while holding what it refers to: the object whose member coroutine it is, the
// cancel token it reads. A window starts a sequence through this and may then go away at once.
template <typename T, typename... Kept>
QCoro::Task<T> holding(QCoro::Task<T> task, [[maybe_unused]] std::shared_ptr<Kept>... kept)
{
    co_return co_await task;
}
