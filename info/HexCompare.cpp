#include "info/HexCompare.h"

#include <climits>

namespace HexCompare
{
namespace
{
int digit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}
} // namespace

int byteAt(QStringView hex, int offset)
{
    if (offset < 0 || qsizetype(offset) * 2 + 1 >= hex.size())
        return NoByte;
    const int high = digit(hex.at(qsizetype(offset) * 2));
    const int low = digit(hex.at(qsizetype(offset) * 2 + 1));
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
