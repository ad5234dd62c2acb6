#include "info/RecordCellTexts.h"

#include "info/NumberFormat.h"
#include "state/RadioText.h"

namespace
{

constexpr int FeColumn = 1;
constexpr int NfeColumn = 2;
const QString PairSeparator = QStringLiteral(" / ");

QString fixed2(float value, const QLocale& locale)
{
    return NumberFormat::formatFixed2(NumberFormat::floatAsDecimal(value), locale);
}

QString integer(qint64 value)
{
    return NumberFormat::formatInteger(value);
}

void appendProbeKind(QList<CellText>& cells, const DeviceRecordValues& v, size_t kind,
                     const QLocale& locale)
{
    const int column = kind == 0 ? FeColumn : NfeColumn;
    cells.append({1, column, fixed2(v.OffsetVoltage[kind], locale)});
    cells.append({2, column, fixed2(v.ProbeScale[kind], locale)});
    cells.append({3, column, fixed2(v.ValueAir[kind], locale)});
    cells.append({4, column, fixed2(v.CurrentAir[kind], locale)});
    cells.append({5, column, fixed2(v.MaxRange[kind], locale)});
    cells.append({6, column, integer(v.DraftLimitCoarse[kind])});
    cells.append({7, column, integer(v.DraftLimitFine[kind])});
}

} // namespace

QList<CellText> recordCellTexts(const DeviceRecordValues& v, const QString& currentFileName,
                                const QLocale& locale)
{
    using NumberFormat::formatGeneral;
    QList<CellText> cells;
    cells.append({0, 0, currentFileName});
    appendProbeKind(cells, v, 0, locale);
    appendProbeKind(cells, v, 1, locale);
    cells.append({8, FeColumn, integer(v.FeAdcOffset)});
    cells.append({9, FeColumn, integer(v.FeTemperatureCorrection)});
    cells.append({10, FeColumn, integer(v.ProbeType)});
    cells.append({10, NfeColumn, formatGeneral(v.DeviceType, locale)});
    cells.append({11, FeColumn, integer(v.SerialNumber)});
    cells.append({11, NfeColumn, formatGeneral(v.FoilValue, locale)});
    cells.append({12, FeColumn, formatGeneral(v.ZeroTolerance, locale)});
    cells.append({13, FeColumn, integer(v.StartupOptions)});
    cells.append({13, NfeColumn, formatGeneral(v.MenuLevel, locale)});
    cells.append({15, FeColumn, integer(v.UserProbeType)});
    cells.append({15, NfeColumn, RadioText::visible(v.MemoryText)});
    cells.append({16, FeColumn, integer(v.UnitsSetting)});
    cells.append({16, NfeColumn, RadioText::visible(v.LanguageText)});
    cells.append(
        {17, FeColumn, integer(v.BeepSetting) + PairSeparator + integer(v.ContrastSetting)});
    cells.append(
        {17, NfeColumn, integer(v.SwitchOffTime) + PairSeparator + integer(v.UseBleSetting)});
    return cells;
}
