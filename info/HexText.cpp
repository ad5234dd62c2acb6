#include "info/HexText.h"

#include "info/RecordCodec.h"

namespace HexText
{

Check check(QStringView hex)
{
    if (hex.isEmpty())
        return {Problem::Empty, -1};
    if (hex.size() > MaxCharacters)
        return {Problem::TooLong, -1};
    for (qsizetype i = 0; i < hex.size(); ++i) {
        if (RecordCodec::hexDigitValue(hex.at(i)) < 0)
            return {Problem::NonHexCharacter, int(i)};
    }
    if (hex.size() % 2 != 0)
        return {Problem::OddLength, -1};
    return {};
}
} // namespace HexText
