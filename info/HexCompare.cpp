#include "info/HexCompare.h"

#include "info/RecordCodec.h"

#include <climits>

namespace HexCompare
{

int byteAt(QStringView hex, int offset)
{
    if (offset < 0 || qsizetype(offset) * 2 + 1 >= hex.size())
        return NoByte;
    const int high = RecordCodec::hexDigitValue(hex.at(qsizetype(offset) * 2));
    const int low = RecordCodec::hexDigitValue(hex.at(qsizetype(offset) * 2 + 1));
    return high < 0 || low < 0 ? NoByte : high * 16 + low;
}

Difference firstDifference(QStringView written, QStringView readBack)
{
    const qsizetype longest = qMax(written.size(), readBack.size());
    const int bytes = int(qMin<qsizetype>((longest + 1) / 2, INT_MAX));
    for (int i = 0; i < bytes; ++i) {
        const int a = byteAt(written, i);
        const int b = byteAt(readBack, i);
        if (a != b || a == NoByte)
            return Difference{i, a, b};
    }
    return {};
}
} // namespace HexCompare
