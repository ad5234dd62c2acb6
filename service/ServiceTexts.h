#pragma once

#include "link/ReplyWait.h"
#include "service/LanguageTransfer.h"
#include "service/MemoryReset.h"

#include <QString>

// The words the windows and the command-line tool show for the service functions, in the
// current interface language.
namespace ServiceTexts
{
// "Datei " + name + MessageTexts 34 ("Datei " stays German).
QString transferSucceeded(const QString& fileName);
// The message for a failed transfer (the gauge's refusals keep their catalogue texts).
QString transferFailed(const LanguageTransferResult& result);
// MessageTexts 28 after a reset; a clear message for the other outcomes; "" for Declined.
QString resetOutcome(const TransferResult& result);
// What the time display shows when a read fails.
QString clockReadFailed(WaitResult why);
} // namespace ServiceTexts
