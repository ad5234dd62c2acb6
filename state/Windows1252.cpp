#include "state/Windows1252.h"

namespace
{

constexpr char Unmappable = '?';
constexpr char16_t Latin1Low = 0x80;  // first code point that is not ASCII
constexpr char16_t Latin1High = 0xA0; // first Latin-1 code point kept as is above ASCII
constexpr char16_t Latin1End = 0x100;

struct Special {
    char16_t unicode;
    unsigned char byte;
};

// The code page's own characters at bytes 0x80..0x9F.
constexpr Special Specials[] = {
    {0x20AC, 0x80}, {0x201A, 0x82}, {0x0192, 0x83}, {0x201E, 0x84}, {0x2026, 0x85}, {0x2020, 0x86},
    {0x2021, 0x87}, {0x02C6, 0x88}, {0x2030, 0x89}, {0x0160, 0x8A}, {0x2039, 0x8B}, {0x0152, 0x8C},
    {0x017D, 0x8E}, {0x2018, 0x91}, {0x2019, 0x92}, {0x201C, 0x93}, {0x201D, 0x94}, {0x2022, 0x95},
    {0x2013, 0x96}, {0x2014, 0x97}, {0x02DC, 0x98}, {0x2122, 0x99}, {0x0161, 0x9A}, {0x203A, 0x9B},
    {0x0153, 0x9C}, {0x017E, 0x9E}, {0x0178, 0x9F},
};

char encodeUnit(char16_t unit)
{
    if (unit < Latin1Low || (unit >= Latin1High && unit < Latin1End))
        return static_cast<char>(unit);
    for (const Special& special : Specials) {
        if (special.unicode == unit)
            return static_cast<char>(special.byte);
    }
    return Unmappable;
}

char16_t decodeByte(unsigned char byte)
{
    if (byte < Latin1Low || byte >= Latin1High)
        return byte;
    for (const Special& special : Specials) {
        if (special.byte == byte)
            return special.unicode;
    }
    return byte;
}

} // namespace

QByteArray toWindows1252(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar unit = text[i];
        // A character outside the 16-bit plane is one character: one replacement, not two.
        if (unit.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        bytes.append(encodeUnit(unit.unicode()));
    }
    return bytes;
}

QChar fromWindows1252(unsigned char byte)
{
    return QChar(decodeByte(byte));
}

QString fromWindows1252(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char byte : bytes)
        text.append(QChar(decodeByte(static_cast<unsigned char>(byte))));
    return text;
}
