#pragma once

#include "state/SharedState.h"

#include <QJsonObject>
#include <QJsonValue>

// A decoded device record as JSON: every field under its name in DeviceRecordValues; the FE / NFE
// pairs as arrays of two, the curve tables as two arrays of 15 points (FE first).
namespace RecordJson
{
// A float as the double nearest to its shortest decimal text (1.23f gives 1.23, not
// 1.2300000190734863), so the JSON shows what the gauge stores and float(value) gives it back.
// NaN and infinities, which JSON cannot hold, give null.
QJsonValue number(float value);

QJsonObject record(const DeviceRecordValues& values);
QJsonObject identity(const IdentityFields& id);
} // namespace RecordJson
