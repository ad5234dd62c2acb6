#pragma once

#include "link/BLEClient.h"

#include <QString>

// Why a scan could not start, from the back end's error code, and what the technician can do
// about it. The back end has already asked the system (on Linux BlueZ over D-Bus); this only
// names the cause. Texts in the current language (the shared LanguageIndex).
namespace BluetoothCheck
{
enum class Cause { None, NoAdapter, AdapterOff, ServiceNotRunning, NoPermission, Other };

Cause causeOf(const BleResult& result);
// One sentence naming the cause; empty for None.
QString causeText(Cause cause);
// One sentence saying what to do; empty for None and Other.
QString adviceText(Cause cause);
// The cause and what to do, for the status line and the message; for a cause outside the four
// the back end's own description.
QString explain(const BleResult& result);
} // namespace BluetoothCheck
