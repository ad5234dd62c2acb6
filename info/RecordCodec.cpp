#include "info/RecordCodec.h"

#include "state/Windows1252.h"

#include <cmath>
#include <cstring>

namespace
{

constexpr qsizetype MaxDigits = 8;   // the widest number the gauge stores is 32 bits
constexpr qsizetype ShortDigits = 4; // up to here the digits denote a 16-bit value

// Half the length rounded to the nearest whole number, ties to even, at least 1.
qsizetype groupCount(qsizetype length)
{
    const qsizetype half = length / 2;
    const bool tie = (length % 2) != 0;
    qsizetype n = (tie && (half % 2) != 0) ? half + 1 : half;
    return n < 1 ? 1 : n;
}

// The two-character groups starting at the 1-based positions 2n-1, 2n-3, ..., 1, last first,
// written into out (room for MaxDigits + 1 characters); gives the number of characters written.
// A group reaching past the end is cut short (it never reads outside the text); for an odd
// length of 5, 9, ... the rounding leaves the last character out. Only for texts of at most
// MaxDigits + 1 characters.
qsizetype reverseGroups(QStringView hex, char16_t* out)
{
    const qsizetype n = groupCount(hex.size());
    qsizetype written = 0;
    for (qsizetype pos = 2 * n - 2; pos >= 0; pos -= 2) {
        for (qsizetype i = pos; i < qMin(pos + 2, hex.size()); ++i)
            out[written++] = hex[i].unicode();
    }
    return written;
}

std::optional<uint32_t> parseUnsigned(QStringView digits)
{
    if (digits.isEmpty() || digits.size() > MaxDigits)
        return std::nullopt;
    uint32_t value = 0;
    for (QChar c : digits) {
        const int d = RecordCodec::hexDigitValue(c);
        if (d < 0)
            return std::nullopt;
        value = (value << 4) | uint32_t(d);
    }
    return value;
}

// One to four digits are a 16-bit two's-complement value, five to eight a 32-bit one.
std::optional<int32_t> parseSigned(QStringView digits)
{
    const auto raw = parseUnsigned(digits);
    if (!raw)
        return std::nullopt;
    if (digits.size() <= ShortDigits)
        return int32_t(int16_t(uint16_t(*raw)));
    return int32_t(*raw);
}

// The number the gauge stores little-end first in hex. A text of more than nine characters keeps
// more than eight digits after the regrouping (nine loses its last one), so it is refused before.
std::optional<int32_t> hexToSigned(QStringView hex)
{
    if (hex.size() > MaxDigits + 1)
        return std::nullopt;
    char16_t digits[MaxDigits + 1];
    return parseSigned(QStringView(digits, reverseGroups(hex, digits)));
}

} // namespace

namespace RecordCodec
{

int hexDigitValue(QChar c)
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

float LongToSingle(int32_t bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::optional<float> HexToValue(QStringView hex, QStringView kind)
{
    const auto value = hexToSigned(hex);
    if (!value)
        return std::nullopt;
    if (kind == u"F")
        return LongToSingle(*value);
    if (*value < INT16_MIN || *value > INT16_MAX)
        return std::nullopt; // overflow of the 16-bit conversion
    return float(*value);
}

std::optional<int32_t> HexToLong(QStringView hex)
{
    return hexToSigned(hex);
}

std::optional<QString> HexToText(QStringView hex)
{
    if (hex.isEmpty())
        return std::nullopt;
    QString text(hex.size() / 2 + hex.size() % 2, QChar());
    qsizetype out = text.size();
    for (qsizetype end = hex.size(); end > 0; end -= 2) {
        const qsizetype start = end >= 2 ? end - 2 : 0; // a leftover first character alone
        const auto byte = parseUnsigned(hex.mid(start, end - start));
        if (!byte)
            return std::nullopt;
        text[--out] = fromWindows1252(static_cast<unsigned char>(*byte));
    }
    return text;
}

} // namespace RecordCodec
