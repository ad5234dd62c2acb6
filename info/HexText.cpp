#include "info/HexText.h"

namespace HexText
{
namespace
{
bool isHexDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'F') || (u >= u'a' && u <= u'f');
}
} // namespace

Check check(QStringView hex)
{
    if (hex.isEmpty())
        return {Problem::Empty, -1};
    if (hex.size() > MaxCharacters)
        return {Problem::TooLong, -1};
    for (qsizetype i = 0; i < hex.size(); ++i) {
        if (!isHexDigit(hex.at(i)))
            return {Problem::NonHexCharacter, int(i)};
    }
    if (hex.size() % 2 != 0)
        return {Problem::OddLength, -1};
    return {};
}
} // namespace HexText
