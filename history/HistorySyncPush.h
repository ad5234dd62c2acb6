#pragma once

#include "history/HistoryStorePrivate.h"

#include <atomic>

// Copies what of a PC's file waits for the shared server to it, page by page: each page goes in
// one server transaction (under the writers' lock, so change numbers are committed in order) and
// is marked as copied in the file after the server committed it. Rows are matched by their keys
// (gauges by serial or MAC), so a page copied again after a failure changes nothing twice.
namespace HistorySyncPush
{
constexpr int kPageRows = 2000;

// Pushes until nothing waits or stop is set; false with local or server lastError set. pushed
// counts the events copied.
bool run(HistoryDb& local, HistoryDb& server, const std::atomic_bool& stop, int& pushed);
} // namespace HistorySyncPush
