#include "info/ViewTexts.h"

#include "state/TextCatalogue.h"

namespace ViewTexts
{
QString chartTitle()
{
    return pick("Kennlinien", "Characteristic curves");
}

QString readingAxis()
{
    return pick("Messwert normiert (Tabelle B)", "Normalised reading (table B)");
}

QString thicknessAxis()
{
    return pick("Schichtdicke (Tabelle A)", "Thickness (table A)");
}

QString seriesName(int kind, Record record)
{
    const QString probeKind = kind == 0 ? QStringLiteral("FE") : QStringLiteral("NFE");
    const QString which =
        record == Record::Probe ? pick("Sonde", "probe") : pick("Werk", "factory");
    return probeKind + QLatin1Char(' ') + which;
}

QString showRecord(Record record)
{
    return record == Record::Probe ? pick("Sondendaten (probe)", "Probe data (probe)")
                                   : pick("Werksdaten (factory)", "Factory data (factory)");
}

QString differsHint()
{
    return pick("Sonde und Werk unterscheiden sich", "Probe and factory differ");
}

} // namespace ViewTexts
