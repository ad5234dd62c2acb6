// Loads arbitrary bytes as the PC copy of a gauge file ("probe") and checks the text the way the
// upload does before it sends anything; text that passes is saved and loaded again unchanged.
#include "info/DeviceFiles.h"
#include "info/HexText.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace
{
const QString kProbeName = QStringLiteral("probe");
const QString kCopyName = QStringLiteral("probe-copy");

QString folder()
{
    // Memory-backed where there is such a folder: one file is written per input.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/zvfuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/zvfuzz-XXXXXX"));
    if (!dir.isValid())
        std::abort();
    return dir.path();
}

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
    if (!DeviceFiles::saveHexFile(folder(), kCopyName, hex).ok)
        std::abort();
    const PcFileResult again = DeviceFiles::loadHexFile(folder(), kCopyName);
    if (!again.ok || again.hex != hex)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        QFile file(QDir(folder()).filePath(kProbeName));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != size)
            std::abort();
    }
    const PcFileResult loaded = DeviceFiles::loadHexFile(folder(), kProbeName);
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
