#pragma once

#include "link/DeviceOutcome.h"

#include <QString>

// The words the windows and the command-line tool show for the service functions, in the
// current interface language.
namespace ServiceTexts
{
// "Datei " + name + MessageTexts 34 ("Datei " stays German).
QString transferSucceeded(const QString& fileName);
// The message for a failed transfer (the gauge's refusals keep their catalogue texts).
QString transferFailed(const DeviceOutcome& result);
// MessageTexts 28 after a reset; a clear message for the other outcomes; "" for Declined.
QString resetOutcome(const DeviceOutcome& result);
// What the time display shows when a read fails.
QString clockReadFailed(const DeviceOutcome& result);
} // namespace ServiceTexts
