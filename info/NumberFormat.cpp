#include "info/NumberFormat.h"

#include <charconv>
#include <cmath>

namespace
{

constexpr int FixedSignificant = 15; // classic double-to-decimal precision
constexpr int FixedDecimals = 2;
constexpr int GeneralSignificant = 7;
constexpr int GeneralMinExponent = -4; // smallest exponent written without E
constexpr int GeneralMaxExponent = 6;  // largest exponent written without E

// Adds one to a string of decimal digits.
void incrementDigits(QString& digits)
{
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        if (digits[i] != u'9') {
            digits[i] = QChar(digits[i].unicode() + 1);
            return;
        }
        digits[i] = u'0';
    }
    digits.prepend(u'1');
}

// |value| in hundredths, rounded half away from zero, as a string of decimal digits.
QString hundredthsDigits(double magnitude)
{
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific,
                                   FixedSignificant - 1);
    const QString text = QString::fromLatin1(buf, res.ptr - buf); // d.dddde+XX
    const qsizetype ePos = text.indexOf(u'e');
    const QString mantissa = text.left(ePos).remove(u'.');
    const int exponent = text.mid(ePos + 1).toInt();
    const int keep = exponent + 1 + FixedDecimals; // digits up to the hundredths
    if (keep < 0)
        return QStringLiteral("0");
    QString digits = mantissa.left(keep).leftJustified(keep, u'0');
    if (keep < mantissa.size() && mantissa[keep] >= u'5')
        incrementDigits(digits);
    return digits.isEmpty() ? QStringLiteral("0") : digits;
}

QString groupThousands(const QString& digits, const QString& separator)
{
    QString grouped;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += separator;
        grouped += digits[i];
    }
    return grouped;
}

// "1.234568e+07" -> "1.234568E+07"; "1e-05" -> "1E-05".
QString classicExponent(QString text)
{
    return text.replace(u'e', u'E');
}

} // namespace

namespace NumberFormat
{

QString formatFixed2(double value, const QLocale& locale)
{
    if (!std::isfinite(value))
        return locale.toString(value);
    QString digits = hundredthsDigits(std::fabs(value)).rightJustified(FixedDecimals + 1, u'0');
    const QString whole = digits.left(digits.size() - FixedDecimals);
    qsizetype lead = 0;
    while (lead + 1 < whole.size() && whole[lead] == u'0')
        ++lead;
    const bool zero = digits.count(u'0') == digits.size();
    const QString sign = (value < 0 && !zero) ? locale.negativeSign() : QString();
    return sign + groupThousands(whole.mid(lead), locale.groupSeparator()) + locale.decimalPoint() +
           digits.right(FixedDecimals);
}

QString formatInteger(qint64 value)
{
    return QString::number(value);
}

QString formatGeneral(float value, const QLocale& locale)
{
    if (!std::isfinite(value))
        return locale.toString(double(value));
    if (value == 0.0f)
        return QStringLiteral("0");
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific,
                             GeneralSignificant - 1);
    const int exponent = QByteArray(buf, res.ptr - buf).split('e').last().toInt();
    const bool plain = exponent >= GeneralMinExponent && exponent <= GeneralMaxExponent;
    res = plain ? std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed,
                                qMax(0, GeneralSignificant - 1 - exponent))
                : std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific,
                                GeneralSignificant - 1);
    QString text = QString::fromLatin1(buf, res.ptr - buf);
    const qsizetype ePos = text.indexOf(u'e');
    QString mantissa = ePos < 0 ? text : text.left(ePos);
    if (mantissa.contains(u'.')) {
        while (mantissa.endsWith(u'0'))
            mantissa.chop(1);
        if (mantissa.endsWith(u'.'))
            mantissa.chop(1);
    }
    text = mantissa + (ePos < 0 ? QString() : classicExponent(text.mid(ePos)));
    text.replace(u'.', locale.decimalPoint());
    if (text.startsWith(u'-'))
        text.replace(0, 1, locale.negativeSign());
    return text;
}

double floatAsDecimal(float value)
{
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    double decimal = 0;
    std::from_chars(buf, res.ptr, decimal);
    return std::isfinite(value) ? decimal : double(value);
}

} // namespace NumberFormat
