#include "state/RadioText.h"

#include <QChar>

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

// Format characters are invisible and steer the layout: bidirectional marks, embeddings,
// overrides and isolates, zero-width spaces and joiners, the byte order mark, tag characters.
bool isFormat(char32_t codePoint)
{
    return QChar::category(codePoint) == QChar::Other_Format;
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

// The code units of the character at i: two for a surrogate pair, else one.
qsizetype unitsAt(QStringView text, qsizetype i)
{
    return text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
}

// Whether a character (one code unit, or a surrogate pair) is shown as escapes.
bool spelledOut(QStringView character)
{
    const char16_t first = character[0].unicode();
    const char32_t codePoint =
        character.size() == 2 ? QChar::surrogateToUcs4(character[0], character[1]) : first;
    return isControl(first) || first == u'\\' || isFormat(codePoint);
}
} // namespace

namespace RadioText
{

QString visible(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const QStringView character = text.mid(i, unitsAt(text, i));
        i += character.size();
        if (!spelledOut(character)) {
            out += character;
            continue;
        }
        for (const QChar unit : character)
            out += escapeOf(unit.unicode());
    }
    return out;
}

} // namespace RadioText
