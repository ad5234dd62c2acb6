// Takes arbitrary bytes as a language file on the PC and turns them into what goes to the gauge:
// the upper-case hex text with its progress steps, the create command and the write commands of
// 32 bytes each. Every byte must come out again, in order, in exactly one write command.
#include "link/DeviceFile.h"
#include "service/LanguageTransfer.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace
{
constexpr int kHandle = 7;
const QString kName = QStringLiteral("lDE");

// The write command's hex field: "$wr?handle offset count hex!".
QStringView hexField(const QString& command)
{
    const qsizetype end = command.lastIndexOf(u'!');
    const qsizetype start = command.lastIndexOf(u' ', end) + 1;
    if (end < 0 || start <= 0)
        std::abort();
    return QStringView(command).mid(start, end - start);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    int steps = 0;
    const QByteArray hex = LanguageTransfer::hexText(bytes, [&steps] { ++steps; });
    if (hex.size() != 2 * bytes.size() || steps != bytes.size() / LanguageTransfer::kProgressBytes)
        std::abort();
    if (steps >= LanguageTransfer::progressMaximum(bytes.size()))
        std::abort(); // the bar never fills before the commands have gone out
    if (!DeviceFile::createCommand(bytes.size(), kName).contains(kName))
        std::abort();

    // Every chunk's hex field is the next piece of the text, and the text gives back the bytes.
    for (qsizetype offset = 0; offset < hex.size(); offset += LanguageTransfer::kChunkHexChars) {
        const QByteArray chunk = hex.mid(offset, LanguageTransfer::kChunkHexChars);
        const QString command =
            DeviceFile::writeCommand(kHandle, offset / 2, int(chunk.size() / 2), chunk);
        if (hexField(command) != QLatin1StringView(chunk))
            std::abort();
    }
    if (QByteArray::fromHex(hex) != bytes || hex != hex.toUpper())
        std::abort();
    return 0;
}
