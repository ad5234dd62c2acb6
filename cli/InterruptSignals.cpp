#include "cli/InterruptSignals.h"

#include "state/LogCategories.h"

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
constexpr int kSignals[] = {SIGINT, SIGTERM};
int g_pair[2] = {-1, -1}; // [0] read by the event loop, [1] written by the handler
std::atomic<int> g_count{0};
static_assert(std::atomic<int>::is_always_lock_free, "the handler needs a lock-free counter");

// Only async-signal-safe calls here.
void onSignal(int number)
{
    if (g_count.fetch_add(1) > 0)
        _exit(128 + number);
    const int savedErrno = errno;
    const char byte = char(number);
    [[maybe_unused]] const ssize_t written = ::write(g_pair[1], &byte, 1);
    errno = savedErrno;
}

void handleWith(void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : kSignals)
        sigaction(number, &action, nullptr);
}
} // namespace

InterruptSignals::InterruptSignals(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pair) != 0) {
        qCWarning(zvApp) << "no socket pair for signals: Ctrl-C ends the program at once";
        return;
    }
    g_count = 0;
    m_notifier = new QSocketNotifier(g_pair[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &InterruptSignals::onReadable);
    handleWith(onSignal);
}

InterruptSignals::~InterruptSignals()
{
    if (!m_notifier)
        return;
    handleWith(SIG_DFL);
    delete m_notifier;
    for (int& fd : g_pair) {
        ::close(fd);
        fd = -1;
    }
}

void InterruptSignals::onReadable()
{
    char byte = 0;
    if (::read(g_pair[0], &byte, 1) != 1 || m_received != 0)
        return;
    m_received = byte;
    qCInfo(zvApp) << "signal" << m_received << "received: cancelling";
    emit interrupted(m_received);
}
