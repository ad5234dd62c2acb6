#include "info/WriteGuard.h"

#include "info/HexCompare.h"
#include "info/RecordDecoder.h"

namespace WriteGuard
{
namespace
{
constexpr int kSerialBytes = 4;
constexpr int kProbeTypeFe = 1;
constexpr int kProbeTypeCombined = 3;

// The little-endian 32-bit value at offset, when all four bytes are there and valid.
std::optional<qint32> int32At(QStringView hex, int offset)
{
    quint32 value = 0;
    for (int i = kSerialBytes - 1; i >= 0; --i) {
        const int b = HexCompare::byteAt(hex, offset + i);
        if (b == HexCompare::NoByte)
            return std::nullopt;
        value = (value << 8) | quint32(b);
    }
    return qint32(value);
}
} // namespace

Marks marksOf(QStringView hex)
{
    Marks marks;
    marks.serialNumber = int32At(hex, RecordLayout::SerialNumber);
    const int type = HexCompare::byteAt(hex, RecordLayout::ProbeType);
    if (type != HexCompare::NoByte)
        marks.probeType = type;
    return marks;
}

Check compare(QStringView dataHex, QStringView gaugeHex)
{
    Check check;
    check.data = marksOf(dataHex);
    check.gauge = marksOf(gaugeHex);
    check.serialDiffers =
        check.data.serialNumber && check.gauge.serialNumber != check.data.serialNumber;
    check.probeTypeDiffers = check.data.probeType && check.gauge.probeType != check.data.probeType;
    return check;
}

QString probeTypeText(int probeType)
{
    if (probeType == kProbeTypeFe)
        return QStringLiteral("1 (FE)");
    if (probeType == kProbeTypeCombined)
        return QStringLiteral("3 (FE/NFE)");
    return QString::number(probeType);
}
} // namespace WriteGuard
