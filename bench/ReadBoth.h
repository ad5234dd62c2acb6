#pragma once

#include "info/RecordReader.h"

// What the read benchmarks time: "probe", then "factory" unless the first read failed.
inline QCoro::Task<bool> readBoth(GaugeSession& session)
{
    // Each result into a variable: g++ 12 mishandles a co_await inside a larger expression.
    const QString probeFile = QStringLiteral("probe"), factoryFile = QStringLiteral("factory");
    const DeviceResult<GaugeRecord> probe = co_await RecordReader::Lese_Com(session, probeFile);
    if (!probe.ok())
        co_return false;
    const DeviceResult<GaugeRecord> factory = co_await RecordReader::Lese_Com(session, factoryFile);
    co_return factory.ok();
}
