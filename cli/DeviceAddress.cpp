#include "cli/DeviceAddress.h"

#include <QStringList>

namespace
{
constexpr int kDigits = 12;
constexpr int kPairs = 6;

bool allHex(const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool hex = (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
        if (!hex)
            return false;
    }
    return true;
}

// "C0:FF:EE:12:34:56" -> "C0FFEE123456"; empty unless six pairs of two characters.
QString joinedPairs(const QString& text)
{
    const QStringList pairs = text.split(QLatin1Char(':'));
    if (pairs.size() != kPairs)
        return {};
    for (const QString& pair : pairs)
        if (pair.size() != 2)
            return {};
    return pairs.join(QString());
}
} // namespace

QString parseDeviceAddress(const QString& text)
{
    const QString digits = text.contains(QLatin1Char(':')) ? joinedPairs(text) : text;
    if (digits.size() != kDigits || !allHex(digits))
        return {};
    return digits.toUpper();
}
