// Feeds arbitrary text (UTF-8) to the reading of a history's location: a file path or a
// postgresql:// URL. A URL that reads gives back, as shown, a URL that reads the same and holds
// no password; text that does not read is shown without what follows the user name.
#include "history/HistoryLocation.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace
{
// The shown text of a location, read again: the same text, and no password in it.
void checkShown(const QString& shown)
{
    const HistoryLocation again = HistoryLocation::parse(shown);
    if (!again.isValid() || again.displayText() != shown ||
        (again.server && !again.server->password.isEmpty()))
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const HistoryLocation location = HistoryLocation::parse(text);
    if (location.isValid() != !location.error.isError() ||
        (location.server && !location.sqlitePath.isEmpty()))
        std::abort();
    if (location.server)
        checkShown(location.displayText());
    else if (!location.isValid() && location.error.text().isEmpty())
        std::abort();
    (void)HistoryLocation::withoutPassword(text);
    return 0;
}
