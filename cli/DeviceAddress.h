#pragma once

#include <QString>

// A gauge's Bluetooth address as the user gives it: 12 hex digits, or six pairs separated by
// colons as bluetoothctl prints them, either case. The address as 12 upper-case digits; empty
// when the text is neither.
QString parseDeviceAddress(const QString& text);
