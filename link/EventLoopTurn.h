#pragma once

#include <coroutine>

// `co_await EventLoopTurn()` suspends the coroutine and resumes it from the event loop. A device
// sequence that a click starts awaits it first (SequenceRunner): its dialogs and waits then run
// after the click handler has returned, never inside it.
class EventLoopTurn
{
public:
    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> handle) const;
    void await_resume() const noexcept {}
};
