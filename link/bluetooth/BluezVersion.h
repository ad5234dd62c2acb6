#pragma once

#include <QString>

// The version of the BlueZ daemon that serves Bluetooth on this computer (Linux).
namespace BluezVersion
{
// How long the daemon's program may take to name its version.
constexpr int kAnswerLimitMs = 2000;

// Finds the process that owns org.bluez on the system bus, runs its program (or, where that
// process cannot be looked at, the installed bluetoothd) with --version and returns the first
// line it prints ("5.66"). Empty when there is no bus or daemon, the program cannot be found or
// does not answer in time, and on systems without D-Bus.
QString query();
} // namespace BluezVersion
