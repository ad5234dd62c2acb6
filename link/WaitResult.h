#pragma once

// How a wait for the gauge ended.
enum class WaitResult {
    Done,      // the expected reply came (or the condition holds)
    TimedOut,  // the time limit ran out
    LinkLost,  // the link dropped (or was not there)
    Cancelled, // the operation was cancelled
    Garbled,   // the awaited reply came, but too malformed to take apart
};

// The default time limit of one wait for a reply, in milliseconds.
constexpr int kReplyTimeoutMs = 5000;
int replyTimeoutMs();
void setReplyTimeoutMs(int ms); // 0 or less restores the default

// A short English description of a wait result for logs and the command-line tool.
const char* waitResultName(WaitResult result);
