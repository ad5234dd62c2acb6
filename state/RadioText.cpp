#include "state/RadioText.h"

namespace
{
constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr char16_t kFirstPrintable = 0x20;
constexpr char16_t kDelete = 0x7F;
constexpr char16_t kLastC1 = 0x9F;
constexpr char16_t kLineSeparator = 0x2028;
constexpr char16_t kParagraphSeparator = 0x2029;

bool isControl(char16_t unit)
{
    return unit < kFirstPrintable || (unit >= kDelete && unit <= kLastC1) ||
           unit == kLineSeparator || unit == kParagraphSeparator;
}

// "\xNN" for a character up to U+00FF, "\uNNNN" above.
QString hexEscape(char16_t unit)
{
    const bool small = unit <= 0xFF;
    QString text = small ? QStringLiteral("\\x") : QStringLiteral("\\u");
    for (int shift = small ? 4 : 12; shift >= 0; shift -= 4)
        text += QLatin1Char(kHexDigits[(unit >> shift) & 0x0F]);
    return text;
}

QString escapeOf(char16_t unit)
{
    switch (unit) {
    case u'\r':
        return QStringLiteral("\\r");
    case u'\n':
        return QStringLiteral("\\n");
    case u'\t':
        return QStringLiteral("\\t");
    case u'\\':
        return QStringLiteral("\\\\");
    default:
        return hexEscape(unit);
    }
}
} // namespace

namespace RadioText
{

QString visible(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t unit = ch.unicode();
        if (isControl(unit) || unit == u'\\')
            out += escapeOf(unit);
        else
            out += ch;
    }
    return out;
}

} // namespace RadioText
