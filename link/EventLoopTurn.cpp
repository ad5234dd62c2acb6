#include "link/EventLoopTurn.h"

#include <QCoreApplication>

void EventLoopTurn::await_suspend(std::coroutine_handle<> handle) const
{
    resumeLater(handle);
}

void EventLoopTurn::resumeLater(std::coroutine_handle<> handle)
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [handle] { handle.resume(); }, Qt::QueuedConnection);
}
