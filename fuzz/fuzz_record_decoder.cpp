// Decodes arbitrary text as a device record and formats its cells as the calibration table does,
// and runs the hex conversions on the whole text and on the short pieces they are really given.
#include "info/RecordCellTexts.h"
#include "info/RecordCodec.h"
#include "info/RecordDecoder.h"

#include <QLocale>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace
{
constexpr qsizetype kPieceLengths[] = {2, 4, 8, 9};
constexpr int32_t kMin16 = -32768;
constexpr int32_t kMax16 = 32767;

void convert(QStringView hex)
{
    const auto single = RecordCodec::HexToValue(hex, u"F");
    const auto integer = RecordCodec::HexToValue(hex, u"I");
    // Anything but a single is a signed 16-bit number; so is every text of up to 4 digits.
    if (integer && (*integer < kMin16 || *integer > kMax16))
        std::abort();
    const auto number = RecordCodec::HexToLong(hex);
    if (number && hex.size() <= 4 && (*number < kMin16 || *number > kMax16))
        std::abort();
    const auto text = RecordCodec::HexToText(hex);
    (void)single;
    (void)text;
}

void decodeAndFormat(const QString& text)
{
    static const QLocale german(QLocale::German, QLocale::Germany);
    DeviceRecordValues values;
    const RecordDecodeResult decoded = decodeRecord(text, values);
    if (!decoded.ok && (decoded.failedField == nullptr || decoded.failedOffset < 0))
        std::abort(); // a failure names its field
    if (recordCellTexts(values, text, german).isEmpty())
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size));
    decodeAndFormat(text);
    convert(text);
    for (const qsizetype length : kPieceLengths)
        convert(QStringView(text).left(length));
    return 0;
}
