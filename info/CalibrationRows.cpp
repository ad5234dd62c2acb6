#include "info/CalibrationRows.h"

namespace CalibrationRows
{

QStringList labels()
{
    // Trailing and doubled blanks belong to the texts.
    return {QString(),
            QStringLiteral("Offset Voltage"),
            QStringLiteral("Scales"),
            QStringLiteral("Value air "),
            QStringLiteral("Current air"),
            QStringLiteral("Max Range"),
            QStringLiteral("Draftlimit_coarse"),
            QStringLiteral("Draftlimit_fine "),
            QStringLiteral("FE adc Offset"),
            QStringLiteral("FE Temperature correction"),
            QStringLiteral("Probe-Type(1=FE,3=Kombi) / Device-Type"),
            QStringLiteral("Serial Number / Foil value"),
            QStringLiteral("Zero Tolerance"),
            QStringLiteral("Startup-Options  / menuelevel"),
            QStringLiteral("Benutzereinstellungen"),
            QStringLiteral("Userprobetype / memory"),
            QStringLiteral("Units/language"),
            QStringLiteral("Beep / Contrast // Switch off time / UseBLE"),
            QString()};
}

QString feHeader()
{
    return QStringLiteral("FE");
}

QString nfeHeader()
{
    return QStringLiteral("NFE");
}

} // namespace CalibrationRows
