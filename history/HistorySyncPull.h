#pragma once

#include "history/HistoryStorePrivate.h"

#include <atomic>

// Copies into a PC's file what changed on the shared server since the file's last pull: table
// by table (gauges, snapshots, visits, events), in order of the server's change numbers, each
// page in one transaction of the file together with the number reached. Rows another PC made
// arrive with their keys; rows of this PC changed by no one else stay out. What arrives never
// waits for the server itself.
namespace HistorySyncPull
{
constexpr int kPageRows = 5000;

// Pulls until nothing new is left or stop is set; false with local or server lastError set.
// pulled counts the rows copied.
bool run(HistoryDb& local, HistoryDb& server, const std::atomic_bool& stop, int& pulled);
} // namespace HistorySyncPull
