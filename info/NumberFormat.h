#pragma once

#include <QLocale>
#include <QString>
#include <QtGlobal>

// Number texts of the calibration table. Pure functions; separators come from the locale given.
namespace NumberFormat
{

// "##,##0.00": two decimals rounded half away from zero, thousands grouped with the locale's
// group separator, at least one digit before the decimal separator, leading minus sign.
// Rounding works on the value's decimal text of 15 significant digits, so binary noise below
// that does not decide it (2.675 gives 2.68). A negative value that rounds to zero shows as
// "0.00" without a sign. NaN and infinities show as the locale writes them.
QString formatFixed2(double value, const QLocale& locale);

// Plain decimal, leading minus sign, no grouping.
QString formatInteger(qint64 value);

// The shortest decimal text of at most 7 significant digits, the locale's decimal separator,
// no grouping, no trailing zeros (3 -> "3", 12.5 -> "12,5" in German). As the classic general
// format: decimal exponents from -4 to 6 are written out (0.0001, 1234567); beyond, E notation
// with a signed two-digit exponent ("1.234568E+07", "1E-05"). Negative zero shows as "0".
QString formatGeneral(float value, const QLocale& locale);

// The double whose value is the float's shortest round-trip decimal text (2.675f -> 2.675), so
// that a float shown with formatFixed2 rounds on the digits the gauge's value stands for.
double floatAsDecimal(float value);

} // namespace NumberFormat
