// Takes arbitrary bytes as the content of the PC copy of a gauge file ("probe") and checks the
// text the way the upload does before it sends anything; text that passes survives a save and a
// load unchanged. Everything stays in memory: the file functions' byte conversions are the ones
// loadHexFile and saveHexFile use.
#include "info/DeviceFiles.h"
#include "info/HexText.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace
{
qsizetype lineEndLength(const QByteArray& bytes)
{
    if (bytes.endsWith("\r\n"))
        return 2;
    return bytes.endsWith('\n') ? 1 : 0;
}

void checkText(const QString& hex)
{
    const HexText::Check check = HexText::check(hex);
    if (check.problem == HexText::Problem::NonHexCharacter &&
        (check.position < 0 || check.position >= hex.size()))
        std::abort(); // the offending character lies inside the text
    if (!check.ok())
        return;
    if (hex.isEmpty() || hex.size() % 2 != 0 || hex.size() > HexText::MaxCharacters)
        std::abort();
    // Download then upload gives the same text.
    const PcFileResult again = DeviceFiles::hexFromFileBytes(DeviceFiles::fileBytesFor(hex));
    if (!again.ok || again.hex != hex)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const PcFileResult loaded = DeviceFiles::hexFromFileBytes(bytes);
    if (size < 2) {
        if (loaded.ok || loaded.errorNumber != DeviceFiles::ErrorTooShort)
            std::abort();
        return 0;
    }
    if (!loaded.ok || loaded.hex.size() != bytes.size() - lineEndLength(bytes))
        std::abort();
    checkText(loaded.hex);
    return 0;
}
