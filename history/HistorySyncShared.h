#pragma once

#include "history/HistoryServerWatch.h"
#include "history/HistoryTypes.h"

#include <QMutex>
#include <QWaitCondition>
#include <atomic>

// What a synchroniser's thread and the thread that owns it share; it lives as long as either.
struct HistorySyncShared {
    QMutex mutex; // guards the fields up to threadEnded
    QWaitCondition changed;
    HistorySyncStatus status;
    quint64 roundsStarted = 0;
    quint64 roundsEnded = 0;
    bool threadEnded = false;

    std::atomic_bool stop{false};
    HistoryServerWatch watch;
};
