#include "link/EventLoopTurn.h"

#include <QCoreApplication>

void EventLoopTurn::await_suspend(std::coroutine_handle<> handle) const
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [handle] { handle.resume(); }, Qt::QueuedConnection);
}
