#pragma once

#include "link/DeviceOutcome.h"
#include "link/GaugeSession.h"

#include <QCoroTask>
#include <QString>

class CancelToken;

// Reading the gauge's record files ("probe", "factory") and its identity. Each step gives what it
// read as its value and stores it in the session it was read in; the session's journal hears of
// it. No widgets, no messages: the caller reports the outcome.
namespace RecordReader
{
// Open, read in blocks of at most 32 bytes, decode, close.
QCoro::Task<DeviceResult<GaugeRecord>> readRecord(GaugeSession& session, QString name,
                                                  const CancelToken* cancel = nullptr);
// The identity request IdentityCommand + CommandTerminator and its reply's fields: a gauge error
// when the reply carries no revision.
QCoro::Task<DeviceResult<IdentityFields>> requestIdentity(GaugeSession& session,
                                                          const CancelToken* cancel = nullptr);
// The record, and after "probe" the identity request.
QCoro::Task<DeviceResult<GaugeRecord>> Lese_Com(GaugeSession& session, QString name,
                                                const CancelToken* cancel = nullptr);
} // namespace RecordReader
